// HTML areas of the band form: the page allow-list, the areas' content and links, the browser object on
// area pages and allowed host pages, and what page scripts do with it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/browser/Document.h"
#include "platform/com/LateBinding.h"
#include "platform/com/OleError.h"
#include "platform/components/Application.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/MessageBox.h"
#include "platform/winapi/Registry.h"
#include "toolbar/tests/BandFormTestSupport.h"
#include "toolbar/tests/LibraryTestSupport.h"
#include "toolbar/uBrowserObject.h"
#include "toolbar/uInstance.h"

namespace {

using namespace band_form_test;
using namespace library_test;
using testing_support::HttpScriptedResponse;

const std::string kButton = "<BUTTON imagelist=\"gombok\" action=\"none\"/>\n";

std::string Utf8(const std::u16string& text) { return cp1250::ToUtf8(cp1250::FromUtf16(text)); }

class BandFormHtml : public BandFormTest {
 protected:
  void TearDown() override {
    BandFormTest::TearDown();
    Application->OnException = nullptr;
  }
  std::string Area(const std::string& src, const std::string& more = "") {
    return "<HTMLAREA width=\"120\" autohide=\"0\" src=\"" + src + "\" " + more + "/>\n";
  }
  static TMyWebBrowser* AreaOf(TTessalineDeskBandForm* form) {
    for (int i = 0; form && i < form->BuiltControls()->Count(); ++i)
      if (auto* area = DynamicAs<TMyWebBrowser>(static_cast<TObject*>(form->BuiltControls()->Items(i)))) return area;
    return nullptr;
  }
  // Runs what the browsers have been asked to do, until none has more.
  void Settle(TMyWebBrowser* area) {
    for (int round = 0; round < 20; ++round) {
      bool busy = (area && area->Browser()->Busy()) || (shell_ && shell_->Browser() && shell_->Browser()->Busy());
      if (!busy) return;
      if (area) area->Browser()->RunPending();
      if (shell_ && shell_->Browser()) shell_->Browser()->RunPending();
    }
    ADD_FAILURE() << "the browsers never settled";
  }
  static browser::TWindow* WindowOf(browser::TBrowser* browser) {
    return browser && browser->Document() ? browser->Document()->Window() : nullptr;
  }
  static const OleVariant* ObjectOn(browser::TBrowser* browser) {
    browser::TWindow* window = WindowOf(browser);
    return window ? window->Members().Find(GetModuleBaseName()) : nullptr;
  }
  static ComPtr<IDispatch> ScriptObject(browser::TBrowser* browser) {
    const OleVariant* value = ObjectOn(browser);
    return value && value->Type() == VT_DISPATCH ? ComPtr<IDispatch>(value->Get()->pdispVal) : nullptr;
  }

  testing_support::ScopedLoopbackNames names_{{}};
  testing_support::HttpTestServer server_;
};

// ---- the allow-list ----

TEST_F(BandFormHtml, TheAllowList) {
  struct Case {
    const char* attributes;
    const char* url;
    bool allowed;
  } cases[] = {
      {"src=\"http://www.Pelda.hu/toolbar.xml\"", "http://WWW.PELDA.HU/oldal.htm", true},
      {"src=\"http://www.Pelda.hu/toolbar.xml\"", "https://www.pelda.hu/", true},
      {"src=\"http://www.Pelda.hu/toolbar.xml\"", "http://www.pelda.hu", false},
      {"src=\"http://www.Pelda.hu/toolbar.xml\"", "http://mas.hu/", false},
      {"src=\"http://www.Pelda.hu/toolbar.xml\"", "http://www.pelda.hu.mas.hu/", false},
      {"src=\"http://www.Pelda.hu/toolbar.xml\"", "http://127.0.0.1:8080/lap.htm", false},
      {"src=\"http://www.Pelda.hu/toolbar.xml\"", "http://127.0.0.1/lap.htm", true},
      {"src=\"http://www.Pelda.hu/toolbar.xml\"", "https://LOCALHOST/", true},
      {"src=\"http://www.Pelda.hu/toolbar.xml\"", "C:\\Dokumentumok\\lap.htm", true},
      {"src=\"http://www.Pelda.hu/toolbar.xml\"", "c:/lap.htm", false},
      {"src=\"http://www.Pelda.hu/toolbar.xml\"", "", false},
      {"", "http://www.pelda.hu/", false},
      {"", "http://localhost/x", true},
      // Two masks with a blank: both apply, the Src host's masks are not added, the local ones are.
      {"src=\"http://www.pelda.hu/t.xml\" scriptableby=\"http://egy.hu/*; https://ketto.hu/*\"", "http://egy.hu/a",
       true},
      {"src=\"http://www.pelda.hu/t.xml\" scriptableby=\"http://egy.hu/*; https://ketto.hu/*\"", "https://KETTO.hu/b",
       true},
      {"src=\"http://www.pelda.hu/t.xml\" scriptableby=\"http://egy.hu/*; https://ketto.hu/*\"", "http://www.pelda.hu/",
       false},
      {"src=\"http://www.pelda.hu/t.xml\" scriptableby=\"http://egy.hu/*; https://ketto.hu/*\"", "http://localhost/",
       true},
      // A blank before ";" stays part of its mask.
      {"scriptableby=\"http://egy.hu/ ;x\"", "http://egy.hu/a", false},
      {"scriptableby=\"http://egy.hu/ ;x\"", "http://egy.hu/ a", true},
      {"scriptableby=\" ; ;http://egy.hu/*\"", "http://egy.hu/a", true},
      // A malformed mask matches nothing and stops nothing.
      {"scriptableby=\"http://[egy.hu/*;http://ketto.hu/*\"", "http://[egy.hu/a", false},
      {"scriptableby=\"http://[egy.hu/*;http://ketto.hu/*\"", "http://ketto.hu/a", true},
      {"scriptableby=\"http://[a-c]*.hu/*\"", "http://b.hu/x", true},
  };
  Start(Definition("", ""));
  TTessalineDeskBandForm* form = MakeForm();
  for (const Case& c : cases) {
    Ship(Definition(c.attributes, ""));
    form->LoadDefinition(false);
    ASSERT_NE(form->CurrentDefinition(), nullptr) << c.attributes;
    EXPECT_EQ(form->IsUrlAllowed(c.url), c.allowed) << c.attributes << " / " << c.url;
  }
}

TEST(ColorToHtml, RedGreenBlueInUpperCaseHexadecimal) {
  EXPECT_EQ(ColorToHtml(TColor(0x00332211)), "#112233");
  EXPECT_EQ(ColorToHtml(TColor(0x000000FF)), "#FF0000");
  EXPECT_EQ(ColorToHtml(TColor(0x00ABCDEF)), "#EFCDAB");
  const int32_t face = ColorToRGB(clBtnFace);
  char expected[8];
  std::snprintf(expected, sizeof expected, "#%02X%02X%02X", face & 0xFF, (face >> 8) & 0xFF, (face >> 16) & 0xFF);
  EXPECT_EQ(ColorToHtml(clBtnFace), expected) << "a system colour is resolved";
}

// ---- areas ----

TEST_F(BandFormHtml, AnAreaShowsItsDefaultContentThenItsSrcAndErrorContentWhileItFails) {
  int requests = 0;
  server_.On("/terulet.htm", [&](const testing_support::HttpRecordedRequest&) {
    return ++requests == 1 ? HttpScriptedResponse::Status(404, "nincs")
                           : HttpScriptedResponse::Ok("<html><body><p>Tartalom</p></body></html>");
  });
  const std::string src = server_.Url("/terulet.htm");
  Start(Definition("", kButton + Area(src, "defaultcontent=\"&lt;b&gt;Betöltés&lt;/b&gt;\" errorcontent=\"Hiba\"")));
  TTessalineDeskBandForm* form = MakeForm();
  TMyWebBrowser* area = AreaOf(form);
  ASSERT_NE(area, nullptr) << Layout(*form);
  EXPECT_FALSE(area->Resizable());
  ASSERT_EQ(area->Browser()->NavigateCalls().size(), 1u);
  EXPECT_EQ(area->Browser()->NavigateCalls()[0].Url, "about:blank");

  // What each completed page shows once the form's handler has run.
  struct Seen {
    std::string url, html;
    bool object;
    int32_t lastError;
  };
  std::vector<Seen> seen;
  auto handler = area->OnNavigateComplete2;
  area->OnNavigateComplete2 = [&](TObject* sender, IDispatch* pDisp, VARIANT& URL) {
    handler(sender, pDisp, URL);
    seen.push_back({OleVariant::RefTo(&URL).AsString(), Utf8(area->Browser()->Document()->Body()->InnerHtml()),
                    ScriptObject(area->Browser()) != nullptr, area->LastError});
  };
  Settle(area);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].url, "about:blank");
  EXPECT_EQ(seen[0].html, "<b>Betöltés</b>") << "DefaultContent first";
  EXPECT_EQ(seen[1].url, src);
  EXPECT_EQ(seen[1].html, "Hiba") << "ErrorContent in place of the browser's error page";
  for (const Seen& page : seen) {
    EXPECT_TRUE(page.object) << "area pages always get the object: " << page.url;
    EXPECT_EQ(page.lastError, 0) << "cleared when the page completed: " << page.url;
  }
  browser::TStyle* style = area->Browser()->Document()->Body()->Style();
  EXPECT_EQ(Utf8(style->Get(browser::TStyle::BorderStyle)), "none");
  EXPECT_EQ(Utf8(style->Get(browser::TStyle::Padding)), "0px");
  EXPECT_EQ(Utf8(style->Get(browser::TStyle::Margin)), "0px");
  EXPECT_EQ(Utf8(style->Get(browser::TStyle::Overflow)), "hidden");
  EXPECT_EQ(Utf8(style->Get(browser::TStyle::BackgroundColor)), ColorToHtml(clBtnFace));
  EXPECT_TRUE(area->Navigated);
  ASSERT_EQ(area->Browser()->NavigateCalls().size(), 2u);
  EXPECT_EQ(area->Browser()->NavigateCalls()[1].Url, src);
  EXPECT_EQ(area->Browser()->NavigateCalls()[1].Flags, 2) << "no history entry";
  EXPECT_EQ(area->Browser()->Location(), src);

  area->Navigate(src);  // the same Src again, now answered
  Settle(area);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2].html, "<p>Tartalom</p>") << "a good page clears the error state";
  EXPECT_EQ(area->Browser()->NavigateCalls().size(), 3u) << "the first navigation to Src happens once";
  EXPECT_EQ(requests, 2);
}

TEST_F(BandFormHtml, SilentFollowsDebugLogAndAutoHideOfflineMakesNothing) {
  Start(Definition("", Area("about:blank")));
  for (DWORD debugLog : {0u, 1u}) {
    SetUserValue("DebugLog", debugLog);
    TTessalineDeskBandForm* form = MakeForm();
    TMyWebBrowser* area = AreaOf(form);
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->Silent(), debugLog == 0) << "DebugLog " << debugLog;
    form_->Free();
    form_ = nullptr;
    DestroyWindow(host_);
    host_ = nullptr;
  }
  Ship(Definition("", "<HTMLAREA width=\"120\" src=\"about:blank\"/>"));
  TTessalineDeskBandForm* form = MakeForm();
  EXPECT_EQ(AreaOf(form), nullptr) << "AutoHide (the default) while offline";
}

TEST_F(BandFormHtml, ALinkGoesToTheHostBrowserWithTheSameValuesAndTheAreaKeepsItsPage) {
  server_.On("/terulet.htm", HttpScriptedResponse::Ok("<html><body>terulet</body></html>"));
  server_.On("/cel.htm", HttpScriptedResponse::Ok("<html><body>cel</body></html>"));
  const std::string src = server_.Url("/terulet.htm"), target = server_.Url("/cel.htm");
  Start(Definition("", Area(src)));
  TTessalineDeskBandForm* form = HostBand(TShellHost::TMode::Browser);
  ASSERT_NE(form, nullptr) << out_.str();
  TMyWebBrowser* area = AreaOf(form);
  ASSERT_NE(area, nullptr);
  Settle(area);
  ASSERT_EQ(area->Browser()->Location(), src);
  size_t hostCalls = shell_->Browser()->NavigateCalls().size();

  area->Navigate(target, OleVariant(int32_t(4)), OleVariant("keret"), {}, OleVariant("X-Teszt: 1\r\n"));
  Settle(area);
  EXPECT_EQ(area->Browser()->Location(), src) << "the area keeps its page";
  std::vector<browser::TBrowser::TNavigateCall> calls = shell_->Browser()->NavigateCalls();
  ASSERT_EQ(calls.size(), hostCalls + 1);
  EXPECT_EQ(calls.back().Method, "Navigate2");
  EXPECT_EQ(calls.back().Url, target);
  EXPECT_EQ(calls.back().Flags, 4);
  EXPECT_FALSE(calls.back().OptionalEmpty);
  EXPECT_EQ(shell_->Browser()->Location(), target);

  for (const char* dropped : {"res://ieframe.dll/dnserror.htm", "RES://x"}) {
    area->Navigate(dropped);
    Settle(area);
    EXPECT_EQ(area->Browser()->Location(), src) << dropped;
    EXPECT_EQ(shell_->Browser()->NavigateCalls().size(), hostCalls + 1) << dropped << " is not forwarded";
  }
  area->Navigate("about:blank");
  Settle(area);
  EXPECT_EQ(area->Browser()->Location(), "about:blank") << "about:blank stays in the area";
}

TEST_F(BandFormHtml, WithoutAHostBrowserALinkIsCancelledAndAFileSrcKeepsItsOwnFile) {
  Application->OnException = [](TObject*, const std::exception& e) { ADD_FAILURE() << e.what(); };
  server_.On("/terulet.htm", HttpScriptedResponse::Ok("<html><body>terulet</body></html>"));
  const std::string src = server_.Url("/terulet.htm");
  const std::string fileSrc = "file:///C:/Lapok/Sav.htm";
  Start(Definition("", Area(src) + Area(fileSrc)));
  TTessalineDeskBandForm* form = MakeForm();
  std::vector<TMyWebBrowser*> areas;
  for (int i = 0; i < form->BuiltControls()->Count(); ++i)
    if (auto* a = DynamicAs<TMyWebBrowser>(static_cast<TObject*>(form->BuiltControls()->Items(i)))) areas.push_back(a);
  ASSERT_EQ(areas.size(), 2u);
  for (TMyWebBrowser* a : areas) Settle(a);
  EXPECT_EQ(areas[0]->Browser()->Location(), src);
  areas[0]->Navigate(server_.Url("/mas.htm"));
  Settle(areas[0]);
  EXPECT_EQ(areas[0]->Browser()->Location(), src) << "cancelled: no host to hand it to";

  // The file Src: the same local file (other case, other slashes) stays, another file leaves.
  EXPECT_EQ(areas[1]->Browser()->Location(), fileSrc) << "its Src stayed (and failed to load)";
  struct Case {
    const char* url;
    bool stays;
  } cases[] = {
      {"file:///c:\\lapok\\SAV.HTM", true}, {"file:///C:/Lapok/Mas.htm", false}, {"file:///D:/Lapok/Sav.htm", false}};
  for (const Case& c : cases) {
    size_t before = areas[1]->Browser()->Navigations().size();
    areas[1]->Navigate(c.url);
    Settle(areas[1]);
    EXPECT_EQ(areas[1]->Browser()->Navigations().size(), before + (c.stays ? 1 : 0)) << c.url;
  }
}

// ---- the browser object on pages ----

TEST_F(BandFormHtml, InjectionOncePerWindowAndNeverOverAnExistingName) {
  Start(Definition("", Area("about:blank")));
  TTessalineDeskBandForm* form = MakeForm();
  TMyWebBrowser* area = AreaOf(form);
  ASSERT_NE(area, nullptr);
  Settle(area);
  ComPtr<IDispatch> first = ScriptObject(area->Browser());
  ASSERT_NE(first, nullptr);
  form->InjectBrowserObject(area->Browser());
  EXPECT_EQ(ScriptObject(area->Browser()), first) << "the window already knows the name";

  area->Navigate("about:blank");
  area->Browser()->RunPending();
  ComPtr<IDispatch> second = ScriptObject(area->Browser());
  EXPECT_NE(second, nullptr);
  EXPECT_NE(second, first) << "a new page window gets its own";

  browser::TWindow* window = WindowOf(area->Browser());
  window->Members().Put(GetModuleBaseName(), OleVariant(int32_t(7)));
  form->InjectBrowserObject(area->Browser());
  EXPECT_EQ(window->Members().Find(GetModuleBaseName())->AsInteger(), 7) << "a page's own variable is kept";
  EXPECT_NO_THROW(form->InjectBrowserObject(nullptr));
}

TEST_F(BandFormHtml, HostPagesGetTheObjectOnlyWhenTheirOwnAddressIsAllowed) {
  server_.On("/jo/lap.htm", HttpScriptedResponse::Ok("<html><body>jo</body></html>"));
  server_.On("/rossz/lap.htm", HttpScriptedResponse::Ok("<html><body>rossz</body></html>"));
  server_.On("/rossz/keret.htm",
             HttpScriptedResponse::Ok("<html><body><iframe name=\"k\" src=\"/jo/lap.htm\"></iframe></body></html>"));
  server_.On("/jo/keret.htm",
             HttpScriptedResponse::Ok("<html><body><iframe name=\"k\" src=\"/rossz/lap.htm\"></iframe></body></html>"));
  Start(Definition("scriptableby=\"" + server_.Url("/jo/") + "*\"", kButton));
  TTessalineDeskBandForm* form = HostBand(TShellHost::TMode::Browser);
  ASSERT_NE(form, nullptr) << out_.str();
  browser::TBrowser* host = shell_->Browser();

  host->NavigateTo(server_.Url("/jo/lap.htm"));
  EXPECT_NE(ScriptObject(host), nullptr) << "an allowed host page";
  host->NavigateTo(server_.Url("/rossz/lap.htm"));
  EXPECT_EQ(ObjectOn(host), nullptr) << "a page on another path";

  host->NavigateTo(server_.Url("/rossz/keret.htm"));
  EXPECT_EQ(ObjectOn(host), nullptr) << "a disallowed page framing an allowed one gets nothing";
  ASSERT_EQ(host->Frames().size(), 1u);
  EXPECT_NE(ScriptObject(host->Frames()[0].Get()), nullptr) << "the allowed frame gets its own";

  host->NavigateTo(server_.Url("/jo/keret.htm"));
  EXPECT_NE(ScriptObject(host), nullptr);
  ASSERT_EQ(host->Frames().size(), 1u);
  EXPECT_EQ(ObjectOn(host->Frames()[0].Get()), nullptr) << "a disallowed frame of an allowed page";
}

TEST_F(BandFormHtml, APageScriptAddsButtonsRightOfAllControls) {
  const std::string name = GetModuleBaseName();
  int requests = 0;
  server_.On("/gombok.htm", [&](const testing_support::HttpRecordedRequest&) {
    // The rebuild makes a new area, which loads the page again: it adds buttons only the first time.
    if (++requests > 1) return HttpScriptedResponse::Ok("<html><body>mar megvan</body></html>");
    HttpScriptedResponse r = HttpScriptedResponse::Ok(
        "<html><body><script>\n" + name + ".AddExtraButton(\"Első\", \"gombok\", 1, \"http://127.0.0.1/elso\");\n" +
        name + ".AddExtraButton(\"Második\", \"\", 0, \"http://127.0.0.1/masodik\", \"_self\");\n" + name +
        ".AddExtraSeparator();\n</script></body></html>");
    r.headers.push_back({"Content-Type", "text/html; charset=utf-8"});
    return r;
  });
  Start(Definition("", Area(server_.Url("/gombok.htm")) + "<TEXT id=\"t\" width=\"50\"/>\n"));
  TTessalineDeskBandForm* form = HostBand(TShellHost::TMode::Browser);
  ASSERT_NE(form, nullptr) << out_.str();
  TMyWebBrowser* area = AreaOf(form);
  ASSERT_NE(area, nullptr);
  Settle(area);
  EXPECT_TRUE(area->Browser()->ScriptErrors().empty()) << area->Browser()->ScriptErrors()[0];
  EXPECT_TRUE(form->RebuildPending());
  const int definitionWidth = form->BuiltWidth();

  auto start = std::chrono::steady_clock::now();
  while (form->ExtraControls()->Count() < 3 && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
    shell_->Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  ASSERT_EQ(form->ExtraControls()->Count(), 3);
  EXPECT_LT(waited.count(), 600) << "the signal timer rebuilds within about 300 ms";
  auto* first = DynamicAs<TToolbarButtonControl>(form->ExtraControls()->Items(0));
  auto* second = DynamicAs<TToolbarButtonControl>(form->ExtraControls()->Items(1));
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->Caption(), "Első"_cp) << "UTF-16 from the page, CP1250 in the toolbar";
  EXPECT_EQ(first->Action()->Target(), "''") << "the default Target";
  EXPECT_EQ(second->Caption(), "Második"_cp);
  EXPECT_NE(DynamicAs<TToolbarSeparatorControl>(form->ExtraControls()->Items(2)), nullptr);
  // Right of the area and the edit box, in call order.
  std::string layout = Layout(*form);
  EXPECT_NE(layout.find("TMyToolBar " + std::to_string(definitionWidth + 2)), std::string::npos) << layout;
  const TObjectList* built = form->BuiltControls();
  auto* bar = DynamicAs<TToolBar>(static_cast<TObject*>(built->Items(built->Count() - 1)));
  ASSERT_NE(bar, nullptr) << layout;
  EXPECT_GE(bar->Left(), definitionWidth);

  // Without Target the button opens a new window of the host browser.
  size_t calls = shell_->Browser()->NavigateCalls().size();
  form->ControlClick(first);
  ASSERT_EQ(shell_->Browser()->NavigateCalls().size(), calls + 1);
  EXPECT_EQ(shell_->Browser()->NavigateCalls().back().Url, "http://127.0.0.1/elso");
  EXPECT_EQ(shell_->Browser()->NavigateCalls().back().Flags, 1);
  form->ControlClick(second);
  EXPECT_EQ(shell_->Browser()->NavigateCalls().back().Flags, 0) << "_self";

  // ClearExtraButtons alone leaves them until the next build.
  area = AreaOf(form);
  ASSERT_NE(area, nullptr);
  Settle(area);
  ComPtr<IDispatch> object = ScriptObject(area->Browser());
  ASSERT_NE(object, nullptr);
  CallDispatchMethod(object.Get(), "ClearExtraButtons");
  EXPECT_FALSE(form->RebuildPending());
  EXPECT_EQ(form->ExtraControls()->Count(), 3);
  EXPECT_EQ(Layout(*form), layout);
  form->BuildControls();
  EXPECT_EQ(form->ExtraControls()->Count(), 0);
}

TEST_F(BandFormHtml, TheObjectsMethodsAndTheirFailures) {
  Start(Definition("", Area("about:blank")));
  TTessalineDeskBandForm* form = MakeForm();
  TMyWebBrowser* area = AreaOf(form);
  ASSERT_NE(area, nullptr);
  Settle(area);
  ComPtr<IDispatch> object = ScriptObject(area->Browser());
  ASSERT_NE(object, nullptr);
  ComPtr<ITessalineBrowserObject> dual;
  ASSERT_EQ(object->QueryInterface(ITessalineBrowserObject::Iid, dual.PutVoid()), S_OK);

  struct Name {
    const char* name;
    DISPID id;
  } names[] = {{"About", 201},          {"GetIdealBkColor", 202},   {"clearextrabuttons", 203},
               {"AddExtraButton", 204}, {"AddExtraSeparator", 205}, {"Nincs", DISPID_UNKNOWN}};
  for (const Name& n : names) {
    WideString wide = WideString::FromString(n.name);
    LPOLESTR list[] = {wide.Get()};
    DISPID id = 0;
    HRESULT hr = object->GetIDsOfNames(GUID_NULL, list, 1, 1024, &id);
    EXPECT_EQ(hr, n.id == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK) << n.name;
    if (SUCCEEDED(hr)) {
      EXPECT_EQ(id, n.id) << n.name;
    }
  }

  ClearMessageBoxRecords();
  CallDispatchMethod(object.Get(), "About");
  std::vector<TMessageBoxRecord> boxes = MessageBoxRecords();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "About Tessaline Toolbar");
  EXPECT_EQ(boxes[0].flags, MB_ICONINFORMATION);
  EXPECT_EQ(boxes[0].owner, nullptr);

  const int32_t rgb = ColorToRGB(form->Color());
  const uint32_t expected = uint32_t(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
  OleVariant answered = CallDispatchMethod(object.Get(), "GetIdealBkColor");
  ASSERT_EQ(answered.Type(), VT_UI4) << "an OLE_COLOR";
  EXPECT_EQ(answered.Get()->uintVal, expected) << "red in bits 16 to 23";
  OLE_COLOR color = 0;
  EXPECT_EQ(dual->GetIdealBkColor(&color), S_OK);
  EXPECT_EQ(color, expected);
  EXPECT_EQ(dual->GetIdealBkColor(nullptr), E_POINTER);

  // Failures inside answer failure codes: a missing argument, and more buttons than the form takes.
  EXPECT_THROW(CallDispatchMethod(object.Get(), "AddExtraButton", {OleVariant("x")}), EOleSysError);
  WideString caption = WideString::FromString("Gomb"), empty;
  for (size_t i = 0; i < TTessalineDeskBandForm::kMaxExtraButtons; ++i)
    ASSERT_EQ(dual->AddExtraButton(caption.Get(), empty.Get(), 0, empty.Get(), empty.Get()), S_OK) << i;
  EXPECT_TRUE(FAILED(dual->AddExtraButton(caption.Get(), empty.Get(), 0, empty.Get(), empty.Get())));
  EXPECT_TRUE(FAILED(dual->AddExtraSeparator()));
  try {
    CallDispatchMethod(object.Get(), "AddExtraSeparator");
    ADD_FAILURE() << "the 257th record was taken";
  } catch (const EOleException& e) {
    EXPECT_TRUE(FAILED(e.ErrorCode()));
    EXPECT_NE(e.Message().find("256"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(dual->ClearExtraButtons(), S_OK);
  EXPECT_EQ(dual->AddExtraSeparator(), S_OK) << "room again after clearing";

  // The band form goes; the page still holds the object.
  area = nullptr;
  form_->Free();
  form_ = nullptr;
  EXPECT_TRUE(FAILED(dual->About()));
  EXPECT_TRUE(FAILED(dual->GetIdealBkColor(&color)));
  EXPECT_TRUE(FAILED(dual->ClearExtraButtons()));
  EXPECT_TRUE(FAILED(dual->AddExtraButton(caption.Get(), empty.Get(), 0, empty.Get(), empty.Get())));
  EXPECT_TRUE(FAILED(dual->AddExtraSeparator()));
  EXPECT_THROW(CallDispatchMethod(object.Get(), "AddExtraSeparator"), EOleException);
  EXPECT_EQ(MessageBoxRecords().size(), 1u) << "no box from a detached object";
}

}  // namespace
