// Small utilities of the band library: elapsed time between date-times, a one-call registry read, the
// activation context of the library's manifest (bound at run time), and a blocking stop of a thread.
#pragma once
#include <cstdint>
#include <string>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Thread.h"
#include "platform/runtime/Variant.h"
#include "platform/winapi/ActivationContext.h"
#include "platform/winapi/Registry.h"

// A timeout that never elapses.
constexpr int64_t kNeverTimeout = 2147483647;

// Milliseconds from earlier to later, rounded half to even; with clamp, limited to +-2147483647.
int64_t MillisecondsBetween(TDateTime later, TDateTime earlier, bool clamp);
// Whether more than `timeout` milliseconds have passed since start (now = -1: the clock's present; a start
// in the future counts from the present). kNeverTimeout never elapses.
bool TimeoutElapsed(TDateTime start, int64_t timeout, TDateTime now = -1);

// A value read from the key (opened for reading below the root): a string as a string, a DWORD as an
// integer, a binary value as a string of its bytes; any other type, or a missing key or value, the default.
Variant RegReadValue(HKEY root, const std::string& key, const std::string& name, const Variant& defaultValue);

// Whether this system has the four activation-context routines of kernel32.dll (bound on the first call).
bool ActCtxSupported();
// Raises "Activation context routines not supported on this platform" when it has not.
void CheckActCtxSupported();

// The activation context of this library's manifest: manifest type 0 is its manifest resource 1, type 1
// a manifest file beside it (the library's path and ".manifest"). A missing manifest leaves the object
// not created, and activating it then does nothing.
class TEasyContextActivation : public TObject {
  VCL_CLASS(TEasyContextActivation, TObject)
  explicit TEasyContextActivation(uint8_t manifestType) : manifestType_(manifestType) {}
  static TEasyContextActivation* Create(uint8_t manifestType) {
    return NewObject<TEasyContextActivation>(manifestType);
  }

  void AfterConstruction() override;
  void BeforeDestruction() override;

  bool Created() const { return created_; }
  bool Active() const { return active_; }
  HANDLE Handle() const { return handle_; }
  // Activates on the calling thread (deactivate on the same thread); a platform failure raises EOSError.
  void SetActive(bool value);

 private:
  bool created_ = false;
  uint8_t manifestType_;
  HANDLE handle_ = nullptr;
  ACTCTXA record_{};
  std::string source_;
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

// The module whose manifest the activation contexts read: the library the code is linked into, unless a
// test names another.
HMODULE ActCtxModule();
void SetActCtxModuleForTesting(HMODULE module);

// Asks the thread to terminate, waits for its end in waits of 100 ms (running the Synchronize calls it
// makes meanwhile when called on the main thread), frees it and clears the reference. The thread must not
// free itself.
void TerminateAndWaitThread(TThread*& thread);
