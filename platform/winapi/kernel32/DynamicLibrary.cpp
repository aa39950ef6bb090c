// Stand-in modules are tables of exports with a handle of their own; real libraries are opened with the
// dynamic loader and known by their load address.
#include "platform/winapi/DynamicLibrary.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Module.h"
#include "platform/winapi/Windows.h"

namespace {

struct StandIn {
  std::string name;   // as registered
  std::string upper;  // what names compare with
  std::map<std::string, FARPROC> exports;
  char anchor = 0;  // its address is the module's handle
  HMODULE Handle() { return reinterpret_cast<HMODULE>(&anchor); }
};

struct Loaded {
  void* library;
  int references;
};

struct Table {
  std::mutex lock;
  std::vector<std::unique_ptr<StandIn>> standIns;
  std::map<HMODULE, Loaded> loaded;
  std::set<std::string> hiddenModules;                          // upper-case names
  std::set<std::pair<std::string, std::string>> hiddenExports;  // upper-case module, export
};

std::string ModuleKey(std::string name) {
  size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  if (name.find('.') == std::string::npos) name += ".dll";
  return cp1250::Upper(name);
}

void ApplyEnvironment(Table& t) {
  const char* spec = std::getenv("VANDREL_HIDE_EXPORTS");
  if (!spec) return;
  std::string text = spec;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = std::min(text.find(';', start), text.size());
    std::string item = text.substr(start, end - start);
    size_t colon = item.find(':');
    std::string module = ModuleKey(item.substr(0, colon));
    if (colon == std::string::npos) {
      t.hiddenModules.insert(module);
    } else {
      std::string names = item.substr(colon + 1) + ",";
      for (size_t at = 0, comma; (comma = names.find(',', at)) != std::string::npos; at = comma + 1)
        if (comma > at) t.hiddenExports.insert({module, names.substr(at, comma - at)});
    }
    start = end + 1;
  }
}

Table& Modules() {
  static Table* table = [] {
    auto* t = new Table;  // lives until the process ends
    ApplyEnvironment(*t);
    return t;
  }();
  return *table;
}

// A stand-in named by a file name or a path in the system folder; the caller holds the lock.
StandIn* FindStandIn(Table& t, const std::string& name) {
  size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) {
    std::string folder = cp1250::Upper(vandrel::FullWindowsPath(name.substr(0, slash)));
    if (folder != cp1250::Upper(vandrel::WindowsFolder() + "\\system32")) return nullptr;
  }
  std::string key = ModuleKey(name);
  for (auto& standIn : t.standIns)
    if (standIn->upper == key) return t.hiddenModules.count(key) ? nullptr : standIn.get();
  return nullptr;
}

StandIn* StandInOfHandle(Table& t, HMODULE module) {
  for (auto& standIn : t.standIns)
    if (standIn->Handle() == module) return standIn.get();
  return nullptr;
}

HMODULE BaseOf(void* library) {
  link_map* map = nullptr;
  if (dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || !map) return nullptr;
  return vandrel::ModuleOfAddress(map->l_ld);
}

bool IsFile(const std::string& windowsPath, std::string& hostPath) {
  vandrel::HostPath host = vandrel::MapWindowsPath(windowsPath);
  struct stat st;
  if (host.error || stat(host.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  hostPath = host.path;
  return true;
}

// The host file a library name stands for, by the search order of LoadLibraryA.
bool FindLibraryFile(std::string name, std::string& hostPath) {
  size_t slash = name.find_last_of("\\/");
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (base.find('.') == std::string::npos) name += ".dll";
  if (slash != std::string::npos || name.find(':') != std::string::npos) return IsFile(name, hostPath);
  std::string program = vandrel::WindowsPathOf(vandrel::HostPathOfModule(nullptr));
  std::vector<std::string> folders = {program.substr(0, program.find_last_of('\\')), ".",
                                      vandrel::WindowsFolder() + "\\system32", vandrel::WindowsFolder()};
  for (auto& folder : folders)
    if (IsFile(folder + "\\" + name, hostPath)) return true;
  return false;
}

HMODULE Fail(DWORD code) {
  SetLastError(code);
  return nullptr;
}

}  // namespace

namespace vandrel {

void RegisterStandInExports(const std::string& moduleName, std::initializer_list<StandInExport> exports) {
  Table& t = Modules();
  std::lock_guard<std::mutex> guard(t.lock);
  std::string key = ModuleKey(moduleName);
  StandIn* module = nullptr;
  for (auto& standIn : t.standIns)
    if (standIn->upper == key) module = standIn.get();
  if (!module) {
    t.standIns.push_back(std::make_unique<StandIn>());
    module = t.standIns.back().get();
    module->name = moduleName;
    module->upper = key;
  }
  for (const auto& e : exports) module->exports[e.name] = e.address;
}

std::string StandInModulePath(HMODULE module) {
  Table& t = Modules();
  std::lock_guard<std::mutex> guard(t.lock);
  StandIn* standIn = StandInOfHandle(t, module);
  return standIn ? WindowsFolder() + "\\system32\\" + standIn->name : std::string();
}

}  // namespace vandrel

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (!fileName || !*fileName) return Fail(ERROR_INVALID_PARAMETER);
  Table& t = Modules();
  {
    std::lock_guard<std::mutex> guard(t.lock);
    if (StandIn* standIn = FindStandIn(t, fileName)) return standIn->Handle();
  }
  std::string hostPath;
  if (!FindLibraryFile(fileName, hostPath)) return Fail(ERROR_MOD_NOT_FOUND);
  void* library = dlopen(hostPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) return Fail(ERROR_BAD_EXE_FORMAT);
  HMODULE base = BaseOf(library);
  if (!base) {
    dlclose(library);
    return Fail(ERROR_BAD_EXE_FORMAT);
  }
  std::lock_guard<std::mutex> guard(t.lock);
  auto [it, inserted] = t.loaded.try_emplace(base, Loaded{library, 0});
  it->second.references++;
  SetLastError(ERROR_SUCCESS);
  return base;
}

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  if (!moduleName) return vandrel::ProgramModule();
  {
    Table& t = Modules();
    std::lock_guard<std::mutex> guard(t.lock);
    if (StandIn* standIn = FindStandIn(t, moduleName)) return standIn->Handle();
  }
  std::string wanted = moduleName;
  bool byPath = wanted.find_first_of("\\/:") != std::string::npos;
  std::string key = byPath ? cp1250::Upper(vandrel::FullWindowsPath(wanted)) : ModuleKey(wanted);
  struct Search {
    std::string key;
    bool byPath;
    const void* found = nullptr;
  } search{key, byPath};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        auto* s = static_cast<Search*>(data);
        if (!info->dlpi_name || !*info->dlpi_name) return 0;
        char* real = realpath(info->dlpi_name, nullptr);
        std::string windows = vandrel::WindowsPathOf(real ? real : info->dlpi_name);
        free(real);
        if ((s->byPath ? cp1250::Upper(windows) : ModuleKey(windows)) != s->key) return 0;
        for (int i = 0; i < info->dlpi_phnum; ++i)
          if (info->dlpi_phdr[i].p_type == PT_LOAD) {
            s->found = reinterpret_cast<const void*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
            return 1;
          }
        return 0;
      },
      &search);
  if (!search.found) return Fail(ERROR_MOD_NOT_FOUND);
  return vandrel::ModuleOfAddress(search.found);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
  if (!procName || IS_INTRESOURCE(procName)) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  void* library = nullptr;
  bool opened = false;
  {
    Table& t = Modules();
    std::lock_guard<std::mutex> guard(t.lock);
    if (StandIn* standIn = StandInOfHandle(t, module)) {
      auto it = standIn->exports.find(procName);
      if (it == standIn->exports.end() || t.hiddenExports.count({standIn->upper, procName}) ||
          t.hiddenModules.count(standIn->upper)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
      }
      return it->second;
    }
    auto it = t.loaded.find(module);
    if (it != t.loaded.end()) library = it->second.library;
  }
  if (!library) {
    if (!module || module == vandrel::ProgramModule()) {
      library = dlopen(nullptr, RTLD_NOW);
    } else {
      std::string host = vandrel::HostPathOfModule(module);
      library = host.empty() ? nullptr : dlopen(host.c_str(), RTLD_NOW | RTLD_NOLOAD);
    }
    if (!library) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    opened = true;
  }
  void* address = dlsym(library, procName);
  if (opened) dlclose(library);
  if (!address) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(address);
}

namespace {
thread_local HMODULE t_unloading = nullptr;
}  // namespace

bool vandrel::IsUnloadingModule(HMODULE module) { return module && t_unloading == module; }

BOOL FreeLibrary(HMODULE module) {
  Table& t = Modules();
  void* library = nullptr;
  {
    std::lock_guard<std::mutex> guard(t.lock);
    if (StandInOfHandle(t, module)) return TRUE;
    auto it = t.loaded.find(module);
    if (it == t.loaded.end()) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return FALSE;
    }
    library = it->second.library;
    if (--it->second.references == 0)
      t.loaded.erase(it);
    else
      module = nullptr;
  }
  {
    struct Unloading {
      explicit Unloading(HMODULE m) : previous(std::exchange(t_unloading, m)) {}
      ~Unloading() { t_unloading = previous; }
      HMODULE previous;
    } unloading(module);
    dlclose(library);
  }
  // As Windows does when a library unloads, its window classes go (those that still have windows stay).
  if (module) vandrel::UnregisterModuleClasses(module);
  return TRUE;
}

namespace vandrel::dynamic_testing {

void HideExport(const std::string& moduleName, const std::string& exportName, bool hidden) {
  Table& t = Modules();
  std::lock_guard<std::mutex> guard(t.lock);
  if (hidden)
    t.hiddenExports.insert({ModuleKey(moduleName), exportName});
  else
    t.hiddenExports.erase({ModuleKey(moduleName), exportName});
}

void HideModule(const std::string& moduleName, bool hidden) {
  Table& t = Modules();
  std::lock_guard<std::mutex> guard(t.lock);
  if (hidden)
    t.hiddenModules.insert(ModuleKey(moduleName));
  else
    t.hiddenModules.erase(ModuleKey(moduleName));
}

void ShowEverything() {
  Table& t = Modules();
  std::lock_guard<std::mutex> guard(t.lock);
  t.hiddenModules.clear();
  t.hiddenExports.clear();
}

}  // namespace vandrel::dynamic_testing
