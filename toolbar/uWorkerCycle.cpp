// The worker's cycle: hold-offs, the online test, the checks in their order and the broadcasts.
#include "toolbar/uWorkerCycle.h"

#include <algorithm>

#include "deskband/vekUtils.h"
#include "deskband/vekWinInet.h"
#include "toolbar/uSignals.h"
#include "toolbar/uStorageFolders.h"

namespace {

constexpr int64_t kBackOffMs = 60000;
constexpr int64_t kCycleIntervalMs = 30000;

}  // namespace

bool MoreThanElapsed(TDateTime start, int64_t ms) {
  TDateTime now = Now();
  if (now < start) start = now;
  return MillisecondsBetween(now, start, false) > ms;
}

void TWorkerCycle::Run() {
  try {
    // The tests in memory first: the registry is read once per due cycle, not every 100 ms.
    if (!MoreThanElapsed(lastException_, kBackOffMs) || !MoreThanElapsed(lastCycle_, kCycleIntervalMs)) return;
    if (!MoreThanElapsed(configuration_.GetLastDefDownloadError(), kBackOffMs)) return;
    lastCycle_ = Now();
    if (Terminating() || !IsInternetConnected()) return;
    try {
      RunChecks();
    } catch (...) {
      // A download cut short by the stop is no failure: the worker that takes over must not back off.
      if (!Terminating()) configuration_.SetLastDefDownloadError(Now());
      throw;
    }
    lastCycle_ = Now();
  } catch (const std::exception& e) {
    lastException_ = Now();
    module_.LogFmt("Exception (%s) in workerthread: %s", {ExceptionClassName(e), std::string(e.what())}, 2);
  }
}

void TWorkerCycle::RunChecks() {
  TObjectPtr<TToolbarDefinition> definition(module_.LoadDefinition());
  if (CheckFeeds(*definition)) BroadcastFeedChanged();
  bool changed = CheckDefinition(*definition);
  if (!changed) changed = CheckIncludes(*definition);
  if (changed) BroadcastDefChanged();
}

void TWorkerCycle::ParseAgainstDownloadStorage(const std::string& text) {
  TDownloadFileStorage* download = DownloadStorage();
  {
    // The fetching parse: network waits here hold the download storage only, never the module lock that
    // band forms take to build their controls.
    TScopedLock<TFileStorage> guard(*download);
    TObjectPtr<TToolbarDefinition> fetching(TToolbarDefinition::Create());
    fetching->LoadFromXML(text, download);
  }
  TObjectPtr<TToolbarDefinition> parsed(module_.ParseDefinition(text, download));
}
