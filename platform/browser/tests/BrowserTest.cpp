// The headless browser: navigations posted to the owner thread and their events, the document model
// through late binding, a window per document, new windows and the automation members.
#include <gtest/gtest.h>

#include "platform/browser/PageLoader.h"
#include "platform/browser/tests/BrowserTestSupport.h"
#include "platform/com/LateBinding.h"
#include "platform/com/OleError.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MessageQueue.h"

namespace {

using browser::TBrowser;
using browser_test::TRecordingSink;
using testing_support::HttpScriptedResponse;

class Browser : public ::testing::Test {
 protected:
  void SetUp() override {
    browser_ = TBrowser::Create(nullptr, [this](const std::string& line) { notices_.push_back(line); });
    sink_ = MakeComObject<TRecordingSink>();
    sink_->Connect(browser_.Get());
  }
  void TearDown() override {
    sink_->Disconnect();
    browser_->Close();
  }
  // Handles the thread's messages until none is left.
  void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  HRESULT Navigate(const std::string& url, LONG flags = 0) {
    OleVariant target(url), flagArg{int32_t(flags)};
    return browser_->Navigate2(target.Get(), flagArg.Get(), nullptr, nullptr, nullptr);
  }
  ComPtr<IDispatch> Document() {
    ComPtr<IDispatch> document;
    EXPECT_EQ(browser_->get_Document(document.Put()), S_OK);
    return document;
  }

  testing_support::TestMachine machine_;
  testing_support::ScopedLoopbackNames names_{{}};
  testing_support::HttpTestServer server_;
  ComPtr<TBrowser> browser_;
  ComPtr<TRecordingSink> sink_;
  std::vector<std::string> notices_;
};

TEST_F(Browser, NavigationsArePostedToTheOwnerThreadAndRunInOrder) {
  server_.On("/a", HttpScriptedResponse::Ok("<p>a</p>"));
  ASSERT_EQ(Navigate("about:blank"), S_OK);
  ASSERT_EQ(Navigate(server_.Url("/a")), S_OK);
  EXPECT_TRUE(sink_->events.empty()) << "nothing happens inside the call";
  EXPECT_TRUE(browser_->Busy());
  Pump();
  EXPECT_FALSE(browser_->Busy());
  std::string a = server_.Url("/a");
  EXPECT_EQ(sink_->Names(),
            (std::vector<std::string>{"BeforeNavigate2 about:blank", "DownloadBegin", "NavigateComplete2 about:blank",
                                      "DocumentComplete about:blank", "DownloadComplete", "CommandStateChange",
                                      "BeforeNavigate2 " + a, "DownloadBegin", "NavigateComplete2 " + a,
                                      "DocumentComplete " + a, "DownloadComplete", "CommandStateChange"}));
  EXPECT_EQ(browser_->Location(), a);
  EXPECT_EQ(browser_->Navigations(), (std::vector<std::string>{"about:blank", a}));
  EXPECT_EQ(notices_, (std::vector<std::string>{"navigated to about:blank", "navigated to " + a}));
}

TEST_F(Browser, FailuresFireNavigateErrorWithTheirStatus) {
  server_.On("/missing", HttpScriptedResponse::Status(404, "gone"));
  std::string refused = "http://127.0.0.1:" + std::to_string(testing_support::UnusedLoopbackPort()) + "/";
  struct Case {
    std::string url;
    int32_t status;
    bool cancel;
    std::u16string body;  // of the page shown afterwards
  } cases[] = {
      {server_.Url("/missing"), 404, false, u"<h1>The page cannot be displayed</h1>"},
      {server_.Url("/missing"), 404, true, u""},
      {"res://ieframe.dll/navcancl.htm", browser::INET_E_UNKNOWN_PROTOCOL, true, u""},
      {"http://nowhere.example/", browser::INET_E_RESOURCE_NOT_FOUND, true, u""},
      {refused, browser::INET_E_CANNOT_CONNECT, false, u"<h1>The page cannot be displayed</h1>"},
  };
  for (const Case& c : cases) {
    sink_->events.clear();
    sink_->onEvent = [&](DISPID id, DISPPARAMS& params) {
      if (id == DISPID_NAVIGATEERROR && c.cancel) browser_test::CancelEvent(params);
    };
    browser_->NavigateTo(c.url);
    EXPECT_EQ(sink_->Names(), (std::vector<std::string>{"BeforeNavigate2 " + c.url, "DownloadBegin",
                                                        "NavigateError " + c.url + " " + std::to_string(c.status),
                                                        "NavigateComplete2 " + c.url, "DocumentComplete " + c.url,
                                                        "DownloadComplete", "CommandStateChange"}))
        << c.url << (c.cancel ? " cancelled" : "");
    ASSERT_TRUE(browser_->Document());
    EXPECT_EQ(browser_->Document()->Body()->InnerHtml(), c.body) << c.url;
    EXPECT_EQ(browser_->Location(), c.url);
  }
}

TEST_F(Browser, ACancelledNavigationLeavesThePageAsItWas) {
  browser_->NavigateTo("about:blank");
  browser::TWindow* before = browser_->Window();
  sink_->onEvent = [](DISPID id, DISPPARAMS& params) {
    if (id == DISPID_BEFORENAVIGATE2) browser_test::CancelEvent(params);
  };
  sink_->events.clear();
  browser_->NavigateTo(server_.Url("/x"));
  EXPECT_EQ(sink_->Names(), (std::vector<std::string>{"BeforeNavigate2 " + server_.Url("/x")}));
  EXPECT_EQ(browser_->Window(), before);
  EXPECT_EQ(browser_->Location(), "about:blank");
  EXPECT_EQ(server_.Requests().size(), 0u) << "nothing was fetched";
  EXPECT_EQ(notices_.back(), "navigation to " + server_.Url("/x") + " cancelled");
}

TEST_F(Browser, TheDocumentByLateBinding) {
  server_.On("/page", HttpScriptedResponse::Ok("<html><head><title>Cím</title></head><body><b>x</b></body></html>"));
  browser_->NavigateTo(server_.Url("/page"));
  ComPtr<IDispatch> document = Document();
  ASSERT_TRUE(document);
  EXPECT_EQ(GetDispatchProperty(document.Get(), "title").AsString(), "Cím"_cp);
  EXPECT_EQ(GetDispatchProperty(document.Get(), "URL").AsString(), server_.Url("/page"));
  OleVariant body = GetDispatchProperty(document.Get(), "body");
  ASSERT_EQ(body.Type(), VT_DISPATCH);
  IDispatch* b = body.Get()->pdispVal;
  EXPECT_EQ(GetDispatchProperty(b, "innerHTML").AsString(), "<b>x</b>");
  OleVariant style = GetDispatchProperty(b, "style");
  ASSERT_EQ(style.Type(), VT_DISPATCH);
  IDispatch* s = style.Get()->pdispVal;
  for (const char* name : {"borderStyle", "padding", "margin", "overflow", "backgroundColor"}) {
    EXPECT_EQ(GetDispatchProperty(s, name).AsString(), "") << name << " is empty until set";
    SetDispatchProperty(s, name, OleVariant(std::string(name) + "!"));
  }
  EXPECT_EQ(GetDispatchProperty(s, "BACKGROUNDCOLOR").AsString(), "backgroundColor!");
  EXPECT_EQ(browser_->Document()->Body()->Style()->Get(browser::TStyle::Padding), u"padding!");
  SetDispatchProperty(b, "innerHTML", "<i>Árvíz</i>"_cp);
  EXPECT_EQ(browser_->Document()->Body()->InnerHtml(), u"<i>Árvíz</i>");
  try {
    SetDispatchProperty(b, "tagName", "DIV");
    ADD_FAILURE() << "tagName is read-only";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode(), DISP_E_MEMBERNOTFOUND);
  }
}

TEST_F(Browser, EachDocumentHasANewWindowThatTakesNames) {
  browser_->NavigateTo("about:blank");
  ComPtr<IDispatch> first = Document();
  auto probe = MakeComObject<browser_test::TProbe>();
  browser_test::PutOnWindow(first.Get(), "Pellandra", probe.Get());
  ComPtr<IHTMLWindow2> window;
  ASSERT_EQ(first.As<IHTMLDocument2>()->get_parentWindow(window.Put()), S_OK);
  DISPID id = 0;
  WideString name = WideString::FromString("Pellandra");
  LPOLESTR names[] = {name.Get()};
  EXPECT_EQ(window->GetIDsOfNames(GUID_NULL, names, 1, 0x400, &id), S_OK) << "the window knows the name";
  OleVariant held = GetDispatchProperty(window.Get(), "Pellandra");
  EXPECT_EQ(CallDispatchMethod(held.Get()->pdispVal, "Add", {int32_t(2), int32_t(3)}).AsInteger(), 5);
  ComPtr<IHTMLDocument2> back;
  ASSERT_EQ(window->get_document(back.Put()), S_OK);
  EXPECT_EQ(static_cast<IDispatch*>(back.Get()), first.Get());

  browser_->NavigateTo("about:blank");
  ComPtr<IHTMLWindow2> second;
  ASSERT_EQ(Document().As<IHTMLDocument2>()->get_parentWindow(second.Put()), S_OK);
  EXPECT_NE(second.Get(), window.Get()) << "a new document, a new window";
  EXPECT_EQ(second->GetIDsOfNames(GUID_NULL, names, 1, 0x400, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(window->GetIDsOfNames(GUID_NULL, names, 1, 0x400, &id), DISP_E_UNKNOWNNAME)
      << "the old window let go of what it held";
  EXPECT_EQ(window->get_document(back.Put()), E_FAIL) << "the old window has no document any more";
}

TEST_F(Browser, FlagOneOpensARecordedNewWindow) {
  browser_->NavigateTo("about:blank");
  sink_->events.clear();
  ASSERT_EQ(Navigate("about:blank#new", browser::navOpenInNewWindow), S_OK);
  Pump();
  ASSERT_EQ(browser_->NewWindows().size(), 1u);
  EXPECT_EQ(browser_->NewWindows()[0]->Location(), "about:blank#new");
  EXPECT_TRUE(sink_->events.empty()) << "this browser stays where it is";
  EXPECT_EQ(browser_->Location(), "about:blank");
  EXPECT_EQ(notices_.at(1), "new window for about:blank#new");
}

TEST_F(Browser, AutomationMembersByNameAndByDispid) {
  IDispatch* object = browser_.Get();
  SetDispatchProperty(object, "Silent", true);
  EXPECT_TRUE(browser_->Silent());
  OleVariant off(false);
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{off.Get(), &put, 1, 1};
  ASSERT_EQ(object->Invoke(556, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
  EXPECT_FALSE(browser_->Resizable());
  EXPECT_EQ(GetDispatchProperty(object, "resizable").AsBool(), false);
  OleVariant silent;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  ASSERT_EQ(object->Invoke(551, GUID_NULL, 0, DISPATCH_PROPERTYGET, &none, silent.Get(), nullptr, nullptr), S_OK);
  EXPECT_TRUE(silent.AsBool());
  SetDispatchProperty(object, "Width", int32_t(120));
  SetDispatchProperty(object, "Height", int32_t(22));
  EXPECT_EQ(browser_->Bounds().right, 120);
  EXPECT_EQ(browser_->Bounds().bottom, 22);
  CallDispatchMethod(object, "Navigate", {"about:blank"});
  Pump();
  EXPECT_EQ(GetDispatchProperty(object, "LocationURL").AsString(), "about:blank");
  OleVariant document = GetDispatchProperty(object, "Document");
  ASSERT_EQ(document.Type(), VT_DISPATCH);
  EXPECT_EQ(GetDispatchProperty(document.Get()->pdispVal, "URL").AsString(), "about:blank");
  OleVariant empty;
  EXPECT_EQ(browser_->Navigate2(empty.Get(), nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
}

TEST_F(Browser, EveryNavigateCallIsRecordedWithItsFlagsAndTheShiftKey) {
  OleVariant newWindow{int32_t(browser::navOpenInNewWindow)}, missing, frame("side"), empty;
  missing.Get()->vt = VT_ERROR;
  missing.Get()->scode = DISP_E_PARAMNOTFOUND;
  WideString blank = WideString::FromString("about:blank#a");
  EXPECT_EQ(browser_->Navigate(blank.Get(), missing.Get(), missing.Get(), nullptr, empty.Get()), S_OK);
  keybd_event(VK_SHIFT, 0, 0, 0);
  EXPECT_EQ(browser_->Navigate(blank.Get(), newWindow.Get(), nullptr, nullptr, nullptr), S_OK);
  keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
  OleVariant url("about:blank#b");
  EXPECT_EQ(browser_->Navigate2(url.Get(), nullptr, frame.Get(), nullptr, nullptr), S_OK);
  EXPECT_EQ(browser_->Navigate2(empty.Get(), nullptr, nullptr, nullptr, nullptr), E_INVALIDARG);
  std::vector<std::string> calls;
  for (const TBrowser::TNavigateCall& c : browser_->NavigateCalls())
    calls.push_back(c.Method + " " + c.Url + " flags " + std::to_string(c.Flags) +
                    (c.OptionalEmpty ? " bare" : " with options") + (c.ShiftDown ? " shift" : ""));
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "Navigate about:blank#a flags 0 bare", "Navigate about:blank#a flags 1 with options shift",
                       "Navigate2 about:blank#b flags 0 with options", "Navigate2  flags 0 bare"}))
      << "recorded before anything is checked, a failing call too";
  Pump();
}

TEST_F(Browser, AClosedBrowserNavigatesNoMore) {
  ASSERT_EQ(Navigate("about:blank"), S_OK);
  browser_->Close();
  Pump();
  EXPECT_TRUE(sink_->events.empty()) << "the posted navigation was dropped";
  EXPECT_EQ(Navigate("about:blank"), E_FAIL);
}

}  // namespace
