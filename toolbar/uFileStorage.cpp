#include "toolbar/uFileStorage.h"

#include <memory>
#include <mutex>
#include <random>

#include "deskband/vekWinInet.h"
#include "platform/runtime/Collation.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Streams.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/LastError.h"
#include "toolbar/uDownload.h"

namespace {

const char kIndexName[] = ".files";
const char kValidName[] = ".valid";

bool IsAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates a folder with all missing parents; a failure raises the last-error exception.
void ForceDirectories(std::string folder) {
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  if (folder.empty() || DirectoryExists(folder)) return;
  size_t slash = folder.find_last_of('\\');
  if (slash != std::string::npos && slash > 2) ForceDirectories(folder.substr(0, slash));
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) RaiseLastOSError();
}

// The index snapshots that this thread holds, innermost first.
thread_local TFileStorage::TIndexSnapshot* t_snapshots = nullptr;

bool IsMissingFileError(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The random numbers of local names, seeded once by the storage unit.
std::mutex g_randomLock;
std::mt19937 g_random{std::random_device{}()};

int RandomBelow(int limit) {
  std::lock_guard<std::mutex> guard(g_randomLock);
  return std::uniform_int_distribution<int>(0, limit - 1)(g_random);
}

// File dates: local time in the packed form of the file system (two-second precision).
TDateTime DosToDateTime(WORD date, WORD time) {
  TDateTime value = 0;
  if (!TryEncodeDateTime((date >> 9) + 1980, (date >> 5) & 15, date & 31, time >> 11, (time >> 5) & 63, (time & 31) * 2,
                         0, value))
    return 0;
  return value;
}

void SetFileDate(const std::string& path, TDateTime date) {
  uint16_t y, m, d, h, n, s, ms;
  DecodeDateTime(date, y, m, d, h, n, s, ms);
  WORD dosDate = WORD(((y - 1980) << 9) | (m << 5) | d), dosTime = WORD((h << 11) | (n << 5) | (s / 2));
  FILETIME local, utc;
  if (y < 1980 || y > 2107 || !DosDateTimeToFileTime(dosDate, dosTime, &local) ||
      !LocalFileTimeToFileTime(&local, &utc)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    RaiseLastOSError();
  }
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) RaiseLastOSError();
  BOOL ok = SetFileTime(file, nullptr, nullptr, &utc);
  DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok) RaiseLastOSError(error);
}

}  // namespace

void TFileStorageFileList::AddFile(const std::string& localName, const std::string& key) {
  Add(Format("%s=%s", {localName, key}));
}

int TFileStorageFileList::IndexOfKey(std::string_view key) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Keys(i), key)) return i;
  return -1;
}

bool IsAbsoluteLocalKey(std::string_view key) { return key.find(":\\") != std::string_view::npos; }
bool IsURLKey(std::string_view key) { return key.find("://") != std::string_view::npos; }

std::string LocalNameExtension(std::string_view key) {
  std::string_view path = key.substr(0, key.find_first_of("?#"));
  // A URL's path starts after its authority: a host name is no path segment.
  if (size_t scheme = path.find("://"); scheme != std::string_view::npos) {
    size_t slash = path.find('/', scheme + 3);
    path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
  }
  size_t segment = path.find_last_of("/\\:");
  std::string_view last = segment == std::string_view::npos ? path : path.substr(segment + 1);
  size_t dot = last.find_last_of('.');
  if (dot == std::string_view::npos || dot + 1 == last.size()) return "";
  for (size_t i = dot + 1; i < last.size(); ++i)
    if (!IsAsciiAlnum(static_cast<unsigned char>(last[i]))) return "";
  return std::string(last.substr(dot, 1 + kMaxLocalExtension));
}

TFileStorage::TFileStorage(const std::string& folder)
    : root_(folder.empty() || folder.back() != '\\' ? folder + "\\" : folder) {}

void TFileStorage::AfterConstruction() { ForceDirectories(root_); }

std::string TFileStorage::FullPath(const std::string& localName) const {
  return IsAbsoluteLocalKey(localName) ? localName : root_ + localName;
}

bool TFileStorage::HasIndex() const { return FileExists(root_ + kIndexName); }

bool TFileStorage::LoadIndex(TFileStorageFileList& index) const {
  index.Clear();
  if (!HasIndex()) return false;
  index.LoadFromFile(root_ + kIndexName);
  return true;
}

void TFileStorage::SaveIndex(const TFileStorageFileList& index) const {
  for (TIndexSnapshot* s = t_snapshots; s; s = s->outer_)
    if (&s->storage_ == this) s->read_ = false;
  index.SaveToFile(root_ + kIndexName);
}

TFileStorage::TIndexSnapshot::TIndexSnapshot(TFileStorage& storage) : storage_(storage), outer_(t_snapshots) {
  t_snapshots = this;
}

TFileStorage::TIndexSnapshot::~TIndexSnapshot() { t_snapshots = outer_; }

const TFileStorageFileList* TFileStorage::IndexForLookup(TFileStorageFileList& fresh) const {
  TIndexSnapshot* snapshot = nullptr;
  for (TIndexSnapshot* s = t_snapshots; s; s = s->outer_)
    if (&s->storage_ == this) snapshot = s;  // the outermost, which lives longest
  TFileStorageFileList& index = snapshot ? snapshot->index_ : fresh;
  if (snapshot && snapshot->read_) return snapshot->exists_ ? &index : nullptr;
  bool exists = LoadIndex(index);
  if (snapshot) {
    snapshot->read_ = true;
    snapshot->exists_ = exists;
  }
  return exists ? &index : nullptr;
}

std::string TFileStorage::CombineURL(const std::string& name) { return ::CombineURL(baseURL_, name); }

std::string TFileStorage::GetLocalName(const std::string& key) {
  if (IsAbsoluteLocalKey(key)) return key;
  TFileStorageFileList fresh;
  const TFileStorageFileList* index = IndexForLookup(fresh);
  if (!IsURLKey(key) && !index) {
    std::string name = key;
    for (char& c : name)
      if (c == ':' || c == '\\') c = '_';
    for (size_t at = 0; (at = name.find("..", at)) != std::string::npos; at += 2) name.replace(at, 2, "__");
    return name;
  }
  std::string combined = CombineURL(key);
  int line = index ? index->IndexOfKey(combined) : -1;
  if (line < 0) throw EStorageFileNotFound(Format("Can't find %s in filestorage", {combined}));
  return index->LocalNames(line);
}

std::string TFileStorage::MakeLocalName(const std::string& key) {
  std::string base = CombineURL(key);
  for (char& c : base)
    if (!IsAsciiAlnum(static_cast<unsigned char>(c))) c = '_';
  while (!base.empty() && base.back() == '_') base.pop_back();
  if (base.compare(0, 7, "http___") == 0) base.erase(0, 7);
  base = base.substr(0, 50);
  const std::string extension = LocalNameExtension(key);
  for (int attempt = 1;; ++attempt) {
    std::string candidate = base;
    if (attempt > 1) candidate += "-" + std::to_string(RandomBelow(9999999));
    candidate += extension;
    if (!candidate.empty() && !FileExists(FullPath(candidate))) return candidate;
  }
}

void TFileStorage::StoreFile(const std::string& key, TStream& stream, TDateTime date, std::string localName) {
  if (localName.empty()) localName = MakeLocalName(CombineURL(key));
  const std::string path = FullPath(localName);
  {
    TFileStream file(path, fmCreate);
    if (stream.Size() > 0) file.CopyFrom(stream, 0);
  }
  if (date != 0) SetFileDate(path, date);
  TFileStorageFileList index;
  LoadIndex(index);
  index.AddFile(localName, key);
  SaveIndex(index);
}

void TFileStorage::ReadLocalFile(const std::string& localName, TStream& stream) const {
  TFileStream file(FullPath(localName), fmOpenRead | fmShareDenyNone);
  if (file.Size() > 0) stream.CopyFrom(file, 0);
}

void TFileStorage::ReadStream(const std::string& key, TStream& stream) { ReadLocalFile(GetLocalName(key), stream); }

std::string TFileStorage::ReadString(const std::string& key) {
  TFileStream file(FullPath(GetLocalName(key)), fmOpenRead | fmShareDenyNone);
  std::string content(size_t(file.Size()), '\0');
  if (!content.empty()) file.ReadBuffer(content.data(), int64_t(content.size()));
  return content;
}

void TFileStorage::WriteFile(const std::string& key, TStream& stream) {
  TCriticalSectionGuard guard(lock_);
  TFileStream file(FullPath(GetLocalName(key)), fmCreate);
  int64_t rest = stream.Size() - stream.Position();
  if (rest > 0) file.CopyFrom(stream, rest);
}

TDateTime TFileStorage::GetFileDate(const std::string& key) { return LocalFileDate(GetLocalName(key)); }

TDateTime TFileStorage::LocalFileDate(const std::string& localName) const {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(FullPath(localName).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return 0;
  FindClose(search);
  FILETIME local;
  WORD dosDate = 0, dosTime = 0;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &dosDate, &dosTime))
    return 0;
  return DosToDateTime(dosDate, dosTime);
}

std::string TFileStorage::GetRootURL() {
  TFileStorageFileList index;
  LoadIndex(index);
  if (index.Count() == 0) throw EStorage("File storage empty. Unable to get root url.");
  return index.Keys(0);
}

void TFileStorage::Clear() {
  Invalidate();
  TFileStorageFileList index;
  LoadIndex(index);
  SaveIndex(TFileStorageFileList());
  for (int i = 0; i < index.Count(); ++i) {
    if (IsAbsoluteLocalKey(index.Keys(i))) continue;
    const std::string path = FullPath(index.LocalNames(i));
    if (!DeleteFileA(path.c_str()) && !IsMissingFileError(GetLastError()))
      throw Exception(Format("Nem tudom törölni a(z) \"%s\" fájlt"_cp, {path}));
  }
}

void TFileStorage::CopyFrom(TFileStorage& source) {
  if (&source == this) return;
  Invalidate();
  Clear();
  TFileStorageFileList index;
  source.LoadIndex(index);
  for (int i = 0; i < index.Count(); ++i) {
    const std::string name = index.LocalNames(i);
    TMemoryStream content;
    source.ReadLocalFile(name, content);
    StoreFile(index.Keys(i), content, source.LocalFileDate(name), name);
  }
  SaveIndex(index);
  if (source.IsValid()) Validate();
}

bool TFileStorage::IsValid() const { return FileExists(root_ + kValidName); }

void TFileStorage::Invalidate() {
  if (!DeleteFileA((root_ + kValidName).c_str()) && !IsMissingFileError(GetLastError())) RaiseLastOSError();
}

void TFileStorage::Validate() { TFileStream marker(root_ + kValidName, fmCreate); }

std::string TDownloadFileStorage::GetLocalName(const std::string& key) {
  const std::string combined = CombineURL(key);
  try {
    return TFileStorage::GetLocalName(combined);
  } catch (const EStorageFileNotFound&) {
  }
  Download(combined);
  return TFileStorage::GetLocalName(combined);
}

void TDownloadFileStorage::Download(const std::string& key) {
  TMemoryStream content;
  LoadUrlToStream(CombineURL(key), content, 1);
  StoreFile(key, content, 0, "");
}

void TDownloadFileStorage::Refresh(const std::string& key) {
  if (GetBaseURL().empty()) {
    TFileStorageFileList index;
    LoadIndex(index);
    if (index.Count() > 0 && IsURLKey(index.Keys(0))) SetBaseURL(index.Keys(0));
  }
  const std::string combined = CombineURL(key);
  TMemoryStream content;
  if (IsURLKey(combined))
    LoadUrlToStream(combined, content, 1);
  else
    ReadStream(combined, content);
  content.SetPosition(0);
  WriteFile(combined, content);
}
