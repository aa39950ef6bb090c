// The band form's feed pop-ups: when one may show, the check for the oldest unseen item of the root
// definition's feeds, and showing it with the feed's sound.
#include <algorithm>
#include <cstring>

#include "deskband/vekRSS.h"
#include "deskband/vekUtils.h"
#include "platform/winapi/Sound.h"
#include "toolbar/uBandForm.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uTessalinePopupForm.h"

namespace {

// Shown ids kept per feed, at the least.
constexpr int kShownEntriesKept = 100;

TTessalineConfiguration* FormConfiguration() {
  TTessalineDeskBandModule* module = TessalineDeskBandModule();
  return module ? module->Configuration() : nullptr;
}

bool IsShown(const TStrings& shown, const std::string& id) {
  const std::string entry = NormalizeListEntry(id);
  for (int i = 0; i < shown.Count(); ++i)
    if (CompareText(shown.Strings(i), entry) == 0) return true;
  return false;
}

// Whether the bytes are a RIFF WAVE image whose header claims no more than there is: the sound is read
// by its header, and it comes from the network.
bool IsWholeWave(TMemoryStream& sound) {
  const int64_t size = sound.Size();
  if (size < 12) return false;
  const auto* bytes = static_cast<const unsigned char*>(sound.Memory());
  if (std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) return false;
  const uint32_t chunk =
      uint32_t(bytes[4]) | uint32_t(bytes[5]) << 8 | uint32_t(bytes[6]) << 16 | uint32_t(bytes[7]) << 24;
  return int64_t(chunk) + 8 <= size;
}

}  // namespace

void TTessalineDeskBandForm::FeedCheckTimerTimer(TObject*) { CheckFeedPopups(); }

bool TTessalineDeskBandForm::IsHostWindowActive() const {
  HWND active = GetActiveWindow();
  if (!active || !HandleAllocated()) return false;
  for (HWND h = GetParent(handle_); h; h = GetParent(h))
    if (h == active) return true;
  return false;
}

TDateTime TTessalineDeskBandForm::GetLastPopup() {
  TTessalineConfiguration* configuration = FormConfiguration();
  return configuration ? configuration->GetLastPopup() : 0;
}

void TTessalineDeskBandForm::SetLastPopup(TDateTime time) {
  if (TTessalineConfiguration* configuration = FormConfiguration()) configuration->SetLastPopup(time);
}

TDateTime TTessalineDeskBandForm::GetLastPopupClick() {
  TTessalineConfiguration* configuration = FormConfiguration();
  return configuration ? configuration->GetLastPopupClick() : 0;
}

void TTessalineDeskBandForm::SetLastPopupClick(TDateTime time) {
  if (TTessalineConfiguration* configuration = FormConfiguration()) configuration->SetLastPopupClick(time);
}

void TTessalineDeskBandForm::OpenPopupLink(const std::string& link, const std::string& target) {
  NavigateTo(link, target);
}

bool TTessalineDeskBandForm::CanShowPopup() {
  if (!IsHostWindowActive() || IsBandFocused()) return false;
  const int minDelay = currentDefinition_ ? currentDefinition_->PopupMinDelay() : 10;
  const int minDelayAfterClick = currentDefinition_ ? currentDefinition_->PopupMinDelayAfterClick() : 120;
  if (!TimeoutElapsed(GetLastPopup(), int64_t(minDelay) * 1000)) return false;
  if (!TimeoutElapsed(GetLastPopupClick(), int64_t(minDelayAfterClick) * 1000)) return false;
  BOOL running = FALSE;
  return !(SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running);
}

void TTessalineDeskBandForm::CheckFeedPopups() {
  if (!currentDefinition_ || !CanShowPopup()) return;
  TTessalineConfiguration* configuration = FormConfiguration();
  if (!configuration) return;
  TToolbarFeedList* feeds = currentDefinition_->Feeds();
  for (int i = 0; i < feeds->Count(); ++i) {
    TToolbarFeed* feed = feeds->Items(i);
    try {
      TObjectPtr<TMemoryStream> content(TMemoryStream::Create());
      configuration->LoadFeedContent(feed->Id(), *content);
      if (content->Size() == 0) continue;
      TObjectPtr<TRSSFeed> parsed(
          TRSSFeed::Create(std::string_view(static_cast<const char*>(content->Memory()), size_t(content->Size()))));
      TObjectPtr<TStringList> shown(NewObject<TStringList>());
      configuration->LoadShownEntries(feed->Id(), *shown);
      TRSSItemList& items = parsed->Items();
      for (int k = items.Count() - 1; k >= 0; --k) {
        TRSSItem* item = items.Items(k);
        const std::string id = item->GetID();
        if (IsShown(*shown, id)) continue;
        shown->Add(NormalizeListEntry(id));
        // As many ids as the feed has items, or an item pushed out would be announced again.
        const int kept = std::max(kShownEntriesKept, items.Count());
        while (shown->Count() > kept) shown->Delete(0);
        configuration->SaveShownEntries(feed->Id(), *shown);
        ShowFeedPopup(*feed, *item);
        return;
      }
    } catch (const Exception& e) {
      if (TTessalineDeskBandModule* module = TessalineDeskBandModule())
        module->LogFmt("FATAL: exception checking feed \"%s\": %s", {feed->Id(), std::string(e.what())}, 2);
    }
  }
}

void TTessalineDeskBandForm::ShowFeedPopup(const TToolbarFeed& feed, const TRSSItem& item) {
  SetLastPopup(Now());
  RECT band{};
  if (Band())
    band = GetBandScreenRect(Band());
  else
    GetWindowRect(handle_, &band);
  TMemoryStream* sound = feed.Sound();
  if (sound && sound->Size() > 0) {
    if (IsWholeWave(*sound)) {
      // The sound that plays reads this buffer: it stops before the buffer changes.
      sndPlaySound(nullptr, 0);
      soundBuffer_->LoadFromStream(*sound);
      sndPlaySound(static_cast<const char*>(soundBuffer_->Memory()), SND_ASYNC | SND_MEMORY);
    } else if (TTessalineDeskBandModule* module = TessalineDeskBandModule()) {
      module->LogFmt("Sound of feed \"%s\" not played: not a whole wave file", {feed.Id()}, 2);
    }
  }
  TTessalinePopupForm* popup = TTessalinePopupForm::Create(this);
  try {
    popup->ShowItem(this, POINT{band.right - 20, band.bottom}, item, feed, POINT{band.right - 20, band.top});
  } catch (...) {
    popup->Free();
    throw;
  }
}
