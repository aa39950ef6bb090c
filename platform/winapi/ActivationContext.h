// Activation contexts: a manifest (a module's manifest resource 1, or a manifest file) made into a context
// that a thread activates and deactivates on its own stack of contexts. Also exported by the stand-in
// "kernel32.dll", where callers bind them at run time.
#pragma once
#include <string>

#include "platform/winapi/WinTypes.h"

struct ACTCTXA {
  ULONG cbSize;
  DWORD dwFlags;
  LPCSTR lpSource;
  USHORT wProcessorArchitecture;
  LANGID wLangId;
  LPCSTR lpAssemblyDirectory;
  LPCSTR lpResourceName;
  LPCSTR lpApplicationName;
  HMODULE hModule;
};

constexpr DWORD ACTCTX_FLAG_PROCESSOR_ARCHITECTURE_VALID = 0x001;
constexpr DWORD ACTCTX_FLAG_LANGID_VALID = 0x002;
constexpr DWORD ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID = 0x004;
constexpr DWORD ACTCTX_FLAG_RESOURCE_NAME_VALID = 0x008;
constexpr DWORD ACTCTX_FLAG_SET_PROCESS_DEFAULT = 0x010;
constexpr DWORD ACTCTX_FLAG_APPLICATION_NAME_VALID = 0x020;
constexpr DWORD ACTCTX_FLAG_HMODULE_VALID = 0x080;
constexpr DWORD DEACTIVATE_ACTCTX_FLAG_FORCE_EARLY_DEACTIVATION = 0x1;

// INVALID_HANDLE_VALUE with the last error when the manifest is missing (ERROR_FILE_NOT_FOUND,
// ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND) or malformed (ERROR_SXS_CANT_GEN_ACTCTX).
HANDLE CreateActCtxA(const ACTCTXA* context);
void AddRefActCtx(HANDLE context);
void ReleaseActCtx(HANDLE context);
// Pushes the context on the calling thread's stack; the cookie names that activation.
BOOL ActivateActCtx(HANDLE context, ULONG_PTR* cookie);
// Pops the activation of the cookie: it must be the thread's newest (ERROR_SXS_EARLY_DEACTIVATION) unless
// the force flag pops the newer ones with it; a cookie not active on this thread fails with
// ERROR_SXS_INVALID_DEACTIVATION.
BOOL DeactivateActCtx(DWORD flags, ULONG_PTR cookie);
// The calling thread's active context (null when none), with a reference for the caller.
BOOL GetCurrentActCtx(HANDLE* context);

namespace vandrel {

// The version of an assembly that a context's manifest depends on ("6.0.0.0" for
// "Microsoft.Windows.Common-Controls"), empty when it does not.
std::string ActCtxDependencyVersion(HANDLE context, const std::string& assemblyName);

}  // namespace vandrel
