#include "platform/browser/NavigationQueue.h"

#include "platform/browser/Browser.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/UtilityWindow.h"
#include "platform/winapi/Windows.h"

namespace browser {
namespace {
constexpr UINT kWakeUp = WM_USER + 0x4B1;
}

TNavigationQueue::TNavigationQueue() {
  window_ = AllocateHWnd([this](TMessage& message) {
    if (message.Msg != kWakeUp) {
      message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
      return;
    }
    {
      std::lock_guard<std::mutex> guard(lock_);
      wakeUpPosted_ = false;
    }
    RunPending();
  });
}

TNavigationQueue::~TNavigationQueue() {
  if (window_) DeallocateHWnd(window_);
}

void TNavigationQueue::Join(TBrowser* browser) {
  std::lock_guard<std::mutex> guard(lock_);
  members_.insert(browser);
}

void TNavigationQueue::Leave(TBrowser* browser) {
  std::lock_guard<std::mutex> guard(lock_);
  members_.erase(browser);
}

void TNavigationQueue::Post(TBrowser* browser, std::function<void(TBrowser&)> work) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> guard(lock_);
    items_.push_back({browser, std::move(work)});
    wake = !wakeUpPosted_ && !running_;
    if (wake) wakeUpPosted_ = true;
  }
  if (wake && window_) PostMessageA(window_, kWakeUp, 0, 0);
}

bool TNavigationQueue::Empty() {
  std::lock_guard<std::mutex> guard(lock_);
  return items_.empty();
}

void TNavigationQueue::RunPending() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (running_) return;
    running_ = true;
  }
  struct Done {
    TNavigationQueue* queue;
    ~Done() {
      std::lock_guard<std::mutex> guard(queue->lock_);
      queue->running_ = false;
    }
  } done{this};
  for (;;) {
    Item item;
    ComPtr<TBrowser> keep;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (items_.empty()) return;
      item = std::move(items_.front());
      items_.pop_front();
      if (!members_.count(item.browser)) continue;
      keep = ComPtr<TBrowser>(item.browser);  // the work may drop the last reference
    }
    item.work(*keep.Get());
  }
}

}  // namespace browser
