// A navigation of the headless browser, from BeforeNavigate2 to DocumentComplete.
#include <algorithm>
#include <cstdio>

#include "platform/browser/Browser.h"
#include "platform/browser/Document.h"
#include "platform/browser/HtmlPage.h"
#include "platform/browser/NavigationQueue.h"
#include "platform/browser/PageLoader.h"
#include "platform/browser/Unicode.h"
#include "platform/runtime/Collation.h"
#include "platform/runtime/Exceptions.h"
#include "platform/winapi/WinInet.h"

namespace browser {
namespace {

// Frames inside frames go this deep at most (a page that frames itself ends there).
constexpr int kMaxFrameDepth = 6;

// What the browser shows for a page that could not be loaded, unless NavigateError was cancelled.
constexpr char16_t kErrorPage[] = u"<h1>The page cannot be displayed</h1>";

VARIANT ByRef(VARIANT* target) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_VARIANT;
  v.pvarVal = target;
  return v;
}

VARIANT BoolRef(VARIANT_BOOL* target) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_BOOL;
  v.pboolVal = target;
  return v;
}

VARIANT Plain(VARTYPE type, LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = type;
  if (type == VT_BOOL)
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  else
    v.lVal = value;
  return v;
}

std::string Combine(const std::string& base, const std::string& relative) {
  DWORD length = 0;
  InternetCombineUrlA(base.c_str(), relative.c_str(), nullptr, &length, ICU_NO_ENCODE);
  if (length == 0) return relative;
  std::string out(length, '\0');
  if (!InternetCombineUrlA(base.c_str(), relative.c_str(), out.data(), &length, ICU_NO_ENCODE)) return relative;
  out.resize(length);
  return out;
}

std::string Hex(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", unsigned(hr));
  return text;
}

}  // namespace

struct TBrowser::TRequest {
  std::string url;
  LONG flags;
  std::string targetFrame;
};

int TBrowser::Depth() const {
  int depth = 0;
  for (const TBrowser* b = parent_; b; b = b->parent_) ++depth;
  return depth;
}

HRESULT TBrowser::Start(const std::string& url, LONG flags, const std::string& targetFrame) {
  if (closed_ || !queue_) return E_FAIL;
  if (flags & navOpenInNewWindow) {
    TNotice notice;
    for (TBrowser* b = this; b && !notice; b = b->parent_) notice = b->notice_;
    ComPtr<TBrowser> window = Create(nullptr, notice);
    newWindows_.push_back(window);
    Notice("new window for " + url);
    return window->Start(url, flags & ~navOpenInNewWindow, "");
  }
  // A target that names a frame of the page navigates that frame.
  if (!targetFrame.empty()) {
    for (auto& frame : frames_)
      if (SameText(frame->frameName_, targetFrame)) return frame->Start(url, flags, "");
  }
  TRequest request{url, flags, targetFrame};
  queue_->Post(this, [request](TBrowser& self) { self.Run(request); });
  return S_OK;
}

HRESULT TBrowser::Fire(DISPID id, std::vector<VARIANT> args) {
  std::reverse(args.begin(), args.end());  // the platform passes arguments last to first
  DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, UINT(args.size()), 0};
  HRESULT hr = events_->InvokeAll(id, &params);
  // A frame's events reach the top browser's sinks too.
  if (top_ != this && !top_->closed_) {
    HRESULT topHr = top_->events_->InvokeAll(id, &params);
    if (SUCCEEDED(hr)) hr = topHr;
  }
  if (FAILED(hr)) Notice("event " + std::to_string(id) + " failed " + Hex(hr));
  return hr;
}

void TBrowser::Run(const TRequest& request) {
  if (closed_) return;
  ComPtr<TBrowser> keep(this);  // a sink may release the browser
  const std::string& url = request.url;
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_DISPATCH;
  self.pdispVal = static_cast<IWebBrowser2*>(this);

  OleVariant urlArg(url), flags(int32_t(request.flags)), frame(request.targetFrame), post, headers("");
  VARIANT_BOOL cancel = VARIANT_FALSE;
  Fire(DISPID_BEFORENAVIGATE2, {self, ByRef(urlArg.Get()), ByRef(flags.Get()), ByRef(frame.Get()), ByRef(post.Get()),
                                ByRef(headers.Get()), BoolRef(&cancel)});
  if (closed_) return;
  if (cancel != VARIANT_FALSE) {
    Notice("navigation to " + url + " cancelled");
    return;
  }
  Notice("navigated to " + url);
  Fire(DISPID_DOWNLOADBEGIN, {});

  TLoadedPage loaded;
  try {
    loaded = LoadPage(url);
  } catch (const Exception&) {
    loaded = TLoadedPage{false, INET_E_DOWNLOAD_FAILURE, "", ""};
  }
  THtmlPage page;
  if (!loaded.ok) {
    OleVariant errorUrl(url), errorFrame(frameName_), status(int32_t(loaded.status));
    VARIANT_BOOL cancelError = VARIANT_FALSE;
    Fire(DISPID_NAVIGATEERROR,
         {self, ByRef(errorUrl.Get()), ByRef(errorFrame.Get()), ByRef(status.Get()), BoolRef(&cancelError)});
    if (closed_) return;
    // Cancelled: the page stays empty; else the browser shows its own error page.
    if (cancelError == VARIANT_FALSE) page.bodyHtml = kErrorPage;
  } else if (!loaded.body.empty()) {
    page = ParseHtmlPage(loaded.body, loaded.charset);
  }

  // The new page replaces the old one, its window and its frames.
  std::vector<ComPtr<TBrowser>> oldFrames = std::move(frames_);
  for (auto& f : oldFrames) f->Close();
  if (document_) document_->Close();
  document_ = THtmlDocument::Create(url, frameName_);
  document_->Body()->SetInnerHtml(page.bodyHtml);
  document_->SetTitle(page.title);
  location_ = url;
  navigations_.push_back(url);

  OleVariant done(url);
  Fire(DISPID_NAVIGATECOMPLETE2, {self, ByRef(done.Get())});
  if (closed_) return;

  ComPtr<THtmlDocument> document = document_;  // scripts run on this page, even if one navigates away
  for (size_t i = 0; i < page.scripts.size(); ++i) {
    size_t before = document->Window()->ScriptErrors().size();
    document->Window()->RunScript(page.scripts[i], url + " script " + std::to_string(i + 1));
    const auto& errors = document->Window()->ScriptErrors();
    if (errors.size() > before) Notice("script error: " + errors.back());
  }
  if (closed_ || document_ != document) return;

  std::vector<std::pair<std::string, std::string>> frames;
  for (const THtmlFrame& f : page.frames)
    if (!f.src.empty()) frames.push_back({Combine(url, f.src), f.name});
  LoadFrames(frames, Depth() + 1);
  if (closed_) return;

  Fire(DISPID_DOCUMENTCOMPLETE, {self, ByRef(done.Get())});
  Fire(DISPID_DOWNLOADCOMPLETE, {});
  Fire(DISPID_COMMANDSTATECHANGE, {Plain(VT_I4, CSC_NAVIGATEBACK), Plain(VT_BOOL, navigations_.size() > 1)});
}

void TBrowser::LoadFrames(const std::vector<std::pair<std::string, std::string>>& frames, int depth) {
  if (depth > kMaxFrameDepth) return;
  for (const auto& [src, name] : frames) {
    ComPtr<TBrowser> frame(new TBrowser(this, queue_, name, nullptr));
    queue_->Join(frame.Get());
    frames_.push_back(frame);
    // Frames load as part of their page: before the page's DocumentComplete.
    frame->Run(TRequest{src, 0, ""});
    if (closed_) return;
  }
}

}  // namespace browser
