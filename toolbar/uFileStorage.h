// File storages: a folder holding the files of one toolbar definition under local names, with the
// ".files" index (lines "local name=key", the first key being the root URL) and the ".valid" marker.
#pragma once
#include <string>
#include <string_view>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/Sync.h"

class TStream;

VCL_EXCEPTION(EStorage, Exception);
VCL_EXCEPTION(EStorageFileNotFound, EStorage);

// The in-memory index: lines "local name=key", split at the first "=".
class TFileStorageFileList : public TStringList {
  VCL_CLASS(TFileStorageFileList, TStringList)
  std::string LocalNames(int index) const { return Names(index); }
  std::string Keys(int index) const { return ValueFromIndex(index); }
  void AddFile(const std::string& localName, const std::string& key);
  // The first line whose key equals the text in any ASCII letter case; -1 when none does.
  int IndexOfKey(std::string_view key) const;
};

// Whether a key names a file outside any storage (it contains ":\"), and whether it is a URL ("://").
bool IsAbsoluteLocalKey(std::string_view key);
bool IsURLKey(std::string_view key);
// The extension a new local name gets for a key: from the last "." of the key's last path segment (before
// any "?" or "#"), when only letters and digits follow it, cut to kMaxLocalExtension characters; otherwise none.
constexpr size_t kMaxLocalExtension = 8;
std::string LocalNameExtension(std::string_view key);

class TFileStorage : public TObject {
  VCL_CLASS(TFileStorage, TObject)
  // Root := the folder with a trailing backslash; the folder and its parents are created in
  // AfterConstruction when missing.
  explicit TFileStorage(const std::string& folder);
  static TFileStorage* Create(const std::string& folder) { return NewObject<TFileStorage>(folder); }
  void AfterConstruction() override;

  const std::string& Root() const { return root_; }
  const std::string& GetBaseURL() const { return baseURL_; }
  void SetBaseURL(const std::string& url) { baseURL_ = url; }

  // The local name of a key: an absolute local key itself; a plain name without an index, sanitised;
  // otherwise the index line of the combined URL (EStorageFileNotFound "Can't find %s in filestorage").
  virtual std::string GetLocalName(const std::string& key);
  // A new local name for the key that no file of the storage has yet.
  virtual std::string MakeLocalName(const std::string& key);
  // Writes the whole stream (from its start) under the local name (a new one when empty), dates the file
  // when date is not 0, and appends "local name=key" to the index.
  virtual void StoreFile(const std::string& key, TStream& stream, TDateTime date, std::string localName);
  // The name resolved against BaseURL, without encoding.
  virtual std::string CombineURL(const std::string& name);

  // The full path of a local name: itself when it contains ":\", else Root + name.
  std::string FullPath(const std::string& localName) const;
  // The file of the key appended to the stream at its position; its content as bytes.
  void ReadStream(const std::string& key, TStream& stream);
  std::string ReadString(const std::string& key);
  // Under the storage lock: the stored file of the key := the stream from its position to its end.
  void WriteFile(const std::string& key, TStream& stream);
  // The file's modification time in local time at two-second precision; 0 when the file is missing.
  TDateTime GetFileDate(const std::string& key);
  // The key of the first index line; EStorage "File storage empty. Unable to get root url." when none.
  std::string GetRootURL();

  // Invalidates, empties the index and deletes the indexed files (a missing file counts as deleted).
  void Clear();
  // Makes this storage an exact copy of the source: each indexed file with its date, the index and the
  // validity (files are read by their own local names, so a key listed twice keeps both files).
  void CopyFrom(TFileStorage& source);
  bool IsValid() const;
  void Invalidate();
  void Validate();

  void Lock() { lock_.Enter(); }
  void Unlock() { lock_.Leave(); }

  // While one lives, local names that this thread looks up in the storage come from one reading of the
  // index instead of a reading for each; for a reader that holds the storage lock over many lookups.
  // Saving the index through this storage drops the reading, so the storage's own changes are seen.
  class TIndexSnapshot {
   public:
    explicit TIndexSnapshot(TFileStorage& storage);
    ~TIndexSnapshot();
    TIndexSnapshot(const TIndexSnapshot&) = delete;
    TIndexSnapshot& operator=(const TIndexSnapshot&) = delete;

   private:
    friend class TFileStorage;
    TFileStorage& storage_;
    TIndexSnapshot* outer_;
    bool read_ = false, exists_ = false;
    TFileStorageFileList index_;
  };

 protected:
  // The content and date of a stored file by its local name.
  void ReadLocalFile(const std::string& localName, TStream& stream) const;
  TDateTime LocalFileDate(const std::string& localName) const;
  // Whether there is an index; an empty list when there is none.
  bool LoadIndex(TFileStorageFileList& index) const;
  void SaveIndex(const TFileStorageFileList& index) const;
  bool HasIndex() const;
  // The index for a lookup, from this thread's snapshot when there is one, else read into `fresh`;
  // nullptr when the storage has no index.
  const TFileStorageFileList* IndexForLookup(TFileStorageFileList& fresh) const;

 private:
  std::string root_;
  std::string baseURL_;
  TCriticalSection lock_;
};

// The shipped files beside the library.
class TStaticFileStorage : public TFileStorage {
  VCL_CLASS(TStaticFileStorage, TFileStorage)
  using TFileStorage::TFileStorage;
  static TStaticFileStorage* Create(const std::string& folder) { return NewObject<TStaticFileStorage>(folder); }
};

// A storage that the toolbar writes: the user's copy, and the download cache.
class TDynamicFileStorage : public TFileStorage {
  VCL_CLASS(TDynamicFileStorage, TFileStorage)
  using TFileStorage::TFileStorage;
  static TDynamicFileStorage* Create(const std::string& folder) { return NewObject<TDynamicFileStorage>(folder); }
};

// The download cache: a key it lacks is downloaded and stored on first use.
class TDownloadFileStorage : public TDynamicFileStorage {
  VCL_CLASS(TDownloadFileStorage, TDynamicFileStorage)
  using TDynamicFileStorage::TDynamicFileStorage;
  static TDownloadFileStorage* Create(const std::string& folder) { return NewObject<TDownloadFileStorage>(folder); }

  std::string GetLocalName(const std::string& key) override;
  // Fetches the combined URL afresh (no cache) and stores it under a new local name.
  void Download(const std::string& key);
  // Fetches a stored file again in place. Keys resolve against the base URL the caller set, or the root
  // URL when none is set.
  void Refresh(const std::string& key);
};
