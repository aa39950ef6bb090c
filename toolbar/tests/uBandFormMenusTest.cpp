// The band's menus: drop-down menus built from a button's MENU, their measuring and drawing, the chevron
// menu of the buttons that do not fit, clicks, and definition changes while a menu is open.
#include <gtest/gtest.h>

#include "platform/components/ImgList.h"
#include "platform/components/Menus.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/WindowSurfaces.h"
#include "toolbar/tests/BandFormTestSupport.h"
#include "toolbar/tests/LibraryTestSupport.h"
#include "toolbar/uSignals.h"

namespace {

using namespace band_form_test;
using namespace library_test;
using vandrel::MachineRecord;

// Image lists of the menus: "forro" with hot images (those of buttons.bmp in reverse order), "szeles" of
// images that are not square.
const std::string kLists =
    "<IMAGELIST id=\"forro\" src=\"buttons.bmp\" hotsrc=\"hot.bmp\" width=\"16\" height=\"16\"/>\n"
    "<IMAGELIST id=\"szeles\" src=\"buttons.bmp\" width=\"32\" height=\"16\"/>\n";

const std::string kMenuButton =
    "<BUTTON caption=\"Menu\" action=\"none\"><MENU imagelist=\"forro\">"
    "<ITEM caption=\"Fej\" style=\"banner\" action=\"none\"/>"
    "<ITEM caption=\"Csak\" style=\"static\" action=\"none\"/>"
    "<ITEM caption=\"Magas %%toolbarguid%%\" height=\"30\" imageindex=\"2\" action=\"none\"/>"
    "<ITEM caption=\"Alap\" height=\"-1\" imageindex=\"3\" disabled=\"1\" action=\"none\"/>"
    "<ITEM caption=\"-\" action=\"none\"/>"
    "<ITEM caption=\"Pipa\" id=\"p\" checkedvalue=\"1\" uncheckedvalue=\"0\" imageindex=\"1\" action=\"none\"/>"
    "<ITEM caption=\"Al\" action=\"none\"><MENU imagelist=\"gombok\">"
    "<ITEM caption=\"Mely\" imageindex=\"0\" action=\"openurl\" href=\"http://a.hu/mely\"/></MENU></ITEM>"
    "</MENU></BUTTON>\n";

std::vector<std::string> Opened() { return vandrel::MachineRecordLinesAfter(MachineRecord::OpenedAddresses, 0); }

std::string Rgb(TColor color) {
  const int32_t c = ColorToRGB(color);
  return Format("#%.2X%.2X%.2X", {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)});
}

// The drawing log's line of the item's last drawing, without the call and class names.
std::string LastDrawing(const std::string& caption) {
  std::string found;
  const std::string head = "DrawMenuItem #32768 \"" + caption + "\" ";
  for (const std::string& line : DrawingLog())
    if (line.starts_with(head)) found = line.substr(head.size());
  return found;
}

bool SameImage(const TCustomImageList* a, int ia, const TCustomImageList* b, int ib) {
  for (int y = 0; y < a->Height(); ++y)
    for (int x = 0; x < a->Width(); ++x)
      if (a->Pixels(ia, x, y) != b->Pixels(ib, x, y)) return false;
  return true;
}

// Queued messages only: the form's timers may repeat.
void PumpQueued() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

class BandFormMenus : public BandFormTest {
 protected:
  void SetUp() override {
    BandFormTest::SetUp();
    WriteHotImages();
    ScriptMenuChoice({});
    ClearMenuRecords();
    ClearDrawingLog();
  }
  void TearDown() override {
    ScriptMenuChoice({});
    BandFormTest::TearDown();
  }
  // hot.bmp: the four images of buttons.bmp (64 x 16, 24 bits, rows of 192 bytes) in reverse order.
  static void WriteHotImages() {
    std::string bmp = ReadWholeFile(kFolder + "\\buttons.bmp");
    ASSERT_EQ(bmp.size(), 54u + 16 * 192);
    std::string hot = bmp;
    for (size_t row = 0; row < 16; ++row)
      for (size_t image = 0; image < 4; ++image)
        hot.replace(54 + row * 192 + image * 48, 48, bmp, 54 + row * 192 + (3 - image) * 48, 48);
    WriteWholeFile(kFolder + "\\hot.bmp", hot);
    WriteWholeFile(kFolder + "\\.files",
                   ReadWholeFile(kFolder + "\\.files") + "hot.bmp=http://eszkoztar.vandrel.hu/pellandra/hot.bmp\r\n");
  }
  TTessalineDeskBandForm* Form(const std::string& body) {
    Start(Definition("", kLists + body));
    TTessalineDeskBandForm* form = MakeForm();
    EXPECT_NE(form->CurrentDefinition(), nullptr) << LogText();
    form->SignalCheckTimer->SetEnabled(false);  // the tests tick it
    form->FeedCheckTimer->SetEnabled(false);
    form->FirstStartTimer->SetEnabled(false);
    return form;
  }
  static TToolButton* Button(TTessalineDeskBandForm* form, const std::string& caption) {
    for (int i = 0; i < form->BuiltControls()->Count(); ++i)
      if (auto* bar = DynamicAs<TToolBar>(static_cast<TObject*>(form->BuiltControls()->Items(i))))
        for (int b = 0; b < bar->ButtonCount(); ++b)
          if (bar->Buttons(b)->Caption() == caption) return bar->Buttons(b);
    return nullptr;
  }
  static TToolbarImageList* List(TTessalineDeskBandForm* form, const std::string& id) {
    return form->CurrentDefinition()->FindImageList(id, false);
  }
  // The chevron menu for a visible area that ends at `right`; freed with the test.
  TObjectPtr<TMyPopupMenu> Chevron(TTessalineDeskBandForm* form, int right) {
    TPopupMenu* menu = nullptr;
    form->OnGetChevronMenu(form, RECT{0, 0, right, 22}, menu);
    EXPECT_TRUE(!menu || DynamicAs<TMyPopupMenu>(menu));
    return TObjectPtr<TMyPopupMenu>(static_cast<TMyPopupMenu*>(menu));
  }
  // Shows the menu with one scripted choice and delivers the click.
  static TMenuRecord Show(TPopupMenu* menu, const std::string& choice) {
    ScriptMenuChoice({choice});
    menu->Popup(0, 0);
    PumpQueued();
    return MenuRecords().back();
  }
};

TEST_F(BandFormMenus, TheMenuTreeFollowsTheDefinition) {
  TTessalineDeskBandForm* form = Form(kMenuButton +
                                      "<BUTTON caption=\"Szeles\" action=\"none\"><MENU imagelist=\"szeles\">"
                                      "<ITEM caption=\"W\" imageindex=\"0\" action=\"none\"/></MENU></BUTTON>\n"
                                      "<BUTTON caption=\"Ures\" action=\"none\"><MENU></MENU></BUTTON>\n");
  TToolButton* button = Button(form, "Menu");
  ASSERT_NE(button, nullptr) << Layout(*form);
  auto* menu = DynamicAs<TMyPopupMenu>(button->DropdownMenu());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->Owner(), button);
  EXPECT_EQ(menu->Tag(), button->Tag()) << "the button control";
  EXPECT_TRUE(menu->OwnerDraw());
  EXPECT_EQ(menu->HotImages(), nullptr) << "a drop-down menu has no hot list";
  auto* images = DynamicAs<TCustomImageList>(menu->Images());
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(images->Owner(), menu);

  struct Row {
    std::string caption;
    bool enabled, autoCheck;
    int imageIndex;
  } rows[] = {{"Fej", true, false, -1},
              {"Csak", true, false, -1},
              {"Magas " + form->ExpandMacros("%%toolbarguid%%"), true, false, 0},
              {"Alap", false, false, 1},
              {"-", true, false, -1},
              {"Pipa", true, true, -1},
              {"Al", true, false, -1}};
  TMenuItem* top = menu->Items();
  ASSERT_EQ(top->Count(), 7);
  for (int i = 0; i < 7; ++i) {
    TMenuItem* item = top->Items(i);
    EXPECT_TRUE(DynamicAs<TMyMenuItem>(item)) << i;
    EXPECT_EQ(item->Caption(), rows[i].caption) << i;
    EXPECT_EQ(item->Enabled(), rows[i].enabled) << rows[i].caption;
    EXPECT_EQ(item->AutoCheck(), rows[i].autoCheck) << rows[i].caption;
    EXPECT_EQ(item->ImageIndex(), rows[i].imageIndex) << rows[i].caption;
    EXPECT_EQ(item->Owner(), menu);
  }
  EXPECT_NE(top->Items(2)->Caption().find('{'), std::string::npos) << "the macro is expanded";
  EXPECT_EQ(
      top->Items(0)->Tag(),
      reinterpret_cast<intptr_t>(
          DynamicAs<TToolbarButtonControl>(reinterpret_cast<TObject*>(button->Tag()))->Menu()->Items()->Items(0)));
  ASSERT_EQ(top->Items(6)->Count(), 1);
  TMenuItem* deep = top->Items(6)->Items(0);
  EXPECT_EQ(deep->Caption(), "Mely");
  EXPECT_EQ(deep->ImageIndex(), 2) << "a nested menu's icon lands in the same list";

  ASSERT_EQ(images->Count(), 3);
  EXPECT_EQ(images->Width(), 16);
  TImageList* forro = List(form, "forro")->Images();
  EXPECT_TRUE(SameImage(images, 0, forro, 2));
  EXPECT_TRUE(SameImage(images, 1, forro, 3));
  EXPECT_TRUE(SameImage(images, 2, List(form, "gombok")->Images(), 0));
  EXPECT_FALSE(SameImage(images, 0, forro, 1));

  TPopupMenu* wide = Button(form, "Szeles")->DropdownMenu();
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->Items()->Items(0)->ImageIndex(), -1) << "no icons from a list that is not square";
  EXPECT_EQ(static_cast<TCustomImageList*>(wide->Images())->Width(), 32);
  EXPECT_EQ(static_cast<TCustomImageList*>(wide->Images())->Count(), 0);
  ASSERT_NE(Button(form, "Ures"), nullptr);
  EXPECT_EQ(Button(form, "Ures")->DropdownMenu(), nullptr) << "a MENU without items gives no menu";
}

TEST_F(BandFormMenus, ItemsMeasureAndDrawByTheirDefinition) {
  TTessalineDeskBandForm* form = Form(kMenuButton);
  TPopupMenu* menu = Button(form, "Menu")->DropdownMenu();
  ASSERT_NE(menu, nullptr);
  TMenuRecord shown = Show(menu, "Fej");
  TCanvas canvas;
  const int text = canvas.TextHeight("Fej") + 4;
  struct Row {
    size_t index;
    int height;
  } heights[] = {{0, text}, {1, text}, {2, 30}, {3, text}, {4, 8}, {5, text}, {6, text}, {7, text}};
  ASSERT_EQ(shown.items.size(), 8u);
  for (const Row& r : heights) {
    EXPECT_EQ(shown.items[r.index].height, r.height) << shown.items[r.index].path;
    EXPECT_GE(shown.items[r.index].width, 120) << shown.items[r.index].path;
  }
  const std::string magas = menu->Items()->Items(2)->Caption();
  EXPECT_EQ(shown.items[2].width, canvas.TextWidth(magas) + 30) << "wider than 120 by its caption";

  const std::string normal = "brush " + Rgb(clMenu) + " font " + Rgb(clMenuText);
  const std::string highlight = "brush " + Rgb(clHighlight) + " font " + Rgb(clHighlightText);
  const std::string images = ImageListLogName(menu->Images());
  struct Drawing {
    std::string choice, caption, line;
  } drawings[] = {
      {"Fej", "Fej", "0,0 120x17 brush #808080 font #FFFFFF bold state normal"},
      {"Csak", "Csak", "0,17 120x17 " + normal + " state normal"},
      {magas, magas,
       Format("0,34 %dx30 ", {shown.items[2].width}) + highlight + " state selected,focused image " + images + ":0"},
      {"Pipa", "Pipa", "0,89 " + Format("%dx17 ", {shown.items[5].width}) + highlight + " state selected,focused"},
      {"Al|Mely", "Al", "0,106 120x17 " + highlight + " state selected,focused"},
  };
  for (const Drawing& d : drawings) {
    ClearDrawingLog();
    Show(menu, d.choice);
    EXPECT_EQ(LastDrawing(d.caption), d.line) << d.choice;
  }
  EXPECT_TRUE(menu->Items()->Items(5)->Checked()) << "the click toggled the check";
  ClearDrawingLog();
  Show(menu, "");
  EXPECT_EQ(LastDrawing("Pipa"), "0,89 " + Format("%dx17 ", {shown.items[5].width}) + normal + " state checked check")
      << "a check item shows its mark, never an image";
  EXPECT_EQ(LastDrawing("Alap"), "0,64 120x17 brush " + Rgb(clMenu) + " font " + Rgb(clGrayText) +
                                     " state grayed,disabled image " + images + ":1");
}

TEST_F(BandFormMenus, TheSelectedChevronItemDrawsFromTheHotListAndPutsItBack) {
  TTessalineDeskBandForm* form = Form(
      "<BUTTON caption=\"Egy\" popupcaption=\"Elso %%toolbarguid%%\" imagelist=\"forro\" imageindex=\"1\" "
      "action=\"openurl\" href=\"http://a.hu/egy\"/>\n"
      "<BUTTON caption=\"Ket\" imagelist=\"szeles\" imageindex=\"0\" action=\"none\"/>\n");
  TObjectPtr<TMyPopupMenu> menu = Chevron(form, 1);
  ASSERT_NE(menu, nullptr);
  auto* images = static_cast<TCustomImageList*>(menu->Images());
  TCustomImageList* hot = menu->HotImages();
  ASSERT_TRUE(images && hot);
  EXPECT_EQ(images->Width(), 16);
  EXPECT_EQ(hot->Height(), 16);
  ASSERT_EQ(menu->Items()->Count(), 2);
  TMenuItem* first = menu->Items()->Items(0);
  EXPECT_EQ(first->Caption(), "Elso %%toolbarguid%%") << "the popup caption as stored";
  EXPECT_EQ(first->ImageIndex(), 0);
  EXPECT_EQ(menu->Items()->Items(1)->ImageIndex(), -1) << "not square";
  ASSERT_EQ(images->Count(), 1);
  ASSERT_EQ(hot->Count(), 1);
  EXPECT_TRUE(SameImage(images, 0, List(form, "forro")->Images(), 1));
  EXPECT_TRUE(SameImage(hot, 0, List(form, "forro")->HotImages(), 1));
  EXPECT_TRUE(SameImage(hot, 0, List(form, "forro")->Images(), 2)) << "hot.bmp is reversed";

  Show(menu.get(), "Elso %%toolbarguid%%");
  std::vector<std::string> lines;
  for (const std::string& line : DrawingLog())
    if (line.starts_with("DrawMenuItem #32768 \"Elso")) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0].ends_with("state normal image " + ImageListLogName(images) + ":0")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with("state selected,focused image " + ImageListLogName(hot) + ":0")) << lines[1];
  EXPECT_EQ(menu->Images(), images) << "put back";
  EXPECT_EQ(Opened().back(), "SW_SHOWNORMAL http://a.hu/egy") << "the chevron item runs the button's action";

  // A drawing that raises still puts the normal list back.
  first->OnAdvancedDrawItem = [](TObject*, TCanvas*, RECT, TOwnerDrawState) { throw ETessaline("drawing failed"); };
  TCanvas canvas;
  EXPECT_THROW(first->AdvancedDrawItem(&canvas, RECT{0, 0, 120, 20}, odSelected, false), ETessaline);
  EXPECT_EQ(menu->Images(), images);
}

TEST_F(BandFormMenus, TheChevronMenuOffersWhatDoesNotFit) {
  const std::string a = "<BUTTON caption=\"A\" action=\"openurl\" href=\"http://a.hu/a\"/>";
  const std::string b =
      "<BUTTON caption=\"B\" popupcaption=\"Bee\" disabled=\"1\" action=\"none\"><MENU>"
      "<ITEM caption=\"B1\" action=\"openurl\" href=\"http://a.hu/b1\"/></MENU></BUTTON>";
  const std::string c = "<BUTTON caption=\"C\" imagelist=\"gombok\" action=\"none\"/>";
  struct Row {
    const char* name;
    std::string body;
    int hiddenFrom;  // the built control whose left edge + 1 ends the visible area; -1: all fits
    std::vector<std::string> paths;
  } rows[] = {
      {"all fits", a + b, -1, {}},
      {"a partly hidden button and the rest",
       a + "<SEPARATOR/>" + b + "<TEXT id=\"t\" width=\"30\"/>" + c,
       0,
       {"A", "-", "Bee", "Bee|B1", "C"}},
      {"from the second bar", a + c, 1, {"C"}},
      {"a bar that starts with a separator",
       a + "<TEXT id=\"t\" width=\"30\"/><SEPARATOR/><BUTTON caption=\"D\" action=\"none\"/>",
       1,
       {}},
  };
  TTessalineDeskBandForm* form = Form(a);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Ship(Definition("", kLists + r.body));
    form->LoadDefinition(true);
    const TObjectList* built = form->BuiltControls();
    int right = form->BuiltWidth() + 1;
    if (r.hiddenFrom >= 0) right = static_cast<TControl*>(built->Items(r.hiddenFrom))->Left() + 1;
    TObjectPtr<TMyPopupMenu> menu = Chevron(form, right);
    if (r.paths.empty()) {
      EXPECT_EQ(menu, nullptr) << Layout(*form);
    } else {
      ASSERT_NE(menu, nullptr) << Layout(*form);
      ScriptMenuChoice({});
      menu->Popup(0, 0);
      std::vector<std::string> paths;
      const TMenuRecord shown = MenuRecords().back();
      for (const TMenuRecordItem& item : shown.items) paths.push_back(item.path);
      EXPECT_EQ(paths, r.paths) << Layout(*form);
      if (TMenuItem* bee = menu->Items()->Find("Bee")) {
        EXPECT_FALSE(bee->Enabled());
        EXPECT_FALSE(static_cast<bool>(bee->OnClick)) << "an item with a sub-menu has no click of its own";
        EXPECT_TRUE(DynamicAs<TMyMenuItem>(bee->Items(0)));
      }
      for (int i = 0; i < menu->Items()->Count(); ++i) {
        TMenuItem* item = menu->Items()->Items(i);
        auto* tagged = reinterpret_cast<TObject*>(item->Tag());
        EXPECT_TRUE(item->IsLine() ? DynamicAs<TToolbarSeparatorControl>(tagged) != nullptr
                                   : DynamicAs<TToolbarButtonControl>(tagged) != nullptr)
            << item->Caption();
      }
    }
  }
}

TEST_F(BandFormMenus, ACheckItemsValueReachesTheNextAddress) {
  TTessalineDeskBandForm* form =
      Form(kMenuButton + "<BUTTON caption=\"Vegso\" action=\"openurl\" href=\"http://a.hu/?p=%%p%%\"/>\n");
  TPopupMenu* menu = Button(form, "Menu")->DropdownMenu();
  Button(form, "Vegso")->Click();
  EXPECT_EQ(Opened().back(), "SW_SHOWNORMAL http://a.hu/?p=0");
  Show(menu, "Pipa");
  Button(form, "Vegso")->Click();
  EXPECT_EQ(Opened().back(), "SW_SHOWNORMAL http://a.hu/?p=1");
  Show(menu, "Pipa");
  Button(form, "Vegso")->Click();
  EXPECT_EQ(Opened().back(), "SW_SHOWNORMAL http://a.hu/?p=0");
  Show(menu, "Al|Mely");
  EXPECT_EQ(Opened().back(), "SW_SHOWNORMAL http://a.hu/mely") << "a menu item runs its own action";
}

TEST_F(BandFormMenus, ADefinitionChangeWhileADropDownIsHeldOpenRebuildsAfterItCloses) {
  TTessalineDeskBandForm* form = Form(kMenuButton);
  form->Show();
  Ship(Definition("", kLists + "<TEXT id=\"t\" width=\"50\"/>" + kMenuButton));
  ASSERT_TRUE(BroadcastDefChanged());
  PumpQueued();
  ASSERT_TRUE(IsDefChanged());
  const int width = form->BuiltWidth();
  TToolButton* button = Button(form, "Menu");
  form->SignalCheckTimer->SetEnabled(true);
  ScriptMenuSteps({TMenuStep{"Al|Mely", 2000}});
  POINT offset = static_cast<TToolBar*>(button->Parent())->ClientOffset();
  SimulateMouseClick(static_cast<TWinControl*>(button->Parent())->Handle(),
                     POINT{button->Left() + offset.x + 3, button->Top() + offset.y + 3});
  PumpQueued();
  ASSERT_EQ(MenuRecords().size(), 1u) << "the click dropped the menu";
  EXPECT_EQ(MenuRecords()[0].choice, "Al|Mely");
  EXPECT_TRUE(IsDefChanged()) << "the timer ran in the menu's loop and waited";
  EXPECT_EQ(form->BuiltWidth(), width);
  EXPECT_EQ(Opened().back(), "SW_SHOWNORMAL http://a.hu/mely") << "the held menu's click still arrives";
  form->SignalCheckTimer->SetEnabled(false);
  form->SignalCheckTimerTimer(form->SignalCheckTimer);
  EXPECT_FALSE(IsDefChanged());
  EXPECT_GT(form->BuiltWidth(), width) << "rebuilt once the menu closed";
}

}  // namespace
