// The worker's include check: expired included files of the root definition are fetched again, with the
// includes nested in them, and committed to the user storage once the whole definition loads from the
// download storage.
#include "toolbar/uStorageFolders.h"
#include "toolbar/uWorkerCycle.h"

namespace {

// The URL an include's file was read from (its src resolved against the document holding it).
std::string IncludeURL(TToolbarIncludeControl& include) {
  return include.IncludeDefinition() ? include.IncludeDefinition()->URL() : include.Src();
}

template <class Visit>
void ForEachInclude(TCustomToolbarDefinition& definition, Visit visit) {
  TToolbarControlList* controls = definition.Controls();
  for (int i = 0; i < controls->Count(); ++i)
    if (auto* include = DynamicAs<TToolbarIncludeControl>(controls->Items(i))) visit(*include);
}

// Whether an include is due by the dates of the storage (which CopyFrom keeps).
bool IncludeDue(TFileStorage& storage, TToolbarIncludeControl& include) {
  return IsRefreshDue(include.Refresh(), storage.GetFileDate(IncludeURL(include)));
}

}  // namespace

bool TWorkerCycle::CheckIncludes(TToolbarDefinition& definition) {
  // Nothing due by the current storage's dates: no copy into the download storage at all.
  bool anyDue = false;
  {
    TFileStorage* current = CurrentStorage();
    TScopedLock<TFileStorage> guard(*current);
    ForEachInclude(definition,
                   [&](TToolbarIncludeControl& include) { anyDue = anyDue || IncludeDue(*current, include); });
  }
  if (!anyDue) return false;

  TDownloadFileStorage* download = DownloadStorage();
  TScopedLock<TFileStorage> guard(*download);
  download->Clear();
  download->CopyFrom(*CurrentStorage());
  std::string root = download->GetRootURL();
  download->SetBaseURL(root);
  int updated = 0;
  ForEachInclude(definition, [&](TToolbarIncludeControl& include) {
    TDateTime stored = download->GetFileDate(IncludeURL(include));
    if (!IsRefreshDue(include.Refresh(), stored)) return;
    module_.LogFmt("Include \"%s\" expired (local date: %s). Updating...", {include.Src(), DateTimeToStr(stored)}, 0);
    ++updated;
    UpdateInclude(include);
    module_.LogFmt("Include \"%s\" updated.", {include.Src()}, 0);
  });
  if (updated == 0) {
    download->Clear();
    return false;
  }
  // An updated include may name files that nobody fetched yet: the whole definition must load from the
  // download storage (which fetches them) before anything is committed.
  download->SetBaseURL(root);
  ParseAgainstDownloadStorage(download->ReadString(root));
  UserStorage()->CopyFrom(*download);
  UserStorage()->Validate();
  configuration_.SetLastIncludeUpdateSuccess(Now());
  return true;
}

void TWorkerCycle::UpdateInclude(TToolbarIncludeControl& include) {
  TDownloadFileStorage* download = DownloadStorage();
  const std::string url = IncludeURL(include);
  module_.LogFmt("Updating file \"%s\"...", {include.Src()}, 0);
  download->Refresh(url);
  const std::string remembered = download->GetBaseURL();
  download->SetBaseURL(url);
  try {
    module_.LogFmt("File \"%s\" updated", {include.Src()}, 0);
    if (include.IncludeDefinition())
      ForEachInclude(*include.IncludeDefinition(), [&](TToolbarIncludeControl& nested) { UpdateInclude(nested); });
  } catch (...) {
    download->SetBaseURL(remembered);
    throw;
  }
  download->SetBaseURL(remembered);
}
