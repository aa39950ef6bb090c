// Module identity: the instance handle and Windows-form file name of each library and program, and the
// version and manifest resources that the build embeds in a binary (cmake: vandrel_resources).
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "platform/winapi/WinTypes.h"

struct VS_FIXEDFILEINFO {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};

constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
constexpr DWORD VS_FFI_STRUCVERSION = 0x00010000;
constexpr DWORD VS_FFI_FILEFLAGSMASK = 0x0000003F;
constexpr DWORD VOS__WINDOWS32 = 0x00000004;
constexpr DWORD VFT_APP = 1;
constexpr DWORD VFT_DLL = 2;

inline LPCSTR MAKEINTRESOURCEA(WORD id) { return reinterpret_cast<LPCSTR>(uintptr_t(id)); }
inline bool IS_INTRESOURCE(LPCSTR name) { return (reinterpret_cast<uintptr_t>(name) >> 16) == 0; }

// The Windows-form full path of a module (null: the program). A buffer too small receives what fits with a
// terminator, the result is `size` and the last error ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// The version resource of a file (a program or library named by its Windows path): its size (0 with the
// last error set when the file has none), the block, and VerQueryValueA of the root block "\" giving the
// VS_FIXEDFILEINFO.
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data);
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length);

namespace vandrel {

// The module whose image holds an address (its instance handle, the address it is loaded at).
HMODULE ModuleOfAddress(const void* address);
// The program's module, and the host path of a loaded module's file (empty when the handle is none).
HMODULE ProgramModule();
std::string HostPathOfModule(HMODULE module);

// Names of the resources that vandrel_resources embeds, and their layout: an 8-byte tag, then for the
// version a VS_FIXEDFILEINFO, for the manifest a 32-bit length and the manifest's bytes.
constexpr const char* kVersionSection = ".vandrel_version";
constexpr const char* kManifestSection = ".vandrel_manifest";
constexpr char kVersionTag[9] = "VDRLVER1";
constexpr char kManifestTag[9] = "VDRLMAN1";

// The bytes of a resource of the binary at a host path; false with a Win32 error when the file cannot be
// read, is no binary, or has no such resource.
bool ReadModuleResource(const std::string& hostPath, const char* section, std::string& data, DWORD& error);
// The contents of a named section of a 64-bit ELF image, read through `read` (offset, buffer, count:
// whether all bytes were read); every offset is checked against the image's size first.
using ImageReader = std::function<bool(uint64_t offset, void* buffer, size_t count)>;
bool FindElfSection(const ImageReader& read, uint64_t size, std::string_view name, std::string& data);

}  // namespace vandrel

// The module that the calling code is linked into: each library and program has its own hidden anchor.
namespace vandrel::module_anchor {
[[gnu::visibility("hidden")]] inline const char kAnchor = 0;
}
inline HINSTANCE HInstance() { return vandrel::ModuleOfAddress(&vandrel::module_anchor::kAnchor); }
