// Activation contexts over manifests read with libxml2; each thread keeps its own activation stack.
#include "platform/winapi/ActivationContext.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/runtime/FileSystem.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Module.h"

namespace {

struct Context {
  std::map<std::string, std::string> dependencies;  // assembly name -> version
};

struct Table {
  std::mutex lock;
  std::map<HANDLE, std::pair<std::shared_ptr<Context>, int>> contexts;  // with their reference counts
};

Table& Contexts() {
  static Table* table = new Table;
  return *table;
}

struct Activation {
  ULONG_PTR cookie;
  HANDLE handle;
  std::shared_ptr<Context> context;
};
thread_local std::vector<Activation> t_stack;
std::atomic<ULONG_PTR> g_nextCookie{0x1000};

std::string Attribute(xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
  std::string text = value ? reinterpret_cast<const char*>(value) : "";
  xmlFree(value);
  return text;
}

bool Named(xmlNode* node, const char* name) {
  return node->type == XML_ELEMENT_NODE && xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

// The dependencies of an assembly manifest; false when it is no manifest.
bool ParseManifest(const std::string& text, Context& context) {
  xmlDoc* doc = xmlReadMemory(text.data(), int(text.size()), "manifest", nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!doc) return false;
  xmlNode* root = xmlDocGetRootElement(doc);
  bool ok = root && Named(root, "assembly");
  for (xmlNode* dependency = ok ? root->children : nullptr; dependency; dependency = dependency->next) {
    if (!Named(dependency, "dependency")) continue;
    for (xmlNode* dependent = dependency->children; dependent; dependent = dependent->next) {
      if (!Named(dependent, "dependentAssembly")) continue;
      for (xmlNode* identity = dependent->children; identity; identity = identity->next)
        if (Named(identity, "assemblyIdentity"))
          context.dependencies[Attribute(identity, "name")] = Attribute(identity, "version");
    }
  }
  xmlFreeDoc(doc);
  return ok;
}

// The manifest text a creation record names; false with the last error set.
bool ReadManifest(const ACTCTXA& record, std::string& text) {
  bool fromResource = record.dwFlags & ACTCTX_FLAG_RESOURCE_NAME_VALID;
  std::string hostPath;
  if ((record.dwFlags & ACTCTX_FLAG_HMODULE_VALID) && fromResource) {
    hostPath = vandrel::HostPathOfModule(record.hModule);
  } else {
    vandrel::HostPath host = vandrel::MapWindowsPath(record.lpSource ? record.lpSource : "");
    if (host.error) {
      SetLastError(host.error);
      return false;
    }
    hostPath = host.path;
  }
  if (!fromResource) {
    std::string error;
    if (!ReadHostFile(hostPath, text, error)) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return false;
    }
    return true;
  }
  std::string block;
  DWORD error = 0;
  if (!vandrel::ReadModuleResource(hostPath, vandrel::kManifestSection, block, error)) {
    SetLastError(error);
    return false;
  }
  uint32_t length = 0;
  if (block.size() < 12 || block.compare(0, 8, vandrel::kManifestTag) != 0 ||
      (std::memcpy(&length, block.data() + 8, 4), length > block.size() - 12)) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return false;
  }
  // A module holds its manifest as resource 1 only.
  if (!IS_INTRESOURCE(record.lpResourceName) || reinterpret_cast<uintptr_t>(record.lpResourceName) != 1) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return false;
  }
  text = block.substr(12, length);
  return true;
}

// The context of a manifest text, parsed once per text: bands make a context for every control they create.
std::shared_ptr<Context> ParsedManifest(const std::string& text) {
  static std::mutex* lock = new std::mutex;
  static auto* parsed = new std::map<std::string, std::shared_ptr<Context>>;
  std::lock_guard<std::mutex> guard(*lock);
  auto it = parsed->find(text);
  if (it != parsed->end()) return it->second;
  auto context = std::make_shared<Context>();
  if (!ParseManifest(text, *context)) return nullptr;
  // A few manifests are seen in a process; a flood of different texts is not kept.
  if (parsed->size() < 64) parsed->emplace(text, context);
  return context;
}

std::shared_ptr<Context> Find(HANDLE handle) {
  Table& t = Contexts();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.contexts.find(handle);
  return it == t.contexts.end() ? nullptr : it->second.first;
}

// Kernel32 of the stand-in machine exports these, as Windows XP's does.
const bool g_exported = [] {
  vandrel::RegisterStandInExports("kernel32.dll", {{"CreateActCtxA", reinterpret_cast<FARPROC>(&CreateActCtxA)},
                                                   {"AddRefActCtx", reinterpret_cast<FARPROC>(&AddRefActCtx)},
                                                   {"ReleaseActCtx", reinterpret_cast<FARPROC>(&ReleaseActCtx)},
                                                   {"ActivateActCtx", reinterpret_cast<FARPROC>(&ActivateActCtx)},
                                                   {"DeactivateActCtx", reinterpret_cast<FARPROC>(&DeactivateActCtx)},
                                                   {"GetCurrentActCtx", reinterpret_cast<FARPROC>(&GetCurrentActCtx)}});
  return true;
}();

}  // namespace

HANDLE CreateActCtxA(const ACTCTXA* record) {
  if (!record || record->cbSize < sizeof(ACTCTXA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string text;
  if (!ReadManifest(*record, text)) return INVALID_HANDLE_VALUE;
  std::shared_ptr<Context> context = ParsedManifest(text);
  if (!context) {
    SetLastError(ERROR_SXS_CANT_GEN_ACTCTX);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = new char(0);  // a unique address; the table owns the context
  Table& t = Contexts();
  std::lock_guard<std::mutex> guard(t.lock);
  t.contexts[handle] = {context, 1};
  return handle;
}

void AddRefActCtx(HANDLE handle) {
  Table& t = Contexts();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.contexts.find(handle);
  if (it != t.contexts.end()) it->second.second++;
}

void ReleaseActCtx(HANDLE handle) {
  Table& t = Contexts();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.contexts.find(handle);
  if (it == t.contexts.end() || --it->second.second > 0) return;
  t.contexts.erase(it);
  delete static_cast<char*>(handle);
}

BOOL ActivateActCtx(HANDLE handle, ULONG_PTR* cookie) {
  if (!cookie) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::shared_ptr<Context> context = handle ? Find(handle) : nullptr;
  if (handle && !context) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (handle) AddRefActCtx(handle);  // an active context stays until it is deactivated
  *cookie = g_nextCookie++;
  t_stack.push_back({*cookie, handle, context});
  return TRUE;
}

BOOL DeactivateActCtx(DWORD flags, ULONG_PTR cookie) {
  size_t at = t_stack.size();
  while (at > 0 && t_stack[at - 1].cookie != cookie) --at;
  if (at == 0) {
    SetLastError(ERROR_SXS_INVALID_DEACTIVATION);
    return FALSE;
  }
  if (at != t_stack.size() && !(flags & DEACTIVATE_ACTCTX_FLAG_FORCE_EARLY_DEACTIVATION)) {
    SetLastError(ERROR_SXS_EARLY_DEACTIVATION);
    return FALSE;
  }
  while (t_stack.size() >= at) {
    HANDLE handle = t_stack.back().handle;
    t_stack.pop_back();
    if (handle) ReleaseActCtx(handle);
  }
  return TRUE;
}

BOOL GetCurrentActCtx(HANDLE* context) {
  if (!context) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *context = t_stack.empty() ? nullptr : t_stack.back().handle;
  if (*context) AddRefActCtx(*context);
  return TRUE;
}

std::string vandrel::ActCtxDependencyVersion(HANDLE handle, const std::string& assemblyName) {
  std::shared_ptr<Context> context = Find(handle);
  if (!context) return {};
  auto it = context->dependencies.find(assemblyName);
  return it == context->dependencies.end() ? std::string() : it->second;
}
