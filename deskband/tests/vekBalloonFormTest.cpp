// The balloon window: where it lies, its shape, its outline, its properties, and that it never takes the
// activation.
#include "deskband/vekBalloonForm.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/components/Application.h"
#include "platform/components/FormResource.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Brushes.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Regions.h"
#include "platform/winapi/WindowSurfaces.h"

namespace {

using testing_support::TestMachine;

// A subclass with a resource of its own, which drops WS_EX_TOPMOST as the feed pop-up does.
class TNotTopBalloon : public TBalloonForm {
  VCL_CLASS(TNotTopBalloon, TBalloonForm)
  using TBalloonForm::TBalloonForm;
  static void Publish(TPublisher<TNotTopBalloon>& p) { p.Method("BalloonShow", &TNotTopBalloon::BalloonShow); }
  void BalloonShow(TObject*) { ++shows; }
  int shows = 0;

 protected:
  void CreateParams(TCreateParams& params) override {
    inherited::CreateParams(params);
    params.ExStyle &= ~WS_EX_TOPMOST;
  }
};

class TNoResourceBalloon : public TBalloonForm {
  VCL_CLASS(TNoResourceBalloon, TBalloonForm)
  using TBalloonForm::TBalloonForm;
};

}  // namespace

VCL_REGISTER_FORM(TNotTopBalloon, R"(object NotTopBalloon: TNotTopBalloon
  PopupWidth = 300
  PopupHeight = 60
  Direction = bdTopLeft
  OnShow = BalloonShow
end
)")

namespace {

// Every hooked GDI call by name, and the one to fail.
struct GdiCalls {
  GdiCalls() {
    vandrel::gdi_testing::SetCallHook([this](const std::string& function) -> DWORD {
      calls.push_back(function);
      return function == failing ? ERROR_NOT_ENOUGH_MEMORY : 0;
    });
  }
  ~GdiCalls() { vandrel::gdi_testing::SetCallHook({}); }
  long Count(const std::string& function) const { return std::count(calls.begin(), calls.end(), function); }
  std::vector<std::string> calls;
  std::string failing;
};

RECT WindowRect(TBalloonForm* balloon) {
  RECT r{};
  GetWindowRect(balloon->Handle(), &r);
  return r;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
         std::to_string(r.bottom) + ")";
}

// A copy of the window's region (delete it).
HRGN WindowRegion(TBalloonForm* balloon) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_NE(GetWindowRgn(balloon->Handle(), region), ERROR);
  return region;
}

TBalloonForm* NewBalloon(POINT anchor, TBalloonDirection direction, int width = 200, int height = 40) {
  TBalloonForm* balloon = TBalloonForm::Create(nullptr);
  balloon->SetAnchor(anchor);
  balloon->SetPopupWidth(width);
  balloon->SetPopupHeight(height);
  balloon->SetDirection(direction);
  balloon->UpdateShape();
  return balloon;
}

// ---- geometry ----

TEST(BalloonForm, ADefaultBalloonIs226By66AtTheScreensLeftMargin) {
  TestMachine machine;
  TBalloonForm* balloon = TBalloonForm::Create(nullptr);
  EXPECT_EQ(balloon->PopupWidth(), 200);
  EXPECT_EQ(balloon->PopupHeight(), 40);
  EXPECT_EQ(balloon->Direction(), bdBottomRight);
  EXPECT_EQ(balloon->Anchor().x, 0);
  EXPECT_EQ(balloon->Anchor().y, 0);
  EXPECT_EQ(balloon->Color(), clInfoBk);
  EXPECT_EQ(balloon->Font()->Name(), "Tahoma");
  EXPECT_FALSE(balloon->HandleAllocated()) << "construction only places it";
  EXPECT_TRUE(SameRect(balloon->BoundsRect(), RECT{2, 0, 228, 66})) << Describe(balloon->BoundsRect());
  balloon->Free();
}

struct GeometryCase {
  const char* name;
  POINT anchor;
  TBalloonDirection direction;
  int width, height;
  RECT window;  // screen
  RECT body;    // window coordinates
  int tipX;     // window coordinates
};

const GeometryCase kGeometry[] = {
    {"worked example, bottom left", {500, 300}, bdBottomLeft, 200, 40, {294, 300, 520, 366}, {0, 20, 226, 66}, 206},
    {"worked example, top right", {500, 300}, bdTopRight, 200, 40, {480, 234, 706, 300}, {0, 0, 226, 46}, 20},
    {"worked example, near the right edge",
     {900, 300},
     bdBottomRight,
     200,
     40,
     {796, 300, 1022, 366},
     {0, 20, 226, 66},
     104},
    {"top left", {500, 300}, bdTopLeft, 200, 40, {294, 234, 520, 300}, {0, 0, 226, 46}, 206},
    {"bottom right", {500, 300}, bdBottomRight, 200, 40, {480, 300, 706, 366}, {0, 20, 226, 66}, 20},
    {"other size", {500, 300}, bdBottomRight, 100, 10, {480, 300, 606, 336}, {0, 20, 126, 36}, 20},
    {"clamped at the left", {100, 300}, bdBottomLeft, 200, 40, {2, 300, 228, 366}, {0, 20, 226, 66}, 98},
    {"clamped at the right", {1000, 300}, bdTopRight, 200, 40, {796, 234, 1022, 300}, {0, 0, 226, 46}, 204},
    {"top not clamped", {500, 10}, bdTopRight, 200, 40, {480, -56, 706, 10}, {0, 0, 226, 46}, 20},
    {"within 20 of the left edge", {5, 300}, bdBottomLeft, 200, 40, {2, 300, 228, 366}, {0, 20, 226, 66}, 3},
    {"within 20 of the right edge", {1020, 300}, bdBottomRight, 200, 40, {796, 300, 1022, 366}, {0, 20, 226, 66}, 224},
};

TEST(BalloonForm, TheWindowTheBodyAndTheTailFollowTheAnchorAndDirection) {
  TestMachine machine;
  for (const GeometryCase& c : kGeometry) {
    SCOPED_TRACE(c.name);
    TBalloonForm* balloon = nullptr;
    ASSERT_NO_THROW(balloon = NewBalloon(c.anchor, c.direction, c.width, c.height));
    EXPECT_TRUE(SameRect(WindowRect(balloon), c.window)) << Describe(WindowRect(balloon));
    EXPECT_TRUE(SameRect(balloon->BodyRect(), c.body)) << Describe(balloon->BodyRect());
    // The tail's first pixel row beside the tip: right of a Right balloon's tip, left of a Left one's.
    bool top = c.direction == bdTopLeft || c.direction == bdTopRight;
    bool left = c.direction == bdTopLeft || c.direction == bdBottomLeft;
    int tipPixelX = left ? c.tipX - 1 : c.tipX;
    int height = c.window.bottom - c.window.top;
    int tipPixelY = top ? height - 3 : 1;
    HRGN region = WindowRegion(balloon);
    if (tipPixelX >= 0 && tipPixelX < c.window.right - c.window.left) {
      EXPECT_TRUE(PtInRegion(region, tipPixelX, tipPixelY)) << "the tail reaches the anchor";
    }
    EXPECT_FALSE(PtInRegion(region, left ? c.tipX : c.tipX - 1, tipPixelY)) << "the tail's vertical edge is at x";
    DeleteObject(region);
    balloon->Free();
  }
}

// ---- region ----

struct RegionCase {
  TBalloonDirection direction;
  POINT tipPixel;    // the tail's pixel next to the tip
  POINT insideTail;  // well inside the triangle
  POINT besideBase;  // beside the tail's base, outside
  POINT besideTip;   // across the tail's vertical edge, outside
  RECT box;
};

TEST(BalloonForm, TheRegionIsTheRoundedBodyWithTheTail) {
  TestMachine machine;
  // Anchor (500, 300): Left balloons have the tip at x 206, Right ones at 20. The tip's own row holds no
  // pixel centre of the triangle, so the tail begins one row in (Bottom) or ends two rows before the
  // window's edge (Top, whose tip lies on the last row).
  const RegionCase cases[] = {
      {bdTopLeft, {205, 63}, {200, 50}, {185, 47}, {206, 50}, {0, 0, 226, 64}},
      {bdTopRight, {20, 63}, {25, 50}, {41, 47}, {19, 50}, {0, 0, 226, 64}},
      {bdBottomLeft, {205, 1}, {200, 15}, {185, 19}, {206, 15}, {0, 1, 226, 66}},
      {bdBottomRight, {20, 1}, {25, 15}, {41, 19}, {19, 15}, {0, 1, 226, 66}},
  };
  for (const RegionCase& c : cases) {
    SCOPED_TRACE(int(c.direction));
    TBalloonForm* balloon = NewBalloon(POINT{500, 300}, c.direction);
    HRGN region = WindowRegion(balloon);
    RECT body = balloon->BodyRect();
    EXPECT_TRUE(PtInRegion(region, c.tipPixel.x, c.tipPixel.y));
    EXPECT_TRUE(PtInRegion(region, c.insideTail.x, c.insideTail.y));
    EXPECT_FALSE(PtInRegion(region, c.besideBase.x, c.besideBase.y));
    EXPECT_FALSE(PtInRegion(region, c.besideTip.x, c.besideTip.y));
    EXPECT_TRUE(PtInRegion(region, 113, (body.top + body.bottom) / 2)) << "the body's middle";
    for (POINT corner : {POINT{body.left, body.top}, POINT{body.right - 1, body.top}, POINT{body.left, body.bottom - 1},
                         POINT{body.right - 1, body.bottom - 1}})
      EXPECT_FALSE(PtInRegion(region, corner.x, corner.y)) << "rounded corner " << corner.x << "," << corner.y;
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_TRUE(SameRect(box, c.box)) << Describe(box);
    DeleteObject(region);
    balloon->Free();
  }
}

// ---- properties ----

TEST(BalloonForm, ASetterReshapesOnlyWhenTheValueChanges) {
  TestMachine machine;
  TBalloonForm* balloon = NewBalloon(POINT{500, 300}, bdBottomRight);
  GdiCalls gdi;
  struct Step {
    const char* name;
    std::function<void()> change;
    long reshapes;
    RECT window;
  };
  const Step steps[] = {
      {"same width", [&] { balloon->SetPopupWidth(200); }, 0, {480, 300, 706, 366}},
      {"new width", [&] { balloon->SetPopupWidth(250); }, 1, {480, 300, 756, 366}},
      {"same height", [&] { balloon->SetPopupHeight(40); }, 0, {480, 300, 756, 366}},
      {"new height", [&] { balloon->SetPopupHeight(60); }, 1, {480, 300, 756, 386}},
      {"same direction", [&] { balloon->SetDirection(bdBottomRight); }, 0, {480, 300, 756, 386}},
      {"new direction", [&] { balloon->SetDirection(bdTopRight); }, 1, {480, 214, 756, 300}},
      {"anchor alone",
       [&] {
         balloon->SetAnchor(POINT{600, 400});
       },
       0,
       {480, 214, 756, 300}},
      {"anchor, then UpdateShape", [&] { balloon->UpdateShape(); }, 1, {580, 314, 856, 400}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    gdi.calls.clear();
    s.change();
    EXPECT_EQ(gdi.Count("SetWindowRgn"), s.reshapes);
    EXPECT_TRUE(SameRect(WindowRect(balloon), s.window)) << Describe(WindowRect(balloon));
  }
  balloon->Free();
}

TEST(BalloonForm, TheWindowIsATopmostNonActivatingToolPopupOwnedByTheDesktop) {
  TestMachine machine;
  TBalloonForm* balloon = NewBalloon(POINT{500, 300}, bdBottomRight);
  HWND h = balloon->Handle();
  LONG_PTR style = GetWindowLongPtrA(h, GWL_STYLE), exStyle = GetWindowLongPtrA(h, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(style & WS_CAPTION, 0);
  EXPECT_EQ(exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE),
            LONG_PTR(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE));
  EXPECT_EQ(GetWindow(h, GW_OWNER), GetDesktopWindow());
  balloon->Free();
}

TEST(BalloonForm, ASubclassLoadsItsResourceAndMayDropTopmost) {
  TestMachine machine;
  auto* balloon = NewObject<TNotTopBalloon>(nullptr);
  EXPECT_EQ(balloon->PopupWidth(), 300);
  EXPECT_EQ(balloon->PopupHeight(), 60);
  EXPECT_EQ(balloon->Direction(), bdTopLeft);
  EXPECT_TRUE(balloon->HandleAllocated()) << "the setters reshaped while the resource loaded";
  LONG_PTR exStyle = GetWindowLongPtrA(balloon->Handle(), GWL_EXSTYLE);
  EXPECT_EQ(exStyle & WS_EX_TOPMOST, 0);
  EXPECT_TRUE(exStyle & WS_EX_NOACTIVATE);
  balloon->SetAnchor(POINT{500, 300});
  balloon->ShowBalloon();
  EXPECT_EQ(balloon->shows, 1) << "OnShow";
  EXPECT_TRUE(SameRect(WindowRect(balloon), RECT{194, 214, 520, 300})) << Describe(WindowRect(balloon));
  balloon->Free();

  try {
    NewObject<TNoResourceBalloon>(nullptr);
    ADD_FAILURE() << "made a subclass without its resource";
  } catch (const EResNotFound& e) {
    EXPECT_STREQ(e.what(), "Resource \"TNoResourceBalloon\" not found");
  }
}

// ---- showing, clicking, painting ----

HWND ActiveHostWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "BalloonTestHost";
  RegisterClassA(&wc);
  HWND host = CreateWindowExA(0, "BalloonTestHost", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                              nullptr, nullptr);
  SetActiveWindow(host);
  SetFocus(host);
  return host;
}

TEST(BalloonForm, ShowingAndClickingLeaveTheActiveWindowAndTheFocus) {
  TestMachine machine;
  HWND host = ActiveHostWindow();
  ASSERT_EQ(GetActiveWindow(), host);
  TBalloonForm* balloon = NewBalloon(POINT{500, 300}, bdBottomLeft);
  balloon->ShowBalloon();
  Application->ProcessPendingMessages();
  EXPECT_TRUE(IsWindowVisible(balloon->Handle()));
  EXPECT_EQ(GetActiveWindow(), host);
  EXPECT_EQ(GetFocus(), host);

  EXPECT_EQ(SendMessageA(balloon->Handle(), WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(balloon->Handle()),
                         MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_NOACTIVATE);
  bool clicked = false;
  balloon->OnClick = [&](TObject*) { clicked = true; };
  SimulateMouseClick(balloon->Handle(), POINT{100, 40});
  Application->ProcessPendingMessages();
  EXPECT_TRUE(clicked) << "the click still reaches the balloon";
  EXPECT_EQ(GetActiveWindow(), host);
  EXPECT_EQ(GetFocus(), host);
  EXPECT_FALSE(balloon->Active());

  balloon->Hide();
  EXPECT_FALSE(IsWindowVisible(balloon->Handle()));
  EXPECT_EQ(GetActiveWindow(), host);
  balloon->Free();
  DestroyWindow(host);
}

TEST(BalloonForm, APaintFramesTheRegionOnceInBlackOverTheFormsColour) {
  TestMachine machine;
  TBalloonForm* balloon = NewBalloon(POINT{500, 300}, bdBottomLeft);
  balloon->ShowBalloon();
  Application->ProcessPendingMessages();
  HWND h = balloon->Handle();
  ClearDrawingLog();
  InvalidateRect(h, nullptr, TRUE);
  UpdateWindow(h);
  std::vector<std::string> frames;
  for (const std::string& line : DrawingLog())
    if (line.rfind("FrameRgn ", 0) == 0) frames.push_back(line);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], "FrameRgn TBalloonForm 0,1,226,66 1x1 #000000");

  HDC dc = GetDC(h);
  const COLORREF form = COLORREF(ColorToRGB(clInfoBk));
  EXPECT_EQ(GetPixel(dc, 100, 20), 0u) << "the body's top edge";
  EXPECT_EQ(GetPixel(dc, 0, 40), 0u) << "the body's left edge";
  EXPECT_EQ(GetPixel(dc, 225, 40), 0u) << "the body's right edge";
  EXPECT_EQ(GetPixel(dc, 100, 65), 0u) << "the body's bottom edge";
  EXPECT_EQ(GetPixel(dc, 205, 1), 0u) << "the tail by the tip";
  EXPECT_EQ(GetPixel(dc, 100, 21), form) << "inside, next to the outline";
  EXPECT_EQ(GetPixel(dc, 100, 40), form);
  EXPECT_EQ(GetPixel(dc, 200, 15), form) << "inside the tail";
  ReleaseDC(h, dc);

  ClearDrawingLog();
  EXPECT_EQ(SendMessageA(h, WM_NCPAINT, 1, 0), 1);
  EXPECT_TRUE(DrawingLog().empty()) << "nothing drawn for the frame";
  balloon->Free();
}

// ---- resources ----

TEST(BalloonForm, ConstructionShowingPaintingAndFreeingLeaveNoGdiObject) {
  TestMachine machine;
  GetStockObject(BLACK_BRUSH);
  size_t objects = GdiObjectCount(), surfaces = WindowSurfaceCount();
  TBalloonForm* balloon = TBalloonForm::Create(nullptr);
  balloon->SetAnchor(POINT{500, 300});
  balloon->ShowBalloon();
  Application->ProcessPendingMessages();
  InvalidateRect(balloon->Handle(), nullptr, TRUE);
  UpdateWindow(balloon->Handle());
  EXPECT_EQ(GdiObjectCount(), objects + 1) << "the window's region, which the window owns";
  balloon->Free();
  EXPECT_EQ(GdiObjectCount(), objects);
  EXPECT_EQ(WindowSurfaceCount(), surfaces);
}

struct FailureCase {
  const char* function;
  const char* when;
  std::function<void(TBalloonForm*)> action;
};

TEST(BalloonForm, AFailedRegionCallRaisesTheLastErrorAndLeaksNothing) {
  TestMachine machine;
  GetStockObject(BLACK_BRUSH);
  const FailureCase cases[] = {
      {"CombineRgn", "making the window", [](TBalloonForm* b) { b->ShowBalloon(); }},
      {"SetWindowRgn", "making the window", [](TBalloonForm* b) { b->ShowBalloon(); }},
      {"CombineRgn", "reshaping", [](TBalloonForm* b) { b->SetPopupWidth(250); }},
      {"SetWindowRgn", "reshaping", [](TBalloonForm* b) { b->SetDirection(bdTopLeft); }},
      {"FrameRgn", "painting", [](TBalloonForm* b) { b->Perform(WM_PAINT, 0, 0); }},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(std::string(c.function) + " " + c.when);
    size_t objects = GdiObjectCount();
    TBalloonForm* balloon = TBalloonForm::Create(nullptr);
    balloon->SetAnchor(POINT{500, 300});
    bool made = std::string(c.when) != "making the window";
    if (made) balloon->ShowBalloon();
    size_t before = GdiObjectCount();
    {
      GdiCalls gdi;
      gdi.failing = c.function;
      try {
        c.action(balloon);
        ADD_FAILURE() << "no exception";
      } catch (const EOSError& e) {
        EXPECT_EQ(e.ErrorCode(), ERROR_NOT_ENOUGH_MEMORY);
        EXPECT_EQ(std::string(e.what()).rfind("System Error.  Code: 8.", 0), 0u) << e.what();
      }
      EXPECT_EQ(gdi.Count(c.function), 1);
    }
    EXPECT_EQ(GdiObjectCount(), before) << "the failed region went";
    if (made) {
      HRGN kept = WindowRegion(balloon);
      EXPECT_TRUE(PtInRegion(kept, 100, 40)) << "the window keeps its shape";
      DeleteObject(kept);
    }
    balloon->Free();
    EXPECT_EQ(GdiObjectCount(), objects);
  }
}

}  // namespace
