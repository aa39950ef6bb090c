// A child process that the launcher started, as its process and thread handles see it (private to kernel32).
#pragma once
#include <memory>

#include "platform/winapi/Handles.h"
#include "platform/winapi/Processes.h"

namespace kernel32 {

// Guarded by the waitables' state lock.
struct ChildState {
  int pid = 0;
  bool tellsIdle = false;  // a program of the machine, whose application object tells when it is idle
  bool idle = false;
  bool ended = false;
  DWORD exitCode = STILL_ACTIVE;
};

// Signalled when the child has ended; the process handle and the main thread's handle are two of them.
class ChildObject final : public KernelWaitable {
 public:
  enum class Kind { Process, Thread };
  ChildObject(Kind kind, std::shared_ptr<ChildState> state) : kind_(kind), state_(std::move(state)) {}
  DWORD TryAcquire() override { return state_->ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT; }
  Kind GetKind() const { return kind_; }
  const std::shared_ptr<ChildState>& State() const { return state_; }

 private:
  const Kind kind_;
  std::shared_ptr<ChildState> state_;
};

}  // namespace kernel32
