// The rebar control: layout of bands and children, the notifications its parent gets, and the messages
// of hosts that place bands.
#include <gtest/gtest.h>

#include "platform/testing/TestMachine.h"
#include "platform/winapi/CommonControls.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/Themes.h"
#include "platform/winapi/tests/WindowTestSupport.h"

using namespace wintest;

namespace {

std::string Rect(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

// A child's rectangle in the rebar's client coordinates.
std::string ChildRect(HWND rebar, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  POINT a{r.left, r.top}, b{r.right, r.bottom};
  ScreenToClient(rebar, &a);
  ScreenToClient(rebar, &b);
  return Rect(RECT{a.x, a.y, b.x, b.y});
}

std::string BandRect(HWND rebar, int index) {
  RECT r{};
  if (!SendMessageA(rebar, RB_GETRECT, WPARAM(index), reinterpret_cast<LPARAM>(&r))) return "none";
  return Rect(r);
}

class Rebars : public ::testing::Test {
 protected:
  void SetUp() override {
    InitCommonControls();
    Recorder::Get().Clear();
    parent_ = MakeWindow("parent", WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 400, 80);
    rebar_ = CreateWindowExA(0, REBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 300, 10, parent_,
                             reinterpret_cast<HMENU>(77), nullptr, nullptr);
    ASSERT_TRUE(rebar_);
    a_ = MakeWindow("a", WS_CHILD | WS_VISIBLE, parent_);
    b_ = MakeWindow("b", WS_CHILD | WS_VISIBLE, parent_);
    // What the parent is told, copied while the notification is on its way.
    Recorder::Get().SetHandler([this](HWND h, UINT msg, WPARAM, LPARAM lParam, LRESULT*) {
      if (h != parent_ || msg != WM_NOTIFY) return false;
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      std::string line = std::to_string(int(hdr->code)) + " id=" + std::to_string(hdr->idFrom) +
                         (hdr->hwndFrom == rebar_ ? "" : " from?");
      if (hdr->code == RBN_CHILDSIZE) {
        auto* nm = reinterpret_cast<NMREBARCHILDSIZE*>(lParam);
        line += " band=" + std::to_string(nm->uBand) + " wID=" + std::to_string(nm->wID) +
                " child=" + Rect(nm->rcChild) + " band=" + Rect(nm->rcBand);
        if (narrowChildren_) nm->rcChild.right -= 5;
      } else if (hdr->code == RBN_CHEVRONPUSHED) {
        auto* nm = reinterpret_cast<NMREBARCHEVRON*>(lParam);
        line += " band=" + std::to_string(nm->uBand) + " wID=" + std::to_string(nm->wID) + " rc=" + Rect(nm->rc) +
                " nm=" + std::to_string(nm->lParamNM);
      }
      notes_.push_back(line);
      return true;
    });
  }
  void TearDown() override {
    Recorder::Get().SetHandler(nullptr);
    DestroyWindow(parent_);
  }

  void Insert(int at, UINT id, HWND child, UINT style, UINT cxMin, UINT cyMin, UINT cx, UINT ideal) {
    REBARBANDINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID | RBBIM_IDEALSIZE;
    info.fStyle = style;
    info.hwndChild = child;
    info.cxMinChild = cxMin;
    info.cyMinChild = cyMin;
    info.cx = cx;
    info.wID = id;
    info.cxIdeal = ideal;
    ASSERT_TRUE(SendMessageA(rebar_, RB_INSERTBANDA, WPARAM(at), reinterpret_cast<LPARAM>(&info)));
  }

  HWND parent_ = nullptr, rebar_ = nullptr, a_ = nullptr, b_ = nullptr;
  std::vector<std::string> notes_;
  bool narrowChildren_ = false;
};

constexpr int kChildSize = int(RBN_CHILDSIZE), kChevron = int(RBN_CHEVRONPUSHED), kHeight = int(RBN_HEIGHTCHANGE);

TEST_F(Rebars, BandsShareTheWidthAndTheLastTakesTheRest) {
  Insert(-1, 1, a_, 0, 50, 22, 0, 120);
  Insert(-1, 2, b_, RBBS_USECHEVRON, 40, 20, 100, 200);
  EXPECT_EQ(GetParent(a_), rebar_) << "a band's child becomes the rebar's";
  EXPECT_EQ(SendMessageA(rebar_, RB_GETBANDCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(rebar_, RB_GETBARHEIGHT, 0, 0), 22) << "as high as the highest child";
  EXPECT_EQ(BandRect(rebar_, 0), "0,0,60,22");  // gripper 10 + minimum child 50
  EXPECT_EQ(BandRect(rebar_, 1), "60,0,300,22");
  EXPECT_EQ(ChildRect(rebar_, a_), "10,0,60,22");
  EXPECT_EQ(ChildRect(rebar_, b_), "70,1,300,21") << "a lower child is centred";
  EXPECT_EQ(SendMessageA(rebar_, RB_IDTOINDEX, 2, 0), 1);
  EXPECT_EQ(SendMessageA(rebar_, RB_IDTOINDEX, 9, 0), -1);
  EXPECT_EQ(BandRect(rebar_, 2), "none");

  // Narrower: the last band shrinks and, below its ideal width, shows its chevron.
  notes_.clear();
  SetWindowPos(rebar_, nullptr, 0, 0, 150, 22, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(BandRect(rebar_, 1), "60,0,150,22");
  EXPECT_EQ(ChildRect(rebar_, b_), "70,1,136,21");
  EXPECT_EQ(notes_, (std::vector<std::string>{std::to_string(kChildSize) +
                                              " id=77 band=1 wID=2 child=70,1,136,21 band=60,0,150,22"}))
      << "only the child that moves is announced";

  notes_.clear();
  SendMessageA(rebar_, RB_PUSHCHEVRON, 1, 5);
  EXPECT_EQ(notes_, (std::vector<std::string>{std::to_string(kChevron) + " id=77 band=1 wID=2 rc=136,0,150,22 nm=5"}));

  // Maximising to the ideal width takes room from the other bands first.
  SendMessageA(rebar_, RB_MAXIMIZEBAND, 0, TRUE);
  EXPECT_EQ(BandRect(rebar_, 0), "0,0,100,22");
  EXPECT_EQ(BandRect(rebar_, 1), "100,0,150,22");
  EXPECT_EQ(ChildRect(rebar_, b_), "110,1,136,21");
}

TEST_F(Rebars, SizeToRectGrowsTheRowsAndTheParentMayChangeAChild) {
  Insert(-1, 1, a_, 0, 50, 22, 0, 0);
  Insert(0, 2, b_, RBBS_VARIABLEHEIGHT, 40, 20, 0, 0);  // inserted before a
  EXPECT_EQ(SendMessageA(rebar_, RB_IDTOINDEX, 2, 0), 0);
  notes_.clear();
  narrowChildren_ = true;
  RECT r{500, 700, 800, 748};  // only the size counts
  EXPECT_TRUE(SendMessageA(rebar_, RB_SIZETORECT, 0, reinterpret_cast<LPARAM>(&r)));
  EXPECT_EQ(SendMessageA(rebar_, RB_GETBARHEIGHT, 0, 0), 48);
  EXPECT_EQ(BandRect(rebar_, 1), "50,0,300,48");
  EXPECT_EQ(ChildRect(rebar_, a_), "60,13,295,35") << "a fixed-height child is centred, narrowed by the parent";
  EXPECT_EQ(ChildRect(rebar_, b_), "10,0,45,48") << "a variable-height child fills the row";
  ASSERT_FALSE(notes_.empty());
  EXPECT_EQ(notes_.back(), std::to_string(kHeight) + " id=77");

  // Hidden bands take no room; a break starts a second row.
  SendMessageA(rebar_, RB_SHOWBAND, 0, FALSE);
  EXPECT_FALSE(IsWindowVisible(b_));
  EXPECT_EQ(BandRect(rebar_, 1), "0,0,300,48");
  SendMessageA(rebar_, RB_SHOWBAND, 0, TRUE);
  REBARBANDINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = RBBIM_STYLE;
  info.fStyle = RBBS_BREAK;
  SendMessageA(rebar_, RB_SETBANDINFOA, 1, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(SendMessageA(rebar_, RB_GETROWCOUNT, 0, 0), 2);
  EXPECT_EQ(BandRect(rebar_, 1), "0,20,300,48") << "the last row takes the height RB_SIZETORECT gave";
  EXPECT_TRUE(SendMessageA(rebar_, RB_DELETEBAND, 0, 0));
  EXPECT_EQ(SendMessageA(rebar_, RB_GETBANDCOUNT, 0, 0), 1);
  EXPECT_TRUE(IsWindow(b_)) << "deleting a band leaves its child to its owner";
  EXPECT_FALSE(SendMessageA(rebar_, RB_DELETEBAND, 5, 0));
}

TEST(Themes, ActiveByTheUsersSettingAndParentBackgroundsRecorded) {
  testing_support::TestMachine machine;
  EXPECT_FALSE(IsThemeActive());
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText(
      "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]\n"
      "\"ThemeActive\"=\"1\"\n",
      error))
      << error;
  EXPECT_TRUE(IsThemeActive());
  EXPECT_TRUE(IsAppThemed());
  HWND w = MakeWindow("w", WS_POPUP, nullptr, 0, 0, 30, 20);
  HDC dc = GetDC(w);
  vandrel::themes_testing::ClearParentBackgroundCalls();
  EXPECT_EQ(DrawThemeParentBackground(w, dc, nullptr), 0);
  RECT part{1, 2, 3, 4};
  EXPECT_EQ(DrawThemeParentBackground(w, dc, &part), 0);
  ReleaseDC(w, dc);
  DestroyWindow(w);
  EXPECT_LT(DrawThemeParentBackground(w, dc, nullptr), 0);
  auto calls = vandrel::themes_testing::ParentBackgroundCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].hwnd, w);
  EXPECT_EQ(calls[0].dc, dc);
  EXPECT_EQ(Rect(calls[0].rect), "0,0,30,20");
  EXPECT_EQ(Rect(calls[1].rect), "1,2,3,4");
}

}  // namespace
