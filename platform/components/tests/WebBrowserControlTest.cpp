// The web-browser control on a form: its properties by DISPID and by name, its bounds, its three events
// with their write-back arguments, and a page's document reached by late binding from its handlers.
#include <gtest/gtest.h>

#include "platform/browser/Document.h"
#include "platform/browser/PageLoader.h"
#include "platform/com/LateBinding.h"
#include "platform/components/Application.h"
#include "platform/components/Forms.h"
#include "platform/components/WebBrowserControl.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/testing/TestMachine.h"

namespace {

using testing_support::HttpScriptedResponse;

class WebBrowserControl : public ::testing::Test {
 protected:
  void SetUp() override {
    form_ = TCustomForm::CreateNew<TForm>(Application);
    form_->SetBounds(0, 0, 300, 60);
    form_->Show();
    control_ = NewObject<TWebBrowser>(form_);
    control_->SetName("Area");
    control_->SetParent(form_);
  }
  void TearDown() override {
    form_->Free();
    Application->OnException = nullptr;
  }
  std::string Url(const VARIANT& v) { return OleVariant::RefTo(const_cast<VARIANT*>(&v)).AsString(); }

  testing_support::TestMachine machine_;
  testing_support::ScopedLoopbackNames names_{{}};
  testing_support::HttpTestServer server_;
  TForm* form_ = nullptr;
  TWebBrowser* control_ = nullptr;
};

TEST_F(WebBrowserControl, PropertiesByDispidAndByNameAndTheBounds) {
  IDispatch* automation = control_->DefaultInterface();
  control_->SetResizable(false);
  control_->SetSilent(true);
  EXPECT_FALSE(control_->Resizable());
  EXPECT_TRUE(control_->Silent());
  EXPECT_FALSE(GetDispatchProperty(automation, "Resizable").AsBool()) << "556 is Resizable";
  EXPECT_TRUE(GetDispatchProperty(automation, "silent").AsBool()) << "551 is Silent";
  SetDispatchProperty(automation, "Silent", false);
  EXPECT_FALSE(control_->Silent());
  control_->SetBounds(4, -1, 120, 22);
  EXPECT_EQ(GetDispatchProperty(automation, "Width").AsInteger(), 120);
  EXPECT_EQ(GetDispatchProperty(automation, "Height").AsInteger(), 22);
  EXPECT_EQ(browser::TBrowser::FromWindow(control_->Handle()).Get(), control_->Browser())
      << "a host finds the browser by the control's window";
}

TEST_F(WebBrowserControl, EventsOfAnAreaThatShowsItsOwnContent) {
  server_.On("/src", HttpScriptedResponse::Ok("<html><body>from src</body></html>"));
  std::string src = server_.Url("/src"), missing = server_.Url("/missing");
  std::vector<std::string> trace;
  int32_t lastError = 0;
  control_->OnBeforeNavigate2 = [&](TObject* sender, IDispatch*, VARIANT& URL, VARIANT&, VARIANT&, VARIANT&, VARIANT&,
                                    WordBool& Cancel) {
    EXPECT_EQ(sender, control_);
    trace.push_back("before " + Url(URL));
    lastError = 0;
    if (Url(URL).find("res://") != std::string::npos) Cancel = VARIANT_TRUE;
  };
  control_->OnNavigateError = [&](TObject*, IDispatch*, VARIANT& URL, VARIANT&, VARIANT& StatusCode, WordBool& Cancel) {
    trace.push_back("error " + Url(URL));
    lastError = OleVariant::RefTo(&StatusCode).AsInteger();
    Cancel = VARIANT_TRUE;
  };
  control_->OnNavigateComplete2 = [&](TObject*, IDispatch* pDisp, VARIANT& URL) {
    trace.push_back("complete " + Url(URL));
    OleVariant document = GetDispatchProperty(pDisp, "Document");
    OleVariant body = GetDispatchProperty(document.Get()->pdispVal, "body");
    OleVariant style = GetDispatchProperty(body.Get()->pdispVal, "style");
    if (GetDispatchProperty(style.Get()->pdispVal, "borderStyle").AsString().empty())
      SetDispatchProperty(style.Get()->pdispVal, "borderStyle", "none");
    if (Url(URL) == "about:blank") SetDispatchProperty(body.Get()->pdispVal, "innerHTML", "<b>default</b>");
    if (lastError != 0) SetDispatchProperty(body.Get()->pdispVal, "innerHTML", "<i>error</i>");
  };
  control_->Navigate("about:blank");
  EXPECT_TRUE(trace.empty()) << "posted, not run inside the call";
  Application->ProcessMessages();
  EXPECT_EQ(control_->Browser()->Document()->Body()->InnerHtml(), u"<b>default</b>");
  EXPECT_EQ(control_->Browser()->Document()->Body()->Style()->Get(browser::TStyle::BorderStyle), u"none");
  control_->Navigate(missing, int32_t(browser::navNoHistory), {}, {}, {});
  Application->ProcessMessages();
  EXPECT_EQ(lastError, 404);
  EXPECT_EQ(control_->Browser()->Document()->Body()->InnerHtml(), u"<i>error</i>");
  control_->Navigate2(OleVariant(src), {}, {}, {}, {});
  control_->Navigate("res://shdoclc.dll/dnserror.htm");
  Application->ProcessMessages();
  EXPECT_EQ(trace, (std::vector<std::string>{"before about:blank", "complete about:blank", "before " + missing,
                                             "error " + missing, "complete " + missing, "before " + src,
                                             "complete " + src, "before res://shdoclc.dll/dnserror.htm"}));
  EXPECT_EQ(control_->LocationURL(), src) << "the res:// address was cancelled";
  EXPECT_EQ(control_->Browser()->Document()->Body()->InnerHtml(), u"from src");
}

TEST_F(WebBrowserControl, AHandlersErrorGoesToTheApplication) {
  std::vector<std::string> reported;
  Application->OnException = [&](TObject* sender, const std::exception& e) {
    EXPECT_EQ(sender, control_);
    reported.push_back(e.what());
  };
  control_->OnNavigateComplete2 = [](TObject*, IDispatch* pDisp, VARIANT&) {
    GetDispatchProperty(pDisp, "NoSuchProperty");
  };
  control_->Navigate("about:blank");
  Application->ProcessMessages();
  EXPECT_EQ(reported, std::vector<std::string>{"Unknown name."});
  EXPECT_EQ(control_->LocationURL(), "about:blank") << "the navigation went on";
}

}  // namespace
