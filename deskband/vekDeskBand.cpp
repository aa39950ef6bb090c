// The band module, its registration and the class factory with the band's shell entries.
#include "deskband/vekDeskBand.h"

#include <memory>
#include <mutex>

#include "platform/components/FormResource.h"
#include "platform/components/ModuleTeardown.h"
#include "platform/components/RegistryObject.h"
#include "platform/components/comserver/ComServ.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/SysUtils.h"

namespace {

constexpr const char* kDeskBandCategory = "{00021492-0000-0000-C000-000000000046}";
constexpr const char* kVerticalBandCategory = "{00021493-0000-0000-C000-000000000046}";
constexpr const char* kHorizontalBandCategory = "{00021494-0000-0000-C000-000000000046}";
constexpr const char* kExplorerBarCaches =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\Component Categories\\";

TDeskBandModuleClass g_moduleClass;
TCustomDeskBandModule* g_module = nullptr;

void DefineModuleProperties() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterStandardClasses();
    TProps<TDeskBandModule>()
        .Str("Caption", [](TDeskBandModule* m, const std::string& v) { m->SetCaption(v); })
        .Str("MenuCaption", [](TDeskBandModule* m, const std::string& v) { m->SetMenuCaption(v); })
        .Str("CLSID", [](TDeskBandModule* m, const std::string& v) { m->SetCLSID(v); })
        .Enum<TDeskBandType>("BandType", [](TDeskBandModule* m, TDeskBandType v) { m->SetBandType(v); },
                             {{"dbtDeskBand", dbtDeskBand},
                              {"dbtVerticalBand", dbtVerticalBand},
                              {"dbtHorizontalBand", dbtHorizontalBand}})
        .Bool("ToolBand", [](TDeskBandModule* m, bool v) { m->SetToolBand(v); })
        .Bool("FixedHeight", [](TDeskBandModule* m, bool v) { m->SetFixedHeight(v); })
        .Bool("Debossed", [](TDeskBandModule* m, bool v) { m->SetDebossed(v); })
        .Bool("UseChevron", [](TDeskBandModule* m, bool v) { m->SetUseChevron(v); })
        .Event<void(TObject*, TDeskBandFormClass&)>("OnGetBandFormClass", &TDeskBandModule::OnGetBandFormClass);
  });
}

struct RegistryDeleter {
  void operator()(TRegistry* r) const { r->Free(); }
};
using RegistryPtr = std::unique_ptr<TRegistry, RegistryDeleter>;

// Deletes a key with everything below it; a key that is missing or cannot be deleted is passed over.
void DeleteKeyQuietly(TRegistry& registry, const std::string& key) {
  try {
    registry.DeleteKey(key);
  } catch (const Exception&) {
  }
}

}  // namespace

std::string GetBandTypeCLSID(TDeskBandType bandType) {
  switch (bandType) {
    case dbtDeskBand: return kDeskBandCategory;
    case dbtVerticalBand: return kVerticalBandCategory;
    case dbtHorizontalBand: return kHorizontalBandCategory;
  }
  throw Exception("Unhandled band type in GetBandTypeCLSID()");
}

// ---- module classes ----

TCustomDeskBandModule::TCustomDeskBandModule(TComponent* owner) : TDataModule(owner) {}

void TCustomDeskBandModule::SetCaption(const std::string& caption) { caption_ = Trim(caption); }

std::string TCustomDeskBandModule::CLSID() const { return GUIDToString(clsid_); }

void TCustomDeskBandModule::SetCLSID(const std::string& text) { clsid_ = StringToGUID(text); }

TDeskBandModule::TDeskBandModule(TComponent* owner) : TCustomDeskBandModule(owner) {
  GUID fresh;
  CoCreateGuid(&fresh);
  SetCLSID(GUIDToString(fresh));
}

void TDeskBandModule::Construct() {
  DefineModuleProperties();
  if (CreatedWithoutResources() || ClassType() == TDeskBandModule::StaticClass()) return;
  if (!InitInheritedComponent(TDeskBandModule::StaticClass()))
    throw EResNotFound(Format("Resource \"%s\" not found", {ClassName()}));
  if (OldCreateOrder()) DoCreate();
}

TDeskBandFormClass TDeskBandModule::GetBandFormClass() {
  TDeskBandFormClass formClass;
  if (OnGetBandFormClass) OnGetBandFormClass(this, formClass);
  if (!formClass) throw Exception("No bandform available");
  return formClass;
}

// ---- the one module ----

void RegisterDeskBandModuleClass(const TDeskBandModuleClass& moduleClass) {
  if (g_moduleClass) throw Exception("Filter module class already registered");
  g_moduleClass = moduleClass;
  CreateDeskBandModule();
}

void CreateDeskBandModule() {
  if (!g_moduleClass) throw Exception("No filter module class registered");
  TCustomDeskBandModule* module = g_moduleClass.Create(nullptr);
  g_module = module;
  // Lives as long as the library: freed when it is unloaded.
  AtModuleUnload(TUnloadStage::Objects, [module] {
    if (g_module == module) g_module = nullptr;
    module->Free();
  });
}

void CheckDeskBandModule() {
  if (!g_module) CreateDeskBandModule();
}

TCustomDeskBandModule* DeskBandModule() { return g_module; }

// ---- factory and registration ----

void CreateDeskBandFactory() {
  CheckDeskBandModule();
  TCustomDeskBandModule* module = DeskBandModule();
  NewObject<TDeskBandFactory>(ComServer(), TComClass::Of<TDeskBand>(), module->ClassID(), std::string(),
                              module->Caption(), ciMultiInstance, tmSingle);
}

void TDeskBandFactory::UpdateRegistry(bool doRegister) {
  inherited::UpdateRegistry(doRegister);
  if (doRegister)
    RegisterBand();
  else
    UnregisterBand();
}

void RegisterBand() {
  CheckDeskBandModule();
  TCustomDeskBandModule* module = DeskBandModule();
  std::string clsid = module->CLSID();
  std::string catid = GetBandTypeCLSID(module->BandType());
  RegistryPtr registry(TRegistry::Create());
  if (catid != kDeskBandCategory) {
    // The shell's cached lists of explorer bars.
    registry->SetRootKey(HKEY_CURRENT_USER);
    DeleteKeyQuietly(*registry, std::string(kExplorerBarCaches) + kVerticalBandCategory + "\\Enum");
    DeleteKeyQuietly(*registry, std::string(kExplorerBarCaches) + kHorizontalBandCategory + "\\Enum");
  }
  registry->SetRootKey(HKEY_CLASSES_ROOT);
  if (registry->OpenKey("CLSID\\" + clsid, true)) {
    registry->WriteString("", module->MenuCaption().empty() ? module->Caption() : module->MenuCaption());
    registry->CloseKey();
  }
  if (registry->OpenKey("CLSID\\" + clsid + "\\InProcServer32", true)) {
    registry->WriteString("ThreadingModel", "Apartment");
    registry->CloseKey();
  }
  if (registry->OpenKey("CLSID\\" + clsid + "\\Implemented Categories\\" + catid, true)) registry->CloseKey();
  if (module->ToolBand()) {
    registry->SetRootKey(HKEY_LOCAL_MACHINE);
    if (registry->OpenKey("SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar", true)) {
      registry->WriteString(clsid, "");
      registry->CloseKey();
    }
  }
  module->AfterRegister();
}

void UnregisterBand() {
  CheckDeskBandModule();
  TCustomDeskBandModule* module = DeskBandModule();
  module->BeforeUnregister();
  std::string catid = GetBandTypeCLSID(module->BandType());
  std::string clsid = module->CLSID();
  RegistryPtr registry(TRegistry::Create());
  registry->SetRootKey(HKEY_CLASSES_ROOT);
  // The shell's cached list of desk bands.
  if (catid == kDeskBandCategory)
    DeleteKeyQuietly(*registry, std::string("Component Categories\\") + kDeskBandCategory + "\\Enum");
  DeleteKeyQuietly(*registry, "CLSID\\" + clsid + "\\Implemented Categories\\" + catid);
  DeleteKeyQuietly(*registry, "CLSID\\" + clsid + "\\InProcServer32");
  DeleteKeyQuietly(*registry, "CLSID\\" + clsid);
  if (module->ToolBand()) {
    registry->SetRootKey(HKEY_LOCAL_MACHINE);
    if (registry->OpenKey("Software\\Microsoft\\Internet Explorer\\Toolbar", false)) {
      try {
        registry->DeleteValue(clsid);
      } catch (const Exception&) {
      }
      registry->CloseKey();
    }
  }
}
