// Named resources read from the ".vandrel_rsrc" section of a module's file, kept once read.
#include "platform/winapi/Resources.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/LastError.h"

namespace {

constexpr size_t kTypeSize = 16, kNameSize = 48, kHeaderSize = 8 + kTypeSize + kNameSize + 8;

struct Resource {
  std::string data;
};

struct Table {
  std::mutex lock;
  std::map<HMODULE, std::map<std::string, std::unique_ptr<Resource>>> byModule;  // key: TYPE/NAME, upper case
  std::map<HMODULE, bool> read;
};

Table& T() {
  static Table* table = new Table;
  return *table;
}

std::string Key(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<uintptr_t>(name));
  return cp1250::Upper(name);
}

std::string Field(const char* p, size_t size) { return std::string(p, strnlen(p, size)); }

// The records of a section; padding between them (alignment, a sanitizer's red zones) is skipped.
void Parse(const std::string& section, std::map<std::string, std::unique_ptr<Resource>>& out) {
  size_t at = 0;
  while (at + kHeaderSize <= section.size()) {
    if (section.compare(at, 8, vandrel::kResourceTag) != 0) {
      at += 8;
      continue;
    }
    const char* p = section.data() + at;
    uint32_t size;
    std::memcpy(&size, p + 8 + kTypeSize + kNameSize, 4);
    if (size > section.size() - at - kHeaderSize) break;
    auto resource = std::make_unique<Resource>();
    resource->data.assign(p + kHeaderSize, size);
    std::string key = cp1250::Upper(Field(p + 8, kTypeSize)) + "/" + cp1250::Upper(Field(p + 8 + kTypeSize, kNameSize));
    out.emplace(key, std::move(resource));
    at += (kHeaderSize + size + 7) / 8 * 8;
  }
}

}  // namespace

HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
  if (!name || !type) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!module) module = vandrel::ProgramModule();
  Table& t = T();
  std::lock_guard g(t.lock);
  auto& resources = t.byModule[module];
  if (!t.read[module]) {
    std::string section;
    DWORD error = 0;
    if (vandrel::ReadModuleResource(vandrel::HostPathOfModule(module), vandrel::kResourceSection, section, error))
      Parse(section, resources);
    t.read[module] = true;
  }
  auto it = resources.find(Key(type) + "/" + Key(name));
  if (it == resources.end()) {
    SetLastError(resources.empty() ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return it->second.get();
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  if (!resource) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return static_cast<Resource*>(resource)->data.data();
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
  return resource ? DWORD(static_cast<Resource*>(resource)->data.size()) : 0;
}
