#include "platform/components/Forms.h"

#include <gtest/gtest.h>

#include "platform/components/Application.h"
#include "platform/components/automation/TestDriver.h"
#include "platform/components/tests/TestForms.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Bitmaps.h"
#include "platform/winapi/GdiObjects.h"

using namespace formtest;

namespace {

class Forms : public ::testing::Test {
 protected:
  void SetUp() override {
    Trace().clear();
    g_failCreate = false;
    Application->OnException = [](TObject*, const std::exception& e) {
      Trace().push_back(std::string("handled: ") + e.what());
    };
  }
};

TEST_F(Forms, ADerivedFormLoadsEveryResourceInOrderAndItsOverridesRunDuringConstruction) {
  auto* form = NewObject<TDerivedForm>(Application);
  // OldCreateOrder (set by the base resource) runs OnCreate inside the construction sequence, after both
  // resources: the caption comes from the derived resource, and the virtual call reaches the derived class.
  EXPECT_EQ(Trace(), (std::vector<std::string>{"before create", "OnCreate sees derived and Fine", "after create"}));
  EXPECT_EQ(form->Caption(), "Derived");
  EXPECT_EQ(form->Name(), "DerivedForm");
  ASSERT_NE(form->edExtra, nullptr);
  EXPECT_EQ(form->edExtra->Text(), "extra");
  EXPECT_EQ(form->edExtra->Parent(), form);
  EXPECT_EQ(form->btnOk->Owner(), form);
  form->btnOk->Click();
  EXPECT_EQ(Trace().back(), "ok");
  form->Free();
}

TEST_F(Forms, AFailingOnCreateIsReportedAndConstructionGoesOn) {
  g_failCreate = true;
  auto* form = NewObject<TDerivedForm>(Application);
  EXPECT_EQ(Trace(), (std::vector<std::string>{"before create", "OnCreate sees derived and Fine",
                                               "handled: OnCreate failed", "after create"}));
  form->Free();
}

TEST_F(Forms, AMissingResourceFailsConstructionAfterTheAfterStepRan) {
  int before = Application->ComponentCount();
  try {
    NewObject<TNoResourceForm>(Application);
    FAIL() << "no exception";
  } catch (const EResNotFound& e) {
    EXPECT_STREQ(e.what(), "Resource \"TNoResourceForm\" not found");
  }
  EXPECT_EQ(Trace(), (std::vector<std::string>{"before create", "after create (failed)"}));
  EXPECT_EQ(Application->ComponentCount(), before);
  // Without resources on purpose.
  auto* bare = TCustomForm::CreateNew<TNoResourceForm>(nullptr);
  EXPECT_EQ(bare->ComponentCount(), 0);
  bare->Free();
  auto* plain = TCustomForm::CreateNew<TDerivedForm>(nullptr);
  EXPECT_EQ(plain->btnOk, nullptr);
  plain->Free();
}

TEST_F(Forms, AFormFromItsResourceHasItsPropertiesComponentsAndHandlers) {
  auto* dialog = NewObject<TTestDialog>(Application);
  EXPECT_EQ(Trace(), std::vector<std::string>{"create with fields"});
  // The client size holds whatever the order of BorderStyle and ClientWidth in the resource.
  EXPECT_EQ(dialog->Width(), 534);
  EXPECT_EQ(dialog->Height(), 386);
  EXPECT_EQ(dialog->ClientWidth(), 526);
  EXPECT_EQ(dialog->ClientHeight(), 359);
  EXPECT_EQ(dialog->Caption(), "Teszt párbeszéd"_cp);
  EXPECT_TRUE(dialog->KeyPreview());
  EXPECT_EQ(dialog->bnNext->Parent()->Name(), "Buttons");
  EXPECT_TRUE(dialog->bnNext->Default());
  EXPECT_EQ(dialog->Notebook->PageCount(), 2);
  EXPECT_EQ(dialog->Notebook->Pages()->Text(), "First\r\nSecond\r\n");
  EXPECT_EQ(dialog->edName->Parent(), dialog->Notebook->Page(0));
  EXPECT_EQ(dialog->cbChoice->Items()->Text(), "alpha\r\nbeta\r\ngamma\r\n");
  EXPECT_TRUE(dialog->rbOne->Checked());
  EXPECT_EQ(dialog->rbTwo->Caption(), "Kett\xF5");
  EXPECT_FALSE(dialog->tmTick->Enabled());
  EXPECT_EQ(dialog->tmTick->Interval(), 500u);
  EXPECT_EQ(dialog->pmMenu->Items()->Count(), 3);
  EXPECT_EQ(dialog->pmMenu->Items()->Items(2)->Items(0)->Name(), "miCheck");
  // Buttons panel aligned at the bottom of the client area, the notebook fills the rest.
  EXPECT_EQ(dialog->Notebook->Height(), 318);
  // The form is centred on the 1024 x 768 screen once shown.
  dialog->Show();
  EXPECT_EQ(dialog->Left(), (1024 - 534) / 2);
  EXPECT_EQ(dialog->Top(), (768 - 386) / 2);
  dialog->Free();
}

TEST_F(Forms, ConstraintsClampTheBounds) {
  auto* dialog = NewObject<TTestDialog>(Application);
  dialog->SetBounds(0, 0, 900, 100);
  EXPECT_EQ(dialog->Width(), 534);
  EXPECT_EQ(dialog->Height(), 386);
  dialog->Free();
}

TEST_F(Forms, DataModulesLoadTheirResourceBeforeOnCreate) {
  auto* module = NewObject<TTestModule>(nullptr);
  EXPECT_EQ(Trace(), std::vector<std::string>{"module create, interval 300"});
  module->Free();
}

TEST_F(Forms, CloseFollowsOnCloseAndReleaseFreesLater) {
  auto* dialog = NewObject<TTestDialog>(Application);
  dialog->Show();
  TCloseAction answer = caHide;
  dialog->OnClose = [&](TObject*, TCloseAction& action) { action = answer; };
  dialog->Close();
  EXPECT_FALSE(dialog->Visible());
  dialog->Show();
  answer = caNone;
  dialog->Close();
  EXPECT_TRUE(dialog->Visible());
  bool queryAnswer = false;
  dialog->OnCloseQuery = [&](TObject*, bool& canClose) { canClose = queryAnswer; };
  answer = caHide;
  dialog->Close();
  EXPECT_TRUE(dialog->Visible());
  queryAnswer = true;
  answer = caFree;
  int before = Application->ComponentCount();
  dialog->Close();
  EXPECT_EQ(Application->ComponentCount(), before);  // still alive until its queued release is handled
  Application->ProcessPendingMessages();
  EXPECT_EQ(Application->ComponentCount(), before - 1);
}

TEST_F(Forms, ClosingTheMainFormDuringANestedLoopLeavesItAliveUntilRunReturns) {
  auto* dialog = Application->CreateForm<TTestDialog>();
  bool aliveAfterNestedLoop = false;
  dialog->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  dialog->tmTick->OnTimer = [&](TObject*) {
    dialog->tmTick->SetEnabled(false);
    dialog->Close();                 // the main form: the application terminates
    Application->ProcessMessages();  // a long operation pumping inside the handler goes on
    aliveAfterNestedLoop = dialog->Visible() && Application->MainForm() == dialog;
  };
  dialog->tmTick->SetEnabled(true);
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_TRUE(aliveAfterNestedLoop);
  EXPECT_EQ(Application->MainForm(), dialog);
  dialog->Free();
}

TEST_F(Forms, AParentedFormLivesInTheForeignWindow) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "ReBarWindow32";
  RegisterClassA(&wc);
  HWND host =
      CreateWindowExA(0, "ReBarWindow32", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 30, nullptr, nullptr, nullptr, nullptr);
  HWND active = GetActiveWindow();
  auto* band = TCustomForm::CreateParented<TDerivedForm>(host);
  EXPECT_EQ(GetParent(band->Handle()), host);
  EXPECT_TRUE(GetWindowLongPtrA(band->Handle(), GWL_STYLE) & WS_CHILD);
  band->Show();
  EXPECT_TRUE(IsWindowVisible(band->Handle()));
  EXPECT_EQ(GetActiveWindow(), active);
  band->Free();
  EXPECT_TRUE(IsWindow(host));
}

TEST_F(Forms, ShowAndHideRunTheirEvents) {
  auto* dialog = NewObject<TTestDialog>(Application);
  dialog->OnShow = [](TObject*) { Trace().push_back("show"); };
  dialog->OnHide = [](TObject*) { Trace().push_back("hide"); };
  dialog->OnActivate = [](TObject*) { Trace().push_back("activate"); };
  dialog->Show();
  EXPECT_TRUE(dialog->Active());
  EXPECT_EQ(dialog->ActiveControl(), dialog->edName);  // the first tab stop
  EXPECT_TRUE(dialog->edName->Focused());
  dialog->Hide();
  EXPECT_EQ(Trace(), (std::vector<std::string>{"create with fields", "show", "activate", "hide"}));
  dialog->Free();
}

TEST_F(Forms, AFormErasesItsClientAreaInItsColour) {
  auto* form = TCustomForm::CreateNew<TForm>(nullptr);
  form->SetBorderStyle(bsNone);
  form->SetBounds(10, 10, 40, 30);
  form->SetColor(TColor(0x3366CC));
  form->Show();
  Application->ProcessPendingMessages();
  size_t objects = GdiObjectCount();
  InvalidateRect(form->Handle(), nullptr, TRUE);
  UpdateWindow(form->Handle());
  EXPECT_EQ(GdiObjectCount(), objects) << "the brush went";
  HDC dc = GetDC(form->Handle());
  for (POINT p : {POINT{0, 0}, POINT{20, 15}, POINT{39, 29}}) EXPECT_EQ(GetPixel(dc, p.x, p.y), COLORREF(0x3366CC));
  ReleaseDC(form->Handle(), dc);
  form->Free();
}

}  // namespace
