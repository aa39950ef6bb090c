#include "toolbar/uBandModule.h"

#include <mutex>

#include "platform/components/Application.h"
#include "platform/components/FileUtils.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Streams.h"
#include "toolbar/uBandForm.h"
#include "toolbar/uBandModule.dfm.h"
#include "toolbar/uHints.h"
#include "toolbar/uInstance.h"
#include "toolbar/uStorageFolders.h"

namespace {

// The date of a storage's root file, read under the storage's lock (the key resolves against its base URL,
// which another thread may be setting).
TDateTime RootFileDate(TFileStorage& storage) {
  TScopedLock<TFileStorage> guard(storage);
  return storage.GetFileDate(storage.GetRootURL());
}

// The class name that a log line gives an exception.
// What reaches the library's application object goes to the log.
void LogUnhandledException(TObject* sender, const std::exception& error) {
  TTessalineDeskBandModule* module = DynamicAs<TTessalineDeskBandModule>(sender);
  if (!module) module = TessalineDeskBandModule();
  // What a tool bar has logged already is shown instead, as the application would show it.
  if (LoggedByToolBar(error)) {
    ClearLoggedByToolBar();
    Application->ShowException(error);
    return;
  }
  if (module) module->LogFmt("Exception (%s): %s", {ExceptionClassName(error), std::string(error.what())}, 2);
}

void RegisterModuleClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterFormResource(TTessalineDeskBandModule::StaticClass(), kuBandModuleResource);
    TPublisher<TTessalineDeskBandModule> publisher;
    TTessalineDeskBandModule::Publish(publisher);
  });
}

}  // namespace

std::string ExceptionClassName(const std::exception& error) {
  const auto* known = dynamic_cast<const Exception*>(&error);
  return known ? known->ClassName() : "Exception";
}

void TTessalineDeskBandModule::Publish(TPublisher<TTessalineDeskBandModule>& p) {
  p.Method("DeskBandModuleCreate", &TTessalineDeskBandModule::DeskBandModuleCreate)
      .Method("DeskBandModuleDestroy", &TTessalineDeskBandModule::DeskBandModuleDestroy)
      .Method("DeskBandModuleGetBandFormClass", &TTessalineDeskBandModule::DeskBandModuleGetBandFormClass);
}

void TTessalineDeskBandModule::DeskBandModuleCreate(TObject*) {
  SetCLSID(GetToolbarGUID());
  lock_ = TCriticalSection::Create();
  CreateStorages(ClassID());
  {
    TObjectPtr<TToolbarDefinition> definition(LoadDefinition());
    SetCaption(definition->Caption());
    SetMenuCaption(definition->MenuCaption());
  }
  // Its construction stores the menu caption, hence after the captions.
  configuration_ = TTessalineConfiguration::Create(this);
}

void TTessalineDeskBandModule::DeskBandModuleDestroy(TObject*) {
  FreeAndNil(lock_);
  FreeStorages();
  FreeAndNil(configuration_);
}

void TTessalineDeskBandModule::DeskBandModuleGetBandFormClass(TObject*, TDeskBandFormClass& formClass) {
  RegisterBandFormClass();
  formClass = TDeskBandFormClass::Of<TTessalineDeskBandForm>();
}

void TTessalineDeskBandModule::Lock() {
  if (lock_) lock_->Enter();
}

void TTessalineDeskBandModule::Unlock() {
  if (lock_) lock_->Leave();
}

TToolbarDefinition* TTessalineDeskBandModule::LoadDefinition() {
  TFileStorage* storage = CurrentStorage();
  if (storage == UserStorage()) {
    try {
      // A shipped definition newer than the user's copy (an update of the library) wins. The user's date is
      // read first, so that its failure is the one reported.
      const TDateTime userDate = RootFileDate(*storage);
      if (RootFileDate(*StaticStorage()) > userDate) {
        storage->Invalidate();
        storage = CurrentStorage();
      }
    } catch (const std::exception& e) {
      LogFmt("Error checking local definition update (%s): %s", {ExceptionClassName(e), std::string(e.what())}, 1);
    }
  }
  TObjectPtr<TToolbarDefinition> definition;
  {
    // The base URL stays the root's for the whole parse: other threads parse through the same storage.
    TScopedLock<TFileStorage> guard(*storage);
    std::string root = storage->GetRootURL();
    storage->SetBaseURL(root);
    // The stored bytes as they are: the document's own declaration decides its encoding.
    definition.reset(ParseDefinition(storage->ReadString(root), storage));
  }
  if (!definition->Guid().empty() && definition->Guid() != GetToolbarGUID())
    throw Exception("FATAL: Definition GUID is not matching");
  return definition.release();
}

TToolbarDefinition* TTessalineDeskBandModule::ParseDefinition(const std::string& text, TFileStorage* storage) {
  TScopedLock<TFileStorage> storageGuard(*storage);
  TScopedLock<TTessalineDeskBandModule> moduleGuard(*this);
  TObjectPtr<TToolbarDefinition> definition(TToolbarDefinition::Create());
  definition->LoadFromXML(text, storage);
  return definition.release();
}

std::string TTessalineDeskBandModule::LogFileName() const {
  return GetDownloadStoragePath(ClassID()) + "\\Tessaline.log";
}

bool TTessalineDeskBandModule::DebugLogEnabled() const {
  if (!configuration_) return false;
  try {
    return configuration_->GetDebugLog();
  } catch (...) {
    return false;
  }
}

void TTessalineDeskBandModule::Log(const std::string& message, int level) {
  try {
    if (level <= 1 && !DebugLogEnabled()) return;
    std::string line = DateTimeToStr(Now()) + "  " + message + "\r\n";
    std::string path = LogFileName();
    TObjectPtr<TFileStream> file;
    if (FileExists(path)) {
      file.reset(TFileStream::Create(path, fmOpenWrite | fmShareDenyWrite));
      file->Seek(0, soFromEnd);
    } else {
      file.reset(TFileStream::Create(path, fmCreate));
    }
    file->WriteBuffer(line.data(), int64_t(line.size()));
  } catch (...) {
    // a line that cannot be written is lost
  }
}

void TTessalineDeskBandModule::LogFmt(std::string_view format, TVarRecs args, int level) {
  Log(Format(format, args), level);
}

TTessalineDeskBandModule* TessalineDeskBandModule() { return DynamicAs<TTessalineDeskBandModule>(DeskBandModule()); }

void Startup() {
  RegisterModuleClass();
  // The module's OnCreate reports its failure there.
  Application->OnException = LogUnhandledException;
  RegisterDeskBandModuleClass(TDeskBandModuleClass::Of<TTessalineDeskBandModule>());
  CreateDeskBandFactory();
  InstallHintHelper();
}

TCriticalSection& BandActCtxLock() {
  static TCriticalSection lock;
  return lock;
}

void BeginBandActCtx(TEasyContextActivation*& context) {
  TCriticalSection& lock = BandActCtxLock();
  lock.Enter();
  try {
    if (ActCtxSupported()) {
      context = TEasyContextActivation::Create(0);
      context->SetActive(true);
    }
  } catch (...) {
    FreeAndNil(context);
    lock.Leave();
    throw;
  }
}

void EndBandActCtx(TEasyContextActivation*& context) {
  struct Release {
    TEasyContextActivation*& context;
    ~Release() {
      FreeAndNil(context);
      BandActCtxLock().Leave();
    }
  } release{context};
  if (context && ActCtxSupported()) context->SetActive(false);
}
