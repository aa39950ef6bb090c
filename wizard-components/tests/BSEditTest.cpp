#include <gtest/gtest.h>

#include <memory>

#include "platform/components/Application.h"
#include "platform/components/FormResource.h"
#include "platform/components/automation/TestDriver.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/Input.h"
#include "wizard-components/BSEdit.h"

namespace {

// The accented letters by their code page 1250 bytes.
const std::string kUpperAccented = "\xC1\xC9\xCD\xD3\xDA\xDB\xDC";
const std::string kLowerAccented = "\xE1\xE9\xED\xF3\xFA\xFB\xFC";

class BSEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    form = TCustomForm::CreateNew<TForm>(Application);
    form->SetBounds(0, 0, 300, 200);
    edit = TBSEdit::Create(form);
    edit->SetName("edPrefix");
    edit->SetParent(form);
    other = NewObject<TEdit>(form);
    other->SetName("edOther");
    other->SetParent(form);
    other->SetTop(40);
    form->Show();
    driver = std::make_unique<TFormDriver>(form);
    edit->OnKeyPress = [this](TObject*, char& key) { pressed += key; };
    edit->OnChange = [this](TObject*) { changes.push_back(edit->Text()); };
  }
  void TearDown() override { form->Free(); }

  TForm* form = nullptr;
  TBSEdit* edit = nullptr;
  TEdit* other = nullptr;
  std::unique_ptr<TFormDriver> driver;
  std::string pressed;  // the keys that reached OnKeyPress
  std::vector<std::string> changes;
};

TEST_F(BSEdit, PresetsReadBackInCodeOrder) {
  struct Case {
    TBasicFilter filter;
    std::string chars;
  } cases[] = {
      {bfCustom, ""},
      {bfNumbers, "0123456789"},
      {bfChars, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz" + kUpperAccented + kLowerAccented},
      {bfUpperChars, "ABCDEFGHIJKLMNOPQRSTUVWXYZ" + kUpperAccented},
      {bfLowerChars, "abcdefghijklmnopqrstuvwxyz" + kLowerAccented},
  };
  for (const Case& c : cases) {
    edit->SetBasicFilter(bfNumbers == c.filter ? bfChars : bfNumbers);
    edit->SetBasicFilter(c.filter);
    EXPECT_EQ(edit->BasicFilter(), c.filter);
    EXPECT_EQ(edit->FilterChars(), c.chars) << c.filter;
    // Setting the preset's own text picks the preset.
    edit->SetFilterChars(TBSEdit::PresetChars(c.filter));
    EXPECT_EQ(edit->BasicFilter(), c.filter);
  }
  EXPECT_EQ(TBSEdit::PresetChars(bfChars).size(), 66u);
  EXPECT_EQ(TBSEdit::PresetChars(bfUpperChars), "AÁBCDEÉFGHIÍJKLMNOÓPQRSTUÚÜŰVWXYZ"_cp);
}

TEST_F(BSEdit, ACustomTextIsComparedExactlyWithThePresets) {
  edit->SetFilterChars("9876543210");
  EXPECT_EQ(edit->BasicFilter(), bfCustom);
  EXPECT_EQ(edit->FilterChars(), "0123456789");
  driver->Type("edPrefix", "4x2");
  EXPECT_EQ(edit->Text(), "42");
  // Choosing bfCustom empties the filter: every key goes in again.
  edit->SetBasicFilter(bfNumbers);
  edit->SetBasicFilter(bfCustom);
  EXPECT_EQ(edit->FilterChars(), "");
  driver->Type("edPrefix", "x!");
  EXPECT_EQ(edit->Text(), "42x!");
}

TEST_F(BSEdit, KeysOutsideTheFilterNeverReachTheEdit) {
  struct Case {
    TBasicFilter filter;
    std::string typed;
    std::string text;     // what the edit then shows
    std::string handled;  // what OnKeyPress saw
  } cases[] = {
      {bfNumbers, "1a2", "12", "12"},
      {bfNumbers, "12\b3", "13", "12\b3"},
      {bfUpperChars, "A\xD6\xDB", "A\xDB", "A\xDB"},  // Ö is not among the letters, Ű is
      {bfLowerChars, "\xF5\xF3z", "\xF3z", "\xF3z"},  // nor is ő
      {bfNumbers, "1\r\x1B", "1", "1"},               // Enter and Escape are refused too
      {bfCustom, "a\xD6", "a\xD6", "a\xD6"},
  };
  for (const Case& c : cases) {
    edit->SetBasicFilter(bfCustom);
    edit->SetText("");
    edit->SetBasicFilter(c.filter);
    pressed.clear();
    driver->Type("edPrefix", c.typed);
    EXPECT_EQ(edit->Text(), c.text) << c.typed;
    EXPECT_EQ(pressed, c.handled) << c.typed;
  }
}

TEST_F(BSEdit, PasteInsertsTheFilteredTextAndLeavesTheClipboardAlone) {
  edit->SetBasicFilter(bfNumbers);
  driver->Type("edPrefix", "0");
  driver->Paste("edPrefix", "+36 (1) 555-01");
  EXPECT_EQ(edit->Text(),
            "0361555"
            "01");
  EXPECT_EQ(ClipboardText(), "+36 (1) 555-01");
  // The length limit holds for what is pasted.
  edit->SetText("");
  edit->SetMaxLength(1);
  driver->Paste("edPrefix", "x9y8");
  EXPECT_EQ(edit->Text(), "9");
  EXPECT_EQ(ClipboardText(), "x9y8");
  // Without a filter the paste is the edit's own.
  edit->SetMaxLength(0);
  edit->SetBasicFilter(bfCustom);
  edit->SetText("");
  driver->Paste("edPrefix", "a-b");
  EXPECT_EQ(edit->Text(), "a-b");
}

TEST_F(BSEdit, TextsAreStrippedWhenSetAndWhenTheFilterChanges) {
  edit->SetText("a1b2");
  edit->SetFilterChars("0123456789");
  EXPECT_EQ(edit->Text(), "12");
  EXPECT_EQ(edit->BasicFilter(), bfNumbers);
  changes.clear();
  edit->SetText("3x4");
  EXPECT_EQ(edit->Text(), "34");
  // One change is reported, with the stripped text.
  EXPECT_EQ(changes, std::vector<std::string>{"34"});
  changes.clear();
  edit->SetText("34");
  EXPECT_TRUE(changes.empty());
}

TEST_F(BSEdit, AnEmptiedTextBecomesASelectedZero) {
  edit->SetEmptyIsNull(true);
  EXPECT_EQ(edit->BasicFilter(), bfNumbers);
  driver->Type("edPrefix", "7");
  ASSERT_EQ(edit->Text(), "7");
  driver->Type("edPrefix", "\b");
  EXPECT_EQ(edit->Text(), "0");
  EXPECT_EQ(edit->SelStart(), 0);
  EXPECT_EQ(edit->SelLength(), 1);
  // Typing replaces the selected zero.
  driver->Type("edPrefix", "5");
  EXPECT_EQ(edit->Text(), "5");
  // Another preset switches it off; without "0" in the filter nothing is forced.
  edit->SetBasicFilter(bfChars);
  EXPECT_FALSE(edit->EmptyIsNull());
  edit->SetText("");
  EXPECT_EQ(edit->Text(), "");
}

TEST_F(BSEdit, TheFocusedEditTakesItsActiveColour) {
  driver->Focus("edOther");
  edit->SetColor(clBtnFace);
  edit->SetActiveColor(clYellow);
  driver->Focus("edPrefix");
  EXPECT_EQ(edit->Color(), clYellow);
  driver->Focus("edOther");
  EXPECT_EQ(edit->Color(), clBtnFace);
}

TEST_F(BSEdit, AlignmentIsAWindowStyle) {
  struct Case {
    TAlignment alignment;
    DWORD style;
  } cases[] = {{taRightJustify, ES_RIGHT}, {taCenter, ES_CENTER}, {taLeftJustify, ES_LEFT}};
  for (const Case& c : cases) {
    edit->SetAlignment(c.alignment);
    const DWORD style = DWORD(GetWindowLongPtrA(edit->Handle(), GWL_STYLE));
    EXPECT_EQ(style & (ES_CENTER | ES_RIGHT), c.style) << c.alignment;
  }
}

TEST(BSEditResource, PropertiesAreReadFromAFormResource) {
  TResObject object = ParseFormResource(R"(object edPrefix: TBSEdit
  MaxLength = 1
  FilterChars = '0123456789'
  BasicFilter = bfNumbers
  ActiveColor = clYellow
  Alignment = taRightJustify
end
)");
  TComponentClass cls = ComponentClasses().Get(object.className);
  ASSERT_TRUE(cls);
  std::unique_ptr<TComponent, void (*)(TComponent*)> owner(TComponent::Create(nullptr),
                                                           [](TComponent* c) { c->Free(); });
  auto* edit = DynamicAs<TBSEdit>(cls.Create(owner.get()));
  ASSERT_NE(edit, nullptr);
  TReader reader(owner.get());
  for (const TResProperty& p : object.properties) (*FindProperty(edit->ClassType(), p.name))(edit, p.value, reader);
  EXPECT_EQ(edit->MaxLength(), 1);
  EXPECT_EQ(edit->FilterChars(), "0123456789");
  EXPECT_EQ(edit->BasicFilter(), bfNumbers);
  EXPECT_EQ(edit->ActiveColor(), clYellow);
  EXPECT_EQ(edit->Alignment(), taRightJustify);
}

}  // namespace
