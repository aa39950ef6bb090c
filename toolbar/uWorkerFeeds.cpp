// The worker's feed check: at most one due feed of the root definition is downloaded, validated and
// stored per cycle.
#include "deskband/vekRSS.h"
#include "toolbar/uDownload.h"
#include "toolbar/uWorkerCycle.h"

namespace {

constexpr int64_t kFeedRetryMs = 300000;

}  // namespace

bool TWorkerCycle::CheckFeeds(TToolbarDefinition& definition) {
  TToolbarFeedList* feeds = definition.Feeds();
  for (int i = 0; i < feeds->Count(); ++i) {
    TToolbarFeed* feed = feeds->Items(i);
    try {
      if (CheckFeed(*feed)) return true;
    } catch (const std::exception& e) {
      module_.LogFmt("Error checking feed %s: %s", {feed->Id(), std::string(e.what())}, 2);
    }
  }
  return false;
}

bool TWorkerCycle::CheckFeed(TToolbarFeed& feed) {
  const std::string& id = feed.Id();
  // A refresh of -1 (or 0) never holds a feed back: only the retry time does.
  if (!MoreThanElapsed(configuration_.GetFeedLastDownload(id), int64_t(feed.Refresh()) * 1000) ||
      !MoreThanElapsed(configuration_.GetFeedLastCheck(id), kFeedRetryMs))
    return false;
  configuration_.SetFeedLastCheck(id, Now());
  module_.LogFmt("Attempting to download RSS file for feed \"%s\"...", {id}, 0);
  bool stored = false;
  try {
    TObjectPtr<TMemoryStream> stream(TMemoryStream::Create());
    LoadUrlToStream(feed.Src(), *stream, 0);
    module_.LogFmt("RSS file for feed \"%s\" downloaded.", {id}, 0);
    if (stream->Size() > 0) {
      std::string text(static_cast<const char*>(stream->Memory()), size_t(stream->Size()));
      TObjectPtr<TRSSFeed> parsed(TRSSFeed::Create(text));
      parsed.reset();
      module_.Log("RSS file parse successful.", 0);
      stream->SetPosition(0);
      configuration_.SaveFeedContent(id, *stream);
      module_.Log("RSS file stored.", 0);
      stored = true;
    }
    configuration_.SetFeedLastDownload(id, Now());
  } catch (...) {
    configuration_.SetFeedLastCheck(id, Now());
    throw;
  }
  configuration_.SetFeedLastCheck(id, Now());
  return stored;
}
