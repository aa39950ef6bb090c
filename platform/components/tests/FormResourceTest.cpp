#include "platform/components/FormResource.h"

#include <gtest/gtest.h>

#include "platform/components/Application.h"
#include "platform/components/tests/TestForms.h"
#include "platform/runtime/Cp1250.h"

namespace {

using namespace std::string_literals;

std::string Wrap(const std::string& property) { return "object X: TForm\n  " + property + "\nend\n"; }

TEST(FormResourceParser, ValuesOfEveryKind) {
  TResObject o = ParseFormResource(R"(object Root: TForm
  A = -12
  B = $1F
  C = 2.5
  D = 'it''s' + ' é'#13#10'next'
  E = [fsBold, fsItalic]
  F = []
  G = ( 'one'
    'two' 3)
  H = { 0A ff }
  Font.Style = [fsBold]
  OnClick = Handler
  I = <
    item
      Name = 'Tarsasag'
      Size = 255
    end
    item
    end>
  object TPage
  end
  inherited Child: TButton
  end
end
)");
  EXPECT_EQ(o.name, "Root");
  EXPECT_EQ(o.className, "TForm");
  ASSERT_EQ(o.properties.size(), 11u);
  EXPECT_EQ(o.properties[0].value.integer, -12);
  EXPECT_EQ(o.properties[1].value.integer, 31);
  EXPECT_DOUBLE_EQ(o.properties[2].value.real, 2.5);
  EXPECT_EQ(o.properties[3].value.text, "it's "s + "\xE9" + "\r\nnext");
  EXPECT_EQ(o.properties[4].value.items.size(), 2u);
  EXPECT_EQ(o.properties[4].value.items[1].text, "fsItalic");
  EXPECT_EQ(o.properties[5].value.kind, TResValue::Set);
  ASSERT_EQ(o.properties[6].value.items.size(), 3u);
  EXPECT_EQ(o.properties[6].value.items[1].text, "two");
  EXPECT_EQ(o.properties[6].value.items[2].integer, 3);
  EXPECT_EQ(o.properties[7].value.text, std::string("\x0A\xFF", 2));
  EXPECT_EQ(o.properties[8].name, "Font.Style");
  EXPECT_EQ(o.properties[9].value.kind, TResValue::Ident);
  const TResValue& items = o.properties[10].value;
  EXPECT_EQ(items.kind, TResValue::Collection);
  ASSERT_EQ(items.collection.size(), 2u);
  ASSERT_EQ(items.collection[0].size(), 2u);
  EXPECT_EQ(items.collection[0][0].name, "Name");
  EXPECT_EQ(items.collection[0][0].value.text, "Tarsasag");
  EXPECT_EQ(items.collection[0][1].value.integer, 255);
  EXPECT_EQ(items.collection[0][1].line, 16);
  EXPECT_TRUE(items.collection[1].empty());
  ASSERT_EQ(o.children.size(), 2u);
  EXPECT_EQ(o.children[0].className, "TPage");
  EXPECT_EQ(o.children[0].name, "");
  EXPECT_TRUE(o.children[1].inherited);
  EXPECT_EQ(o.properties[3].line, 5);
}

TEST(FormResourceParser, MalformedTextNamesTheLine) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"thing X: TForm\nend\n", "'object' expected on line 1"},
      {"object X: TForm\n  A = 'open\nend\n", "Unterminated string on line 2"},
      {"object X: TForm\n  A 5\nend\n", "'=' expected on line 2"},
      {"object X: TForm\n  A = #300\nend\n", "Character code out of range on line 2"},
      {"object X: TForm\n  A = { 0 }\nend\n", "Odd number of hexadecimal digits on line 2"},
      {"object X: TForm\n  A = [a b]\nend\n", "']' expected on line 2"},
      {"object X: TForm\n  A = 1\n", "'end' expected on line 3"},
      {"object X: TForm\nend\nobject Y: TForm\nend\n", "Extra text after the root object on line 3"},
      {"object X: TForm\n  A = 'x' +\nend\n", "String expected on line 3"},
      {"object X: TForm\n  A = 99999999999999999999\nend\n", "Invalid number on line 2"},
      {"object X: TForm\n  A = $FFFFFFFFFFFFFFFFF\nend\n", "Invalid number on line 2"},
      {"object X: TForm\n  A = #99999999999\nend\n", "Character code out of range on line 2"},
      {"object X: TForm\n  A = < thing end >\nend\n", "'item' expected on line 2"},
      {"object X: TForm\n  A = < item\n B = 1\n", "'end' expected on line 4"},
      {"object X: TForm\n  A = < item end\n", "'>' expected on line 3"},
  };
  for (const Case& c : cases) {
    try {
      ParseFormResource(c.text);
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const EParserError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.text;
    }
  }
}

class TPlainForm : public TForm {
  VCL_CLASS(TPlainForm, TForm)
  using TForm::TForm;
  int clicks = 0;
  void Clicked(TObject*) { ++clicks; }
  void KeyHandler(TObject*, char&) {}
};

TEST(FormResourceReader, ErrorsNameTheComponentAndProperty) {
  TPublisher<TPlainForm>().Method("Clicked", &TPlainForm::Clicked).Method("KeyHandler", &TPlainForm::KeyHandler);
  struct Case {
    std::string text;
    std::string message;
  } cases[] = {
      {Wrap("object b: TNoSuchButton\n  end"), "Class TNoSuchButton not found"},
      {Wrap("object b: TButton\n    Foo = 1\n  end"), "Error reading b.Foo: Property Foo does not exist"},
      {Wrap("object b: TButton\n    Caption = 5\n  end"), "Error reading b.Caption: Invalid property value"},
      {Wrap("object b: TButton\n    Default = Maybe\n  end"), "Error reading b.Default: Invalid property value"},
      {Wrap("object b: TButton\n    Align = alSideways\n  end"), "Error reading b.Align: Invalid property value"},
      {Wrap("object b: TButton\n    OnClick = Missing\n  end"), "Error reading b.OnClick: Method 'Missing' not found"},
      {Wrap("object b: TButton\n    OnClick = KeyHandler\n  end"),
       "Error reading b.OnClick: Method 'KeyHandler' does not fit the event"},
      {Wrap("object b: TButton\n    PopupMenu = nowhere\n  end"), "Invalid property value: nowhere"},
      {Wrap("object b: TButton\n    PopupMenu = c\n  end\n  object c: TEdit\n  end"),
       "Error reading b.PopupMenu: Invalid property value"},
      {Wrap("inherited b: TButton\n  end"), "Ancestor for 'b' not found"},
      {Wrap("object b: TButton\n  end\n  object B: TButton\n  end"), "A component named B already exists"},
  };
  for (const Case& c : cases) {
    TPlainForm* form = TCustomForm::CreateNew<TPlainForm>(nullptr);
    RegisterFormResource(TPlainForm::StaticClass(), c.text);
    try {
      InitInheritedComponent(form, TForm::StaticClass());
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message) << c.text;
    }
    form->Free();
  }
}

class TBrokenForm : public TForm {
  VCL_CLASS(TBrokenForm, TForm)
  using TForm::TForm;
};

TEST(FormResourceReader, AResourceFailingHalfwayLeavesNothingBehind) {
  RegisterFormResource(TBrokenForm::StaticClass(), R"(object Broken: TBrokenForm
  object pnOuter: TPanel
    object bnInner: TButton
      Caption = 'made'
    end
    object bnBad: TButton
      Colour = clRed
    end
  end
end
)");
  TForm* owner = TCustomForm::CreateNew<TForm>(nullptr);
  EXPECT_THROW(NewObject<TBrokenForm>(owner), EReadError);
  EXPECT_EQ(owner->ComponentCount(), 0);
  EXPECT_EQ(Screen->FormCount(), 1);
  owner->Free();
}

TEST(FormResourceReader, HandlersFieldsAndReferencesAreBound) {
  TPublisher<TPlainForm>().Method("Clicked", &TPlainForm::Clicked);
  RegisterFormResource(TPlainForm::StaticClass(), R"(object Plain: TPlainForm
  PopupMenu = pm
  ActiveControl = ed
  object ed: TEdit
    OnClick = Clicked
    PopupMenu = pm
  end
  object pm: TPopupMenu
  end
end
)");
  TPlainForm* form = NewObject<TPlainForm>(nullptr);
  auto* ed = static_cast<TEdit*>(form->FindComponent("ed"));
  ASSERT_NE(ed, nullptr);
  EXPECT_EQ(ed->PopupMenu(), form->FindComponent("pm"));
  EXPECT_EQ(form->PopupMenu(), form->FindComponent("pm"));
  EXPECT_EQ(form->ActiveControl(), ed);
  ed->Click();
  ed->Click();
  EXPECT_EQ(form->clicks, 2);
  EXPECT_FALSE(form->ComponentState() & csLoading);
  EXPECT_FALSE(ed->ComponentState() & csLoading);
  // A freed menu leaves no dangling reference behind.
  form->FindComponent("pm")->Free();
  EXPECT_EQ(ed->PopupMenu(), nullptr);
  form->Free();
}

}  // namespace
