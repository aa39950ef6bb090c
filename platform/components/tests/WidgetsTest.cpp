#include <gtest/gtest.h>

#include <cstdio>
#include "platform/components/Application.h"
#include "platform/components/automation/TestDriver.h"
#include "platform/components/tests/TestForms.h"

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Streams.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MessageQueue.h"

using namespace formtest;

namespace {

class Widgets : public ::testing::Test {
 protected:
  void SetUp() override {
    Trace().clear();
    form = TCustomForm::CreateNew<TForm>(Application);
    form->SetBounds(0, 0, 300, 200);
    form->Show();
    driver = std::make_unique<TFormDriver>(form);
  }
  void TearDown() override {
    if (form) form->Free();
  }
  template <class T>
  T* Add(const std::string& name) {
    T* c = NewObject<T>(form);
    c->SetName(name);
    c->SetParent(form);
    return c;
  }
  TForm* form = nullptr;
  std::unique_ptr<TFormDriver> driver;
};

TEST_F(Widgets, MemoLinesAndTextAreOneContent) {
  auto* memo = Add<TMemo>("moText");
  int changes = 0;
  memo->OnChange = [&](TObject*) { ++changes; };
  memo->Lines()->Add("első"_cp);
  memo->Lines()->Add("második"_cp);
  EXPECT_EQ(memo->Text(), "első"_cp + "\r\n" + "második"_cp);
  driver->Focus("moText");
  memo->SetSelStart(int(memo->Text().size()));
  driver->Key(VK_RETURN);  // a memo wants Enter: it is no dialog key here
  driver->Type("moText", "x");
  ASSERT_EQ(memo->Lines()->Count(), 3);
  EXPECT_EQ(memo->Lines()->Strings(2), "x");
  memo->SetText("a\r\nb");
  EXPECT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(changes, 5);
}

// A picture format for the tests: the file holds "<width>x<height>".
class TSizeGraphic : public TGraphic {
  VCL_CLASS(TSizeGraphic, TGraphic)
  bool Empty() const override { return width_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void LoadFromStream(TStream* stream) override {
    std::string text(size_t(stream->Size()), '\0');
    stream->ReadBuffer(text.data(), int64_t(text.size()));
    if (std::sscanf(text.c_str(), "%dx%d", &width_, &height_) != 2) throw EInvalidGraphic("Bitmap image is not valid");
  }

 private:
  int width_ = 0, height_ = 0;
};

TEST_F(Widgets, ImagesLoadThroughThePictureRegistry) {
  std::string dir = ::testing::TempDir();
  auto write = [&](const std::string& name, const std::string& content) {
    std::string path = dir + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
    return path;
  };
  RegisterFileFormat("siz", "Size pictures", [] { return NewObject<TSizeGraphic>(); });
  auto* image = Add<TImage>("imgPicture");
  image->SetAutoSize(true);
  image->Picture()->LoadFromFile(write("one.SIZ", "40x30"));
  EXPECT_EQ(image->Width(), 40);
  EXPECT_EQ(image->Height(), 30);
  EXPECT_THROW(image->Picture()->LoadFromFile(write("bad.siz", "garbage")), EInvalidGraphic);
  EXPECT_EQ(image->Picture()->Width(), 40);  // a failed load keeps the picture
  try {
    image->Picture()->LoadFromFile(write("two.xyz", "1x1"));
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Unknown picture file extension (.xyz)");
  }
  std::string description;
  EXPECT_TRUE(FindFileFormat(".SIZ", &description, nullptr));
  EXPECT_EQ(description, "Size pictures");
  UnregisterFileFormat("siz");
  EXPECT_FALSE(FindFileFormat("siz", nullptr, nullptr));
}

TEST_F(Widgets, ClicksOnWindowlessControlsAreRoutedByTheParent) {
  auto* label = Add<TLabel>("lbInfo");
  label->SetCaption("Katt");
  label->SetBounds(10, 10, 50, 13);
  int clicks = 0;
  label->OnClick = [&](TObject*) { ++clicks; };
  auto* image = Add<TImage>("imgLogo");
  image->SetBounds(100, 10, 20, 20);
  image->OnClick = [&](TObject*) { clicks += 10; };
  driver->Click("lbInfo");
  driver->Click("imgLogo");
  EXPECT_EQ(clicks, 11);
  image->SetEnabled(false);
  EXPECT_THROW(driver->Click("imgLogo"), EDriverError);
}

TEST_F(Widgets, RecreatingTheWindowKeepsTheControlsState) {
  auto* edit = Add<TEdit>("edValue");
  driver->Type("edValue", "abc");
  HWND before = edit->Handle();
  edit->SetPasswordChar('*');  // a property fixed when the window is made
  EXPECT_NE(edit->Handle(), before);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_EQ(edit->Text(), "abc");
  EXPECT_EQ(WindowText(edit->Handle()), "abc");
  EXPECT_TRUE(edit->Focused());
  EXPECT_TRUE(GetWindowLongPtrA(edit->Handle(), GWL_STYLE) & ES_PASSWORD);
  EXPECT_EQ(FindControl(edit->Handle()), edit);
  EXPECT_EQ(FindControl(before), nullptr);
}

TEST_F(Widgets, AReplacedWindowProcSeesEveryMessageOnce) {
  std::vector<UINT> seen;
  TWndMethod saved = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_USER + 5) seen.push_back(m.Msg);
    saved(m);
  };
  SendMessageA(form->Handle(), WM_USER + 5, 0, 0);
  form->Perform(WM_USER + 5, 0, 0);
  EXPECT_EQ(seen.size(), 2u);
  form->WindowProc = saved;
}

TEST_F(Widgets, TheNextTabStopSearchWrapsAndSkipsWhatCannotTakeTheFocus) {
  auto* panel = Add<TPanel>("pnBox");
  auto* a = NewObject<TEdit>(form);
  a->SetParent(panel);
  auto* b = NewObject<TEdit>(form);
  b->SetParent(panel);
  auto* c = Add<TButton>("bnGo");
  b->SetEnabled(false);
  EXPECT_EQ(form->FindNextControl(a, true, true, false), c);
  EXPECT_EQ(form->FindNextControl(c, true, true, false), a);  // wraps around
  EXPECT_EQ(form->FindNextControl(a, false, true, false), c);
  EXPECT_EQ(form->FindNextControl(nullptr, true, true, false), a);
  EXPECT_EQ(form->FindNextControl(nullptr, false, true, false), c);
  c->SetTabOrder(0);
  EXPECT_EQ(form->FindNextControl(nullptr, true, true, false), c);
  b->SetEnabled(true);
  b->SetTabOrder(0);
  EXPECT_EQ(form->FindNextControl(c, true, true, false), b);
}

TEST_F(Widgets, OnDestroyRunsBeforeTheComponentsGo) {
  auto* edit = Add<TEdit>("edLast");
  bool sawEdit = false;
  form->OnDestroy = [&](TObject*) { sawEdit = form->FindComponent("edLast") == edit; };
  form->Free();
  form = nullptr;
  EXPECT_TRUE(sawEdit);
}

TEST_F(Widgets, ControlsAlignInsideTheirParent) {
  auto* top = Add<TPanel>("pnTop");
  top->SetHeight(30);
  top->SetAlign(alTop);
  auto* bottom = Add<TPanel>("pnBottom");
  bottom->SetHeight(40);
  bottom->SetAlign(alBottom);
  auto* client = Add<TPanel>("pnClient");
  client->SetAlign(alClient);
  EXPECT_EQ(client->Top(), 30);
  EXPECT_EQ(client->Height(), form->ClientHeight() - 70);
  EXPECT_EQ(bottom->Top(), form->ClientHeight() - 40);
  form->SetHeight(form->Height() + 100);
  EXPECT_EQ(client->Height(), form->ClientHeight() - 70);
  EXPECT_EQ(client->Width(), form->ClientWidth());
  top->SetVisible(false);
  EXPECT_EQ(client->Top(), 0);
}

TEST_F(Widgets, AnotherModuleAsksTheFormThroughItsWindow) {
  auto* edit = Add<TEdit>("edName");
  edit->SetBounds(10, 10, 80, 20);
  auto* label = Add<TLabel>("lbHidden");
  label->SetCaption("&Rejtett");
  label->SetBounds(100, 40, 60, 16);
  auto* shown = Add<TLabel>("lbShown");
  shown->SetCaption("&Név:"_cp);
  shown->SetBounds(100, 70, 40, 10);
  label->Hide();
  std::string text;
  ASSERT_TRUE(QueryFormSnapshot(form->Handle(), text));
  EXPECT_EQ(text, driver->Snapshot());

  HWND window = nullptr;
  POINT point{};
  std::string error;
  ASSERT_TRUE(LocateFormControl(form->Handle(), "edName", window, point, error)) << error;
  EXPECT_EQ(window, edit->Handle());
  EXPECT_EQ(point.x, 40);
  EXPECT_EQ(point.y, 10);
  ASSERT_TRUE(LocateFormControl(form->Handle(), "Név:"_cp, window, point, error)) << "by caption, without &";
  EXPECT_EQ(window, form->Handle()) << "a control without a window is clicked through its parent";
  EXPECT_EQ(point.x, 120);
  EXPECT_EQ(point.y, 75);
  EXPECT_FALSE(LocateFormControl(form->Handle(), "lbHidden", window, point, error));
  EXPECT_EQ(error, "Control lbHidden is not visible");
  EXPECT_FALSE(LocateFormControl(form->Handle(), "Rejtett", window, point, error)) << "hidden captions are not found";
  EXPECT_EQ(error, "No control named Rejtett");
  EXPECT_FALSE(QueryFormSnapshot(edit->Handle(), text)) << "only forms answer";
}

TEST_F(Widgets, DropDownComboBoxesKeepTheHeightOfTheirFont) {
  struct Case {
    TComboBoxStyle style;
    int afterHeight40, afterFont16;  // the font of em 16 is 19 pixels high
  } cases[] = {
      {csDropDown, 21, 27},          {csDropDownList, 21, 27}, {csOwnerDrawFixed, 21, 27},
      {csOwnerDrawVariable, 21, 27}, {csSimple, 40, 40},
  };
  for (const Case& c : cases) {
    auto* combo = Add<TComboBox>("cbCase");
    combo->SetStyle(c.style);
    combo->SetBounds(5, 5, 120, 40);
    EXPECT_EQ(combo->Height(), c.afterHeight40) << c.style;
    RECT window;
    GetWindowRect(combo->Handle(), &window);
    EXPECT_EQ(window.bottom - window.top, c.afterHeight40) << c.style << ": the window too";
    combo->Font()->SetHeight(-16);
    EXPECT_EQ(combo->Height(), c.afterFont16) << c.style;
    combo->SetAlign(alClient);
    EXPECT_EQ(combo->Height(), c.style == csSimple ? form->ClientHeight() : c.afterFont16) << c.style;
    combo->Free();
  }
  auto* combo = Add<TComboBox>("cbSwitch");
  combo->SetStyle(csSimple);
  combo->SetHeight(60);
  combo->SetStyle(csDropDownList);
  EXPECT_EQ(combo->Height(), 21) << "a new style takes the font's height";
}

}  // namespace
