// The toolbar's band module: the one module of the library (its CLSID is the instance GUID, its captions
// come from the toolbar definition), the choice and parsing of the definition that bands and the worker
// use, the log file, and the lock and activation context around the creation of a band's window controls.
#pragma once
#include <exception>
#include <string>
#include <string_view>

#include "deskband/vekDeskBand.h"
#include "deskband/vekUtils.h"
#include "platform/components/FormResource.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/Sync.h"
#include "toolbar/uConfiguration.h"
#include "toolbar/uFileStorage.h"
#include "toolbar/uParser.h"

// Holds the lock of a storage or of the module for a scope.
template <class T>
class TScopedLock {
 public:
  explicit TScopedLock(T& owner) : owner_(owner) { owner_.Lock(); }
  ~TScopedLock() { owner_.Unlock(); }
  TScopedLock(const TScopedLock&) = delete;
  TScopedLock& operator=(const TScopedLock&) = delete;

 private:
  T& owner_;
};

class TTessalineDeskBandModule : public TDeskBandModule, public ITessalineConfigurationOwner {
  VCL_CLASS(TTessalineDeskBandModule, TDeskBandModule)
  using TDeskBandModule::TDeskBandModule;

  // OnCreate: CLSID := the instance GUID, the module lock, the user and download storages, the captions of
  // the current definition, then the configuration. A failure leaves the design-time caption and no
  // configuration.
  void DeskBandModuleCreate(TObject* sender);
  // OnDestroy: frees the module lock, the user and download storages and the configuration.
  void DeskBandModuleDestroy(TObject* sender);
  // The band window's class.
  void DeskBandModuleGetBandFormClass(TObject* sender, TDeskBandFormClass& formClass);

  void Lock();
  void Unlock();

  // A new definition (the caller frees it) from the current storage: the user storage unless the shipped
  // root file is newer, else the shipped one. Raises what reading or parsing raises, and "FATAL: Definition
  // GUID is not matching" for a definition of another toolbar.
  TToolbarDefinition* LoadDefinition();
  // A new definition (the caller frees it) read from the XML bytes, every named file resolved through the
  // storage; under the storage's lock, then the module lock.
  TToolbarDefinition* ParseDefinition(const std::string& text, TFileStorage* storage);

  // One line of "Tessaline.log" in the download storage folder: the local date-time, two blanks and the
  // message. Levels 0 and 1 are written only when the user's DebugLog is on, level 2 always. Never raises.
  void Log(const std::string& message, int level);
  void LogFmt(std::string_view format, TVarRecs args, int level);
  // The log file's full path.
  std::string LogFileName() const;

  // The configuration of the user-interface threads; none when OnCreate failed.
  TTessalineConfiguration* Configuration() const { return configuration_; }
  // The user's DebugLog setting; off without a configuration or when it cannot be read.
  bool DebugLogEnabled() const;
  std::string MenuCaption() const override { return TDeskBandModule::MenuCaption(); }

  static void Publish(TPublisher<TTessalineDeskBandModule>& p);

 private:
  TTessalineConfiguration* configuration_ = nullptr;
  TCriticalSection* lock_ = nullptr;
};

// The class name that log lines give an exception: its own for the system's exceptions, else "Exception".
std::string ExceptionClassName(const std::exception& error);

// The library's module (none before Startup has registered it).
TTessalineDeskBandModule* TessalineDeskBandModule();

// Registers the module class (which creates the module), creates the class factory under the module's
// CLSID and caption, and installs the hint helper. An exception that reaches the library's application
// object is logged at level 2.
void Startup();

// Enter the process's band activation-context lock and activate the library's manifest context (when the
// system has activation contexts) into `context`; End deactivates and frees it and leaves the lock. A
// failing Begin leaves nothing held or active and raises.
void BeginBandActCtx(TEasyContextActivation*& context);
void EndBandActCtx(TEasyContextActivation*& context);
// The band activation-context lock.
TCriticalSection& BandActCtxLock();
