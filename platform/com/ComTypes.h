// Base types of COM: HRESULTs and their codes, GUIDs, contexts and flags.
#pragma once
#include <cstdint>
#include <cstring>
#include <functional>

#include "platform/winapi/WinTypes.h"

using HRESULT = int32_t;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using VARIANT_BOOL = int16_t;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr HRESULT MAKE_HRESULT(unsigned severity, unsigned facility, unsigned code) {
  return HRESULT((uint32_t(severity) << 31) | (uint32_t(facility) << 16) | uint32_t(code & 0xFFFF));
}
constexpr unsigned FACILITY_WIN32 = 7;
// A Win32 error code as an HRESULT (0 stays S_OK).
constexpr HRESULT HRESULT_FROM_WIN32(DWORD code) {
  return code == 0 || HRESULT(code) < 0 ? HRESULT(code) : MAKE_HRESULT(1, FACILITY_WIN32, code);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = HRESULT(0x8000FFFF);
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000E);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002);
constexpr HRESULT E_POINTER = HRESULT(0x80004003);
constexpr HRESULT E_HANDLE = HRESULT(0x80070006);
constexpr HRESULT E_ABORT = HRESULT(0x80004004);
constexpr HRESULT E_FAIL = HRESULT(0x80004005);
constexpr HRESULT E_ACCESSDENIED = HRESULT(0x80070005);
constexpr HRESULT CLASS_E_NOAGGREGATION = HRESULT(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = HRESULT(0x80040111);
constexpr HRESULT REGDB_E_CLASSNOTREG = HRESULT(0x80040154);
constexpr HRESULT CO_E_NOTINITIALIZED = HRESULT(0x800401F0);
constexpr HRESULT CO_E_CLASSSTRING = HRESULT(0x800401F3);
constexpr HRESULT RPC_E_CHANGED_MODE = HRESULT(0x80010106);
constexpr HRESULT RPC_E_WRONG_THREAD = HRESULT(0x8001010E);
constexpr HRESULT CO_E_DLLNOTFOUND = HRESULT(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = HRESULT(0x800401F9);
constexpr HRESULT CONNECT_E_NOCONNECTION = HRESULT(0x80040200);
constexpr HRESULT CONNECT_E_ADVISELIMIT = HRESULT(0x80040201);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = HRESULT(0x80040202);
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = HRESULT(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = HRESULT(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = HRESULT(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = HRESULT(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = HRESULT(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = HRESULT(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = HRESULT(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = HRESULT(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = HRESULT(0x8002000A);
constexpr HRESULT DISP_E_BADPARAMCOUNT = HRESULT(0x8002000E);
constexpr HRESULT STG_E_INVALIDFUNCTION = HRESULT(0x80030001);
constexpr HRESULT STG_E_MEDIUMFULL = HRESULT(0x80030070);
constexpr HRESULT STG_E_READFAULT = HRESULT(0x8003001E);
constexpr HRESULT STG_E_WRITEFAULT = HRESULT(0x8003001D);
constexpr HRESULT OLECMDERR_E_NOTSUPPORTED = HRESULT(0x80040100);
constexpr HRESULT OLECMDERR_E_UNKNOWNGROUP = HRESULT(0x80040104);

// Where CoCreateInstance may look for a class.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_SERVER | CLSCTX_INPROC_HANDLER;

// Threading models of CoInitializeEx.
constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// Registration flags of CoRegisterClassObject.
constexpr DWORD REGCLS_SINGLEUSE = 0;
constexpr DWORD REGCLS_MULTIPLEUSE = 1;

// A globally unique identifier, laid out as Windows lays it out in memory.
struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];

  friend constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.Data4[i] != b.Data4[i]) return false;
    return true;
  }
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

constexpr GUID GUID_NULL{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

template <>
struct std::hash<GUID> {
  size_t operator()(const GUID& g) const noexcept {
    uint64_t words[2];
    std::memcpy(words, &g, sizeof words);
    return std::hash<uint64_t>()(words[0] * 0x9E3779B97F4A7C15ull ^ words[1]);
  }
};
