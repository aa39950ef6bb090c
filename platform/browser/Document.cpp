#include "platform/browser/Document.h"

#include "platform/browser/ScriptEngine.h"
#include "platform/runtime/Cp1250.h"

namespace browser {
namespace {

OleVariant Text(const std::u16string& text) { return OleVariant(WideString(text)); }

std::u16string TextArg(const TDispatchArgs& args) {
  const VARIANT* v = args[0].Get();
  return v->vt == VT_BSTR ? BstrToU16(v->bstrVal) : std::u16string();
}

template <class T>
OleVariant DispatchOf(T* object) {
  return OleVariant(static_cast<IDispatch*>(object));
}

}  // namespace

// ---- TStyle ----

const TDispatchTable& TStyle::DispatchTable() {
  static const TDispatchTable table = [] {
    TDispatchTable t("Vandrel.HTMLStyle");
    const char* names[kCount] = {"borderStyle", "padding", "margin", "overflow", "backgroundColor"};
    for (int p = 0; p < kCount; ++p) {
      t.Property(names[p], DISPID(1001 + p), VT_BSTR,
                 Bind<TStyle>([p](TStyle& self, const TDispatchArgs&) { return Text(self.values_[p]); }),
                 Bind<TStyle>([p](TStyle& self, const TDispatchArgs& args) {
                   self.values_[p] = TextArg(args);
                   return OleVariant();
                 }));
    }
    return t;
  }();
  return table;
}

// ---- TBodyElement ----

TBodyElement::TBodyElement() : style_(MakeComObject<TStyle>()) {}

const TDispatchTable& TBodyElement::DispatchTable() {
  static const TDispatchTable table = [] {
    TDispatchTable t("Vandrel.HTMLBody");
    t.Property("innerHTML", 1001, VT_BSTR,
               Bind<TBodyElement>([](TBodyElement& self, const TDispatchArgs&) { return Text(self.innerHtml_); }),
               Bind<TBodyElement>([](TBodyElement& self, const TDispatchArgs& args) {
                 self.innerHtml_ = TextArg(args);
                 return OleVariant();
               }));
    t.Property("style", 1002, VT_DISPATCH, Bind<TBodyElement>([](TBodyElement& self, const TDispatchArgs&) {
                 return DispatchOf(self.style_.Get());
               }));
    t.Property("tagName", 1003, VT_BSTR,
               Bind<TBodyElement>([](TBodyElement&, const TDispatchArgs&) { return OleVariant("BODY"); }));
    return t;
  }();
  return table;
}

// ---- THtmlDocument ----

THtmlDocument::THtmlDocument(const std::string& url) : url_(url), body_(MakeComObject<TBodyElement>()) {}

ComPtr<THtmlDocument> THtmlDocument::Create(const std::string& url, const std::string& windowName) {
  ComPtr<THtmlDocument> document(new THtmlDocument(url));
  document->window_ = ComPtr<TWindow>(new TWindow(document.Get(), windowName));
  return document;
}

THtmlDocument::~THtmlDocument() { Close(); }

void THtmlDocument::Close() {
  if (window_) window_->Close();
}

HRESULT THtmlDocument::get_parentWindow(IHTMLWindow2** window) {
  if (!window) return E_POINTER;
  *window = window_.Get();
  if (*window) (*window)->AddRef();
  return *window ? S_OK : E_FAIL;
}

const TDispatchTable& THtmlDocument::DispatchTable() {
  static const TDispatchTable table = [] {
    TDispatchTable t("Vandrel.HTMLDocument");
    t.Property("body", 1001, VT_DISPATCH, Bind<THtmlDocument>([](THtmlDocument& self, const TDispatchArgs&) {
                 return DispatchOf(self.body_.Get());
               }));
    t.Property("parentWindow", 1002, VT_DISPATCH, Bind<THtmlDocument>([](THtmlDocument& self, const TDispatchArgs&) {
                 return OleVariant(static_cast<IDispatch*>(static_cast<IDispatchEx*>(self.window_.Get())));
               }));
    t.Property("URL", 1003, VT_BSTR,
               Bind<THtmlDocument>([](THtmlDocument& self, const TDispatchArgs&) { return OleVariant(self.url_); }));
    t.Property("title", 1004, VT_BSTR,
               Bind<THtmlDocument>([](THtmlDocument& self, const TDispatchArgs&) { return Text(self.title_); }),
               Bind<THtmlDocument>([](THtmlDocument& self, const TDispatchArgs& args) {
                 self.title_ = TextArg(args);
                 return OleVariant();
               }));
    return t;
  }();
  return table;
}

// ---- TWindow ----

TWindow::TWindow(THtmlDocument* document, std::string name) : document_(document), name_(std::move(name)) {}

TWindow::~TWindow() = default;

void TWindow::Close() {
  if (closed_) return;
  closed_ = true;
  document_ = nullptr;
  // The engine's objects and the window's own properties release what they hold (a property may hold
  // the window itself).
  if (running_ == 0) engine_.reset();
  Members().Clear();
}

HRESULT TWindow::get_document(IHTMLDocument2** document) {
  if (!document) return E_POINTER;
  *document = document_;
  if (!document_) return E_FAIL;
  document_->AddRef();
  return S_OK;
}

std::string TWindow::Execute(const std::u16string& source, const std::string& label, std::string* value) {
  if (closed_) return label + ": the page is gone";
  if (!engine_) engine_ = std::make_unique<TScriptEngine>(static_cast<IDispatchEx*>(this));
  ComPtr<TWindow> self(this);  // a script may drop the last reference to its window
  ++running_;
  std::string error = engine_->Run(source, label, value);
  --running_;
  if (closed_ && running_ == 0) engine_.reset();
  return error;
}

void TWindow::RunScript(const std::u16string& source, const std::string& label) {
  if (closed_) return;
  std::string error = Execute(source, label, nullptr);
  if (!error.empty()) scriptErrors_.push_back(error);
}

std::string TWindow::Evaluate(const std::u16string& source, std::string& value) {
  std::string utf8;
  std::string error = Execute(source, "script", &utf8);
  value = cp1250::FromUtf8(utf8);
  return cp1250::FromUtf8(error);
}

const TDispatchTable& TWindow::DispatchTable() {
  static const TDispatchTable table = [] {
    TDispatchTable t("Vandrel.HTMLWindow");
    t.Property("document", 1001, VT_DISPATCH, Bind<TWindow>([](TWindow& self, const TDispatchArgs&) {
                 return DispatchOf(static_cast<IHTMLDocument2*>(self.document_));
               }));
    t.Property("name", 1002, VT_BSTR,
               Bind<TWindow>([](TWindow& self, const TDispatchArgs&) { return OleVariant(self.name_); }));
    return t;
  }();
  return table;
}

}  // namespace browser
