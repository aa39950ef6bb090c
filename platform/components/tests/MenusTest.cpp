// The menu loop's drawing: the standard item drawing through GDI into the menu's window, logged per item;
// the chosen path drawn selected and focused; a scripted hold during which the thread's messages run.
#include "platform/components/Menus.h"

#include <gtest/gtest.h>

#include "platform/components/ImgList.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Timers.h"
#include "platform/winapi/WindowSurfaces.h"

namespace {

std::string Rgb(TColor color) {
  const int32_t c = ColorToRGB(color);
  return Format("#%.2X%.2X%.2X", {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)});
}

// The drawing log's menu-item lines.
std::vector<std::string> ItemLines() {
  std::vector<std::string> lines;
  for (const std::string& line : DrawingLog())
    if (line.starts_with("DrawMenuItem ")) lines.push_back(line);
  return lines;
}

class MenuLoop : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockMode(TClockMode::Virtual);
    menu = NewObject<TPopupMenu>(nullptr);
    images = NewObject<TImageList>(menu, 16, 16);
    images->SetName("ilMenu");
    menu->SetImages(images);
    open = Add(menu->Items(), "&Open");
    open->SetImageIndex(0);
    Add(menu->Items(), "-");
    check = Add(menu->Items(), "Check");
    check->SetChecked(true);
    more = Add(menu->Items(), "More");
    deep = Add(more, "Deep");
    off = Add(menu->Items(), "Off");
    off->SetEnabled(false);
    ScriptMenuChoice({});
    ClearMenuRecords();
    ClearDrawingLog();
  }
  void TearDown() override {
    menu->Free();
    ScriptMenuChoice({});
    SetClockMode(TClockMode::Real);
  }
  TMenuItem* Add(TMenuItem* parent, const std::string& caption) {
    auto* item = NewObject<TMenuItem>(menu);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
  }
  static void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }

  TPopupMenu* menu = nullptr;
  TImageList* images = nullptr;
  TMenuItem *open = nullptr, *check = nullptr, *more = nullptr, *deep = nullptr, *off = nullptr;
};

TEST_F(MenuLoop, EveryItemDrawsThroughGdiAndTheChosenPathDrawsSelected) {
  // An image index beyond the list draws no image: the list is empty here, so none does.
  ScriptMenuChoice({"More|Deep"});
  std::vector<std::string> clicks;
  deep->OnClick = [&](TObject*) { clicks.push_back("deep"); };
  const size_t surfaces = WindowSurfaceCount();
  menu->Popup(5, 6);
  Pump();
  EXPECT_EQ(clicks, std::vector<std::string>{"deep"});
  EXPECT_EQ(WindowSurfaceCount(), surfaces) << "the menu's window is gone with its surface";

  const std::string normal = " brush " + Rgb(clMenu) + " font " + Rgb(clMenuText);
  const std::string selected = " brush " + Rgb(clHighlight) + " font " + Rgb(clHighlightText);
  std::vector<std::string> lines = ItemLines();
  ASSERT_EQ(lines.size(), 8u) << "six items, then the two on the chosen path";
  EXPECT_EQ(lines[0], "DrawMenuItem #32768 \"&Open\" 0,0 55x19" + normal + " state normal");
  EXPECT_EQ(lines[1], "DrawMenuItem #32768 \"-\" 0,19 10x8" + normal + " state normal");
  EXPECT_EQ(lines[2], "DrawMenuItem #32768 \"Check\" 0,27 61x19" + normal + " state checked check");
  EXPECT_EQ(lines[5], "DrawMenuItem #32768 \"Off\" 0,84 49x19 brush " + Rgb(clMenu) + " font " + Rgb(clGrayText) +
                          " state grayed,disabled");
  EXPECT_EQ(lines[6], "DrawMenuItem #32768 \"More\" 0,46 57x19" + selected + " state selected,focused");
  EXPECT_EQ(lines[7], "DrawMenuItem #32768 \"Deep\" 0,65 55x19" + selected + " state selected,focused");
  bool filled = false;
  for (const std::string& line : DrawingLog())
    filled = filled || line == "FillRect #32768 0,65,55,84 " + Rgb(clHighlight);
  EXPECT_TRUE(filled) << "the background is a real fill of the menu's surface\n"
                      << testing::PrintToString(DrawingLog());
}

TEST_F(MenuLoop, TheImageOfTheMenusListIsNamedWithItsIndex) {
  TObjectPtr<TBitmap> strip(TBitmap::Create());
  strip->SetSize(32, 16);
  images->AddMasked(strip.get(), clNone);
  open->SetImageIndex(1);
  check->SetImageIndex(5);  // outside the list: the check mark
  menu->Popup(0, 0);
  std::vector<std::string> lines = ItemLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_TRUE(lines[0].ends_with("state normal image ilMenu:1")) << lines[0];
  EXPECT_TRUE(lines[2].ends_with("state checked check")) << lines[2];
  images->SetName("");
  ClearDrawingLog();
  menu->Popup(0, 0);
  EXPECT_TRUE(ItemLines()[0].ends_with(Format("image %p:1", {static_cast<const void*>(images)}))) << ItemLines()[0];
}

TEST_F(MenuLoop, AHeldMenuRunsTheThreadsTimersBeforeItsChoice) {
  static int ticks;
  static std::vector<std::string> order;
  ticks = 0;
  order.clear();
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
    ++ticks;
    order.push_back("tick");
  });
  open->OnClick = [](TObject*) { order.push_back("open"); };
  ScriptMenuSteps({TMenuStep{"Open", 1000}, TMenuStep{"", 0}});
  const int64_t start = int64_t(ClockTickMs());
  menu->Popup(0, 0);
  EXPECT_GE(int64_t(ClockTickMs()) - start, 1000);
  EXPECT_GE(ticks, 9) << "the timer ran while the menu was held";
  EXPECT_LE(ticks, 11);
  const int held = ticks;
  menu->Popup(0, 0);
  EXPECT_EQ(ticks, held) << "a menu that is not held runs nothing";
  KillTimer(nullptr, timer);
  Pump();
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.back(), "open") << "the choice comes after the hold";
  std::vector<TMenuRecord> shown = MenuRecords();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].choice, "Open");
}

TEST_F(MenuLoop, AQuitDuringAHoldEndsTheHoldAndStaysQueued) {
  SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostQuitMessage(3);
  });
  ScriptMenuSteps({TMenuStep{"Open", 60000}});
  const int64_t start = int64_t(ClockTickMs());
  menu->Popup(0, 0);
  EXPECT_LT(int64_t(ClockTickMs()) - start, 60000);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(MenuLoop, ADrawingThatRaisesClosesTheMenuAndItsWindow) {
  const size_t surfaces = WindowSurfaceCount();
  check->OnAdvancedDrawItem = [](TObject*, TCanvas*, RECT, TOwnerDrawState) { throw EMenuError("drawing failed"); };
  EXPECT_THROW(menu->Popup(0, 0), EMenuError);
  EXPECT_EQ(WindowSurfaceCount(), surfaces);
  EXPECT_TRUE(MenuRecords().empty());
}

}  // namespace
