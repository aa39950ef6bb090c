// Windows and window classes: creation, destruction, hierarchy, state, geometry and the default procedure.
#include "platform/winapi/Windows.h"

#include <algorithm>
#include <cstring>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/WindowSurfaces.h"
#include "platform/winapi/user32/WindowSystem.h"

using namespace winsys;

namespace winsys {

Window* FindWindow(HWND hwnd) {
  if (!hwnd) return nullptr;
  auto it = S().windows.find(hwnd);
  return it == S().windows.end() ? nullptr : it->second.get();
}

HWND NewHandle() {
  S().nextHandle += 2;
  return reinterpret_cast<HWND>(S().nextHandle);
}

// Removes a window and its descendants without sending anything (its thread is gone). Lock held.
void RemoveWindowSilently(HWND hwnd) {
  State& s = S();
  Window* w = FindWindow(hwnd);
  if (!w) return;
  for (HWND c : std::vector<HWND>(w->children)) RemoveWindowSilently(c);
  if (Window* p = FindWindow(w->parent)) std::erase(p->children, hwnd);
  std::erase(s.topLevel, hwnd);
  for (auto& [id, q] : s.queues) {
    if (q->focus == hwnd) q->focus = nullptr;
    if (q->capture == hwnd) q->capture = nullptr;
  }
  if (s.active == hwnd) s.active = nullptr;
  ForgetWindowTimers(hwnd);
  if (w->region) RemoveGdiObject(AsGdiObject(w->region));
  s.windows.erase(hwnd);
}

void RegisterSystemClass(std::once_flag& once, const char* name, WNDPROC proc) {
  std::call_once(once, [&] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
  });
}

}  // namespace winsys

namespace {

std::string Upper(LPCSTR name) { return cp1250::Upper(name ? name : ""); }

// The non-client frame of a style: left, top, right and bottom insets of the client area.
RECT FrameInsets(DWORD style) {
  RECT r{0, 0, 0, 0};
  LONG edge = 0;
  if (style & (WS_DLGFRAME | WS_THICKFRAME))
    edge = 4;
  else if (style & WS_BORDER)
    edge = 1;
  r = RECT{edge, edge, edge, edge};
  if ((style & WS_CAPTION) == WS_CAPTION) r.top += 19;
  return r;
}

// Screen position of a window's top-left corner and of its client area. Lock held.
POINT ScreenOrigin(Window* w) {
  POINT p{w->rect.left, w->rect.top};
  if (Window* parent = FindWindow(w->parent)) {
    POINT base = ScreenOrigin(parent);
    RECT in = FrameInsets(parent->style);
    p.x += base.x + in.left;
    p.y += base.y + in.top;
  }
  return p;
}

POINT ClientOrigin(Window* w) {
  POINT p = ScreenOrigin(w);
  RECT in = FrameInsets(w->style);
  return POINT{p.x + in.left, p.y + in.top};
}

bool OwnThread(Window* w) { return w && w->threadId == GetCurrentThreadId(); }

Window* Lookup(Guard&, HWND hwnd) {
  Window* w = FindWindow(hwnd);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

HWND Root(HWND hwnd) {
  Window* w = FindWindow(hwnd);
  while (w && w->parent) w = FindWindow(w->parent);
  return w ? w->handle : nullptr;
}

std::vector<HWND>& Siblings(Window* w) {
  if (Window* p = FindWindow(w->parent)) return p->children;
  return S().topLevel;
}

void CreateDesktopLocked() {
  State& s = S();
  if (s.desktop) return;
  auto w = std::make_unique<Window>();
  w->handle = NewHandle();
  w->className = "#32769";
  w->style = WS_VISIBLE | WS_CLIPCHILDREN;
  w->rect = RECT{0, 0, s.screenWidth, s.screenHeight};
  s.desktop = w->handle;
  s.windows[w->handle] = std::move(w);
}

// The class of that name for the instance: its own, else one without instance or global. Lock held.
WindowClass* FindClass(LPCSTR name, HINSTANCE instance, bool exact) {
  WindowClass* fallback = nullptr;
  auto [from, to] = S().classes.equal_range(Upper(name));
  for (auto it = from; it != to; ++it) {
    if (it->second->instance == instance) return it->second.get();
    if (!exact && (!it->second->instance || (it->second->style & CS_GLOBALCLASS))) fallback = it->second.get();
  }
  return fallback;
}

}  // namespace

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName || !*wc->lpszClassName || !wc->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  State& s = S();
  Guard g(s.lock);
  std::string key = Upper(wc->lpszClassName);
  if (FindClass(wc->lpszClassName, wc->hInstance, true)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto cls = std::make_unique<WindowClass>();
  cls->name = wc->lpszClassName;
  cls->style = wc->style;
  cls->proc = wc->lpfnWndProc;
  cls->wndExtra = std::max(0, wc->cbWndExtra);
  cls->instance = wc->hInstance;
  cls->background = wc->hbrBackground;
  static ATOM nextAtom = 0xC000;
  cls->atom = nextAtom++;
  ATOM atom = cls->atom;
  s.classes.emplace(key, std::move(cls));
  return atom;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance) {
  State& s = S();
  Guard g(s.lock);
  WindowClass* cls = FindClass(className, instance, true);
  if (!cls) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  for (auto& [h, w] : s.windows)
    if (w->cls == cls) {
      SetLastError(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
  std::erase_if(s.classes, [&](const auto& entry) { return entry.second.get() == cls; });
  return TRUE;
}

void winsys::UnregisterModuleClasses(HINSTANCE instance) {
  if (!instance) return;
  State& s = S();
  Guard g(s.lock);
  std::erase_if(s.classes, [&](const auto& entry) {
    if (entry.second->instance != instance) return false;
    for (auto& [h, w] : s.windows)
      if (w->cls == entry.second.get()) return false;
    return true;
  });
}

void vandrel::UnregisterModuleClasses(HINSTANCE instance) { winsys::UnregisterModuleClasses(instance); }

BOOL GetClassInfoA(HINSTANCE instance, LPCSTR className, WNDCLASSA* wc) {
  State& s = S();
  Guard g(s.lock);
  WindowClass* cls = FindClass(className, instance, false);
  if (!cls) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (wc) {
    *wc = WNDCLASSA{};
    wc->style = cls->style;
    wc->lpfnWndProc = cls->proc;
    wc->cbWndExtra = cls->wndExtra;
    wc->hInstance = cls->instance;
    wc->hbrBackground = cls->background;
    wc->lpszClassName = cls->name.c_str();
  }
  return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  State& s = S();
  HWND hwnd;
  DWORD visible = style & WS_VISIBLE;
  {
    Guard g(s.lock);
    JoinVirtualTime(g, CurrentQueue(g));
    CreateDesktopLocked();
    WindowClass* cls = FindClass(className, instance, false);
    if (!cls) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    if (parent == HWND_MESSAGE) parent = nullptr;
    if ((style & WS_CHILD) && !FindWindow(parent)) {
      SetLastError(ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    if (parent && !FindWindow(parent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    auto w = std::make_unique<Window>();
    w->handle = hwnd = NewHandle();
    w->cls = cls;
    w->className = cls->name;
    w->threadId = GetCurrentThreadId();
    w->proc = cls->proc;
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    w->instance = instance;
    w->extra.assign(size_t(w->cls->wndExtra), 0);
    if (x == CW_USEDEFAULT) x = 0, y = 0;
    if (width == CW_USEDEFAULT) width = s.screenWidth / 2, height = s.screenHeight / 2;
    w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    if (style & WS_CHILD) {
      w->parent = parent;
      w->id = reinterpret_cast<LONG_PTR>(menu);
      FindWindow(parent)->children.insert(FindWindow(parent)->children.begin(), hwnd);
    } else {
      w->owner = parent ? Root(parent) : nullptr;
      s.topLevel.insert(s.topLevel.begin(), hwnd);
    }
    s.windows[hwnd] = std::move(w);
  }
  if (!(style & WS_CHILD)) StartSessionTransport();
  CREATESTRUCTA cs{param, instance, menu, parent, height, width, y, x, LONG(style), windowName, className, exStyle};
  if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
      SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (!IsWindow(hwnd)) return nullptr;
  RECT r;
  GetClientRect(hwnd, &r);
  SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(WORD(r.right), WORD(r.bottom)));
  SendMessageA(hwnd, WM_MOVE, 0, 0);
  if ((style & WS_CHILD) && !(exStyle & WS_EX_NOPARENTNOTIFY))
    SendMessageA(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, WORD(reinterpret_cast<UINT_PTR>(menu))),
                 reinterpret_cast<LPARAM>(hwnd));
  if (visible) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  State& s = S();
  std::vector<HWND> subtree, owned;
  HWND parent = nullptr;
  bool notifyParent = false;
  {
    Guard g(s.lock);
    Window* w = Lookup(g, hwnd);
    if (!w || hwnd == s.desktop) return FALSE;
    if (!OwnThread(w)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (w->destroying) return TRUE;
    w->destroying = true;
    for (auto& [h, other] : s.windows)
      if (other->owner == hwnd) owned.push_back(h);
    parent = w->parent;
    notifyParent = parent && !(w->exStyle & WS_EX_NOPARENTNOTIFY);
  }
  for (HWND h : owned) DestroyWindow(h);
  if (notifyParent)
    SendMessageA(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, WORD(GetWindowLongPtrA(hwnd, GWLP_ID))),
                 reinterpret_cast<LPARAM>(hwnd));
  {
    Guard g(s.lock);
    Window* w = FindWindow(hwnd);
    if (!w) return TRUE;
    w->style &= ~WS_VISIBLE;
    std::vector<HWND> stack{hwnd};
    while (!stack.empty()) {
      HWND h = stack.back();
      stack.pop_back();
      Window* c = FindWindow(h);
      if (!c) continue;
      c->destroying = true;
      subtree.push_back(h);
      for (auto it = c->children.rbegin(); it != c->children.rend(); ++it) stack.push_back(*it);
    }
    if (s.active == hwnd) s.active = nullptr;
    for (auto& [id, q] : s.queues)
      for (HWND h : subtree) {
        if (q->focus == h) q->focus = nullptr;
        if (q->capture == h) q->capture = nullptr;
      }
  }
  for (HWND h : subtree)
    if (IsWindow(h)) SendMessageA(h, WM_DESTROY, 0, 0);
  for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) {
    if (IsWindow(*it)) SendMessageA(*it, WM_NCDESTROY, 0, 0);
    Guard g(s.lock);
    RemoveWindowSilently(*it);
  }
  ReleaseWindowSurface(hwnd);
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  Guard g(S().lock);
  return FindWindow(hwnd) ? TRUE : FALSE;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

namespace {

LRESULT DefaultMouseActivate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  HWND parent;
  {
    Guard g(S().lock);
    Window* w = FindWindow(hwnd);
    parent = w && (w->style & WS_CHILD) ? w->parent : nullptr;
  }
  if (parent) {
    LRESULT r = SendMessageA(parent, WM_MOUSEACTIVATE, wParam, lParam);
    if (r) return r;
  }
  return MA_ACTIVATE;
}

}  // namespace

LRESULT CALLBACK DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
      Guard g(S().lock);
      if (Window* w = FindWindow(hwnd); w && cs && cs->lpszName) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_SETTEXT: {
      Guard g(S().lock);
      Window* w = FindWindow(hwnd);
      if (!w) return FALSE;
      w->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      return TRUE;
    }
    case WM_GETTEXT: {
      Guard g(S().lock);
      Window* w = FindWindow(hwnd);
      if (!w || !wParam || !lParam) return 0;
      size_t n = std::min(w->text.size(), size_t(wParam) - 1);
      std::memcpy(reinterpret_cast<char*>(lParam), w->text.data(), n);
      reinterpret_cast<char*>(lParam)[n] = 0;
      return LRESULT(n);
    }
    case WM_GETTEXTLENGTH: {
      Guard g(S().lock);
      Window* w = FindWindow(hwnd);
      return w ? LRESULT(w->text.size()) : 0;
    }
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      Guard g(S().lock);
      Window* w = FindWindow(hwnd);
      return w && w->cls && w->cls->background ? 1 : 0;
    }
    case WM_SETREDRAW: {
      Guard g(S().lock);
      if (Window* w = FindWindow(hwnd)) w->redrawOff = !wParam;
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!wp) return 0;
      if (!(wp->flags & SWP_NOSIZE)) {
        RECT r;
        GetClientRect(hwnd, &r);
        WPARAM kind = IsIconic(hwnd) ? SIZE_MINIMIZED : IsZoomed(hwnd) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        SendMessageA(hwnd, WM_SIZE, kind, MAKELPARAM(WORD(r.right), WORD(r.bottom)));
      }
      if (!(wp->flags & SWP_NOMOVE)) SendMessageA(hwnd, WM_MOVE, 0, 0);
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !IsIconic(hwnd)) {
        HWND focus = GetFocus();
        if (focus != hwnd && !IsChild(hwnd, focus)) SetFocus(hwnd);
      }
      return 0;
    case WM_MOUSEACTIVATE: return DefaultMouseActivate(hwnd, wParam, lParam);
    case WM_NCACTIVATE:
    case WM_QUERYENDSESSION: return TRUE;
    case WM_NCHITTEST: {
      RECT r;
      GetWindowRect(hwnd, &r);
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      return x >= r.left && x < r.right && y >= r.top && y < r.bottom ? HTCLIENT : HTNOWHERE;
    }
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_CONTEXTMENU:
    case WM_HELP: {
      HWND parent;
      {
        Guard g(S().lock);
        Window* w = FindWindow(hwnd);
        parent = w && (w->style & WS_CHILD) ? w->parent : nullptr;
      }
      if (parent) SendMessageA(parent, msg, wParam, lParam);
      return 0;
    }
    default: return 0;
  }
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWLP_ID: return w->id;
    case GWL_STYLE: return LONG_PTR(LONG(w->style));
    case GWL_EXSTYLE: return LONG_PTR(LONG(w->exStyle));
    case GWLP_USERDATA: return w->userData;
    default:
      if (index >= 0 && size_t(index) + sizeof(LONG_PTR) <= w->extra.size()) {
        LONG_PTR v;
        std::memcpy(&v, w->extra.data() + index, sizeof v);
        return v;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w) return 0;
  LONG_PTR old = 0;
  switch (index) {
    case GWLP_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      old = reinterpret_cast<LONG_PTR>(w->instance);
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_ID:
      old = w->id;
      w->id = value;
      return old;
    case GWL_STYLE:
      old = LONG_PTR(LONG(w->style));
      w->style = DWORD(value);
      return old;
    case GWL_EXSTYLE:
      old = LONG_PTR(LONG(w->exStyle));
      w->exStyle = DWORD(value);
      return old;
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
    case GWLP_HWNDPARENT:
      old = reinterpret_cast<LONG_PTR>(w->owner);
      if (!w->parent) w->owner = reinterpret_cast<HWND>(value);
      return old;
    default:
      if (index >= 0 && size_t(index) + sizeof(LONG_PTR) <= w->extra.size()) {
        std::memcpy(&old, w->extra.data() + index, sizeof old);
        std::memcpy(w->extra.data() + index, &value, sizeof value);
        return old;
      }
      SetLastError(ERROR_INVALID_INDEX);
      return 0;
  }
}

int GetClassNameA(HWND hwnd, LPSTR buffer, int size) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w || !buffer || size <= 0) return 0;
  size_t n = std::min(w->className.size(), size_t(size - 1));
  std::memcpy(buffer, w->className.data(), n);
  buffer[n] = 0;
  return int(n);
}

std::string WindowClassName(HWND hwnd) {
  Guard g(S().lock);
  Window* w = FindWindow(hwnd);
  return w ? w->className : std::string();
}

HWND GetParent(HWND hwnd) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w) return nullptr;
  if (w->style & WS_CHILD) return w->parent;
  if (w->style & WS_POPUP) return w->owner;
  return nullptr;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  State& s = S();
  Guard g(s.lock);
  Window* w = Lookup(g, hwnd);
  if (!w || (newParent && !FindWindow(newParent))) return nullptr;
  if (newParent == hwnd || (newParent && Root(newParent) == hwnd && FindWindow(newParent) != w)) {
    for (Window* c = FindWindow(newParent); c; c = FindWindow(c->parent))
      if (c == w) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
  }
  HWND old = w->parent ? w->parent : s.desktop;
  std::erase(Siblings(w), hwnd);
  if (newParent && newParent != s.desktop) {
    w->parent = newParent;
    w->owner = nullptr;
    FindWindow(newParent)->children.insert(FindWindow(newParent)->children.begin(), hwnd);
  } else {
    w->parent = nullptr;
    s.topLevel.insert(s.topLevel.begin(), hwnd);
  }
  return old;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  State& s = S();
  Guard g(s.lock);
  Window* w = Lookup(g, hwnd);
  if (!w || hwnd == s.desktop) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->parent ? w->parent : s.desktop;
    case GA_ROOT: return Root(hwnd);
    case GA_ROOTOWNER: {
      HWND r = Root(hwnd);
      while (Window* o = FindWindow(FindWindow(r)->owner)) r = Root(o->handle);
      return r;
    }
    default: return nullptr;
  }
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  State& s = S();
  Guard g(s.lock);
  Window* w = Lookup(g, hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) {
    if (hwnd == s.desktop) return s.topLevel.empty() ? nullptr : s.topLevel.front();
    return w->children.empty() ? nullptr : w->children.front();
  }
  if (cmd == GW_OWNER) return w->owner;
  if (hwnd == s.desktop) return nullptr;
  std::vector<HWND>& sib = Siblings(w);
  auto it = std::find(sib.begin(), sib.end(), hwnd);
  switch (cmd) {
    case GW_HWNDFIRST: return sib.front();
    case GW_HWNDLAST: return sib.back();
    case GW_HWNDNEXT: return it + 1 < sib.end() ? *(it + 1) : nullptr;
    case GW_HWNDPREV: return it > sib.begin() ? *(it - 1) : nullptr;
    default: return nullptr;
  }
}

BOOL IsChild(HWND parent, HWND hwnd) {
  Guard g(S().lock);
  Window* w = FindWindow(hwnd);
  if (!w || !parent) return FALSE;
  for (Window* c = FindWindow(w->parent); c; c = FindWindow(c->parent))
    if (c->handle == parent) return TRUE;
  return FALSE;
}

HWND GetDesktopWindow() {
  Guard g(S().lock);
  CreateDesktopLocked();
  return S().desktop;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
  std::vector<HWND> list;
  {
    Guard g(S().lock);
    list = S().topLevel;
  }
  for (HWND h : list)
    if (IsWindow(h) && !proc(h, lParam)) return FALSE;
  return TRUE;
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
  std::vector<HWND> list;
  {
    Guard g(S().lock);
    std::vector<HWND> stack;
    if (!parent || parent == S().desktop) {
      stack.assign(S().topLevel.rbegin(), S().topLevel.rend());
    } else if (Window* w = FindWindow(parent)) {
      stack.assign(w->children.rbegin(), w->children.rend());
    }
    while (!stack.empty()) {
      HWND h = stack.back();
      stack.pop_back();
      Window* c = FindWindow(h);
      if (!c) continue;
      list.push_back(h);
      for (auto it = c->children.rbegin(); it != c->children.rend(); ++it) stack.push_back(*it);
    }
  }
  for (HWND h : list)
    if (IsWindow(h) && !proc(h, lParam)) return FALSE;
  return TRUE;
}

BOOL EnumThreadWindows(DWORD threadId, WNDENUMPROC proc, LPARAM lParam) {
  std::vector<HWND> list;
  {
    Guard g(S().lock);
    for (HWND h : S().topLevel)
      if (FindWindow(h)->threadId == threadId) list.push_back(h);
  }
  for (HWND h : list)
    if (IsWindow(h) && !proc(h, lParam)) return FALSE;
  return TRUE;
}

HWND FindWindowExA(HWND parent, HWND childAfter, LPCSTR className, LPCSTR windowName) {
  State& s = S();
  Guard g(s.lock);
  std::vector<HWND>* list = &s.topLevel;
  if (parent && parent != s.desktop) {
    Window* p = Lookup(g, parent);
    if (!p) return nullptr;
    list = &p->children;
  }
  bool started = childAfter == nullptr;
  std::string cls = Upper(className);
  for (HWND h : *list) {
    if (!started) {
      started = h == childAfter;
      continue;
    }
    Window* w = FindWindow(h);
    if (className && Upper(w->className.c_str()) != cls) continue;
    if (windowName && w->text != windowName) continue;
    return h;
  }
  return nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) { return FindWindowExA(nullptr, nullptr, className, windowName); }

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w) return 0;
  if (processId) *processId = GetCurrentProcessId();
  return w->threadId;
}

namespace {

// Moves the activation to `hwnd` (a top-level window or none).
HWND Activate(HWND hwnd, WORD how) {
  State& s = S();
  HWND old;
  DWORD oldThread = 0, newThread = 0;
  {
    Guard g(s.lock);
    old = s.active;
    if (old == hwnd) return old;
    s.active = hwnd;
    if (Window* o = FindWindow(old)) oldThread = o->threadId;
    if (Window* n = FindWindow(hwnd)) newThread = n->threadId;
    if (oldThread && oldThread != newThread)
      if (Queue* q = FindQueue(oldThread)) q->focus = nullptr;
  }
  if (old && IsWindow(old)) {
    SendNotifyMessageA(old, WM_NCACTIVATE, FALSE, 0);
    SendNotifyMessageA(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(hwnd));
  }
  if (hwnd) {
    SendNotifyMessageA(hwnd, WM_NCACTIVATE, TRUE, 0);
    SendNotifyMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(how, 0), reinterpret_cast<LPARAM>(old));
  }
  return old;
}

bool ApplyPos(WINDOWPOS& wp, bool* changed) {
  State& s = S();
  Guard g(s.lock);
  Window* w = FindWindow(wp.hwnd);
  if (!w) return false;
  RECT r = w->rect;
  if (!(wp.flags & SWP_NOMOVE)) {
    LONG width = r.right - r.left, height = r.bottom - r.top;
    r.left = wp.x, r.top = wp.y, r.right = wp.x + width, r.bottom = wp.y + height;
  }
  if (!(wp.flags & SWP_NOSIZE)) {
    r.right = r.left + std::max(0, wp.cx);
    r.bottom = r.top + std::max(0, wp.cy);
  }
  if (r.left == w->rect.left && r.top == w->rect.top) wp.flags |= SWP_NOMOVE;
  if (r.right - r.left == w->rect.right - w->rect.left && r.bottom - r.top == w->rect.bottom - w->rect.top)
    wp.flags |= SWP_NOSIZE;
  *changed = !(wp.flags & SWP_NOMOVE) || !(wp.flags & SWP_NOSIZE);
  w->rect = r;
  if (!(wp.flags & SWP_NOZORDER)) {
    std::vector<HWND>& sib = Siblings(w);
    std::erase(sib, wp.hwnd);
    if (wp.hwndInsertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (wp.hwndInsertAfter == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
    auto pos = sib.begin();
    if (wp.hwndInsertAfter == HWND_BOTTOM) {
      pos = sib.end();
    } else if (FindWindow(wp.hwndInsertAfter)) {
      auto it = std::find(sib.begin(), sib.end(), wp.hwndInsertAfter);
      if (it != sib.end()) pos = it + 1;
    }
    sib.insert(pos, wp.hwnd);
    *changed = true;
  }
  if ((wp.flags & SWP_SHOWWINDOW) && !(w->style & WS_VISIBLE)) {
    w->style |= WS_VISIBLE;
    w->needsPaint = w->needsErase = true;
    *changed = true;
    Wake(FindQueue(w->threadId));
  }
  if ((wp.flags & SWP_HIDEWINDOW) && (w->style & WS_VISIBLE)) {
    w->style &= ~WS_VISIBLE;
    *changed = true;
  }
  return true;
}

// After hiding: the focus leaves the hidden windows, the activation passes to the owner.
void AfterHide(HWND hwnd) {
  HWND focus = GetFocus();
  if (focus && (focus == hwnd || IsChild(hwnd, focus))) SetFocus(nullptr);
  HWND next = nullptr;
  {
    Guard g(S().lock);
    if (S().active != hwnd) return;
    Window* w = FindWindow(hwnd);
    Window* owner = w ? FindWindow(w->owner) : nullptr;
    if (owner && (owner->style & WS_VISIBLE)) next = owner->handle;
  }
  Activate(next, WA_ACTIVE);
}

}  // namespace

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  WINDOWPOS wp{hwnd, insertAfter, x, y, cx, cy, flags};
  SendMessageA(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
  bool changed = false;
  if (!ApplyPos(wp, &changed)) return FALSE;
  if (changed) SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  if (flags & SWP_HIDEWINDOW) AfterHide(hwnd);
  if ((flags & SWP_SHOWWINDOW) && !(flags & SWP_NOACTIVATE)) {
    bool topLevel;
    {
      Guard g(S().lock);
      Window* w = FindWindow(hwnd);
      topLevel = w && !w->parent;
    }
    if (topLevel) Activate(hwnd, WA_ACTIVE);
  }
  return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  bool wasVisible;
  bool topLevel;
  DWORD exStyle;
  {
    Guard g(S().lock);
    Window* w = Lookup(g, hwnd);
    if (!w) return FALSE;
    wasVisible = w->style & WS_VISIBLE;
    topLevel = !w->parent;
    exStyle = w->exStyle;
    DWORD before = w->style;
    if (cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED) {
      w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
    } else if (cmd == SW_SHOWMAXIMIZED) {
      w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
    } else if (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL) {
      w->style &= ~(WS_MAXIMIZE | WS_MINIMIZE);
    }
    (void)before;
  }
  if (cmd == SW_HIDE) {
    if (!wasVisible) return FALSE;
    SendMessageA(hwnd, WM_SHOWWINDOW, FALSE, 0);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
  }
  bool activate =
      topLevel && cmd != SW_SHOWNOACTIVATE && cmd != SW_SHOWNA && cmd != SW_MINIMIZE && cmd != SW_SHOWMINIMIZED;
  (void)exStyle;
  if (!wasVisible) {
    SendMessageA(hwnd, WM_SHOWWINDOW, TRUE, 0);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | (activate ? 0 : SWP_NOACTIVATE));
  } else if (activate) {
    Activate(hwnd, WA_ACTIVE);
  }
  return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  Guard g(S().lock);
  Window* w = FindWindow(hwnd);
  if (!w) return FALSE;
  for (Window* c = w; c; c = FindWindow(c->parent))
    if (!(c->style & WS_VISIBLE)) return FALSE;
  return TRUE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  bool wasDisabled;
  {
    Guard g(S().lock);
    Window* w = Lookup(g, hwnd);
    if (!w) return FALSE;
    wasDisabled = w->style & WS_DISABLED;
    if (bool(enable) == !wasDisabled) return wasDisabled;
    if (enable)
      w->style &= ~WS_DISABLED;
    else
      w->style |= WS_DISABLED;
  }
  if (!enable) {
    HWND focus = GetFocus();
    if (focus && (focus == hwnd || IsChild(hwnd, focus))) SetFocus(nullptr);
  }
  SendMessageA(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) {
  Guard g(S().lock);
  Window* w = FindWindow(hwnd);
  return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  Guard g(S().lock);
  Window* w = FindWindow(hwnd);
  return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  Guard g(S().lock);
  Window* w = FindWindow(hwnd);
  return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w || !rect) return FALSE;
  POINT p = ScreenOrigin(w);
  *rect = RECT{p.x, p.y, p.x + w->rect.right - w->rect.left, p.y + w->rect.bottom - w->rect.top};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w || !rect) return FALSE;
  RECT in = FrameInsets(w->style);
  LONG width = w->rect.right - w->rect.left - in.left - in.right;
  LONG height = w->rect.bottom - w->rect.top - in.top - in.bottom;
  *rect = RECT{0, 0, std::max<LONG>(0, width), std::max<LONG>(0, height)};
  return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w || !point) return FALSE;
  POINT o = ClientOrigin(w);
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w || !point) return FALSE;
  POINT o = ClientOrigin(w);
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  Guard g(S().lock);
  POINT a{0, 0}, b{0, 0};
  if (Window* w = FindWindow(from); w && from != S().desktop) a = ClientOrigin(w);
  if (Window* w = FindWindow(to); w && to != S().desktop) b = ClientOrigin(w);
  LONG dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; i < count; ++i) points[i].x += dx, points[i].y += dy;
  return int(MAKELONG(WORD(dx), WORD(dy)));
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL, DWORD) {
  if (!rect) return FALSE;
  RECT in = FrameInsets(style);
  rect->left -= in.left;
  rect->top -= in.top;
  rect->right += in.right;
  rect->bottom += in.bottom;
  return TRUE;
}

namespace {

HWND HitChild(Window* w, POINT screen, bool deep) {
  for (HWND h : w->children) {
    Window* c = FindWindow(h);
    if (!(c->style & WS_VISIBLE)) continue;
    POINT o = ScreenOrigin(c);
    if (screen.x >= o.x && screen.x < o.x + c->rect.right - c->rect.left && screen.y >= o.y &&
        screen.y < o.y + c->rect.bottom - c->rect.top) {
      if (!deep) return h;
      HWND inner = HitChild(c, screen, true);
      return inner ? inner : h;
    }
  }
  return nullptr;
}

}  // namespace

HWND WindowFromPoint(POINT point) {
  Guard g(S().lock);
  for (HWND h : S().topLevel) {
    Window* w = FindWindow(h);
    if (!(w->style & WS_VISIBLE)) continue;
    POINT o = ScreenOrigin(w);
    if (point.x >= o.x && point.x < o.x + w->rect.right - w->rect.left && point.y >= o.y &&
        point.y < o.y + w->rect.bottom - w->rect.top) {
      HWND inner = HitChild(w, point, true);
      return inner ? inner : h;
    }
  }
  return S().desktop;
}

HWND ChildWindowFromPoint(HWND parent, POINT point) {
  Guard g(S().lock);
  Window* w = FindWindow(parent);
  if (!w) return nullptr;
  POINT o = ClientOrigin(w);
  POINT screen{point.x + o.x, point.y + o.y};
  HWND hit = HitChild(w, screen, false);
  return hit ? hit : parent;
}

BOOL BringWindowToTop(HWND hwnd) { return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

HWND SetFocus(HWND hwnd) {
  State& s = S();
  HWND old;
  HWND root = nullptr;
  {
    Guard g(s.lock);
    Queue* q = CurrentQueue(g);
    old = q->focus;
    if (hwnd) {
      Window* w = Lookup(g, hwnd);
      if (!w) return nullptr;
      if (!OwnThread(w)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
      }
      if (hwnd == old) return old;
      root = Root(hwnd);
      if (s.active == root) root = nullptr;
    }
  }
  if (root) {
    Activate(root, WA_ACTIVE);
    Guard g(s.lock);
    Queue* q = CurrentQueue(g);
    old = q->focus;
    if (old == hwnd) return old;
  }
  if (old && IsWindow(old)) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  {
    Guard g(s.lock);
    Queue* q = CurrentQueue(g);
    if (hwnd && !FindWindow(hwnd)) return old;
    q->focus = hwnd;
  }
  if (hwnd) SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() {
  Guard g(S().lock);
  return CurrentQueue(g)->focus;
}

HWND SetActiveWindow(HWND hwnd) {
  HWND root;
  {
    Guard g(S().lock);
    if (hwnd && !Lookup(g, hwnd)) return nullptr;
    root = hwnd ? Root(hwnd) : nullptr;
  }
  return Activate(root, WA_ACTIVE);
}

HWND GetActiveWindow() {
  Guard g(S().lock);
  Window* w = FindWindow(S().active);
  return w && OwnThread(w) ? w->handle : nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) return FALSE;
  SetActiveWindow(hwnd);
  return TRUE;
}

HWND GetForegroundWindow() {
  Guard g(S().lock);
  return S().active;
}

HWND SetCapture(HWND hwnd) {
  HWND old;
  {
    Guard g(S().lock);
    Queue* q = CurrentQueue(g);
    old = q->capture;
    q->capture = FindWindow(hwnd) ? hwnd : nullptr;
  }
  if (old && old != hwnd) SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
  return old;
}

BOOL ReleaseCapture() {
  HWND old;
  {
    Guard g(S().lock);
    Queue* q = CurrentQueue(g);
    old = q->capture;
    q->capture = nullptr;
  }
  if (old) SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  Guard g(S().lock);
  return CurrentQueue(g)->capture;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  return int(SendMessageA(hwnd, WM_GETTEXT, WPARAM(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthA(HWND hwnd) { return int(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0)); }

std::string WindowText(HWND hwnd) {
  int n = GetWindowTextLengthA(hwnd);
  std::string text(size_t(n) + 1, '\0');
  int got = GetWindowTextA(hwnd, text.data(), n + 1);
  text.resize(size_t(std::max(0, got)));
  return text;
}

BOOL SetPropA(HWND hwnd, LPCSTR name, HANDLE data) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w || !name) return FALSE;
  w->props[Upper(name)] = data;
  return TRUE;
}

HANDLE GetPropA(HWND hwnd, LPCSTR name) {
  Guard g(S().lock);
  Window* w = FindWindow(hwnd);
  if (!w || !name) return nullptr;
  auto it = w->props.find(Upper(name));
  return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemovePropA(HWND hwnd, LPCSTR name) {
  Guard g(S().lock);
  Window* w = FindWindow(hwnd);
  if (!w || !name) return nullptr;
  auto it = w->props.find(Upper(name));
  if (it == w->props.end()) return nullptr;
  HANDLE h = it->second;
  w->props.erase(it);
  return h;
}

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL erase) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w) return FALSE;
  w->needsPaint = true;
  if (erase) w->needsErase = true;
  Wake(FindQueue(w->threadId));
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) {
  Guard g(S().lock);
  Window* w = Lookup(g, hwnd);
  if (!w) return FALSE;
  w->needsPaint = w->needsErase = false;
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
  bool paint;
  {
    Guard g(S().lock);
    Window* w = Lookup(g, hwnd);
    if (!w) return FALSE;
    paint = w->needsPaint;
  }
  if (paint && IsWindowVisible(hwnd)) SendMessageA(hwnd, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
  bool paint;
  {
    Guard g(S().lock);
    Window* w = Lookup(g, hwnd);
    if (!w) return FALSE;
    paint = w->needsPaint;
  }
  if (rect) {
    if (paint)
      GetClientRect(hwnd, rect);
    else
      *rect = RECT{0, 0, 0, 0};
  }
  return paint ? TRUE : FALSE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN, UINT flags) {
  if (!IsWindow(hwnd)) return FALSE;
  std::vector<HWND> targets{hwnd};
  if (flags & RDW_ALLCHILDREN) {
    EnumChildWindows(
        hwnd,
        [](HWND h, LPARAM p) -> BOOL {
          reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&targets));
  }
  for (HWND h : targets) {
    if (flags & RDW_INVALIDATE) InvalidateRect(h, rect, (flags & RDW_ERASE) ? TRUE : FALSE);
    if (flags & RDW_VALIDATE) ValidateRect(h, rect);
  }
  if (flags & RDW_UPDATENOW)
    for (HWND h : targets) UpdateWindow(h);
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  auto dc = std::make_unique<DeviceContext>();
  dc->window = hwnd;
  return reinterpret_cast<HDC>(AddGdiObject(std::move(dc)));
}

HDC GetWindowDC(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  if (auto* context = FindGdi<DeviceContext>(dc)) context->wholeWindow = true;
  return dc;
}

int ReleaseDC(HWND, HDC dc) {
  auto* context = FindGdi<DeviceContext>(dc);
  if (!context || context->memory) return 0;
  return RemoveGdiObject(AsGdiObject(dc)) ? 1 : 0;
}

HWND WindowFromDC(HDC dc) {
  auto* context = FindGdi<DeviceContext>(dc);
  return context ? context->window : nullptr;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  bool erase;
  {
    Guard g(S().lock);
    Window* w = Lookup(g, hwnd);
    if (!w) return nullptr;
    erase = w->needsErase;
    w->needsPaint = w->needsErase = false;
  }
  HDC dc = GetDC(hwnd);
  BOOL erased = erase ? BOOL(SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0) : TRUE;
  if (ps) {
    *ps = PAINTSTRUCT{};
    ps->hdc = dc;
    ps->fErase = !erased;
    GetClientRect(hwnd, &ps->rcPaint);
  }
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
  if (ps) ReleaseDC(hwnd, ps->hdc);
  return TRUE;
}

bool IsRedrawSuspended(HWND hwnd) {
  Guard g(S().lock);
  Window* w = FindWindow(hwnd);
  return w && w->redrawOff;
}

int GetSystemMetrics(int index) {
  Guard g(S().lock);
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN: return S().screenWidth;
    case SM_CYSCREEN: return S().screenHeight;
    case SM_CYFULLSCREEN: return S().screenHeight - 19;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 4;
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CYMENU: return 19;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: return 0;
  }
}

void SetScreenSize(int width, int height) {
  State& s = S();
  Guard g(s.lock);
  s.screenWidth = width;
  s.screenHeight = height;
  if (Window* d = FindWindow(s.desktop)) d->rect = RECT{0, 0, width, height};
}

BOOL SystemParametersInfoA(UINT action, UINT, LPVOID value, UINT) {
  Guard g(S().lock);
  switch (action) {
    case SPI_GETWORKAREA:
      if (!value) return FALSE;
      *static_cast<RECT*>(value) = RECT{0, 0, S().screenWidth, S().screenHeight};
      return TRUE;
    case SPI_GETSCREENSAVERRUNNING:
      if (S().screenSaverQueryFails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
      }
      if (!value) return FALSE;
      *static_cast<BOOL*>(value) = S().screenSaver ? TRUE : FALSE;
      return TRUE;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
  }
}

void SetScreenSaverRunning(bool running) {
  Guard g(S().lock);
  S().screenSaver = running;
}

void SetScreenSaverQueryFails(bool fails) {
  Guard g(S().lock);
  S().screenSaverQueryFails = fails;
}
