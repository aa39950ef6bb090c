// One cycle of the worker thread and its three checks: the feeds, the definition (revert, refresh) and the
// included files. Everything runs on the calling thread; network waits end early once `thread` is asked to
// terminate.
#pragma once
#include <cstdint>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Thread.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uParser.h"

// Whether more than `ms` milliseconds have passed since `start` (a start in the future counts from now),
// in 64 bits without any clamp.
bool MoreThanElapsed(TDateTime start, int64_t ms);

class TWorkerCycle {
 public:
  // Neither is owned; `thread` may be null (then nothing terminates the cycle).
  TWorkerCycle(TTessalineDeskBandModule& module, TTessalineConfiguration& configuration, const TThread* thread)
      : module_(module), configuration_(configuration), thread_(thread) {}

  // One cycle: the hold-offs, the online test, the definition loaded, the checks, the broadcasts. Never
  // raises: a failure is logged and holds the next cycles off for 60 s.
  void Run();

  // Whether a feed was stored (at most one per call).
  bool CheckFeeds(TToolbarDefinition& definition);
  bool CheckFeed(TToolbarFeed& feed);
  // Whether a new definition was committed.
  bool CheckDefinition(TToolbarDefinition& definition);
  // Whether updated included files were committed.
  bool CheckIncludes(TToolbarDefinition& definition);

  TDateTime LastException() const { return lastException_; }
  TDateTime LastCycle() const { return lastCycle_; }

 private:
  bool Terminating() const { return thread_ && thread_->Terminated(); }
  void RunChecks();
  void RevertIfDue();
  bool RefreshIfDue(TToolbarDefinition& definition);
  void UpdateInclude(TToolbarIncludeControl& include);
  // Parses the text against the download storage: first, under that storage's lock only, a parse that
  // fetches every file the storage lacks, then the module's parse, which reads only stored files.
  void ParseAgainstDownloadStorage(const std::string& text);

  TTessalineDeskBandModule& module_;
  TTessalineConfiguration& configuration_;
  const TThread* thread_;
  TDateTime lastException_ = 0;
  TDateTime lastCycle_ = 0;
};
