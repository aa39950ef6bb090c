// The surfaces of top-level windows and the drawing log.
#include "platform/winapi/WindowSurfaces.h"

#include <algorithm>
#include <deque>
#include <map>

#include "platform/runtime/Format.h"
#include "platform/winapi/Windows.h"
#include "platform/winapi/gdi32/Raster.h"

namespace {

constexpr size_t kLogLines = 4096;

struct Surfaces {
  std::map<HWND, std::unique_ptr<BitmapObject>> byWindow;
  std::deque<std::string> log;
};

// Guarded by the drawing lock.
Surfaces& S() {
  static Surfaces* s = new Surfaces;
  return *s;
}

thread_local int t_quiet = 0;

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

// Resizes a surface, keeping what overlaps (new parts are white, as an unpainted window).
void Resize(BitmapObject& surface, int width, int height) {
  BitmapObject fresh;
  fresh.topDown = true;
  if (!fresh.Allocate(width, height, 32)) return;
  std::fill(fresh.data.begin(), fresh.data.end(), uint8_t(0xFF));
  for (int y = 0; y < std::min(height, surface.height); ++y)
    for (int x = 0; x < std::min(width, surface.width); ++x) fresh.Put(x, y, surface.Get(x, y));
  std::copy(std::begin(fresh.masks), std::end(fresh.masks), surface.masks);
  surface.width = fresh.width;
  surface.height = fresh.height;
  surface.data = std::move(fresh.data);
}

}  // namespace

BitmapObject* SurfaceFor(HWND window, int& dx, int& dy, RECT& clip, bool wholeWindow) {
  HWND root = GetAncestor(window, GA_ROOT);
  RECT rootRect, area;
  if (!root || !GetWindowRect(root, &rootRect)) return nullptr;
  int width = std::max<LONG>(rootRect.right - rootRect.left, 0),
      height = std::max<LONG>(rootRect.bottom - rootRect.top, 0);
  if (wholeWindow) {
    GetWindowRect(window, &area);
    dx = area.left - rootRect.left;
    dy = area.top - rootRect.top;
    clip = RECT{dx, dy, dx + area.right - area.left, dy + area.bottom - area.top};
  } else {
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    GetClientRect(window, &area);
    dx = origin.x - rootRect.left;
    dy = origin.y - rootRect.top;
    clip = RECT{dx, dy, dx + area.right, dy + area.bottom};
  }
  clip = Intersect(clip, RECT{0, 0, width, height});
  auto& slot = S().byWindow[root];
  if (!slot) {
    slot = std::make_unique<BitmapObject>();
    slot->topDown = true;
    slot->width = slot->height = 0;
  }
  if (slot->width != width || slot->height != height) Resize(*slot, width, height);
  return slot.get();
}

void ReleaseWindowSurface(HWND hwnd) {
  auto lock = DrawLock();
  S().byWindow.erase(hwnd);
}

size_t WindowSurfaceCount() {
  auto lock = DrawLock();
  return S().byWindow.size();
}

QuietLog::QuietLog() { ++t_quiet; }
QuietLog::~QuietLog() { --t_quiet; }

void LogCall(const Target& target, const char* call, const std::string& arguments) {
  if (!target.window || t_quiet) return;
  char name[64] = "";
  GetClassNameA(target.window, name, sizeof name);
  std::string line = std::string(call) + " " + name;
  if (!arguments.empty()) line += " " + arguments;
  auto& log = S().log;
  if (log.size() == kLogLines) log.pop_front();
  log.push_back(std::move(line));
}

void LogDrawingCall(HDC dc, const std::string& call, const std::string& arguments) {
  auto lock = DrawLock();
  Target t;
  if (TargetOf(FindGdi<DeviceContext>(dc), t)) LogCall(t, call.c_str(), arguments);
}

std::vector<std::string> DrawingLog() {
  auto lock = DrawLock();
  return std::vector<std::string>(S().log.begin(), S().log.end());
}

void ClearDrawingLog() {
  auto lock = DrawLock();
  S().log.clear();
}

std::string RectText(int x, int y, int w, int h) { return Format("%d,%d %dx%d", {x, y, w, h}); }

std::string ColorText(COLORREF c) {
  return Format("#%.2X%.2X%.2X", {int(GetRValue(c)), int(GetGValue(c)), int(GetBValue(c))});
}
