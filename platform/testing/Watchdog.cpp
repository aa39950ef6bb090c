#include "platform/testing/Watchdog.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;

struct Armed {
  Clock::time_point deadline;
  std::string what;
  std::chrono::milliseconds limit;
};

// One thread for the process, started with the first watchdog; it sleeps until the nearest deadline.
struct Watch {
  std::mutex lock;
  std::condition_variable changed;
  std::map<uint64_t, Armed> armed;
  uint64_t last = 0;

  Watch() {
    std::thread([this] { Run(); }).detach();
  }

  void Run() {
    std::unique_lock guard(lock);
    for (;;) {
      if (armed.empty()) {
        changed.wait(guard);
        continue;
      }
      auto nearest = armed.begin();
      for (auto it = armed.begin(); it != armed.end(); ++it)
        if (it->second.deadline < nearest->second.deadline) nearest = it;
      if (Clock::now() >= nearest->second.deadline) {
        std::fprintf(stderr, "test waited more than %lld ms for %s\n",
                     static_cast<long long>(nearest->second.limit.count()), nearest->second.what.c_str());
        std::fflush(stderr);
        std::abort();
      }
      const Clock::time_point deadline = nearest->second.deadline;  // the entry may go while this waits
      changed.wait_until(guard, deadline);
    }
  }
};

Watch& W() {
  static Watch* watch = new Watch;  // never destroyed: its thread outlives the statics
  return *watch;
}

}  // namespace

TWaitWatchdog::TWaitWatchdog(std::string what, std::chrono::milliseconds limit) {
  Watch& w = W();
  std::lock_guard guard(w.lock);
  id_ = ++w.last;
  w.armed[id_] = Armed{Clock::now() + limit, std::move(what), limit};
  w.changed.notify_all();
}

TWaitWatchdog::~TWaitWatchdog() {
  Watch& w = W();
  std::lock_guard guard(w.lock);
  w.armed.erase(id_);
  w.changed.notify_all();
}

}  // namespace testing_support
