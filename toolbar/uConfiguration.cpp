#include "toolbar/uConfiguration.h"

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Exceptions.h"
#include "toolbar/uInstance.h"

namespace {

const char* const kMainKey = "\\Software\\Quorrel\\Tessaline\\";
const std::string kMain;
const std::string kHistory = "History";

std::string FeedKey(const std::string& feedId) { return "Feeds\\" + feedId; }

}  // namespace

std::string NormalizeListEntry(const std::string& entry) {
  std::string line;
  line.reserve(entry.size());
  for (size_t i = 0; i < entry.size(); ++i) {
    char c = entry[i];
    if (c == '\r' || c == '\n') {
      line += ' ';
      if (c == '\r' && i + 1 < entry.size() && entry[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  return line;
}

void TTessalineConfiguration::AfterConstruction() {
  inherited::AfterConstruction();  // joins the owner; a failure below leaves it again
  auto* module = source_ ? source_ : dynamic_cast<ITessalineConfigurationOwner*>(Owner());
  if (!module) throw EInvalidCast("Invalid class typecast");
  registry_ = TRegistry::Create();
  registry_->SetRootKey(HKEY_CURRENT_USER);
  mainKey_ = kMainKey + GetToolbarGUID();
  if (!registry_->KeyExists(mainKey_)) {
    try {
      registry_->CreateKey(mainKey_);
    } catch (const ERegistryException&) {
      // reported below, as the key that cannot be opened
    }
  }
  if (!registry_->OpenKey(mainKey_, false)) throw Exception("Nem sikerült a registry megnyitása"_cp);
  currentSubKey_.clear();
  std::string caption = module->MenuCaption();
  if (ReadString(kMain, "ToolBarName", "") != caption) WriteString(kMain, "ToolBarName", caption);
}

TTessalineConfiguration::~TTessalineConfiguration() {
  if (registry_) registry_->Free();
}

std::string TTessalineConfiguration::GetKeyPath(const std::string& subKey) const {
  return subKey.empty() ? mainKey_ : mainKey_ + "\\" + subKey;
}

void TTessalineConfiguration::OpenSubKey(const std::string& subKey) {
  if (subKey == currentSubKey_) return;
  std::string path = GetKeyPath(subKey);
  if (!registry_->OpenKey(path, true))
    throw Exception("Nem sikerült a \""_cp + path + "\" registry kulcs megnyitása"_cp);
  currentSubKey_ = subKey;
}

void TTessalineConfiguration::WriteString(const std::string& subKey, const std::string& name, const std::string& text) {
  OpenSubKey(subKey);  // no lock: used only while the object is not yet shared
  registry_->WriteString(name, text);
}

void TTessalineConfiguration::WriteInteger(const std::string& subKey, const std::string& name, int32_t number) {
  TCriticalSectionGuard guard(lock_);
  OpenSubKey(subKey);
  registry_->WriteInteger(name, number);
}

void TTessalineConfiguration::WriteDateTime(const std::string& subKey, const std::string& name, TDateTime date) {
  TCriticalSectionGuard guard(lock_);
  OpenSubKey(subKey);
  registry_->WriteDateTime(name, date);
}

void TTessalineConfiguration::WriteStream(const std::string& subKey, const std::string& name, TStream& stream) {
  std::string bytes(size_t(std::max<int64_t>(stream.Size() - stream.Position(), 0)), '\0');
  bytes.resize(size_t(stream.Read(bytes.data(), int64_t(bytes.size()))));
  TCriticalSectionGuard guard(lock_);
  OpenSubKey(subKey);
  registry_->WriteBinaryData(name, bytes.data(), int(bytes.size()));
}

std::string TTessalineConfiguration::ReadString(const std::string& subKey, const std::string& name,
                                                const std::string& defaultValue) {
  TCriticalSectionGuard guard(lock_);
  OpenSubKey(subKey);
  return registry_->ValueExists(name) ? registry_->ReadString(name) : defaultValue;
}

int32_t TTessalineConfiguration::ReadInteger(const std::string& subKey, const std::string& name, int32_t defaultValue) {
  TCriticalSectionGuard guard(lock_);
  OpenSubKey(subKey);
  return registry_->ValueExists(name) ? registry_->ReadInteger(name) : defaultValue;
}

TDateTime TTessalineConfiguration::ReadDateTime(const std::string& subKey, const std::string& name,
                                                TDateTime defaultValue) {
  TCriticalSectionGuard guard(lock_);
  OpenSubKey(subKey);
  return registry_->ValueExists(name) ? registry_->ReadDateTime(name) : defaultValue;
}

int64_t TTessalineConfiguration::ReadStream(const std::string& subKey, const std::string& name, TStream& stream) {
  std::string bytes;
  {
    TCriticalSectionGuard guard(lock_);
    OpenSubKey(subKey);
    if (!registry_->ValueExists(name)) return 0;
    bytes.resize(size_t(std::max(registry_->GetDataSize(name), 0)));
    bytes.resize(size_t(registry_->ReadBinaryData(name, bytes.data(), int(bytes.size()))));
  }
  stream.WriteBuffer(bytes.data(), int64_t(bytes.size()));
  return int64_t(bytes.size());
}

bool TTessalineConfiguration::GetDebugLog() { return ReadInteger(kMain, "DebugLog", 0) != 0; }
bool TTessalineConfiguration::GetFirstStart() { return ReadInteger(kMain, "FirstStart", 1) == 1; }
void TTessalineConfiguration::SetFirstStart(bool firstStart) { WriteInteger(kMain, "FirstStart", firstStart ? 1 : 0); }

TDateTime TTessalineConfiguration::GetLastDefDownloadSuccess() {
  return ReadDateTime(kMain, "LastDefDownloadSuccess", 0);
}
void TTessalineConfiguration::SetLastDefDownloadSuccess(TDateTime date) {
  WriteDateTime(kMain, "LastDefDownloadSuccess", date);
}
TDateTime TTessalineConfiguration::GetLastDefDownloadError() { return ReadDateTime(kMain, "LastDefDownloadError", 0); }
void TTessalineConfiguration::SetLastDefDownloadError(TDateTime date) {
  WriteDateTime(kMain, "LastDefDownloadError", date);
}
TDateTime TTessalineConfiguration::GetLastIncludeUpdateSuccess() {
  return ReadDateTime(kMain, "LastIncludeUpdateSuccess", 0);
}
void TTessalineConfiguration::SetLastIncludeUpdateSuccess(TDateTime date) {
  WriteDateTime(kMain, "LastIncludeUpdateSuccess", date);
}
TDateTime TTessalineConfiguration::GetLastPopup() { return ReadDateTime(kMain, "LastPopup", 0); }
void TTessalineConfiguration::SetLastPopup(TDateTime date) { WriteDateTime(kMain, "LastPopup", date); }
TDateTime TTessalineConfiguration::GetLastPopupClick() { return ReadDateTime(kMain, "LastPopupClick", 0); }
void TTessalineConfiguration::SetLastPopupClick(TDateTime date) { WriteDateTime(kMain, "LastPopupClick", date); }

TDateTime TTessalineConfiguration::GetFeedLastCheck(const std::string& feedId) {
  return ReadDateTime(FeedKey(feedId), "LastCheck", 0);
}
void TTessalineConfiguration::SetFeedLastCheck(const std::string& feedId, TDateTime date) {
  WriteDateTime(FeedKey(feedId), "LastCheck", date);
}
TDateTime TTessalineConfiguration::GetFeedLastDownload(const std::string& feedId) {
  return ReadDateTime(FeedKey(feedId), "LastDownload", 0);
}
void TTessalineConfiguration::SetFeedLastDownload(const std::string& feedId, TDateTime date) {
  WriteDateTime(FeedKey(feedId), "LastDownload", date);
}

void TTessalineConfiguration::LoadFeedContent(const std::string& feedId, TStream& stream) {
  ReadStream(FeedKey(feedId), "Content", stream);
  stream.SetPosition(0);
}

void TTessalineConfiguration::SaveFeedContent(const std::string& feedId, TStream& stream) {
  stream.SetPosition(0);
  WriteStream(FeedKey(feedId), "Content", stream);
}

void TTessalineConfiguration::LoadList(const std::string& subKey, const std::string& name, TStrings& list) {
  TMemoryStream buffer;
  ReadStream(subKey, name, buffer);
  buffer.SetPosition(0);
  list.LoadFromStream(buffer);
}

void TTessalineConfiguration::SaveList(const std::string& subKey, const std::string& name, const TStrings& list) {
  std::string text;
  for (int i = 0; i < list.Count(); ++i) text += NormalizeListEntry(list[i]) + "\r\n";
  TStringStream buffer(text);
  WriteStream(subKey, name, buffer);
}

void TTessalineConfiguration::LoadShownEntries(const std::string& feedId, TStrings& list) {
  LoadList(FeedKey(feedId), "ShownEntries", list);
}
void TTessalineConfiguration::SaveShownEntries(const std::string& feedId, const TStrings& list) {
  SaveList(FeedKey(feedId), "ShownEntries", list);
}
void TTessalineConfiguration::LoadHistory(const std::string& historyId, TStrings& list) {
  LoadList(kHistory, historyId, list);
}
void TTessalineConfiguration::SaveHistory(const std::string& historyId, const TStrings& list) {
  SaveList(kHistory, historyId, list);
}
