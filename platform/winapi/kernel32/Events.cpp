// Event objects: a flag under the waitables' state lock.
#include "platform/winapi/LastError.h"
#include "platform/winapi/Synchronization.h"
#include "platform/winapi/kernel32/Device.h"

namespace {

class EventObject final : public KernelWaitable {
 public:
  EventObject(bool manualReset, bool set) : manualReset_(manualReset), set_(set) {}

  DWORD TryAcquire() override {
    if (!set_) return WAIT_TIMEOUT;
    if (!manualReset_) set_ = false;
    return WAIT_OBJECT_0;
  }

  void Set(bool set) {
    auto lock = StateLock();
    SetLocked(set);
  }

  void SetLocked(bool set) {
    set_ = set;
    if (set) WakeWaiters();
  }

 private:
  const bool manualReset_;
  bool set_;  // guarded by the state lock
};

BOOL SetState(HANDLE event, bool set) {
  auto object = HandleObjectAs<EventObject>(event);
  if (!object) return FALSE;
  object->Set(set);
  return TRUE;
}

}  // namespace

HANDLE CreateEventA(SECURITY_ATTRIBUTES*, BOOL manualReset, BOOL initialState, LPCSTR name) {
  if (name) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  return NewHandle(std::make_shared<EventObject>(manualReset, initialState));
}

BOOL SetEvent(HANDLE event) { return SetState(event, true); }

BOOL ResetEvent(HANDLE event) { return SetState(event, false); }

std::shared_ptr<KernelWaitable> EventObjectOf(HANDLE event) { return HandleObjectAs<EventObject>(event); }

void SetEventLocked(KernelWaitable& event, bool set) { static_cast<EventObject&>(event).SetLocked(set); }
