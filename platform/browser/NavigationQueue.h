// The work of the browsers of one top-level browser, run on the thread that owns them: work posted from
// any thread is run by that thread's message loop (a hidden window receives a wake-up message) or by an
// explicit RunPending. Work for a browser that has left the queue is dropped.
#pragma once
#include <deque>
#include <functional>
#include <mutex>
#include <set>

#include "platform/winapi/WinTypes.h"

namespace browser {

class TBrowser;

class TNavigationQueue {
 public:
  TNavigationQueue();
  ~TNavigationQueue();
  TNavigationQueue(const TNavigationQueue&) = delete;
  TNavigationQueue& operator=(const TNavigationQueue&) = delete;

  void Join(TBrowser* browser);
  void Leave(TBrowser* browser);
  void Post(TBrowser* browser, std::function<void(TBrowser&)> work);
  // Runs what is queued, in order, until nothing is (work queued meanwhile runs too). A call made while
  // work runs returns at once: the running loop takes the new work.
  void RunPending();
  bool Empty();

 private:
  struct Item {
    TBrowser* browser;
    std::function<void(TBrowser&)> work;
  };
  std::mutex lock_;
  std::deque<Item> items_;
  std::set<TBrowser*> members_;
  HWND window_ = nullptr;
  bool wakeUpPosted_ = false;
  bool running_ = false;
};

}  // namespace browser
