#include "platform/winapi/Regions.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "platform/winapi/tests/WindowTestSupport.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

Pixels PixelsOf(HRGN r, int w = 80, int h = 80) {
  Pixels out;
  for (int y = -2; y < h; ++y)
    for (int x = -2; x < w; ++x)
      if (PtInRegion(r, x, y)) out.insert({x, y});
  return out;
}

Pixels RectPixels(int l, int t, int r, int b) {
  Pixels out;
  for (int y = t; y < b; ++y)
    for (int x = l; x < r; ++x) out.insert({x, y});
  return out;
}

TEST(Regions, CombineMatchesPixelSetsOfRandomRectangles) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> coord(0, 60);
  for (int round = 0; round < 200; ++round) {
    int a[4], b[4];
    for (int& v : a) v = coord(rng);
    for (int& v : b) v = coord(rng);
    HRGN ra = CreateRectRgn(a[0], a[1], a[2], a[3]);
    HRGN rb = CreateRectRgn(b[0], b[1], b[2], b[3]);
    Pixels pa = RectPixels(std::min(a[0], a[2]), std::min(a[1], a[3]), std::max(a[0], a[2]), std::max(a[1], a[3]));
    Pixels pb = RectPixels(std::min(b[0], b[2]), std::min(b[1], b[3]), std::max(b[0], b[2]), std::max(b[1], b[3]));
    HRGN acc = CreateRectRgn(0, 0, 0, 0);
    for (int mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF}) {
      Pixels expected;
      for (auto& p : pa)
        if ((mode == RGN_AND && pb.count(p)) || mode == RGN_OR || (mode == RGN_XOR && !pb.count(p)) ||
            (mode == RGN_DIFF && !pb.count(p)))
          expected.insert(p);
      if (mode == RGN_OR || mode == RGN_XOR)
        for (auto& p : pb)
          if (mode == RGN_OR || !pa.count(p)) expected.insert(p);
      int kind = CombineRgn(acc, ra, rb, mode);
      ASSERT_EQ(PixelsOf(acc), expected) << "round " << round << " mode " << mode;
      EXPECT_EQ(kind == NULLREGION, expected.empty());
      // Combining a region with itself as a source works too.
      if (mode == RGN_OR) {
        HRGN copy = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(copy, acc, nullptr, RGN_COPY);
        CombineRgn(copy, copy, ra, RGN_DIFF);
        Pixels rest;
        for (auto& p : expected)
          if (!pa.count(p)) rest.insert(p);
        EXPECT_EQ(PixelsOf(copy), rest);
        DeleteObject(copy);
      }
    }
    DeleteObject(ra);
    DeleteObject(rb);
    DeleteObject(acc);
  }
  EXPECT_EQ(GdiObjectCount(), 0u);
}

TEST(Regions, PolygonsFollowTheFillMode) {
  // A five-pointed star drawn in one stroke: its centre is inside by winding, outside by alternation.
  POINT star[] = {{40, 2}, {63, 72}, {4, 28}, {76, 28}, {17, 72}};
  HRGN winding = CreatePolygonRgn(star, 5, WINDING);
  HRGN alternate = CreatePolygonRgn(star, 5, ALTERNATE);
  EXPECT_TRUE(PtInRegion(winding, 40, 40));
  EXPECT_FALSE(PtInRegion(alternate, 40, 40));
  EXPECT_TRUE(PtInRegion(alternate, 40, 10));  // a tip belongs to both
  EXPECT_TRUE(PtInRegion(winding, 40, 10));
  // A right triangle covers the pixels whose centres lie inside it.
  POINT tri[] = {{0, 0}, {10, 0}, {0, 10}};
  HRGN t = CreatePolygonRgn(tri, 3, WINDING);
  Pixels expected;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      if (x + 0.5 < 10 - (y + 0.5)) expected.insert({x, y});
  EXPECT_EQ(PixelsOf(t), expected);
  RECT box;
  EXPECT_EQ(GetRgnBox(t, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 9);  // the pixels of the last column and row have their centres outside
  EXPECT_EQ(box.bottom, 9);
  POINT two[] = {{0, 0}, {5, 5}};
  HRGN empty = CreatePolygonRgn(two, 2, WINDING);
  EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
}

TEST(Regions, BalloonShapeOfRoundedBodyAndTail) {
  // The shape a balloon window gives itself: body 226 x 46 below a 20-pixel tail whose tip is at (206, 0).
  HRGN body = CreateRoundRectRgn(0, 20, 226, 66, 7, 7);
  POINT tail[] = {{206, 0}, {206, 21}, {186, 21}};
  HRGN tri = CreatePolygonRgn(tail, 3, WINDING);
  ASSERT_EQ(CombineRgn(body, body, tri, RGN_OR), COMPLEXREGION);
  DeleteObject(tri);
  EXPECT_FALSE(PtInRegion(body, 0, 20));  // a rounded corner
  EXPECT_TRUE(PtInRegion(body, 3, 20));
  EXPECT_TRUE(PtInRegion(body, 0, 24));
  EXPECT_TRUE(PtInRegion(body, 205, 1));  // inside the tail near its tip
  EXPECT_FALSE(PtInRegion(body, 190, 5));
  EXPECT_TRUE(PtInRegion(body, 113, 65));
  EXPECT_FALSE(PtInRegion(body, 113, 66));
  RECT box;
  GetRgnBox(body, &box);
  EXPECT_EQ(box.top, 1);  // the tip's own pixel has its centre outside the tail
  EXPECT_EQ(box.right, 226);
  // The window owns the region once set; setting another deletes the first.
  HWND w = wintest::MakeWindow("balloon", WS_POPUP, nullptr, 0, 0, 226, 66);
  size_t before = GdiObjectCount();
  EXPECT_EQ(SetWindowRgn(w, body, TRUE), 1);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(w, copy), COMPLEXREGION);
  EXPECT_TRUE(EqualRgn(copy, body));
  SetWindowRgn(w, CreateRectRgn(0, 0, 5, 5), FALSE);
  EXPECT_EQ(GdiObjectCount(), before + 1);  // body deleted, the new one and the copy live
  DestroyWindow(w);
  EXPECT_EQ(GdiObjectCount(), before);
  HWND plain = wintest::MakeWindow("plain");
  EXPECT_EQ(GetWindowRgn(plain, copy), ERROR);
  DeleteObject(copy);
}

TEST(Regions, BadHandlesFail) {
  HRGN r = CreateRectRgn(0, 0, 10, 10);
  EXPECT_EQ(CombineRgn(r, r, nullptr, RGN_OR), ERROR);
  EXPECT_EQ(CombineRgn(r, r, r, 99), ERROR);
  EXPECT_TRUE(DeleteObject(r));
  EXPECT_FALSE(DeleteObject(r));
  EXPECT_FALSE(PtInRegion(r, 1, 1));
  EXPECT_EQ(OffsetRgn(r, 1, 1), ERROR);
}

TEST(Regions, OffsetAndRects) {
  HRGN r = CreateRectRgn(0, 0, 4, 2);
  HRGN s = CreateRectRgn(2, 1, 6, 3);
  CombineRgn(r, r, s, RGN_OR);
  OffsetRgn(r, 10, 20);
  std::vector<RECT> rects = RegionRects(r);
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects[0].left, 10);
  EXPECT_EQ(rects[0].right, 14);
  EXPECT_EQ(rects[1].left, 10);
  EXPECT_EQ(rects[1].right, 16);
  EXPECT_EQ(rects[2].left, 12);
  EXPECT_EQ(rects[2].bottom, 23);
}

}  // namespace
