#include "platform/com/OleError.h"

#include <cstdio>

#include "platform/winapi/LastError.h"

namespace {

const char* HresultText(HRESULT code) {
  switch (code) {
    case E_UNEXPECTED: return "Catastrophic failure";
    case E_NOTIMPL: return "Not implemented";
    case E_NOINTERFACE: return "No such interface supported";
    case E_POINTER: return "Invalid pointer";
    case E_ABORT: return "Operation aborted";
    case E_FAIL: return "Unspecified error";
    case CLASS_E_NOAGGREGATION: return "Class does not support aggregation (or class object is remote)";
    case CLASS_E_CLASSNOTAVAILABLE: return "ClassFactory cannot supply requested class";
    case REGDB_E_CLASSNOTREG: return "Class not registered";
    case CO_E_NOTINITIALIZED: return "CoInitialize has not been called.";
    case CO_E_CLASSSTRING: return "Invalid class string";
    case RPC_E_CHANGED_MODE: return "Cannot change thread mode after it is set.";
    case RPC_E_WRONG_THREAD: return "The application called an interface that was marshalled for a different thread.";
    case CO_E_DLLNOTFOUND: return "DLL for class not found";
    case CO_E_ERRORINDLL: return "Error in the DLL";
    case CONNECT_E_NOCONNECTION: return "The connection point has no such connection";
    case CONNECT_E_CANNOTCONNECT: return "The sink does not support the interface of the connection point";
    case DISP_E_UNKNOWNINTERFACE: return "Unknown interface.";
    case DISP_E_MEMBERNOTFOUND: return "Member not found.";
    case DISP_E_PARAMNOTFOUND: return "Parameter not found.";
    case DISP_E_TYPEMISMATCH: return "Type mismatch.";
    case DISP_E_UNKNOWNNAME: return "Unknown name.";
    case DISP_E_NONAMEDARGS: return "No named arguments.";
    case DISP_E_BADVARTYPE: return "Bad variable type.";
    case DISP_E_EXCEPTION: return "Exception occurred.";
    case DISP_E_OVERFLOW: return "Out of present range.";
    case DISP_E_BADPARAMCOUNT: return "Invalid number of parameters.";
    default: return nullptr;
  }
}

std::string RegisteredText(DWORD code) {
  const char* text = HresultText(HRESULT(code));
  return text ? text : "";
}

// The texts above answer SysErrorMessage too, as the system's message table does.
const bool g_registered = [] {
  RegisterErrorMessages(0x80000000u, 0x8004FFFFu, RegisteredText);
  return true;
}();

}  // namespace

std::string ComErrorMessage(HRESULT code) {
  if (const char* text = HresultText(code)) return text;
  if ((uint32_t(code) & 0xFFFF0000u) == 0x80070000u) return SysErrorMessage(uint32_t(code) & 0xFFFF);
  return "";
}

static std::string OleSysErrorText(HRESULT code) {
  std::string text = ComErrorMessage(code);
  if (!text.empty()) return text;
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "OLE error %.8X", unsigned(code));
  return buffer;
}

EOleSysError::EOleSysError(HRESULT errorCode) : EOleSysError(OleSysErrorText(errorCode), errorCode) {}

void OleError(HRESULT code) { throw EOleSysError(code); }

HRESULT OleCheck(HRESULT code) {
  if (FAILED(code)) OleError(code);
  return code;
}
