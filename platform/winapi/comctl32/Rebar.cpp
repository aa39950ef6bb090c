// The rebar control: bands kept per window, laid out as CommonControls.h says, children moved after the
// parent has seen RBN_CHILDSIZE.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/winapi/CommonControls.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Windows.h"

namespace {

struct Band {
  UINT style = 0;
  HWND child = nullptr;
  UINT cxMinChild = 0, cyMinChild = 0, cx = 0, wID = 0, cxIdeal = 0;
  LPARAM lParam = 0;
  std::string text;
  RECT rect{};
  RECT childRect{};
  RECT announced{};  // the child rectangle last announced and applied
  bool childPlaced = false;
  bool chevron = false;
};

struct Rebar {
  std::vector<Band> bands;
  int forcedHeight = 0;
  int priority = -1;  // the band a maximise favoured: it shrinks last
  int lastHeight = 0;
  bool layingOut = false;
};

struct Rebars {
  std::mutex lock;
  std::unordered_map<HWND, Rebar> windows;
};

Rebars& R() {
  static Rebars* r = new Rebars;
  return *r;
}

int HeaderWidth(const Band& b) { return b.style & RBBS_NOGRIPPER ? kRebarNoGripperWidth : kRebarGripperWidth; }
int MinWidth(const Band& b) { return HeaderWidth(b) + int(b.cxMinChild); }
bool Hidden(const Band& b) { return b.style & RBBS_HIDDEN; }

// A child placement the parent is told about before it happens.
struct Move {
  UINT index;
  Band band;
};

// Computes the rectangles of every band for the client width; returns the height the rows need.
int Arrange(Rebar& r, int width) {
  std::vector<std::vector<size_t>> rows;
  for (size_t i = 0; i < r.bands.size(); ++i) {
    if (Hidden(r.bands[i])) continue;
    if (rows.empty() || (r.bands[i].style & RBBS_BREAK)) rows.emplace_back();
    rows.back().push_back(i);
  }
  std::vector<int> heights;
  for (auto& row : rows) {
    int h = 0;
    for (size_t i : row) h = std::max(h, int(r.bands[i].cyMinChild));
    heights.push_back(std::max(h, 1));
  }
  int needed = 0;
  for (int h : heights) needed += h;
  if (!heights.empty() && r.forcedHeight > needed) heights.back() += r.forcedHeight - needed;
  int y = 0;
  for (size_t rowIndex = 0; rowIndex < rows.size(); ++rowIndex) {
    auto& row = rows[rowIndex];
    std::vector<int> widths;
    int total = 0;
    for (size_t i : row) {
      widths.push_back(std::max(int(r.bands[i].cx), MinWidth(r.bands[i])));
      total += widths.back();
    }
    // Too wide: shrink from the last band on, the favoured one last.
    std::vector<size_t> order;
    for (size_t k = row.size(); k-- > 0;)
      if (int(row[k]) != r.priority) order.push_back(k);
    for (size_t k = 0; k < row.size(); ++k)
      if (int(row[k]) == r.priority) order.push_back(k);
    for (size_t k : order) {
      if (total <= width) break;
      int spare = widths[k] - MinWidth(r.bands[row[k]]);
      int take = std::min(spare, total - width);
      widths[k] -= take;
      total -= take;
    }
    if (total < width) widths.back() += width - total;
    int x = 0, h = heights[rowIndex];
    for (size_t k = 0; k < row.size(); ++k) {
      Band& b = r.bands[row[k]];
      b.rect = RECT{x, y, x + widths[k], y + h};
      int childLeft = x + HeaderWidth(b);
      int childRight = b.rect.right;
      b.chevron = (b.style & RBBS_USECHEVRON) && childRight - childLeft < int(b.cxIdeal);
      if (b.chevron) childRight = std::max(childLeft, childRight - kRebarChevronWidth);
      int childHeight = (b.style & RBBS_VARIABLEHEIGHT) || !b.cyMinChild ? h : std::min(int(b.cyMinChild), h);
      int top = y + (h - childHeight) / 2;
      b.childRect = RECT{childLeft, top, childRight, top + childHeight};
      x += widths[k];
    }
    y += h;
  }
  for (Band& b : r.bands)
    if (Hidden(b)) b.rect = b.childRect = RECT{}, b.chevron = false;
  return y;
}

void Notify(HWND rebar, NMHDR* header) {
  header->hwndFrom = rebar;
  header->idFrom = UINT_PTR(GetWindowLongPtrA(rebar, GWLP_ID));
  SendMessageA(GetParent(rebar), WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

void Layout(HWND hwnd) {
  RECT client;
  GetClientRect(hwnd, &client);
  std::vector<Move> moves;
  int needed;
  {
    std::lock_guard g(R().lock);
    auto it = R().windows.find(hwnd);
    if (it == R().windows.end() || it->second.layingOut) return;
    Rebar& r = it->second;
    needed = Arrange(r, client.right);
    for (UINT i = 0; i < r.bands.size(); ++i) {
      Band& b = r.bands[i];
      if (!b.child || Hidden(b)) continue;
      const RECT& c = b.childRect;
      if (b.childPlaced && c.left == b.announced.left && c.top == b.announced.top && c.right == b.announced.right &&
          c.bottom == b.announced.bottom)
        continue;
      b.childPlaced = true;
      b.announced = c;
      moves.push_back({i, b});
    }
    r.layingOut = true;
  }
  for (Move& m : moves) {
    NMREBARCHILDSIZE nm{};
    nm.hdr.code = RBN_CHILDSIZE;
    nm.uBand = m.index;
    nm.wID = m.band.wID;
    nm.rcChild = m.band.childRect;
    nm.rcBand = m.band.rect;
    Notify(hwnd, &nm.hdr);
    if (IsWindow(m.band.child))
      SetWindowPos(m.band.child, nullptr, nm.rcChild.left, nm.rcChild.top, nm.rcChild.right - nm.rcChild.left,
                   nm.rcChild.bottom - nm.rcChild.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  {
    std::lock_guard g(R().lock);
    auto it = R().windows.find(hwnd);
    if (it != R().windows.end()) it->second.layingOut = false;
  }
  int height = needed;
  bool heightChanged = false;
  {
    std::lock_guard g(R().lock);
    auto it = R().windows.find(hwnd);
    if (it == R().windows.end()) return;
    height = std::max(height, it->second.forcedHeight);
    if (height <= 0 || height == client.bottom) {
      heightChanged = it->second.lastHeight != client.bottom;
      it->second.lastHeight = client.bottom;
    }
  }
  if (height > 0 && height != client.bottom) {
    // The window takes the height the rows need; its WM_SIZE lays out again and tells the parent.
    RECT w;
    GetWindowRect(hwnd, &w);
    SetWindowPos(hwnd, nullptr, 0, 0, w.right - w.left, (w.bottom - w.top) - client.bottom + height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  if (heightChanged) {
    NMHDR nm{};
    nm.code = RBN_HEIGHTCHANGE;
    Notify(hwnd, &nm);
  }
}

void Apply(Band& b, const REBARBANDINFOA& info) {
  if (info.fMask & RBBIM_STYLE) b.style = info.fStyle;
  if (info.fMask & RBBIM_TEXT) b.text = info.lpText ? info.lpText : "";
  if (info.fMask & RBBIM_CHILD) b.child = info.hwndChild, b.childPlaced = false;
  if (info.fMask & RBBIM_CHILDSIZE) b.cxMinChild = info.cxMinChild, b.cyMinChild = info.cyMinChild;
  if (info.fMask & RBBIM_SIZE) b.cx = info.cx;
  if (info.fMask & RBBIM_ID) b.wID = info.wID;
  if (info.fMask & RBBIM_IDEALSIZE) b.cxIdeal = info.cxIdeal;
  if (info.fMask & RBBIM_LPARAM) b.lParam = info.lParam;
}

void Fill(const Band& b, REBARBANDINFOA& info) {
  if (info.fMask & RBBIM_STYLE) info.fStyle = b.style;
  if ((info.fMask & RBBIM_TEXT) && info.lpText && info.cch) {
    size_t n = std::min<size_t>(b.text.size(), info.cch - 1);
    std::memcpy(info.lpText, b.text.data(), n);
    info.lpText[n] = 0;
  }
  if (info.fMask & RBBIM_CHILD) info.hwndChild = b.child;
  if (info.fMask & RBBIM_CHILDSIZE) info.cxMinChild = b.cxMinChild, info.cyMinChild = b.cyMinChild;
  if (info.fMask & RBBIM_SIZE) info.cx = UINT(b.rect.right - b.rect.left);
  if (info.fMask & RBBIM_ID) info.wID = b.wID;
  if (info.fMask & RBBIM_IDEALSIZE) info.cxIdeal = b.cxIdeal;
  if (info.fMask & RBBIM_LPARAM) info.lParam = b.lParam;
}

LRESULT CALLBACK RebarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto withRebar = [&](auto&& f) -> LRESULT {
    std::lock_guard g(R().lock);
    auto it = R().windows.find(hwnd);
    return it == R().windows.end() ? 0 : f(it->second);
  };
  auto validIndex = [](Rebar& r, WPARAM i) { return i < r.bands.size(); };
  switch (msg) {
    case WM_CREATE: {
      std::lock_guard g(R().lock);
      R().windows[hwnd] = Rebar{};
      return 0;
    }
    case WM_NCDESTROY: {
      std::lock_guard g(R().lock);
      R().windows.erase(hwnd);
      return 0;
    }
    case WM_SIZE: Layout(hwnd); return 0;
    case RB_INSERTBANDA: {
      auto* info = reinterpret_cast<const REBARBANDINFOA*>(lParam);
      if (!info) return FALSE;
      HWND child = nullptr;
      LRESULT ok = withRebar([&](Rebar& r) -> LRESULT {
        Band b;
        Apply(b, *info);
        b.cx = std::max(b.cx, UINT(MinWidth(b)));
        size_t at = int(wParam) < 0 || wParam > r.bands.size() ? r.bands.size() : wParam;
        if (r.priority >= int(at)) r.priority++;
        r.bands.insert(r.bands.begin() + at, b);
        child = b.child;
        return TRUE;
      });
      if (!ok) return FALSE;
      if (child && GetParent(child) != hwnd) SetParent(child, hwnd);
      Layout(hwnd);
      return TRUE;
    }
    case RB_SETBANDINFOA: {
      auto* info = reinterpret_cast<const REBARBANDINFOA*>(lParam);
      HWND child = nullptr;
      if (!info || !withRebar([&](Rebar& r) -> LRESULT {
            if (!validIndex(r, wParam)) return FALSE;
            Apply(r.bands[wParam], *info);
            child = r.bands[wParam].child;
            return TRUE;
          }))
        return FALSE;
      if (child && GetParent(child) != hwnd) SetParent(child, hwnd);
      Layout(hwnd);
      return TRUE;
    }
    case RB_GETBANDINFOA: {
      auto* info = reinterpret_cast<REBARBANDINFOA*>(lParam);
      return info && withRebar([&](Rebar& r) -> LRESULT {
               if (!validIndex(r, wParam)) return FALSE;
               Fill(r.bands[wParam], *info);
               return TRUE;
             });
    }
    case RB_DELETEBAND: {
      if (!withRebar([&](Rebar& r) -> LRESULT {
            if (!validIndex(r, wParam)) return FALSE;
            r.bands.erase(r.bands.begin() + wParam);
            if (r.priority == int(wParam))
              r.priority = -1;
            else if (r.priority > int(wParam))
              r.priority--;
            return TRUE;
          }))
        return FALSE;
      Layout(hwnd);
      return TRUE;
    }
    case RB_GETRECT: {
      auto* rect = reinterpret_cast<RECT*>(lParam);
      return rect && withRebar([&](Rebar& r) -> LRESULT {
               if (!validIndex(r, wParam)) return FALSE;
               *rect = r.bands[wParam].rect;
               return TRUE;
             });
    }
    case RB_GETBANDCOUNT: return withRebar([](Rebar& r) -> LRESULT { return LRESULT(r.bands.size()); });
    case RB_GETROWCOUNT:
      return withRebar([](Rebar& r) -> LRESULT {
        LRESULT rows = 0;
        bool first = true;
        for (const Band& b : r.bands) {
          if (Hidden(b)) continue;
          if (first || (b.style & RBBS_BREAK)) rows++;
          first = false;
        }
        return rows;
      });
    case RB_GETBARHEIGHT: {
      RECT c;
      GetClientRect(hwnd, &c);
      return c.bottom;
    }
    case RB_IDTOINDEX:
      return withRebar([&](Rebar& r) -> LRESULT {
        for (size_t i = 0; i < r.bands.size(); ++i)
          if (r.bands[i].wID == UINT(wParam)) return LRESULT(i);
        return -1;
      });
    case RB_SIZETORECT: {
      auto* rect = reinterpret_cast<const RECT*>(lParam);
      if (!rect) return FALSE;
      int width = rect->right - rect->left, height = rect->bottom - rect->top;
      withRebar([&](Rebar& r) -> LRESULT {
        r.forcedHeight = height;
        return TRUE;
      });
      RECT before;
      GetWindowRect(hwnd, &before);
      SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      Layout(hwnd);
      RECT after;
      GetWindowRect(hwnd, &after);
      return before.right - before.left != after.right - after.left ||
             before.bottom - before.top != after.bottom - after.top;
    }
    case RB_MAXIMIZEBAND:
    case RB_MINIMIZEBAND: {
      RECT c;
      GetClientRect(hwnd, &c);
      if (!withRebar([&](Rebar& r) -> LRESULT {
            if (!validIndex(r, wParam)) return FALSE;
            Band& b = r.bands[wParam];
            if (msg == RB_MINIMIZEBAND) {
              b.cx = UINT(MinWidth(b));
              if (r.priority == int(wParam)) r.priority = -1;
            } else {
              b.cx = lParam ? UINT(HeaderWidth(b)) + b.cxIdeal : UINT(c.right);
              r.priority = int(wParam);
            }
            return TRUE;
          }))
        return 0;
      Layout(hwnd);
      return 0;
    }
    case RB_SHOWBAND: {
      HWND child = nullptr;
      if (!withRebar([&](Rebar& r) -> LRESULT {
            if (!validIndex(r, wParam)) return FALSE;
            Band& b = r.bands[wParam];
            b.style = lParam ? b.style & ~RBBS_HIDDEN : b.style | RBBS_HIDDEN;
            child = b.child;
            return TRUE;
          }))
        return FALSE;
      if (child) ShowWindow(child, lParam ? SW_SHOWNA : SW_HIDE);
      Layout(hwnd);
      return TRUE;
    }
    case RB_PUSHCHEVRON: {
      NMREBARCHEVRON nm{};
      if (!withRebar([&](Rebar& r) -> LRESULT {
            if (!validIndex(r, wParam) || Hidden(r.bands[wParam])) return FALSE;
            const Band& b = r.bands[wParam];
            nm.uBand = UINT(wParam);
            nm.wID = b.wID;
            nm.lParam = b.lParam;
            nm.rc =
                RECT{std::max(b.rect.left, b.rect.right - kRebarChevronWidth), b.rect.top, b.rect.right, b.rect.bottom};
            return TRUE;
          }))
        return 0;
      nm.hdr.code = RBN_CHEVRONPUSHED;
      nm.lParamNM = lParam;
      Notify(hwnd, &nm.hdr);
      return 0;
    }
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void InitCommonControls() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSA wc{};
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS;
    wc.lpfnWndProc = RebarProc;
    wc.lpszClassName = REBARCLASSNAMEA;
    RegisterClassA(&wc);
  });
}
