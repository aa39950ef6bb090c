#include "deskband/vekUtils.h"

#include <cmath>
#include <memory>
#include <mutex>

#include "platform/components/RegistryObject.h"
#include "platform/runtime/Sync.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Module.h"

// ---- elapsed time ----

int64_t MillisecondsBetween(TDateTime later, TDateTime earlier, bool clamp) {
  long double d = (static_cast<long double>(later) - static_cast<long double>(earlier)) * 86400.0L * 1000.0L;
  constexpr long double kLimit = 2147483647.0L, kInt64Limit = 9.2e18L;
  if (clamp) d = std::fmax(-kLimit, std::fmin(kLimit, d));
  d = std::fmax(-kInt64Limit, std::fmin(kInt64Limit, d));
  return static_cast<int64_t>(std::nearbyintl(d));  // the default rounding: to nearest, halves to even
}

bool TimeoutElapsed(TDateTime start, int64_t timeout, TDateTime now) {
  if (timeout == kNeverTimeout) return false;
  if (now == -1) {
    now = Now();
    if (now < start) start = now;  // a start in the future (the clock was set back) counts from now
  }
  return MillisecondsBetween(now, start, true) > timeout;
}

// ---- registry read ----

Variant RegReadValue(HKEY root, const std::string& key, const std::string& name, const Variant& defaultValue) {
  Variant result = defaultValue;
  std::unique_ptr<TRegistry, void (*)(TRegistry*)> registry(TRegistry::Create(KEY_READ),
                                                            [](TRegistry* r) { r->Free(); });
  registry->SetRootKey(root);
  if (!registry->OpenKey(key, false) || !registry->ValueExists(name)) return result;
  // The registry is shared: another process may change the value between the calls below, and any
  // failure then answers the default.
  try {
    switch (registry->GetDataType(name)) {
      case rdString: result = registry->ReadString(name); break;
      case rdInteger: result = Variant(registry->ReadInteger(name)); break;
      case rdBinary: {
        std::string bytes(size_t(std::max(registry->GetDataSize(name), 0)), '\0');
        bytes.resize(size_t(registry->ReadBinaryData(name, bytes.data(), int(bytes.size()))));
        result = bytes;
        break;
      }
      default: break;  // REG_EXPAND_SZ and the other types keep the default
    }
  } catch (const Exception&) {
    result = defaultValue;
  }
  return result;
}

// ---- activation contexts ----

namespace {

struct ActCtxRoutines {
  decltype(&CreateActCtxA) create = nullptr;
  decltype(&ReleaseActCtx) release = nullptr;
  decltype(&ActivateActCtx) activate = nullptr;
  decltype(&DeactivateActCtx) deactivate = nullptr;
  bool Complete() const { return create && release && activate && deactivate; }
};

// Bound once per process and kept.
const ActCtxRoutines& Routines() {
  static const ActCtxRoutines routines = [] {
    ActCtxRoutines r;
    if (HMODULE kernel = GetModuleHandleA("kernel32.dll")) {
      r.create = reinterpret_cast<decltype(r.create)>(GetProcAddress(kernel, "CreateActCtxA"));
      r.release = reinterpret_cast<decltype(r.release)>(GetProcAddress(kernel, "ReleaseActCtx"));
      r.activate = reinterpret_cast<decltype(r.activate)>(GetProcAddress(kernel, "ActivateActCtx"));
      r.deactivate = reinterpret_cast<decltype(r.deactivate)>(GetProcAddress(kernel, "DeactivateActCtx"));
    }
    return r;
  }();
  return routines;
}

// The routines, or the "not supported" exception.
const ActCtxRoutines& Bound() {
  CheckActCtxSupported();
  return Routines();
}

// The activation-context unit's lock.
TCriticalSection& UnitLock() {
  static TCriticalSection lock;
  return lock;
}

HMODULE g_moduleForTesting = nullptr;

}  // namespace

bool ActCtxSupported() { return Routines().Complete(); }

void CheckActCtxSupported() {
  if (!ActCtxSupported()) throw Exception("Activation context routines not supported on this platform");
}

HMODULE ActCtxModule() { return g_moduleForTesting ? g_moduleForTesting : HInstance(); }
void SetActCtxModuleForTesting(HMODULE module) { g_moduleForTesting = module; }

void TEasyContextActivation::AfterConstruction() {
  TCriticalSectionGuard guard(UnitLock());
  record_ = ACTCTXA{};
  record_.cbSize = sizeof record_;
  char path[MAX_PATH] = {};
  HMODULE module = ActCtxModule();
  GetModuleFileNameA(module, path, sizeof path);
  switch (manifestType_) {
    case 0:
      source_ = path;
      record_.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
      record_.lpResourceName = MAKEINTRESOURCEA(1);
      record_.hModule = module;
      break;
    case 1: source_ = std::string(path) + ".manifest"; break;
    default: throw Exception("Unhandled ManifestType in " + ClassName() + ".Create()");
  }
  record_.lpSource = source_.c_str();
  HANDLE handle = Bound().create(&record_);
  created_ = handle != INVALID_HANDLE_VALUE;
  handle_ = created_ ? handle : nullptr;
}

void TEasyContextActivation::SetActive(bool value) {
  TCriticalSectionGuard guard(UnitLock());
  if (value == active_) return;
  if (value) {
    if (!created_) return;
    if (!Bound().activate(handle_, &cookie_)) RaiseLastOSError();
    active_ = true;
  } else if (created_ && active_) {
    if (!Bound().deactivate(DEACTIVATE_ACTCTX_FLAG_FORCE_EARLY_DEACTIVATION, cookie_)) RaiseLastOSError();
    active_ = false;
  }
}

void TEasyContextActivation::BeforeDestruction() {
  TCriticalSectionGuard guard(UnitLock());
  try {
    SetActive(false);
  } catch (const Exception&) {
    // a context deactivated on the wrong thread cannot be deactivated here; it is released all the same
  }
  if (handle_ && ActCtxSupported()) Routines().release(handle_);
  handle_ = nullptr;
}

// ---- thread stop ----

void TerminateAndWaitThread(TThread*& thread) {
  TThread* doomed = thread;
  if (!doomed) return;
  doomed->SetFreeOnTerminate(false);
  std::shared_ptr<TWaitableEvent> ended = doomed->Handle();
  doomed->Terminate();
  if (!doomed->Suspended())
    for (;;) {
      if (IsMainThread()) CheckSynchronize(0);
      if (ended->WaitFor(100) != wrTimeout) break;
    }
  thread = nullptr;
  doomed->Free();
}
