#include "platform/components/ModuleTeardown.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Module.h"

namespace {

struct Teardown {
  std::mutex lock;
  std::vector<std::function<void()>> stages[2];
};

std::atomic<Teardown*> g_teardown{nullptr};

Teardown& T() {
  static Teardown t;
  g_teardown.store(&t, std::memory_order_release);
  return t;
}

// A destructor function of the module runs before its C++ static objects are destroyed, so the cleanups
// may still use every one of them, also those made after the first cleanup was arranged.
[[gnu::destructor]] void RunModuleTeardown() {
  Teardown* t = g_teardown.load(std::memory_order_acquire);
  if (!t || !vandrel::IsUnloadingModule(HInstance())) return;
  for (auto& stage : t->stages) {
    for (auto it = stage.rbegin(); it != stage.rend(); ++it) (*it)();
    stage.clear();
  }
}

}  // namespace

void AtModuleUnload(TUnloadStage stage, std::function<void()> cleanup) {
  Teardown& t = T();
  std::lock_guard g(t.lock);
  t.stages[stage == TUnloadStage::Objects ? 0 : 1].push_back(std::move(cleanup));
}
