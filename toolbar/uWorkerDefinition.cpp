// The worker's definition check: the revert to the shipped definition after a week of failures, and the
// refresh of the root definition from its source URL into the user storage.
#include <algorithm>

#include "toolbar/uDownload.h"
#include "toolbar/uStorageFolders.h"
#include "toolbar/uWorkerCycle.h"

namespace {

constexpr int64_t kRevertMs = 604800000;
constexpr int kRefreshFloorSeconds = 300;

}  // namespace

bool TWorkerCycle::CheckDefinition(TToolbarDefinition& definition) {
  RevertIfDue();
  return RefreshIfDue(definition);
}

void TWorkerCycle::RevertIfDue() {
  if (CurrentStorage() == StaticStorage()) return;
  // Only a failure that no success has followed for seven days reverts; a committed include update counts
  // as a success, so that a definition without a source is not reverted while its includes stay fresh.
  TDateTime error = configuration_.GetLastDefDownloadError();
  TDateTime success =
      std::max(configuration_.GetLastDefDownloadSuccess(), configuration_.GetLastIncludeUpdateSuccess());
  if (error == 0 || error < success || !MoreThanElapsed(success, kRevertMs)) return;
  module_.Log("Definition revert timeout elapsed. Trying to revert...", 0);
  try {
    TScopedLock<TFileStorage> guard(*DownloadStorage());
    DownloadStorage()->Clear();
  } catch (const std::exception& e) {
    module_.LogFmt("Error reverting tempstorage: %s", {std::string(e.what())}, 2);
  }
  try {
    UserStorage()->Clear();
  } catch (const std::exception& e) {
    module_.LogFmt("Error reverting userstorage: %s", {std::string(e.what())}, 2);
  }
  module_.Log("Definition reverted.", 0);
}

bool TWorkerCycle::RefreshIfDue(TToolbarDefinition& definition) {
  const std::string url = definition.Src();
  if (url.empty()) return false;
  int64_t seconds = std::max(definition.Refresh(), kRefreshFloorSeconds);
  if (!MoreThanElapsed(configuration_.GetLastDefDownloadSuccess(), seconds * 1000)) return false;
  module_.Log("Definition refresh period elapsed. Trying to update...", 0);
  TDownloadFileStorage* download = DownloadStorage();
  TScopedLock<TFileStorage> guard(*download);
  module_.LogFmt("Definition download url is %s. Starting download...", {url}, 0);
  TObjectPtr<TMemoryStream> stream(TMemoryStream::Create());
  LoadUrlToStream(url, *stream, 0);
  module_.LogFmt("Definition file downloaded (%d bytes).", {stream->Size()}, 0);
  configuration_.SetLastDefDownloadSuccess(Now());
  module_.Log("Clearing temporary storage...", 0);
  download->Clear();
  module_.Log("Temporary storage cleared.", 0);
  download->SetBaseURL(url);
  stream->SetPosition(0);
  download->StoreFile(url, *stream, 0, "");
  module_.Log("Attempting to load new definition...", 0);
  std::string text(static_cast<const char*>(stream->Memory()), size_t(stream->Size()));
  ParseAgainstDownloadStorage(text);
  module_.Log("New definition successfully loaded.", 0);
  module_.Log("Attempting to commit new definition to user storage...", 0);
  UserStorage()->CopyFrom(*download);
  module_.Log("New definition committed.", 0);
  configuration_.SetLastDefDownloadSuccess(Now());
  UserStorage()->Validate();
  return true;
}
