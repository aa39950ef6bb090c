// The test hook of the RAS calls.
#include "platform/winapi/rasapi32/CallHook.h"

#include <mutex>

#include "platform/winapi/Ras.h"

namespace {

struct Hook {
  std::mutex lock;
  vandrel::ras_testing::TRasCallHook hook;
};

Hook& TheHook() {
  static Hook* hook = new Hook;  // lives until the process ends
  return *hook;
}

}  // namespace

namespace ras {

DWORD HookedResult(const char* function) {
  vandrel::ras_testing::TRasCallHook hook;
  {
    std::lock_guard<std::mutex> guard(TheHook().lock);
    hook = TheHook().hook;
  }
  return hook ? hook(function) : 0;
}

}  // namespace ras

namespace vandrel::ras_testing {

void SetCallHook(TRasCallHook hook) {
  std::lock_guard<std::mutex> guard(TheHook().lock);
  TheHook().hook = std::move(hook);
}

}  // namespace vandrel::ras_testing
