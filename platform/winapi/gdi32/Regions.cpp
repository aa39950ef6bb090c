// Regions as bands of rows with sorted, disjoint spans; every operation keeps them coalesced.
#include "platform/winapi/Regions.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Windows.h"
#include "platform/winapi/gdi32/RegionCombine.h"

namespace {

struct Span {
  int x0, x1;
  bool operator==(const Span&) const = default;
};

struct Band {
  int y0, y1;
  std::vector<Span> spans;
};

class RegionObject : public GdiObject {
 public:
  DWORD ObjectType() const override { return OBJ_REGION; }
  std::vector<Band> bands;
};

RegionObject* Find(HRGN h) { return FindGdi<RegionObject>(h); }

HRGN Add(std::vector<Band> bands) {
  auto r = std::make_unique<RegionObject>();
  r->bands = std::move(bands);
  return reinterpret_cast<HRGN>(AddGdiObject(std::move(r)));
}

// Appends a row range with its spans, merging with the band above when they match.
void Append(std::vector<Band>& out, int y0, int y1, std::vector<Span> spans) {
  if (y0 >= y1 || spans.empty()) return;
  if (!out.empty() && out.back().y1 == y0 && out.back().spans == spans) {
    out.back().y1 = y1;
    return;
  }
  out.push_back(Band{y0, y1, std::move(spans)});
}

std::vector<Band> RectBands(int l, int t, int r, int b) {
  std::vector<Band> out;
  if (l < r && t < b) out.push_back(Band{t, b, {{l, r}}});
  return out;
}

const std::vector<Span>* SpansAt(const std::vector<Band>& bands, int y) {
  for (const Band& b : bands)
    if (y >= b.y0 && y < b.y1) return &b.spans;
  return nullptr;
}

std::vector<Span> CombineSpans(const std::vector<Span>* a, const std::vector<Span>* b, int mode) {
  std::vector<int> xs;
  for (auto* list : {a, b})
    if (list)
      for (const Span& s : *list) xs.push_back(s.x0), xs.push_back(s.x1);
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  auto inside = [](const std::vector<Span>* list, int x) {
    if (!list) return false;
    for (const Span& s : *list)
      if (x >= s.x0 && x < s.x1) return true;
    return false;
  };
  std::vector<Span> out;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    bool ia = inside(a, xs[i]), ib = inside(b, xs[i]);
    bool in = mode == RGN_AND ? ia && ib : mode == RGN_OR ? ia || ib : mode == RGN_XOR ? ia != ib : ia && !ib;
    if (!in) continue;
    if (!out.empty() && out.back().x1 == xs[i])
      out.back().x1 = xs[i + 1];
    else
      out.push_back(Span{xs[i], xs[i + 1]});
  }
  return out;
}

std::vector<Band> Combine(const std::vector<Band>& a, const std::vector<Band>& b, int mode) {
  std::vector<int> ys;
  for (auto* list : {&a, &b})
    for (const Band& band : *list) ys.push_back(band.y0), ys.push_back(band.y1);
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::vector<Band> out;
  for (size_t i = 0; i + 1 < ys.size(); ++i)
    Append(out, ys[i], ys[i + 1], CombineSpans(SpansAt(a, ys[i]), SpansAt(b, ys[i]), mode));
  return out;
}

// Rows of a shape given, for each row centre, the covered x intervals [from, to) of pixel centres.
template <class RowFn>
std::vector<Band> ScanShape(int top, int bottom, RowFn row) {
  std::vector<Band> out;
  for (int y = top; y < bottom; ++y) Append(out, y, y + 1, row(double(y) + 0.5));
  return out;
}

// The first pixel whose centre is at or right of x.
int FirstPixelFrom(double x) { return int(std::ceil(x - 0.5)); }

int Kind(const std::vector<Band>& bands) {
  if (bands.empty()) return NULLREGION;
  return bands.size() == 1 && bands[0].spans.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return Add(RectBands(std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)));
}

HRGN CreateRectRgnIndirect(const RECT* r) { return r ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : nullptr; }

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  double rx = std::min(std::abs(ellipseWidth), right - left) / 2.0;
  double ry = std::min(std::abs(ellipseHeight), bottom - top) / 2.0;
  if (rx <= 0 || ry <= 0) return CreateRectRgn(left, top, right, bottom);
  return Add(ScanShape(top, bottom, [&](double cy) {
    double inset = 0;
    double dy = 0;
    if (cy < top + ry) dy = top + ry - cy;
    if (cy > bottom - ry) dy = cy - (bottom - ry);
    if (dy > 0) inset = rx - rx * std::sqrt(std::max(0.0, 1 - (dy / ry) * (dy / ry)));
    int x0 = FirstPixelFrom(left + inset), x1 = FirstPixelFrom(right - inset);
    return x0 < x1 ? std::vector<Span>{{x0, x1}} : std::vector<Span>{};
  }));
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  return CreateRoundRectRgn(left, top, right, bottom, std::abs(right - left), std::abs(bottom - top));
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (!points || count < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (count < 3) return Add({});
  int top = points[0].y, bottom = points[0].y;
  for (int i = 0; i < count; ++i) top = std::min(top, int(points[i].y)), bottom = std::max(bottom, int(points[i].y));
  return Add(ScanShape(top, bottom, [&](double cy) {
    std::vector<std::pair<double, int>> crossings;  // x and direction
    for (int i = 0; i < count; ++i) {
      POINT a = points[i], b = points[(i + 1) % count];
      if (a.y == b.y) continue;
      int dir = b.y > a.y ? 1 : -1;
      double y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
      if (cy < y0 || cy >= y1) continue;
      double x = a.x + (cy - a.y) * double(b.x - a.x) / double(b.y - a.y);
      crossings.emplace_back(x, dir);
    }
    std::sort(crossings.begin(), crossings.end());
    std::vector<Span> spans;
    int winding = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += fillMode == WINDING ? crossings[i].second : 1;
      bool in = fillMode == WINDING ? winding != 0 : (winding & 1);
      if (!in) continue;
      int x0 = FirstPixelFrom(crossings[i].first), x1 = FirstPixelFrom(crossings[i + 1].first);
      if (x0 >= x1) continue;
      if (!spans.empty() && spans.back().x1 >= x0)
        spans.back().x1 = std::max(spans.back().x1, x1);
      else
        spans.push_back(Span{x0, x1});
    }
    return spans;
  }));
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  if (DWORD error = vandrel::gdi_testing::CallHookAnswer("CombineRgn")) {
    SetLastError(error);
    return ERROR;
  }
  return CombineRegions(dest, src1, src2, mode);
}

int CombineRegions(HRGN dest, HRGN src1, HRGN src2, int mode) {
  RegionObject* d = Find(dest);
  RegionObject* a = Find(src1);
  RegionObject* b = mode == RGN_COPY ? nullptr : Find(src2);
  if (!d || !a || (mode != RGN_COPY && !b) || mode < RGN_AND || mode > RGN_COPY) {
    SetLastError(ERROR_INVALID_HANDLE);
    return ERROR;
  }
  d->bands = mode == RGN_COPY ? a->bands : Combine(a->bands, b->bands, mode);
  return Kind(d->bands);
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  RegionObject* r = Find(region);
  if (!r) return FALSE;
  r->bands = RectBands(std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom));
  return TRUE;
}

int OffsetRgn(HRGN region, int dx, int dy) {
  RegionObject* r = Find(region);
  if (!r) return ERROR;
  for (Band& b : r->bands) {
    b.y0 += dy, b.y1 += dy;
    for (Span& s : b.spans) s.x0 += dx, s.x1 += dx;
  }
  return Kind(r->bands);
}

BOOL PtInRegion(HRGN region, int x, int y) {
  RegionObject* r = Find(region);
  if (!r) return FALSE;
  const std::vector<Span>* spans = SpansAt(r->bands, y);
  if (!spans) return FALSE;
  for (const Span& s : *spans)
    if (x >= s.x0 && x < s.x1) return TRUE;
  return FALSE;
}

BOOL EqualRgn(HRGN a, HRGN b) {
  RegionObject* ra = Find(a);
  RegionObject* rb = Find(b);
  if (!ra || !rb) return FALSE;
  if (ra->bands.size() != rb->bands.size()) return FALSE;
  for (size_t i = 0; i < ra->bands.size(); ++i)
    if (ra->bands[i].y0 != rb->bands[i].y0 || ra->bands[i].y1 != rb->bands[i].y1 ||
        ra->bands[i].spans != rb->bands[i].spans)
      return FALSE;
  return TRUE;
}

int GetRgnBox(HRGN region, RECT* box) {
  RegionObject* r = Find(region);
  if (!r || !box) return ERROR;
  *box = RECT{0, 0, 0, 0};
  if (r->bands.empty()) return NULLREGION;
  box->top = r->bands.front().y0;
  box->bottom = r->bands.back().y1;
  box->left = r->bands.front().spans.front().x0;
  box->right = r->bands.front().spans.back().x1;
  for (const Band& b : r->bands) {
    box->left = std::min<LONG>(box->left, b.spans.front().x0);
    box->right = std::max<LONG>(box->right, b.spans.back().x1);
  }
  return Kind(r->bands);
}

std::vector<RECT> RegionRects(HRGN region) {
  std::vector<RECT> out;
  if (RegionObject* r = Find(region))
    for (const Band& b : r->bands)
      for (const Span& s : b.spans) out.push_back(RECT{s.x0, b.y0, s.x1, b.y1});
  return out;
}

namespace vandrel::gdi_testing {

namespace {

struct Hook {
  std::mutex lock;
  std::atomic<bool> set{false};
  TGdiCallHook hook;
};

Hook& H() {
  static Hook* h = new Hook;
  return *h;
}

}  // namespace

void SetCallHook(TGdiCallHook hook) {
  std::lock_guard g(H().lock);
  H().set = bool(hook);
  H().hook = std::move(hook);
}

DWORD CallHookAnswer(const char* function) {
  if (!H().set.load(std::memory_order_relaxed)) return 0;
  TGdiCallHook hook;
  {
    std::lock_guard g(H().lock);
    hook = H().hook;
  }
  return hook ? hook(function) : 0;
}

}  // namespace vandrel::gdi_testing
