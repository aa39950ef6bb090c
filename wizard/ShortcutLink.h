// A shortcut (".lnk" file) written through the shell's link object, and the special folders it goes to.
#pragma once
#include <cstdint>
#include <string>

#include "platform/runtime/Classes.h"
#include "platform/runtime/Exceptions.h"

VCL_EXCEPTION(EShortcutError, Exception);

// Byte-sized, so that any ordinal is a value of the type (one outside the three changes nothing).
enum TShowCmd : uint8_t { scShowMaximized, scShowMinimized, scShowNormal };

class TShortcutLink : public TComponent {
  VCL_CLASS(TShortcutLink, TComponent)
  using TComponent::TComponent;
  static TShortcutLink* Create(TComponent* owner) { return NewObject<TShortcutLink>(owner); }

  // Writes the link file; EShortcutError "Unable to create .lnk file" when the link cannot be made or saved.
  void CreateLink();
  // The file-system desktop folder.
  std::string GetDesktopFolder();
  // The path of a special folder, asked with the owner form's window (the owner must be a form); empty
  // when the folder cannot be found.
  std::string GetSpecialFolder(int csidl);

  // ---- published
  const std::string& ShortcutFile() const { return shortcutFile_; }
  void SetShortcutFile(const std::string& value) { shortcutFile_ = value; }
  const std::string& Target() const { return target_; }
  void SetTarget(const std::string& value) { target_ = value; }
  const std::string& WorkingDir() const { return workingDir_; }
  void SetWorkingDir(const std::string& value) { workingDir_ = value; }
  const std::string& Description() const { return description_; }
  void SetDescription(const std::string& value) { description_ = value; }
  const std::string& Arguments() const { return arguments_; }
  void SetArguments(const std::string& value) { arguments_ = value; }
  const std::string& IconLocation() const { return iconLocation_; }
  void SetIconLocation(const std::string& value) { iconLocation_ = value; }
  // One character: the first of the value, upper-cased; a blank for an empty value or a control character.
  std::string HotKey() const { return std::string(1, char(hotKey_)); }
  void SetHotKey(const std::string& value);
  // Stored as the show commands 3, 7 and 9; any other stored command reads as normal.
  TShowCmd ShowCmd() const;
  void SetShowCmd(TShowCmd value);
  uint16_t IconNumber() const { return iconNumber_; }
  void SetIconNumber(uint16_t value) { iconNumber_ = value; }

 private:
  std::string shortcutFile_, target_, workingDir_, description_, arguments_, iconLocation_;
  unsigned char hotKey_ = ' ';
  int showCmd_ = 9;
  uint16_t iconNumber_ = 0;
};

// The unit's initialisation: enters COM on the calling (the program's) thread once, and leaves it when the
// program ends. The program body and the tests call it; further calls do nothing.
void InitShortcutLink();
