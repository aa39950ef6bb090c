#include "platform/browser/Browser.h"

#include <algorithm>
#include <mutex>

#include "platform/browser/Document.h"
#include "platform/browser/NavigationQueue.h"
#include "platform/com/OleError.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MessageQueue.h"

namespace browser {
namespace {

LONG FlagsOf(const VARIANT* flags) {
  if (!flags) return 0;
  OleVariant value;
  if (FAILED(VariantChangeType(value.Get(), flags, 0, VT_I4))) return 0;
  return value.Get()->lVal;
}

// An optional argument left out: no variant, an empty one or the "parameter not found" error.
bool IsMissing(const VARIANT* v) {
  return !v || v->vt == VT_EMPTY || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND);
}

std::string TextOf(const VARIANT* v) {
  if (!v) return "";
  OleVariant value;
  if (FAILED(VariantChangeType(value.Get(), v, 0, VT_BSTR))) return "";
  return value.AsString();
}

// The top-level browsers of the process, for FromWindow.
std::mutex g_browsersLock;
std::vector<TBrowser*>& Browsers() {
  static auto* browsers = new std::vector<TBrowser*>;
  return *browsers;
}

}  // namespace

TBrowser::TBrowser(TBrowser* parent, TNavigationQueue* queue, std::string frameName, TNotice notice)
    : parent_(parent),
      top_(parent ? parent->top_ : this),
      ownerThread_(GetCurrentThreadId()),
      queue_(queue),
      frameName_(std::move(frameName)),
      notice_(std::move(notice)),
      events_(MakeComObject<TConnectionPoint>(static_cast<IConnectionPointContainer*>(this), DIID_DWebBrowserEvents2)) {
}

ComPtr<TBrowser> TBrowser::Create(HWND window, TNotice notice) {
  auto queue = std::make_unique<TNavigationQueue>();
  ComPtr<TBrowser> browser(new TBrowser(nullptr, queue.get(), "", std::move(notice)));
  browser->ownQueue_ = std::move(queue);
  browser->queue_->Join(browser.Get());
  browser->window_ = window;
  std::lock_guard<std::mutex> guard(g_browsersLock);
  Browsers().push_back(browser.Get());
  return browser;
}

TBrowser::~TBrowser() {
  if (ownQueue_) {
    std::lock_guard<std::mutex> guard(g_browsersLock);
    auto& all = Browsers();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
  }
  Close();
}

ComPtr<TBrowser> TBrowser::FromWindow(HWND window) {
  if (!window) return nullptr;
  std::lock_guard<std::mutex> guard(g_browsersLock);
  for (TBrowser* b : Browsers())
    if (b->window_ == window && !b->closed_) return ComPtr<TBrowser>(b);
  return nullptr;
}

void TBrowser::Close() {
  if (closed_) return;
  closed_ = true;
  if (queue_) queue_->Leave(this);
  queue_ = nullptr;
  std::vector<ComPtr<TBrowser>> frames = std::move(frames_);
  for (auto& frame : frames) frame->Close();
  if (document_) document_->Close();
  document_ = nullptr;
  parent_ = nullptr;
  top_ = this;
  // New windows belong to whoever holds them; they no longer belong to this browser.
  newWindows_.clear();
}

ULONG TBrowser::References() {
  AddRef();
  return Release();
}

TWindow* TBrowser::Window() const { return document_ ? document_->Window() : nullptr; }

std::vector<std::string> TBrowser::ScriptErrors() const {
  TWindow* window = Window();
  return window ? window->ScriptErrors() : std::vector<std::string>();
}

void TBrowser::Notice(const std::string& line) {
  for (TBrowser* b = this; b; b = b->parent_) {
    if (b->notice_) {
      b->notice_(line);
      return;
    }
  }
}

void TBrowser::RecordCall(const char* method, const std::string& url, VARIANT* flags, VARIANT* targetFrameName,
                          VARIANT* postData, VARIANT* headers) {
  TNavigateCall call{method, url, FlagsOf(flags),
                     IsMissing(flags) && IsMissing(targetFrameName) && IsMissing(postData) && IsMissing(headers),
                     (GetKeyState(VK_SHIFT) & 0x8000) != 0};
  std::lock_guard<std::mutex> guard(callsLock_);
  calls_.push_back(std::move(call));
}

std::vector<TBrowser::TNavigateCall> TBrowser::NavigateCalls() const {
  std::lock_guard<std::mutex> guard(callsLock_);
  return calls_;
}

HRESULT TBrowser::Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData, VARIANT* headers) {
  OleVariant target(WideString(std::u16string_view(url ? url : u"", SysStringLen(url))));
  RecordCall("Navigate", target.AsString(), flags, targetFrameName, postData, headers);
  return Go(target.Get(), flags, targetFrameName);
}

HRESULT TBrowser::Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                            VARIANT* headers) {
  RecordCall("Navigate2", TextOf(url), flags, targetFrameName, postData, headers);
  return Go(url, flags, targetFrameName);
}

HRESULT TBrowser::Go(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName) {
  if (!url) return E_INVALIDARG;
  std::string address = TextOf(url);
  if (address.empty()) return E_INVALIDARG;
  LONG flagBits = FlagsOf(flags);
  std::string target = TextOf(targetFrameName);
  if (GetCurrentThreadId() != ownerThread_) {
    // From another thread: the owner thread starts it.
    if (!ownQueue_) return RPC_E_WRONG_THREAD;
    ownQueue_->Post(this, [=](TBrowser& self) { self.Start(address, flagBits, target); });
    return S_OK;
  }
  return Start(address, flagBits, target);
}

void TBrowser::RunPending() {
  if (TNavigationQueue* queue = top_->queue_) queue->RunPending();
}

bool TBrowser::Busy() {
  TNavigationQueue* queue = top_->queue_;
  return queue && !queue->Empty();
}

void TBrowser::NavigateTo(const std::string& url) {
  if (SUCCEEDED(Start(url, 0, ""))) RunPending();
}

HRESULT TBrowser::get_Document(IDispatch** document) {
  if (!document) return E_POINTER;
  *document = document_ ? static_cast<IDispatch*>(static_cast<IHTMLDocument2*>(document_.Get())) : nullptr;
  if (*document) (*document)->AddRef();
  return S_OK;
}

HRESULT TBrowser::get_LocationURL(BSTR* url) {
  if (!url) return E_POINTER;
  *url = StringToOleStr(location_);
  return S_OK;
}

HRESULT TBrowser::get_HWND(LONG_PTR* window) {
  if (!window) return E_POINTER;
  *window = reinterpret_cast<LONG_PTR>(top_->window_);
  return S_OK;
}

HRESULT TBrowser::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points) *points = nullptr;
  return E_NOTIMPL;
}

HRESULT TBrowser::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
  return events_->QueryInterface(IConnectionPoint::Iid, reinterpret_cast<void**>(point));
}

const TDispatchTable& TBrowser::DispatchTable() {
  static const TDispatchTable table = [] {
    using B = TBrowser;
    auto flag = [](bool B::*field) {
      return std::pair{Bind<B>([field](B& self, const TDispatchArgs&) { return OleVariant(self.*field); }),
                       Bind<B>([field](B& self, const TDispatchArgs& args) {
                         self.*field = args.Boolean(0);
                         return OleVariant();
                       })};
    };
    auto edge = [](LONG RECT::*low, LONG RECT::*high, bool size) {
      return std::pair{Bind<B>([=](B& self, const TDispatchArgs&) {
                         return OleVariant(int32_t(size ? self.bounds_.*high - self.bounds_.*low : self.bounds_.*low));
                       }),
                       Bind<B>([=](B& self, const TDispatchArgs& args) {
                         LONG extent = self.bounds_.*high - self.bounds_.*low;
                         if (size) {
                           self.bounds_.*high = self.bounds_.*low + args.Integer(0);
                         } else {
                           self.bounds_.*low = args.Integer(0);
                           self.bounds_.*high = args.Integer(0) + extent;
                         }
                         return OleVariant();
                       })};
    };
    TDispatchTable t("Vandrel.WebBrowser");
    auto navigate = [](B& self, const TDispatchArgs& a, bool two) {
      OleVariant url = a[0], flags = a[1], frame = a[2], post = a[3], headers = a[4];
      HRESULT hr = two ? self.Navigate2(url.Get(), flags.Get(), frame.Get(), post.Get(), headers.Get())
                       : self.Navigate(url.Get()->bstrVal, flags.Get(), frame.Get(), post.Get(), headers.Get());
      if (FAILED(hr)) throw EOleSysError(hr);
      return OleVariant();
    };
    std::vector<TDispatchParam> optional(4, Optional(VT_VARIANT, OleVariant()));
    std::vector<TDispatchParam> one{Required(VT_BSTR)}, two{Required(VT_VARIANT)};
    one.insert(one.end(), optional.begin(), optional.end());
    two.insert(two.end(), optional.begin(), optional.end());
    t.Method("Navigate", 104, one,
             Bind<B>([navigate](B& self, const TDispatchArgs& a) { return navigate(self, a, false); }));
    t.Method("Navigate2", 500, two,
             Bind<B>([navigate](B& self, const TDispatchArgs& a) { return navigate(self, a, true); }));
    t.Property("Document", 203, VT_DISPATCH, Bind<B>([](B& self, const TDispatchArgs&) {
                 ComPtr<IDispatch> document;
                 self.get_Document(document.Put());
                 return OleVariant(document.Get());
               }));
    t.Property("LocationURL", 211, VT_BSTR,
               Bind<B>([](B& self, const TDispatchArgs&) { return OleVariant(self.location_); }));
    t.Property("Busy", 212, VT_BOOL, Bind<B>([](B& self, const TDispatchArgs&) { return OleVariant(self.Busy()); }));
    auto [left, setLeft] = edge(&RECT::left, &RECT::right, false);
    auto [top, setTop] = edge(&RECT::top, &RECT::bottom, false);
    auto [width, setWidth] = edge(&RECT::left, &RECT::right, true);
    auto [height, setHeight] = edge(&RECT::top, &RECT::bottom, true);
    t.Property("Left", 206, VT_I4, left, setLeft);
    t.Property("Top", 207, VT_I4, top, setTop);
    t.Property("Width", 208, VT_I4, width, setWidth);
    t.Property("Height", 209, VT_I4, height, setHeight);
    auto [silent, setSilent] = flag(&B::silent_);
    auto [resizable, setResizable] = flag(&B::resizable_);
    t.Property("Silent", 551, VT_BOOL, silent, setSilent);
    t.Property("Resizable", 556, VT_BOOL, resizable, setResizable);
    return t;
  }();
  return table;
}

}  // namespace browser
