// Forms of the component tests: a dialog built from an embedded resource, and a small inheritance chain.
#pragma once
#include <string>
#include <vector>

#include "platform/components/ComCtrls.h"
#include "platform/components/ExtCtrls.h"
#include "platform/components/FormResource.h"
#include "platform/components/Forms.h"
#include "platform/components/Menus.h"
#include "platform/components/StdCtrls.h"

namespace formtest {

// What the handlers did, in order.
std::vector<std::string>& Trace();

class TTestDialog : public TForm {
  VCL_CLASS(TTestDialog, TForm)
  using TForm::TForm;

  TButton* bnBack = nullptr;
  TButton* bnNext = nullptr;
  TButton* bnExit = nullptr;
  TNotebook* Notebook = nullptr;
  TEdit* edName = nullptr;
  TComboBox* cbChoice = nullptr;
  TRadioButton* rbOne = nullptr;
  TRadioButton* rbTwo = nullptr;
  TCheckBox* chkAgree = nullptr;
  TTimer* tmTick = nullptr;
  TPopupMenu* pmMenu = nullptr;
  int ticks = 0;

  void FormCreate(TObject* sender);
  void FormKeyPress(TObject* sender, char& key);
  void bnBackClick(TObject* sender);
  void bnNextClick(TObject* sender);
  void bnExitClick(TObject* sender);
  void NotebookPageChanged(TObject* sender);
  void edNameChange(TObject* sender);
  void ChoiceChange(TObject* sender);
  void RadioClick(TObject* sender);
  void AgreeClick(TObject* sender);
  void tmTickTimer(TObject* sender);
  void MenuClick(TObject* sender);

  static void Publish(TPublisher<TTestDialog>& p);
};

// A base form whose OnCreate asks a virtual method; a derived class overrides it and wraps the
// construction sequence (as a band form takes and releases a lock around it).
class TBaseForm : public TForm {
  VCL_CLASS(TBaseForm, TForm)
  using TForm::TForm;
  TButton* btnOk = nullptr;
  virtual std::string Describe() { return "base"; }
  void BaseCreate(TObject* sender);
  void OkClick(TObject* sender);
  static void Publish(TPublisher<TBaseForm>& p);
};

class TDerivedForm : public TBaseForm {
  VCL_CLASS(TDerivedForm, TBaseForm)
  using TBaseForm::TBaseForm;
  TEdit* edExtra = nullptr;
  std::string Describe() override { return "derived"; }
  void Construct() override;
  static void Publish(TPublisher<TDerivedForm>& p);
};

// No resource anywhere in its chain: creating it normally fails, CreateNew works.
class TNoResourceForm : public TForm {
  VCL_CLASS(TNoResourceForm, TForm)
  using TForm::TForm;
  void Construct() override;
};

class TTestModule : public TDataModule {
  VCL_CLASS(TTestModule, TDataModule)
  using TDataModule::TDataModule;
  TTimer* tmModule = nullptr;
  void ModuleCreate(TObject* sender);
  static void Publish(TPublisher<TTestModule>& p);
};

// Whether the derived form's OnCreate should raise.
extern bool g_failCreate;

}  // namespace formtest
