#include "hosts/shellhost/ShellHost.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>

#include "platform/browser/Document.h"
#include "platform/com/ClassTable.h"
#include "platform/com/OleError.h"
#include "platform/components/automation/TestDriver.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Collation.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/FileSystem.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/CommonControls.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Hooks.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/MenuLoop.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/Timers.h"
#include "platform/winapi/WinInet.h"

namespace {

constexpr const char* kStreamsKey = "Software\\Vandrel\\ShellHost\\BandStreams";
constexpr const char* kHostBandClass = "ShellHostBand";
constexpr int kRebarId = 0xA005;

TShellHost* g_host = nullptr;

std::string Hex(HRESULT hr) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08X", unsigned(hr));
  return buffer;
}

// "S_OK", "S_FALSE", or the code with its text.
std::string Result(HRESULT hr) {
  if (hr == S_OK) return "S_OK";
  if (hr == S_FALSE) return "S_FALSE";
  std::string text = ComErrorMessage(hr);
  return Hex(hr) + (text.empty() ? "" : " (" + text + ")");
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

std::string Size(const POINTL& p) { return std::to_string(p.x) + "x" + std::to_string(p.y); }

// A window's rectangle in another window's client coordinates.
RECT RectIn(HWND window, HWND parent) {
  RECT r;
  GetWindowRect(window, &r);
  POINT a{r.left, r.top}, b{r.right, r.bottom};
  ScreenToClient(parent, &a);
  ScreenToClient(parent, &b);
  return RECT{a.x, a.y, b.x, b.y};
}

std::vector<HWND> ThreadWindows() {
  std::vector<HWND> all;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND h, LPARAM l) -> BOOL {
        auto* list = reinterpret_cast<std::vector<HWND>*>(l);
        list->push_back(h);
        EnumChildWindows(
            h,
            [](HWND c, LPARAM l2) -> BOOL {
              reinterpret_cast<std::vector<HWND>*>(l2)->push_back(c);
              return TRUE;
            },
            l);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

void RegisterHostClass(const char* name, WNDPROC proc) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.lpszClassName = name;
  RegisterClassA(&wc);
}

}  // namespace

LRESULT CALLBACK TShellHost::HostWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NOTIFY && lParam && g_host) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == RBN_CHEVRONPUSHED) {
      auto* chevron = reinterpret_cast<NMREBARCHEVRON*>(lParam);
      g_host->AddLine("host: its own chevron menu for band " + std::to_string(chevron->wID));
    } else if (header->code == RBN_LAYOUTCHANGED) {
      g_host->AddLine("host: the rebar's layout changed");
    } else if (header->code == RBN_HEIGHTCHANGE) {
      RECT r;
      GetClientRect(header->hwndFrom, &r);
      g_host->AddLine("host: the rebar is " + std::to_string(r.bottom) + " high");
    }
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Only "localhost" and numeric addresses: no name lookup leaves the machine.
static DWORD LoopbackOnly(const std::string& host, std::vector<std::string>& addresses) {
  if (!SameText(host, "localhost")) return ERROR_INTERNET_NAME_NOT_RESOLVED;
  addresses.push_back("127.0.0.1");
  return ERROR_SUCCESS;
}

TShellHost::TShellHost(TMode mode, std::ostream& out) : mode_(mode), out_(out) {
  g_host = this;
  previousResolver_ = vandrel::SetNameResolver(LoopbackOnly);
  ownResolver_ = !previousResolver_;
  if (!ownResolver_) vandrel::SetNameResolver(std::move(previousResolver_));  // a test's mapping stays
  MakeWindows();
}

TShellHost::~TShellHost() {
  if (band_) Finish();
  if (browser_) browser_->Close();
  DestroyWindows();
  if (ownResolver_) vandrel::SetNameResolver(std::move(previousResolver_));
  if (g_host == this) g_host = nullptr;
}

void TShellHost::AddLine(const std::string& line) { log_.push_back(line); }

void TShellHost::MakeWindows() {
  InitCommonControls();
  for (const char* name : {"Shell_TrayWnd", "IEFrame", "WorkerW", kHostBandClass})
    RegisterHostClass(name, HostWindowProc);
  std::string otherText;
  if (mode_ == TMode::Taskbar) {
    top_ =
        CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                        0, 738, 1024, 30, nullptr, nullptr, nullptr, nullptr);
    rebar_ = CreateWindowExA(0, REBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 60, 2, 300, 26, top_,
                             reinterpret_cast<HMENU>(intptr_t(kRebarId)), nullptr, nullptr);
    otherText = "Quick Launch";
  } else {
    top_ = CreateWindowExA(0, "IEFrame", "about:blank - Microsoft Internet Explorer", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           0, 0, 420, 300, nullptr, nullptr, nullptr, nullptr);
    RECT client;
    GetClientRect(top_, &client);
    workerW_ = CreateWindowExA(0, "WorkerW", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right, 60, top_,
                               nullptr, nullptr, nullptr);
    rebar_ = CreateWindowExA(0, REBARCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right, 26,
                             workerW_, reinterpret_cast<HMENU>(intptr_t(kRebarId)), nullptr, nullptr);
    otherText = "Links";
    browser_ = browser::TBrowser::Create(top_, [this](const std::string& line) { AddLine("browser: " + line); });
  }
  otherBand_ = CreateWindowExA(0, kHostBandClass, otherText.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, 10, 22, rebar_,
                               nullptr, nullptr, nullptr);
  REBARBANDINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = RBBIM_STYLE | RBBIM_TEXT | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID | RBBIM_IDEALSIZE;
  info.fStyle = RBBS_CHILDEDGE | RBBS_USECHEVRON;
  info.lpText = otherText.data();
  info.hwndChild = otherBand_;
  info.cxMinChild = 40;
  info.cyMinChild = 22;
  info.cx = mode_ == TMode::Taskbar ? 130 : 200;
  info.wID = kOtherBandId;
  info.cxIdeal = 300;
  SendMessageA(rebar_, RB_INSERTBANDA, WPARAM(-1), reinterpret_cast<LPARAM>(&info));
  hostProcs_[0] = GetWindowLongPtrA(top_, GWLP_WNDPROC);
  hostProcs_[1] = workerW_ ? GetWindowLongPtrA(workerW_, GWLP_WNDPROC) : 0;
  hostProcs_[2] = GetWindowLongPtrA(rebar_, GWLP_WNDPROC);
  SetForegroundWindow(top_);
  SetFocus(top_);
  Pump();
  log_.clear();
  baseline_ = ThreadWindows();
}

void TShellHost::DestroyWindows() {
  if (top_ && IsWindow(top_)) DestroyWindow(top_);
  top_ = workerW_ = rebar_ = otherBand_ = nullptr;
}

void TShellHost::Dispatch(MSG& msg) {
  if (input_ && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && input_->HasFocusIO() == S_OK) {
    HRESULT hr = input_->TranslateAcceleratorIO(&msg);
    if (hr == S_FALSE && msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
      // The band lets the focus go: the host takes it.
      input_->UIActivateIO(FALSE, nullptr);
      ::SetFocus(top_);
      AddLine("host: the focus leaves the band");
    }
    return;
  }
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

void TShellHost::Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) Dispatch(msg);
}

void TShellHost::Wait(uint32_t ms) {
  PassTime(ms, [this] {
    MSG msg;
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) return false;
    Dispatch(msg);
    return true;
  });
  Pump();
}

// ---- the band's life ----

std::string TShellHost::LibraryPath() const {
  HKEY key = nullptr;
  std::string path = "CLSID\\" + GUIDToString(clsid_) + "\\InprocServer32";
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  char buffer[MAX_PATH]{};
  DWORD size = sizeof buffer - 1, type = 0;
  LONG status = RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_SZ ? std::string(buffer) : "";
}

void TShellHost::LoadState() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kStreamsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  std::string name = GUIDToString(clsid_);
  DWORD size = 0, type = 0;
  std::string bytes;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_BINARY) {
    bytes.resize(size);
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size) !=
        ERROR_SUCCESS)
      bytes.clear();
  }
  RegCloseKey(key);
  if (bytes.empty()) return;
  ComPtr<IPersistStream> persist = band_.As<IPersistStream>();
  if (!persist) {
    AddLine("load: the band does not persist");
    return;
  }
  ComPtr<IStream> stream =
      ComPtr<IStream>::Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), UINT(bytes.size())));
  AddLine("load " + std::to_string(bytes.size()) + " bytes: " + Result(persist->Load(stream.Get())));
}

void TShellHost::SaveState() {
  ComPtr<IPersistStream> persist = band_.As<IPersistStream>();
  if (!persist) return;
  ComPtr<IStream> stream = ComPtr<IStream>::Attach(SHCreateMemStream(nullptr, 0));
  HRESULT hr = persist->Save(stream.Get(), TRUE);
  std::string bytes;
  if (SUCCEEDED(hr) && vandrel::ReadWholeStream(stream.Get(), bytes)) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kStreamsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
      std::string name = GUIDToString(clsid_);
      RegSetValueExA(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                     DWORD(bytes.size()));
      RegCloseKey(key);
    }
  }
  AddLine("save " + std::to_string(bytes.size()) + " bytes: " + Result(hr));
}

bool TShellHost::Start(REFCLSID clsid) {
  clsid_ = clsid;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IDeskBand::Iid, band_.PutVoid());
  AddLine("create " + GUIDToString(clsid) + ": " + Result(hr));
  if (FAILED(hr)) {
    Snapshot("start");
    return false;
  }
  input_ = band_.As<IInputObject>();
  LoadState();
  site_ = MakeComObject<TBandSite>(rebar_, browser_.Get(), [this](const std::string& line) { AddLine(line); });
  ComPtr<IObjectWithSite> withSite = band_.As<IObjectWithSite>();
  hr = withSite ? withSite->SetSite(static_cast<IInputObjectSite*>(site_.Get())) : E_NOINTERFACE;
  AddLine("site: " + Result(hr));
  if (FAILED(hr)) {
    Snapshot("start");
    return false;
  }
  DESKBANDINFO info{};
  info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS | DBIM_BKCOLOR;
  hr = band_->GetBandInfo(kBandId, DBIF_VIEWMODE_NORMAL, &info);
  std::string title = WideString(std::u16string_view(info.wszTitle)).ToString();
  char modes[16];
  std::snprintf(modes, sizeof modes, "0x%X", unsigned(info.dwModeFlags));
  AddLine("band info: " + Result(hr) + " min " + Size(info.ptMinSize) + " max " + Size(info.ptMaxSize) + " integral " +
          Size(info.ptIntegral) + " actual " + Size(info.ptActual) + " modes " + modes + " title \"" + title + "\"" +
          (info.dwMask & DBIM_BKCOLOR ? " own background" : ""));
  hr = band_->GetWindow(&bandWindow_);
  if (FAILED(hr) || !bandWindow_) {
    AddLine("window: " + Result(hr));
    Snapshot("start");
    return false;
  }
  AddLine("window: " + RectText(RectIn(bandWindow_, rebar_)) + (IsWindowVisible(bandWindow_) ? " visible" : " hidden"));
  REBARBANDINFOA band{};
  band.cbSize = sizeof band;
  band.fMask = RBBIM_STYLE | RBBIM_TEXT | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID | RBBIM_IDEALSIZE;
  band.fStyle = RBBS_CHILDEDGE | RBBS_GRIPPERALWAYS |
                (info.dwModeFlags & DBIMF_VARIABLEHEIGHT ? RBBS_VARIABLEHEIGHT : 0) |
                (info.dwModeFlags & DBIMF_USECHEVRON ? RBBS_USECHEVRON : 0);
  band.lpText = title.data();
  band.hwndChild = bandWindow_;
  band.cxMinChild = UINT(std::max<LONG>(info.ptMinSize.x, 0));
  band.cyMinChild = UINT(std::max<LONG>(info.ptMinSize.y, 0));
  band.cx = UINT(std::max<LONG>(info.ptActual.x, 0)) + kRebarGripperWidth;
  band.wID = kBandId;
  band.cxIdeal = UINT(std::max<LONG>(info.ptActual.x, 0));
  SendMessageA(rebar_, RB_INSERTBANDA, WPARAM(-1), reinterpret_cast<LPARAM>(&band));
  AddLine("show: " + Result(band_->ShowDW(TRUE)));
  started_ = true;
  Pump();
  Snapshot("start");
  return true;
}

bool TShellHost::Finish() {
  if (band_) {
    if (started_) SaveState();
    AddLine("hide: " + Result(band_->ShowDW(FALSE)));
    AddLine("close: " + Result(band_->CloseDW(0)));
    LRESULT index = SendMessageA(rebar_, RB_IDTOINDEX, kBandId, 0);
    if (index >= 0) SendMessageA(rebar_, RB_DELETEBAND, WPARAM(index), 0);
    if (ComPtr<IObjectWithSite> withSite = band_.As<IObjectWithSite>())
      AddLine("unsite: " + Result(withSite->SetSite(nullptr)));
    input_ = nullptr;
    band_ = nullptr;
    AddLine("released");
  }
  bandWindow_ = nullptr;
  started_ = false;
  Pump();
  std::string path = LibraryPath();
  if (!path.empty()) {
    if (HMODULE library = GetModuleHandleA(path.c_str())) {
      auto canUnload = reinterpret_cast<HRESULT (*)()>(GetProcAddress(library, "DllCanUnloadNow"));
      AddLine("DllCanUnloadNow: " + (canUnload ? Result(canUnload()) : std::string("missing")));
      CoFreeUnusedLibraries();
      AddLine(GetModuleHandleA(path.c_str()) ? "the library stays loaded" : "the library is unloaded");
    }
  }
  Snapshot("end");
  std::vector<std::string> left = LeftBehind();
  if (left.empty()) {
    out_ << "left behind: nothing\n";
  } else {
    out_ << "left behind:\n";
    for (const std::string& item : left) out_ << "  " << cp1250::ToUtf8(item) << "\n";
  }
  out_.flush();
  return left.empty();
}

std::vector<std::string> TShellHost::LeftBehind() {
  std::vector<std::string> left;
  if (int hooks = vandrel::ThreadHookCount(GetCurrentThreadId())) left.push_back("hooks: " + std::to_string(hooks));
  std::set<HWND> before(baseline_.begin(), baseline_.end());
  for (HWND h : ThreadWindows())
    if (!before.count(h)) left.push_back("window " + WindowClassName(h) + " \"" + WindowText(h) + "\"");
  HWND hosts[3] = {top_, workerW_, rebar_};
  for (int i = 0; i < 3; ++i)
    if (hosts[i] && GetWindowLongPtrA(hosts[i], GWLP_WNDPROC) != hostProcs_[i])
      left.push_back("subclassed " + WindowClassName(hosts[i]));
  if (browser_) {
    if (size_t sinks = browser_->SinkCount()) left.push_back("browser sinks: " + std::to_string(sinks));
    if (ULONG refs = browser_->References(); refs != 1)
      left.push_back("browser references: " + std::to_string(refs - 1));
  }
  if (site_)
    if (ULONG refs = site_->References(); refs != 1) left.push_back("site references: " + std::to_string(refs - 1));
  std::string path = LibraryPath();
  if (!path.empty() && GetModuleHandleA(path.c_str())) left.push_back("library " + path + " loaded");
  return left;
}

// ---- user actions ----

bool TShellHost::Locate(const std::string& name, HWND& window, POINT& point) {
  std::string error;
  bool windowed = false;
  if (!bandWindow_) throw EShellScriptError("There is no band window");
  if (!LocateFormControl(bandWindow_, name, window, point, error, &windowed)) throw EShellScriptError(error);
  return windowed;
}

void TShellHost::Click(const std::string& name) {
  HWND window;
  POINT point;
  Locate(name, window, point);
  SimulateMouseClick(window, point);
  Pump();
}

void TShellHost::Focus(const std::string& name) {
  if (name == "host") {
    ::SetFocus(top_);
    if (input_) input_->UIActivateIO(FALSE, nullptr);
    AddLine("host: takes the focus");
    Pump();
    return;
  }
  HWND window;
  POINT point;
  if (!Locate(name, window, point)) throw EShellScriptError("Control " + name + " cannot take the focus");
  ::SetFocus(window);
  Pump();
}

void TShellHost::Type(const std::string& name, const std::string& text) {
  if (name != "focused") Focus(name);
  for (unsigned char c : text) {
    PostMessageA(GetFocus(), WM_CHAR, c, 1);
    Pump();
  }
}

void TShellHost::Key(BYTE key, TShiftState shift) {
  PressKey(key, shift, [this] { Pump(); });
}

void TShellHost::Chevron(const std::string& band, const std::string& item) {
  DWORD id = band == "other" ? kOtherBandId : kBandId;
  LRESULT index = SendMessageA(rebar_, RB_IDTOINDEX, id, 0);
  if (index < 0) throw EShellScriptError("No band " + band + " in the rebar");
  ScriptMenuChoice({item});
  SendMessageA(rebar_, RB_PUSHCHEVRON, WPARAM(index), 0);
  ScriptMenuChoice({});
  Pump();
}

void TShellHost::Play(const TUserAction& action) {
  try {
    if (action.verb == "click")
      Click(action.name);
    else if (action.verb == "focus")
      Focus(action.name);
    else if (action.verb == "type")
      Type(action.name, action.text);
    else if (action.verb == "key")
      Key(action.key, action.shift);
    else if (action.verb == "wait")
      Wait(action.ms);
    else if (action.verb == "chevron") {
      // chevron [this|other] [ITEM]
      size_t blank = action.text.find_first_of(" \t");
      std::string first = action.text.substr(0, blank);
      bool named = first == "this" || first == "other";
      std::string item = named ? (blank == std::string::npos ? "" : Trim(action.text.substr(blank))) : action.text;
      Chevron(named ? first : "this", item);
    } else if (action.verb == "menu") {
      ChooseNextMenu(action.text);
    } else if (action.verb == "navigate") {
      if (!browser_) throw EShellScriptError("There is no browser in a taskbar");
      browser_->NavigateTo(action.name);
      Pump();
    } else if (action.verb == "script") {
      RunScriptLine(action.name, action.text);
    } else if (action.verb == "popup") {
      ClickPopup(action.text);
    } else {
      throw EShellScriptError("The shell host cannot " + action.verb);
    }
  } catch (const Exception& e) {
    AddLine("error: " + e.Message());
  }
  Snapshot(action.source);
}

void TShellHost::RunScriptLine(const std::string& where, const std::string& code) {
  ComPtr<browser::TBrowser> target;
  if (where == "browser") {
    if (!browser_) throw EShellScriptError("There is no browser in a taskbar");
    target = browser_;
  } else {
    HWND window;
    POINT point;
    Locate(where, window, point);
    target = browser::TBrowser::FromWindow(window);
    if (!target) throw EShellScriptError("Control " + where + " is no web browser");
  }
  browser::TWindow* page = target->Window();
  if (!page) throw EShellScriptError("There is no page in " + where);
  std::string value;
  std::string error = page->Evaluate(cp1250::ToUtf16(code), value);
  AddLine(error.empty() ? "script: " + value : "script error: " + error);
  Pump();
}

// ---- snapshots ----

std::string TShellHost::DescribeRebar() {
  std::ostringstream out;
  RECT client;
  GetClientRect(rebar_, &client);
  out << "rebar " << client.right << "x" << client.bottom << "\n";
  int count = int(SendMessageA(rebar_, RB_GETBANDCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char text[256]{};
    REBARBANDINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = RBBIM_ID | RBBIM_TEXT | RBBIM_CHILD;
    info.lpText = text;
    info.cch = sizeof text;
    SendMessageA(rebar_, RB_GETBANDINFOA, WPARAM(i), reinterpret_cast<LPARAM>(&info));
    RECT r{};
    SendMessageA(rebar_, RB_GETRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
    out << "  band " << info.wID << " \"" << text << "\" " << RectText(r);
    if (info.hwndChild && IsWindow(info.hwndChild)) out << " child " << RectText(RectIn(info.hwndChild, rebar_));
    out << "\n";
  }
  return out.str();
}

void TShellHost::Snapshot(const std::string& heading) {
  std::ostringstream text;
  text << "== " << heading << "\n";
  if (input_) {
    text << "band: " << (input_->HasFocusIO() == S_OK ? "has the focus" : "without the focus") << "\n";
  }
  text << DescribeRebar();
  if (bandWindow_ && IsWindow(bandWindow_)) {
    std::string form;
    if (QueryFormSnapshot(bandWindow_, form)) {
      std::istringstream lines(form);
      for (std::string line; std::getline(lines, line);) text << "  " << line << "\n";
    } else {
      text << "  (" << form << ")\n";
    }
  }
  text << DescribePopups();
  std::vector<TMenuRecord> menus = MenuRecords();
  for (size_t i = menusShown_; i < menus.size(); ++i) {
    text << "menu " << menus[i].menuName << " at " << menus[i].at.x << "," << menus[i].at.y << ":";
    for (const TMenuRecordItem& item : menus[i].items)
      text << " \"" << item.path << "\"" << (item.enabled ? "" : " [disabled]");
    text << (menus[i].choice.empty() ? " (dismissed)" : " chose \"" + menus[i].choice + "\"") << "\n";
  }
  menusShown_ = menus.size();
  for (size_t i = logShown_; i < log_.size(); ++i) text << "- " << log_[i] << "\n";
  logShown_ = log_.size();
  out_ << cp1250::ToUtf8(text.str());
  out_.flush();
}

// ---- the command line ----

namespace {

std::string WindowsForm(const std::string& path) {
  if (path.empty() || path[0] != '/') return cp1250::FromUtf8(path);
  std::string windows = "Z:" + path;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  return cp1250::FromUtf8(windows);
}

int Register(const std::string& library, bool doRegister, std::ostream& out, std::ostream& err) {
  const char* entry = doRegister ? "DllRegisterServer" : "DllUnregisterServer";
  std::string path = WindowsForm(library);
  HMODULE module = LoadLibraryA(path.c_str());
  if (!module) {
    err << "shellhost: cannot load " << cp1250::ToUtf8(path) << ": " << cp1250::ToUtf8(SysErrorMessage(GetLastError()))
        << "\n";
    return 1;
  }
  auto call = reinterpret_cast<HRESULT (*)()>(GetProcAddress(module, entry));
  if (!call) {
    err << "shellhost: " << cp1250::ToUtf8(path) << " has no " << entry << "\n";
    FreeLibrary(module);
    return 1;
  }
  HRESULT hr = call();
  out << entry << " in " << cp1250::ToUtf8(path) << ": " << cp1250::ToUtf8(Result(hr)) << "\n";
  FreeLibrary(module);
  return SUCCEEDED(hr) ? 0 : 1;
}

int Usage(std::ostream& err) {
  err << "usage: shellhost register LIBRARY\n"
         "       shellhost unregister LIBRARY\n"
         "       shellhost run [--browser] [--seconds N] [--script FILE] [--virtual-time] CLSID\n";
  return 2;
}

}  // namespace

int ShellHostMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return Usage(err);
  vandrel::StartMachine();
  if ((args[0] == "register" || args[0] == "unregister") && args.size() == 2) {
    CoInitialize(nullptr);
    int code = Register(args[1], args[0] == "register", out, err);
    CoUninitialize();
    return code;
  }
  if (args[0] != "run") return Usage(err);
  bool browser = false, virtualTime = false;
  long seconds = 0;
  std::string script, clsidText;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--browser")
      browser = true;
    else if (args[i] == "--virtual-time")
      virtualTime = true;
    else if (args[i] == "--seconds" && i + 1 < args.size())
      seconds = std::atol(args[++i].c_str());
    else if (args[i] == "--script" && i + 1 < args.size())
      script = args[++i];
    else if (clsidText.empty() && !args[i].empty() && args[i][0] != '-')
      clsidText = args[i];
    else
      return Usage(err);
  }
  std::optional<GUID> clsid = TryStringToGUID(clsidText);
  if (!clsid || seconds < 0) return Usage(err);
  std::vector<TUserAction> actions;
  if (!script.empty()) {
    std::string text, error;
    if (!ReadHostFile(script, text, error)) {
      err << "shellhost: cannot read " << script << ": " << error << "\n";
      return 2;
    }
    try {
      actions = ReadUserScript(text, ShellHostVerbs());
    } catch (const Exception& e) {
      err << "shellhost: " << script << ": " << cp1250::ToUtf8(e.Message()) << "\n";
      return 2;
    }
  }
  if (virtualTime) SetClockMode(TClockMode::Virtual);
  CoInitialize(nullptr);
  uint64_t opened = vandrel::MachineRecordSize(vandrel::MachineRecord::OpenedAddresses);
  bool clean;
  {
    TShellHost host(browser ? TShellHost::TMode::Browser : TShellHost::TMode::Taskbar, out);
    bool started = host.Start(*clsid);
    if (started) {
      for (const TUserAction& action : actions) host.Play(action);
      if (seconds > 0) {
        host.Wait(uint32_t(seconds * 1000));
        host.Snapshot("after " + std::to_string(seconds) + " s");
      }
    }
    clean = host.Finish() && started;
  }
  for (const std::string& line : vandrel::MachineRecordLinesAfter(vandrel::MachineRecord::OpenedAddresses, opened))
    out << "opened " << cp1250::ToUtf8(line) << "\n";
  CoUninitialize();
  return clean ? 0 : 1;
}
