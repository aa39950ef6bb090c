#include "platform/components/tests/TestForms.h"

#include "platform/components/tests/TestDialog.dfm.h"

namespace formtest {

std::vector<std::string>& Trace() {
  static std::vector<std::string> trace;
  return trace;
}

bool g_failCreate = false;

void TTestDialog::Publish(TPublisher<TTestDialog>& p) {
  p.Field("bnBack", &TTestDialog::bnBack)
      .Field("bnNext", &TTestDialog::bnNext)
      .Field("bnExit", &TTestDialog::bnExit)
      .Field("Notebook", &TTestDialog::Notebook)
      .Field("edName", &TTestDialog::edName)
      .Field("cbChoice", &TTestDialog::cbChoice)
      .Field("rbOne", &TTestDialog::rbOne)
      .Field("rbTwo", &TTestDialog::rbTwo)
      .Field("chkAgree", &TTestDialog::chkAgree)
      .Field("tmTick", &TTestDialog::tmTick)
      .Field("pmMenu", &TTestDialog::pmMenu)
      .Method("FormCreate", &TTestDialog::FormCreate)
      .Method("FormKeyPress", &TTestDialog::FormKeyPress)
      .Method("bnBackClick", &TTestDialog::bnBackClick)
      .Method("bnNextClick", &TTestDialog::bnNextClick)
      .Method("bnExitClick", &TTestDialog::bnExitClick)
      .Method("NotebookPageChanged", &TTestDialog::NotebookPageChanged)
      .Method("edNameChange", &TTestDialog::edNameChange)
      .Method("ChoiceChange", &TTestDialog::ChoiceChange)
      .Method("RadioClick", &TTestDialog::RadioClick)
      .Method("AgreeClick", &TTestDialog::AgreeClick)
      .Method("tmTickTimer", &TTestDialog::tmTickTimer)
      .Method("MenuClick", &TTestDialog::MenuClick);
}

void TTestDialog::FormCreate(TObject*) {
  Trace().push_back("create " + std::string(bnNext ? "with fields" : "no fields"));
}

void TTestDialog::FormKeyPress(TObject*, char& key) {
  if (key != 27) return;
  Trace().push_back("form key 27");
  Close();
}

void TTestDialog::bnBackClick(TObject*) { Trace().push_back("back"); }
void TTestDialog::bnNextClick(TObject*) {
  Trace().push_back("next");
  if (Notebook->PageIndex() + 1 < Notebook->PageCount()) Notebook->SetPageIndex(Notebook->PageIndex() + 1);
}
void TTestDialog::bnExitClick(TObject*) { Close(); }
void TTestDialog::NotebookPageChanged(TObject*) { Trace().push_back("page " + Notebook->ActivePage()); }
void TTestDialog::edNameChange(TObject*) { Trace().push_back("name " + edName->Text()); }
void TTestDialog::ChoiceChange(TObject*) { Trace().push_back("choice " + cbChoice->Text()); }
void TTestDialog::RadioClick(TObject* sender) {
  Trace().push_back("radio " + static_cast<TComponent*>(sender)->Name());
}
void TTestDialog::AgreeClick(TObject*) {
  Trace().push_back(std::string("agree ") + (chkAgree->Checked() ? "on" : "off"));
}
void TTestDialog::tmTickTimer(TObject*) { ++ticks; }
void TTestDialog::MenuClick(TObject* sender) {
  auto* item = static_cast<TMenuItem*>(sender);
  Trace().push_back("menu " + item->Name() + (item->Checked() ? " checked" : ""));
}

VCL_REGISTER_FORM(TTestDialog, kTestDialogResource)

void TBaseForm::Publish(TPublisher<TBaseForm>& p) {
  p.Field("btnOk", &TBaseForm::btnOk)
      .Method("BaseCreate", &TBaseForm::BaseCreate)
      .Method("OkClick", &TBaseForm::OkClick);
}

void TBaseForm::BaseCreate(TObject*) {
  Trace().push_back("OnCreate sees " + Describe() + " and " + (btnOk ? btnOk->Caption() : "no button"));
  if (g_failCreate) throw EConvertError("OnCreate failed");
}

void TBaseForm::OkClick(TObject*) { Trace().push_back("ok"); }

VCL_REGISTER_FORM(TBaseForm, R"(
object BaseForm: TBaseForm
  Caption = 'Base'
  OldCreateOrder = True
  OnCreate = BaseCreate
  object btnOk: TButton
    Caption = 'OK'
    OnClick = OkClick
  end
end
)")

void TDerivedForm::Publish(TPublisher<TDerivedForm>& p) { p.Field("edExtra", &TDerivedForm::edExtra); }

void TDerivedForm::Construct() {
  Trace().push_back("before create");
  try {
    TBaseForm::Construct();
  } catch (...) {
    Trace().push_back("after create (failed)");
    throw;
  }
  Trace().push_back("after create");
}

VCL_REGISTER_FORM(TDerivedForm, R"(
inherited DerivedForm: TDerivedForm
  Caption = 'Derived'
  inherited btnOk: TButton
    Caption = 'Fine'
  end
  object edExtra: TEdit
    Text = 'extra'
  end
end
)")

void TNoResourceForm::Construct() {
  Trace().push_back("before create");
  try {
    TForm::Construct();
  } catch (...) {
    Trace().push_back("after create (failed)");
    throw;
  }
  Trace().push_back("after create");
}

void TTestModule::Publish(TPublisher<TTestModule>& p) {
  p.Field("tmModule", &TTestModule::tmModule).Method("ModuleCreate", &TTestModule::ModuleCreate);
}

void TTestModule::ModuleCreate(TObject*) {
  Trace().push_back("module create, interval " + std::to_string(tmModule ? tmModule->Interval() : 0));
}

VCL_REGISTER_FORM(TTestModule, R"(
object TestModule: TTestModule
  OldCreateOrder = False
  OnCreate = ModuleCreate
  Left = 200
  Top = 100
  Height = 150
  Width = 215
  object tmModule: TTimer
    Interval = 300
    Left = 16
    Top = 8
  end
end
)")

}  // namespace formtest
