// The component library's registry object: one open key at a time below a root key, with typed reads and
// writes that check the stored type and raise ERegistryException.
#pragma once
#include <string>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Registry.h"

VCL_EXCEPTION(ERegistryException, Exception);

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData;
  int DataSize;
};

struct TRegKeyInfo {
  int NumSubKeys;
  int MaxSubKeyLen;
  int NumValues;
  int MaxValueLen;
  int MaxDataLen;
  FILETIME FileTime;
};

class TRegistry : public TObject {
  VCL_CLASS(TRegistry, TObject)
  explicit TRegistry(REGSAM access = KEY_ALL_ACCESS) : access_(access) {}
  ~TRegistry() override;
  static TRegistry* Create(REGSAM access = KEY_ALL_ACCESS) { return NewObject<TRegistry>(access); }

  // Setting another root closes the current key. HKEY_CURRENT_USER by default.
  HKEY RootKey() const { return rootKey_; }
  void SetRootKey(HKEY root);
  // The open key (null when none) and its path below the root, without a leading backslash.
  HKEY CurrentKey() const { return currentKey_; }
  const std::string& CurrentPath() const { return currentPath_; }
  REGSAM Access() const { return access_; }
  void SetAccess(REGSAM access) { access_ = access; }
  bool LazyWrite = true;

  // A key starting with "\" is below the root, else below the current key (the root when none is open).
  // True when the key was opened (and created when allowed); the previous key is closed then.
  bool OpenKey(const std::string& key, bool canCreate);
  // Opens for reading only; the registry's access becomes that read access.
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  // Creates a key without opening it; a failure raises "Failed to create key %s".
  bool CreateKey(const std::string& key);
  // Deletes a key with everything below it.
  bool DeleteKey(const std::string& key);
  bool KeyExists(const std::string& key);
  bool HasSubKeys();
  bool GetKeyInfo(TRegKeyInfo& info);
  void GetKeyNames(TStrings& names);
  void GetValueNames(TStrings& names);

  bool ValueExists(const std::string& name);
  bool DeleteValue(const std::string& name);
  bool GetDataInfo(const std::string& name, TRegDataInfo& info);
  TRegDataType GetDataType(const std::string& name);
  // The value's size in bytes, -1 when it does not exist.
  int GetDataSize(const std::string& name);

  // Reads of the current key's values. A value of another type raises "Invalid data type for '%s'", one
  // that cannot be read (missing, or larger than the type) "Failed to get data for '%s'". A missing
  // string reads as empty.
  std::string ReadString(const std::string& name);
  int32_t ReadInteger(const std::string& name);
  bool ReadBool(const std::string& name);
  double ReadFloat(const std::string& name);
  TDateTime ReadDateTime(const std::string& name);
  // Copies a binary (or unknown-type) value into the buffer and returns its size; 0 for a missing one.
  int ReadBinaryData(const std::string& name, void* buffer, int size);

  // Writes; a failure raises "Failed to set data for '%s'". Floats and dates are 8-byte binary values.
  void WriteString(const std::string& name, const std::string& value);
  void WriteExpandString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, int32_t value);
  void WriteBool(const std::string& name, bool value);
  void WriteFloat(const std::string& name, double value);
  void WriteDateTime(const std::string& name, TDateTime value);
  void WriteBinaryData(const std::string& name, const void* buffer, int size);

 private:
  HKEY BaseKey(bool relative) const;
  HKEY OpenRelative(const std::string& key, REGSAM access, bool create, std::string& path);
  void ChangeKey(HKEY key, const std::string& path);
  // Reads into the buffer; the bytes read and the type. Raises when the value cannot be read.
  int GetData(const std::string& name, void* buffer, int size, TRegDataType& type);
  void PutData(const std::string& name, const void* buffer, int size, TRegDataType type);

  HKEY rootKey_ = HKEY_CURRENT_USER;
  HKEY currentKey_ = nullptr;
  std::string currentPath_;
  REGSAM access_;
};
