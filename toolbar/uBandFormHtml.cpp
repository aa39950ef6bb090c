// HTML areas of the band form: the embedded browser's set-up, its events (built-in content first, then
// its Src; links handed to the host browser), the page allow-list, and the browser object put on area
// pages and on allowed pages of the host browser.
#include "platform/com/Bstr.h"
#include "platform/com/DispatchEx.h"
#include "platform/com/HtmlDocument.h"
#include "platform/com/LateBinding.h"
#include "platform/com/OleError.h"
#include "platform/components/Masks.h"
#include "platform/runtime/Collation.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/SysUtils.h"
#include "toolbar/uBandForm.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uBrowserObject.h"
#include "toolbar/uInstance.h"

namespace {

constexpr LCID kUserDefaultLocale = 1024;

std::string Text(const VARIANT& value) {
  OleVariant copy;
  if (FAILED(VariantCopy(copy.Get(), &value))) return {};
  return copy.AsString();
}

ComPtr<IDispatch> DispatchOf(const OleVariant& value) {
  const VARIANT* v = value.Get();
  if (v->vt == VT_DISPATCH) return ComPtr<IDispatch>(v->pdispVal);
  if (v->vt == (VT_BYREF | VT_DISPATCH) && v->ppdispVal) return ComPtr<IDispatch>(*v->ppdispVal);
  return nullptr;
}

bool ContainsText(const std::string& text, const char* part) {
  return cp1250::Lower(text).find(part) != std::string::npos;
}

// The definition control an area was made for.
TToolbarHtmlControl* DefinitionOf(TMyWebBrowser* area) {
  return area ? DynamicAs<TToolbarHtmlControl>(reinterpret_cast<TObject*>(area->Tag())) : nullptr;
}

// The local file a file URL names: what follows its first eight characters ("file:///"), "/" as "\".
std::string LocalFileOf(const std::string& url) {
  std::string file = url.size() > 8 ? url.substr(8) : std::string();
  for (char& c : file)
    if (c == '/') c = '\\';
  return file;
}

// The masks of a ";"-separated list: blanks trimmed before each piece, not before its ";".
std::vector<std::string> SplitMasks(std::string rest) {
  std::vector<std::string> masks;
  for (rest = Trim(rest); !rest.empty(); rest = Trim(rest)) {
    size_t semicolon = rest.find(';');
    std::string piece = rest.substr(0, semicolon);
    rest = semicolon == std::string::npos ? std::string() : rest.substr(semicolon + 1);
    if (!piece.empty()) masks.push_back(piece);
  }
  return masks;
}

}  // namespace

std::string ColorToHtml(TColor color) {
  const int32_t rgb = ColorToRGB(color);  // 00BBGGRR
  return "#" + IntToHex(rgb & 0xFF, 2) + IntToHex((rgb >> 8) & 0xFF, 2) + IntToHex((rgb >> 16) & 0xFF, 2);
}

// ---- the allow-list ----

bool TTessalineDeskBandForm::IsUrlAllowed(const std::string& url) const {
  std::string list = currentDefinition_ ? currentDefinition_->ScriptableBy() : std::string();
  const std::string src = currentDefinition_ ? currentDefinition_->Src() : std::string();
  if (list.empty() && !src.empty()) {
    size_t scheme = src.find("://");
    if (scheme != std::string::npos) {
      std::string host = src.substr(scheme + 3);
      host = host.substr(0, host.find('/'));
      list = "http://" + host + "/*;" + "https://" + host + "/*";
    }
  }
  std::vector<std::string> masks = SplitMasks(list);
  for (const char* local :
       {"?:\\*", "http://localhost/*", "https://localhost/*", "http://127.0.0.1/*", "https://127.0.0.1/*"})
    masks.push_back(local);
  const std::string lowerUrl = cp1250::Lower(url);
  for (const std::string& mask : masks)
    if (MatchesMask(lowerUrl, cp1250::Lower(mask) + "*")) return true;
  return false;
}

// ---- the browser object ----

std::shared_ptr<TBandFormLink> TTessalineDeskBandForm::ScriptLink() {
  if (!scriptLink_) scriptLink_ = std::make_shared<TBandFormLink>(this);
  return scriptLink_;
}

void TTessalineDeskBandForm::DetachScriptObjects() {
  if (scriptLink_) scriptLink_->Detach();
}

void TTessalineDeskBandForm::InjectBrowserObject(IWebBrowser2* browser) {
  const WideString name = WideString::FromString(GetModuleBaseName());
  if (!browser) return;
  ComPtr<IDispatch> document;
  if (FAILED(browser->get_Document(document.Put())) || !document) return;
  ComPtr<IHTMLDocument2> html;
  if (FAILED(document->QueryInterface(IHTMLDocument2::Iid, html.PutVoid())) || !html) return;
  ComPtr<IHTMLWindow2> window;
  if (FAILED(html->get_parentWindow(window.Put())) || !window) return;
  ComPtr<IDispatchEx> members;
  if (FAILED(window->QueryInterface(IDispatchEx::Iid, members.PutVoid())) || !members) return;
  LPOLESTR names[] = {name.Get()};
  DISPID id = DISPID_UNKNOWN;
  if (SUCCEEDED(members->GetIDsOfNames(GUID_NULL, names, 1, kUserDefaultLocale, &id))) return;
  OleCheck(members->GetDispID(name.Get(), fdexNameEnsure, &id));
  ComPtr<IDispatch> object(static_cast<ITessalineBrowserObject*>(TTessalineBrowserObject::Create(ScriptLink())));
  OleVariant value(object.Get());
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{value.Get(), &named, 1, 1};
  OleCheck(members->InvokeEx(id, kUserDefaultLocale, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr));
}

// ---- the host browser ----

void TTessalineDeskBandForm::NavigateComplete2(TObject* sender, IDispatch* pDisp, VARIANT& URL) {
  inherited::NavigateComplete2(sender, pDisp, URL);
  if (!Band() || !Band()->HostBrowser() || !pDisp) return;
  if (!IsUrlAllowed(Text(URL))) return;
  // The object goes to the window whose own address passed (a frame's), never to a page around it.
  ComPtr<IWebBrowser2> page;
  if (FAILED(pDisp->QueryInterface(IWebBrowser2::Iid, page.PutVoid())) || !page) return;
  InjectBrowserObject(page.Get());
}

// ---- the areas ----

TControl* TTessalineDeskBandForm::MakeHtmlArea(TToolbarHtmlControl* c) {
  TObjectPtr<TMyWebBrowser> area(NewObject<TMyWebBrowser>(this));
  area->SetTag(reinterpret_cast<intptr_t>(c));
  area->SetResizable(false);
  TTessalineDeskBandModule* module = TessalineDeskBandModule();
  area->SetSilent(!(module && module->DebugLogEnabled()));
  area->SetHeight(ClientHeight());
  area->SetWidth(c->Width());
  area->OnBeforeNavigate2 = [this](TObject* s, IDispatch* d, VARIANT& u, VARIANT& f, VARIANT& t, VARIANT& p, VARIANT& h,
                                   WordBool& cancel) { HtmlAreaBeforeNavigate2(s, d, u, f, t, p, h, cancel); };
  area->OnNavigateComplete2 = [this](TObject* s, IDispatch* d, VARIANT& u) { HtmlAreaNavigateComplete2(s, d, u); };
  area->OnNavigateError = [this](TObject* s, IDispatch* d, VARIANT& u, VARIANT& f, VARIANT& status, WordBool& cancel) {
    HtmlAreaNavigateError(s, d, u, f, status, cancel);
  };
  area->Navigate("about:blank");
  return area.release();
}

void TTessalineDeskBandForm::HtmlAreaNavigateComplete2(TObject* sender, IDispatch* pDisp, VARIANT& URL) {
  auto* area = DynamicAs<TMyWebBrowser>(sender);
  TToolbarHtmlControl* c = DefinitionOf(area);
  if (!c || !pDisp) return;
  ComPtr<IDispatch> document = DispatchOf(GetDispatchProperty(pDisp, "Document"));
  ComPtr<IDispatch> body = document ? DispatchOf(GetDispatchProperty(document.Get(), "body")) : nullptr;
  if (body) {
    ComPtr<IDispatch> style = DispatchOf(GetDispatchProperty(body.Get(), "style"));
    const std::pair<const char*, std::string> defaults[] = {{"borderStyle", "none"},
                                                            {"padding", "0px"},
                                                            {"margin", "0px"},
                                                            {"overflow", "hidden"},
                                                            {"backgroundColor", ColorToHtml(clBtnFace)}};
    for (const auto& [property, value] : defaults)
      if (style && GetDispatchProperty(style.Get(), property).AsString().empty())
        SetDispatchProperty(style.Get(), property, OleVariant(value));
  }
  ComPtr<IWebBrowser2> page;
  pDisp->QueryInterface(IWebBrowser2::Iid, page.PutVoid());
  // Area pages always get the object.
  InjectBrowserObject(page.Get());
  if (body) {
    if (SameText(Text(URL), "about:blank"))
      SetDispatchProperty(body.Get(), "innerHTML", OleVariant(c->DefaultContent()));
    else if (area->LastError != 0)
      SetDispatchProperty(body.Get(), "innerHTML", OleVariant(c->ErrorContent()));
  }
  area->LastError = 0;
  if (!area->Navigated) {
    area->Navigated = true;
    if (!c->Src().empty()) area->Navigate(c->Src(), OleVariant(int32_t(2)), {}, {}, {});
  }
}

void TTessalineDeskBandForm::HtmlAreaNavigateError(TObject* sender, IDispatch*, VARIANT&, VARIANT&, VARIANT& StatusCode,
                                                   WordBool& Cancel) {
  Cancel = VARIANT_TRUE;
  OleVariant status;
  VariantCopy(status.Get(), &StatusCode);
  if (auto* area = DynamicAs<TMyWebBrowser>(sender)) area->LastError = status.AsInteger();
}

void TTessalineDeskBandForm::HtmlAreaBeforeNavigate2(TObject* sender, IDispatch*, VARIANT& URL, VARIANT& Flags,
                                                     VARIANT& TargetFrameName, VARIANT& PostData, VARIANT& Headers,
                                                     WordBool& Cancel) {
  auto* area = DynamicAs<TMyWebBrowser>(sender);
  TToolbarHtmlControl* c = DefinitionOf(area);
  if (!c) return;
  area->LastError = 0;
  const std::string url = Text(URL);
  if (SameText(url, "about:blank") || SameText(url, c->Src())) return;
  // A file Src keeps the navigations to its own file.
  if (ContainsText(c->Src(), "file://") && SameText(LocalFileOf(url), LocalFileOf(c->Src()))) return;
  // Everything else leaves the area: to the host browser, or nowhere on the taskbar; "res://" nowhere.
  Cancel = VARIANT_TRUE;
  if (ContainsText(url, "res://")) return;
  IWebBrowser2* host = Band() ? Band()->HostBrowser() : nullptr;
  if (!host) return;
  OleCheck(host->Navigate2(&URL, &Flags, &TargetFrameName, &PostData, &Headers));
}
