#include <gtest/gtest.h>

#include <utility>

#include "platform/components/Application.h"
#include "platform/components/ComCtrls.h"
#include "platform/components/Forms.h"
#include "platform/components/ImgList.h"
#include "platform/components/Menus.h"
#include "platform/components/automation/TestDriver.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MenuLoop.h"
#include "platform/winapi/MessageQueue.h"

using namespace std::string_literals;

namespace {

class ToolBars : public ::testing::Test {
 protected:
  void SetUp() override {
    form = TCustomForm::CreateNew<TForm>(Application);
    form->SetBounds(0, 0, 400, 100);
    form->Show();
    driver = std::make_unique<TFormDriver>(form);
    bar = NewObject<TToolBar>(form);
    bar->SetName("tbMain");
    bar->SetAlign(alNone);
    bar->SetBounds(10, 10, 300, 29);
    bar->SetParent(form);
  }
  void TearDown() override {
    if (form) form->Free();
    ScriptMenuChoice({});
    ClearMenuRecords();
  }
  TToolButton* Add(const std::string& name, const std::string& caption, TToolButtonStyle style = tbsButton) {
    auto* b = NewObject<TToolButton>(bar);
    b->SetName(name);
    b->SetLeft(10000);
    b->SetParent(bar);
    b->SetCaption(caption);
    b->SetStyle(style);
    return b;
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < bar->ButtonCount(); ++i) names.push_back(bar->Buttons(i)->Name());
    return names;
  }
  // Clicks a point of the button (its client coordinates) with the mouse.
  void ClickAt(TToolButton* b, int x, int y) {
    POINT offset = bar->ClientOffset();
    SimulateMouseClick(bar->Handle(), POINT{b->Left() + x + offset.x, b->Top() + y + offset.y});
    driver->Pump();
  }
  TForm* form = nullptr;
  TToolBar* bar = nullptr;
  std::unique_ptr<TFormDriver> driver;
};

TEST_F(ToolBars, WidthsOfButtonsFollowCaptionsImagesAndStyle) {
  std::unique_ptr<TImageList> small(TImageList::CreateSize(16, 16));
  std::unique_ptr<TImageList> wide(TImageList::CreateSize(24, 20));
  // "Mail": M 9, a 6, i 3, l 3 pixels in the default font.
  struct Case {
    const char* what;
    TImageList* images;
    bool showCaptions, list;
    std::string caption;
    TToolButtonStyle style;
    bool autoSize;
    int width;  // set before AutoSize
    int expected;
  } cases[] = {
      {"empty face", nullptr, false, false, "", tbsButton, true, 0, 23},
      {"image only", small.get(), false, false, "Mail", tbsButton, true, 0, 23},
      {"wide image", wide.get(), false, false, "", tbsButton, true, 0, 31},
      {"caption right of image", small.get(), true, true, "Mail", tbsButton, true, 0, 16 + 4 + 21 + 7},
      {"accelerator not counted", small.get(), true, true, "&Mail", tbsButton, true, 0, 16 + 4 + 21 + 7},
      {"caption without images", nullptr, true, true, "Mail", tbsButton, true, 0, 21 + 7},
      {"caption below image", small.get(), true, false, "Mail", tbsButton, true, 0, 21 + 7},
      {"short caption below image", small.get(), true, false, "i", tbsButton, true, 0, 16 + 7},
      {"empty caption", small.get(), true, true, "", tbsButton, true, 0, 16 + 7},
      {"non-Latin caption", nullptr, true, true, "Súgó"_cp, tbsButton, true, 0, 7 + 6 + 6 + 6 + 7},
      {"drop-down arrow", small.get(), false, false, "", tbsDropDown, true, 0, 23 + 14},
      {"check", small.get(), false, false, "", tbsCheck, true, 0, 23},
      {"fixed width", small.get(), true, true, "Mail", tbsButton, false, 40, 40},
      {"divider", small.get(), true, true, "", tbsDivider, true, 30, 8},
      {"fixed divider", nullptr, false, false, "", tbsDivider, false, 12, 12},
      {"separator", nullptr, false, false, "", tbsSeparator, true, 0, 8},
  };
  for (const Case& c : cases) {
    bar->SetImages(c.images);
    bar->SetShowCaptions(c.showCaptions);
    bar->SetList(c.list);
    TToolButton* b = Add("btnCase", c.caption, c.style);
    if (c.width) b->SetWidth(c.width);
    b->SetAutoSize(c.autoSize);
    EXPECT_EQ(b->Width(), c.expected) << c.what;
    b->Free();
  }
}

TEST_F(ToolBars, ButtonHeightFollowsImagesAndCaptionsBelowThem) {
  std::unique_ptr<TImageList> tall(TImageList::CreateSize(24, 24));
  TToolButton* b = Add("btnOne", "Mail");
  EXPECT_EQ(b->Height(), 22);
  bar->SetImages(tall.get());
  EXPECT_EQ(b->Height(), 30);
  bar->SetShowCaptions(true);
  EXPECT_EQ(b->Height(), 24 + 13 + 8) << "captions below the images";
  bar->SetList(true);
  EXPECT_EQ(b->Height(), 30);
  bar->SetEdgeBorders(ebTop | ebBottom);
  bar->SetAutoSize(true);
  EXPECT_EQ(bar->Height(), 30 + 4);
}

TEST_F(ToolBars, ButtonsLineUpInTheOrderOfTheirLeft) {
  TToolButton* a = Add("btnA", "");
  TToolButton* b = Add("btnB", "");
  TToolButton* d = Add("divOne", "", tbsDivider);
  d->SetAutoSize(true);
  TToolButton* c = Add("btnC", "");
  c->SetWidth(40);
  EXPECT_EQ(Names(), (std::vector<std::string>{"btnA", "btnB", "divOne", "btnC"})) << "Left 10000 appends";
  EXPECT_EQ(a->Left(), 0);
  EXPECT_EQ(b->Left(), 23);
  EXPECT_EQ(d->Left(), 46);
  EXPECT_EQ(c->Left(), 54);
  EXPECT_EQ(c->Width(), 40);

  auto* first = NewObject<TToolButton>(bar);
  first->SetName("btnFirst");
  first->SetParent(bar);  // Left 0: before every button
  EXPECT_EQ(Names(), (std::vector<std::string>{"btnFirst", "btnA", "btnB", "divOne", "btnC"}));
  EXPECT_EQ(c->Left(), 77);

  c->SetLeft(30);  // onto btnA's place: before btnB
  EXPECT_EQ(Names(), (std::vector<std::string>{"btnFirst", "btnA", "btnC", "btnB", "divOne"}));
  EXPECT_EQ(c->Left(), 46);
  EXPECT_EQ(b->Left(), 86);

  b->Hide();
  EXPECT_EQ(d->Left(), 86) << "a hidden button takes no room";
  EXPECT_EQ(bar->ButtonAtPos(POINT{90, 5}), d);
  a->Free();
  EXPECT_EQ(Names(), (std::vector<std::string>{"btnFirst", "btnC", "btnB", "divOne"}));
  EXPECT_EQ(c->Left(), 23);
  EXPECT_EQ(b->Index(), 2);
}

TEST_F(ToolBars, ClientWidthIsTheWidthLessTheEdges) {
  struct Case {
    TEdgeBorders borders;
    TEdgeStyle inner, outer;
    int clientWidth, clientHeight;
    POINT offset;
  } cases[] = {
      {ebTop, esRaised, esLowered, 300, 27, {0, 2}},  // the defaults
      {ebLeft | ebTop | ebRight | ebBottom, esRaised, esLowered, 296, 25, {2, 2}},
      {ebLeft | ebRight, esNone, esLowered, 298, 29, {1, 0}},
      {ebLeft | ebTop | ebRight | ebBottom, esNone, esNone, 300, 29, {0, 0}},
      {0, esRaised, esRaised, 300, 29, {0, 0}},
  };
  for (const Case& c : cases) {
    bar->SetEdgeBorders(c.borders);
    bar->SetEdgeInner(c.inner);
    bar->SetEdgeOuter(c.outer);
    EXPECT_EQ(bar->ClientWidth(), c.clientWidth) << c.borders << ' ' << c.inner << ' ' << c.outer;
    EXPECT_EQ(bar->ClientHeight(), c.clientHeight) << c.borders << ' ' << c.inner << ' ' << c.outer;
    EXPECT_EQ(bar->ClientOffset().x, c.offset.x);
    EXPECT_EQ(bar->ClientOffset().y, c.offset.y);
  }
  // A bar made as wide as its buttons: their widths plus the edges.
  bar->SetEdgeBorders(ebLeft | ebRight);
  Add("btnA", "");
  Add("btnB", "", tbsDropDown)->SetAutoSize(true);
  bar->SetWidth(23 + 37 + (bar->Width() - bar->ClientWidth()));
  EXPECT_EQ(bar->Width(), 23 + 37 + 4);
  EXPECT_EQ(bar->ClientWidth(), 60);
}

// Counts what reaches the bar's WindowProc from the reflected range up, as a subclass wrapping it does:
// CN_COMMAND, and the code of each CN_NOTIFY (custom drawing only when asked for).
struct MessageCounter {
  explicit MessageCounter(TToolBar* bar, bool paints = false) {
    TWndMethod inner = bar->WindowProc;
    bar->WindowProc = [this, inner, paints](TMessage& m) {
      if (m.Msg == CN_NOTIFY) {
        UINT code = reinterpret_cast<NMHDR*>(m.LParam)->code;
        if (code != NM_CUSTOMDRAW || paints) seen.push_back(code);
      } else if (m.Msg >= CN_BASE) {
        seen.push_back(m.Msg);
      }
      inner(m);
    };
  }
  std::vector<UINT> seen;
};

TEST_F(ToolBars, ClicksOfEachStyleReachTheBarAsReflectedNotifications) {
  bar->SetEdgeBorders(ebLeft | ebTop);  // clicks land past the edges
  auto* menu = NewObject<TPopupMenu>(form);
  menu->SetName("pmButton");
  auto* item = NewObject<TMenuItem>(menu);
  item->SetCaption("Első"_cp);
  menu->Items()->Add(item);
  std::vector<std::string> clicks;
  item->OnClick = [&](TObject*) { clicks.push_back("item"); };

  TToolButton* plain = Add("btnPlain", "Plain");
  TToolButton* menuButton = Add("btnMenu", "Menu");
  menuButton->SetDropdownMenu(menu);
  TToolButton* split = Add("btnSplit", "Split", tbsDropDown);
  split->SetDropdownMenu(menu);
  split->SetAutoSize(true);
  TToolButton* check = Add("btnCheck", "Check", tbsCheck);
  for (TToolButton* b : {plain, menuButton, split, check})
    b->OnClick = [&clicks, b](TObject* sender) {
      EXPECT_EQ(sender, b);
      clicks.push_back(b->Name() + (b->Down() ? " down" : ""));
    };
  MessageCounter counter(bar);
  ScriptMenuChoice({"Első"_cp, ""});

  driver->Click("Plain");
  EXPECT_EQ(clicks, (std::vector<std::string>{"btnPlain"}));
  driver->Click("Menu");  // drops the menu down, no click; the chosen item runs
  EXPECT_EQ(clicks, (std::vector<std::string>{"btnPlain", "item"}));
  ClickAt(split, 5, 5);                   // the body
  ClickAt(split, split->Width() - 3, 5);  // the arrow: the menu, dismissed
  driver->Click("Check");
  driver->Click("Check");
  EXPECT_EQ(clicks, (std::vector<std::string>{"btnPlain", "item", "btnSplit", "btnCheck down", "btnCheck"}));
  EXPECT_FALSE(check->Down());

  std::vector<TMenuRecord> shown = MenuRecords();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].menuName, "pmButton");
  POINT corner = bar->ClientToScreen(POINT{menuButton->Left() + 2, menuButton->Top() + menuButton->Height() + 2});
  EXPECT_EQ(shown[0].at.x, corner.x) << "below the button's left corner";
  EXPECT_EQ(shown[0].at.y, corner.y);
  EXPECT_EQ(menu->PopupComponent(), split);
  EXPECT_EQ(counter.seen,
            (std::vector<UINT>{CN_COMMAND, TBN_DROPDOWN, CN_COMMAND, TBN_DROPDOWN, CN_COMMAND, CN_COMMAND}));
}

TEST_F(ToolBars, PressesThatAreNoClicks) {
  TToolButton* a = Add("btnA", "");
  TToolButton* b = Add("btnB", "");
  TToolButton* gap = Add("divGap", "", tbsDivider);
  int clicks = 0;
  a->OnClick = b->OnClick = gap->OnClick = [&](TObject*) { ++clicks; };
  MessageCounter counter(bar);
  b->SetEnabled(false);
  ClickAt(b, 5, 5);
  ClickAt(gap, 2, 5);
  ClickAt(a, 5, 5);
  ClickAt(a, a->Width() - 3, 5);  // a plain button has no arrow
  EXPECT_EQ(clicks, 2);
  // Pressed on one button, released on another.
  POINT offset = bar->ClientOffset();
  b->SetEnabled(true);
  PostMessageA(bar->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5 + offset.x, 5 + offset.y));
  PostMessageA(bar->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(b->Left() + 5 + offset.x, 5 + offset.y));
  driver->Pump();
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(counter.seen.size(), 2u);
}

TEST_F(ToolBars, AClickHandlerMayFreeTheBar) {
  TToolButton* a = Add("btnA", "");
  a->OnClick = [this](TObject*) {
    // The handler goes with the button: nothing of it is touched after Free.
    std::exchange(bar, nullptr)->Free();
  };
  ClickAt(a, 5, 5);
  EXPECT_EQ(bar, nullptr);
  EXPECT_EQ(form->ControlCount(), 0);
}

TEST_F(ToolBars, EachButtonIsOfferedToTheCustomDrawHandlerWhenTheBarPaints) {
  TToolButton* a = Add("btnA", "");
  TToolButton* hidden = Add("btnHidden", "");
  TToolButton* check = Add("btnCheck", "", tbsCheck);
  TToolButton* off = Add("btnOff", "");
  hidden->Hide();
  check->SetDown(true);
  off->SetEnabled(false);
  std::vector<std::pair<TToolButton*, TCustomDrawState>> drawn;
  bar->OnAdvancedCustomDrawButton = [&](TToolBar* sender, TToolButton* button, TCustomDrawState state,
                                        TCustomDrawStage stage, bool& defaultDraw) {
    EXPECT_EQ(sender, bar);
    EXPECT_EQ(stage, cdPrePaint);
    EXPECT_TRUE(defaultDraw);
    drawn.emplace_back(button, state);
  };
  MessageCounter counter(bar, true);
  bar->Invalidate();
  UpdateWindow(bar->Handle());
  EXPECT_EQ(drawn,
            (std::vector<std::pair<TToolButton*, TCustomDrawState>>{{a, 0}, {check, cdsChecked}, {off, cdsDisabled}}));
  EXPECT_EQ(counter.seen, (std::vector<UINT>(4, NM_CUSTOMDRAW))) << "the bar's stage and each button's";
}

TEST_F(ToolBars, LinksThatMayDangleAreCleared) {
  auto* images = TImageList::CreateSize(24, 24);
  auto* menu = NewObject<TPopupMenu>(form);
  bar->SetImages(images);
  bar->SetHotImages(images);
  TToolButton* a = Add("btnA", "");
  a->SetAutoSize(true);
  a->SetDropdownMenu(menu);
  EXPECT_EQ(a->Width(), 31);
  images->Free();
  EXPECT_EQ(bar->Images(), nullptr);
  EXPECT_EQ(bar->HotImages(), nullptr);
  EXPECT_EQ(a->Width(), 23);
  menu->Free();
  EXPECT_EQ(a->DropdownMenu(), nullptr);
  ClickAt(a, 5, 5);  // a plain click now
  delete a;          // without Free: the bar forgets it too
  EXPECT_EQ(bar->ButtonCount(), 0);
}

TEST_F(ToolBars, TheDriverFindsToolButtonsByCaptionElseHintClicksArrowsAndDescribesThem) {
  auto* menu = NewObject<TPopupMenu>(form);
  menu->SetName("pmSplit");
  auto* item = NewObject<TMenuItem>(menu);
  item->SetCaption("Egy");
  menu->Items()->Add(item);
  TToolButton* search = Add("", "&Keresés"_cp);
  search->SetHint("Keresés"_cp);
  TToolButton* icon = Add("", "");
  icon->SetHint("Levelek");
  TToolButton* split = Add("", "Hírek"_cp, tbsDropDown);
  split->SetDropdownMenu(menu);
  split->SetAutoSize(true);
  TToolButton* check = Add("", "Kapcsoló"_cp, tbsCheck);
  Add("", "", tbsDivider);
  std::vector<std::string> clicks;
  for (TToolButton* b : {search, icon, split, check})
    b->OnClick = [&clicks](TObject* sender) { clicks.push_back(static_cast<TToolButton*>(sender)->Caption()); };
  bar->SetEdgeBorders(ebLeft | ebTop);

  EXPECT_EQ(driver->Find("Keresés"_cp), search) << "the caption comes before the hint";
  EXPECT_EQ(driver->Find("Levelek"), icon);
  driver->Click("Levelek");
  driver->Click("Hírek"_cp);
  driver->ClickArrow("Hírek"_cp);
  driver->Click("Kapcsoló"_cp);
  EXPECT_EQ(clicks, (std::vector<std::string>{"", "Hírek"_cp, "Kapcsoló"_cp}));
  ASSERT_EQ(MenuRecords().size(), 1u);
  EXPECT_EQ(MenuRecords()[0].menuName, "pmSplit");

  HWND window;
  POINT point;
  std::string error;
  ASSERT_TRUE(LocateFormArrow(form->Handle(), "Hírek"_cp, window, point, error)) << error;
  EXPECT_EQ(window, bar->Handle());
  EXPECT_EQ(point.x, split->Left() + split->Width() - TToolBar::kDropDownArrowWidth / 2 + 2);
  EXPECT_FALSE(LocateFormArrow(form->Handle(), "Kapcsoló"_cp, window, point, error));
  EXPECT_EQ(error, "Control "s + "Kapcsoló"_cp + " has no drop-down arrow");
  split->SetEnabled(false);
  EXPECT_THROW(driver->ClickArrow("Hírek"_cp), EDriverError);

  EXPECT_EQ(driver->Snapshot(),
            "form  \"\"\n"
            "  TToolBar tbMain\n"
            "    TToolButton \"&Keresés\" style=button\n"_cp
            "    TToolButton style=button\n"
            "    TToolButton \"Hírek\" [disabled] style=dropdown\n"_cp
            "    TToolButton \"Kapcsoló\" style=check [down]\n"_cp
            "    TToolButton style=divider\n");
}

}  // namespace
