// The toolbar's per-user configuration: values under HKEY_CURRENT_USER
// "\Software\Quorrel\Tessaline\" + the instance GUID, its "Feeds\<id>" and "History" keys. One object per
// thread that uses it; every read goes to the registry.
#pragma once
#include <string>

#include "platform/components/RegistryObject.h"
#include "platform/runtime/Classes.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Sync.h"

// What the configuration needs of its owner, the band module (which implements it).
class ITessalineConfigurationOwner {
 public:
  virtual std::string MenuCaption() const = 0;

 protected:
  ~ITessalineConfigurationOwner() = default;
};

// One line of a stored list: each CR LF pair, lone CR and lone LF becomes one blank, so that an entry
// stays one line of the list's text. Stored lists and what is compared with them go through it.
std::string NormalizeListEntry(const std::string& entry);

class TTessalineConfiguration : public TComponent {
  VCL_CLASS(TTessalineConfiguration, TComponent)
  explicit TTessalineConfiguration(TComponent* owner) : TComponent(owner) {}
  TTessalineConfiguration(TComponent* owner, ITessalineConfigurationOwner* source)
      : TComponent(owner), source_(source) {}
  ~TTessalineConfiguration() override;
  // The owner must be the band module (EInvalidCast otherwise). Opens, creating it when missing, the main
  // key ("Nem sikerült a registry megnyitása" when it cannot) and stores the module's menu caption.
  static TTessalineConfiguration* Create(TComponent* owner) { return NewObject<TTessalineConfiguration>(owner); }
  // One without an owner (the caller frees it) that takes the menu caption from the module, for a thread
  // other than the module's.
  static TTessalineConfiguration* CreateUnowned(ITessalineConfigurationOwner& module) {
    return NewObject<TTessalineConfiguration>(nullptr, &module);
  }
  void AfterConstruction() override;

  // The main key's path, and below it the sub-key's ("" is the main key).
  std::string GetKeyPath(const std::string& subKey) const;
  // Opens the sub-key (creating what is missing) unless it is the open one; a failure raises
  // "Nem sikerült a \"%s\" registry kulcs megnyitása" and keeps the open one.
  void OpenSubKey(const std::string& subKey);
  const std::string& CurrentSubKey() const { return currentSubKey_; }

  // Values of a sub-key: a read gives the default when the value is missing and raises the registry's
  // error for one of another type or size. Dates are 8-byte binary values.
  void WriteString(const std::string& subKey, const std::string& name, const std::string& text);
  void WriteInteger(const std::string& subKey, const std::string& name, int32_t number);
  void WriteDateTime(const std::string& subKey, const std::string& name, TDateTime date);
  // The stream's bytes from its position to its end.
  void WriteStream(const std::string& subKey, const std::string& name, TStream& stream);
  std::string ReadString(const std::string& subKey, const std::string& name, const std::string& defaultValue);
  int32_t ReadInteger(const std::string& subKey, const std::string& name, int32_t defaultValue);
  TDateTime ReadDateTime(const std::string& subKey, const std::string& name, TDateTime defaultValue);
  // Appends the value's bytes at the stream's position; their count, 0 when the value is missing.
  int64_t ReadStream(const std::string& subKey, const std::string& name, TStream& stream);

  bool GetDebugLog();
  bool GetFirstStart();
  void SetFirstStart(bool firstStart);
  TDateTime GetLastDefDownloadSuccess();
  void SetLastDefDownloadSuccess(TDateTime date);
  TDateTime GetLastDefDownloadError();
  void SetLastDefDownloadError(TDateTime date);
  // The last committed update of included files (the worker's revert rule counts it as a success).
  TDateTime GetLastIncludeUpdateSuccess();
  void SetLastIncludeUpdateSuccess(TDateTime date);
  TDateTime GetLastPopup();
  void SetLastPopup(TDateTime date);
  TDateTime GetLastPopupClick();
  void SetLastPopupClick(TDateTime date);
  TDateTime GetFeedLastCheck(const std::string& feedId);
  void SetFeedLastCheck(const std::string& feedId, TDateTime date);
  TDateTime GetFeedLastDownload(const std::string& feedId);
  void SetFeedLastDownload(const std::string& feedId, TDateTime date);
  // The feed's raw content into the stream, which is then rewound; saving stores the whole stream.
  void LoadFeedContent(const std::string& feedId, TStream& stream);
  void SaveFeedContent(const std::string& feedId, TStream& stream);
  // String lists (CR LF after each line): the list's lines are replaced; saving stores each line through
  // NormalizeListEntry.
  void LoadShownEntries(const std::string& feedId, TStrings& list);
  void SaveShownEntries(const std::string& feedId, const TStrings& list);
  void LoadHistory(const std::string& historyId, TStrings& list);
  void SaveHistory(const std::string& historyId, const TStrings& list);

 private:
  void LoadList(const std::string& subKey, const std::string& name, TStrings& list);
  void SaveList(const std::string& subKey, const std::string& name, const TStrings& list);

  ITessalineConfigurationOwner* source_ = nullptr;
  TRegistry* registry_ = nullptr;
  std::string mainKey_;
  std::string currentSubKey_;
  TCriticalSection lock_;
};
