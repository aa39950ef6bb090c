#include "platform/components/ModuleTeardown.h"

#include <mutex>
#include <vector>

#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Module.h"

namespace {

struct Teardown {
  std::mutex lock;
  std::vector<std::function<void()>> stages[2];

  ~Teardown() {
    if (!vandrel::IsUnloadingModule(HInstance())) return;
    for (auto& stage : stages)
      for (auto it = stage.rbegin(); it != stage.rend(); ++it) (*it)();
  }
};

Teardown& T() {
  static Teardown t;
  return t;
}

}  // namespace

void AtModuleUnload(TUnloadStage stage, std::function<void()> cleanup) {
  Teardown& t = T();
  std::lock_guard g(t.lock);
  t.stages[stage == TUnloadStage::Objects ? 0 : 1].push_back(std::move(cleanup));
}
