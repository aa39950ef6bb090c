// Pages served on loopback whose inline scripts reach objects put on their window, frames with windows
// of their own, and script errors that end one script only.
#include <gtest/gtest.h>

#include "platform/browser/ScriptEngine.h"
#include "platform/browser/tests/BrowserTestSupport.h"
#include "platform/com/LateBinding.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/testing/TestMachine.h"

namespace {

using browser::TBrowser;
using browser_test::TProbe;
using browser_test::TRecordingSink;
using testing_support::HttpScriptedResponse;

std::string Page(const std::string& body) {
  return "<html><head><title>t</title></head><body>" + body + "</body></html>";
}

class Scripts : public ::testing::Test {
 protected:
  void SetUp() override {
    browser_ = TBrowser::Create();
    sink_ = MakeComObject<TRecordingSink>();
    probe_ = MakeComObject<TProbe>();
    // As a host does: the object goes on every top page's window when it is complete.
    sink_->onEvent = [this](DISPID id, DISPPARAMS& params) {
      if (id != DISPID_NAVIGATECOMPLETE2) return;
      IDispatch* which = params.rgvarg[params.cArgs - 1].pdispVal;
      if (which != static_cast<IDispatch*>(static_cast<IWebBrowser2*>(browser_.Get()))) return;
      ComPtr<IDispatch> document;
      browser_->get_Document(document.Put());
      browser_test::PutOnWindow(document.Get(), "Probe", probe_.Get());
    };
    sink_->Connect(browser_.Get());
  }
  void TearDown() override {
    sink_->Disconnect();
    browser_->Close();
  }
  // The value of a property the page put on a window, as text.
  static std::string WindowValue(browser::TWindow* window, const std::string& name) {
    const OleVariant* value = window->Members().Find(name);
    if (!value) return "(none)";
    OleVariant text;
    VariantChangeType(text.Get(), value->Get(), 0, VT_BSTR);
    return text.AsString();
  }

  testing_support::TestMachine machine_;
  testing_support::ScopedLoopbackNames names_{{}};
  testing_support::HttpTestServer server_;
  ComPtr<TBrowser> browser_;
  ComPtr<TRecordingSink> sink_;
  ComPtr<TProbe> probe_;
};

TEST_F(Scripts, APageCallsTheObjectOnItsWindowAndGetsTheValuesBack) {
  server_.On("/", HttpScriptedResponse::Ok(Page(R"(
<script>
  Probe.Log("start");
  var sum = Probe.Add(2, 40);
  Probe.Log("sum " + sum + " " + typeof sum);
  Probe.Log(Probe.Name);
  window.Probe.Log("through window " + (window.Probe === undefined));
  Probe.Log(String(Probe.Add("3", 4.0)));
</script>
<p>between</p>
<script type="text/javascript">Probe.Log("second script");</script>
<script type="text/vbscript">Probe.Log "never"</script>
<script src="/external.js"></script>
)")));
  browser_->NavigateTo(server_.Url("/"));
  EXPECT_EQ(browser_->ScriptErrors(), std::vector<std::string>{});
  EXPECT_EQ(probe_->calls, (std::vector<std::string>{"start", "Add 2 40", "sum 42 number", "próba"_cp,
                                                     "through window false", "Add 3 4", "7", "second script"}));
  EXPECT_EQ(server_.Requests().size(), 1u) << "external scripts are not fetched";
  // The scripts ran after NavigateComplete2 and before DocumentComplete.
  auto names = sink_->Names();
  EXPECT_EQ(names.at(2), "NavigateComplete2 " + server_.Url("/"));
  EXPECT_EQ(names.at(3), "DocumentComplete " + server_.Url("/"));
}

TEST_F(Scripts, AScriptErrorIsRecordedAndTheNextScriptRuns) {
  server_.On("/", HttpScriptedResponse::Ok(Page(R"(
<script>Probe.Log("one"); missingFunction(); Probe.Log("not reached");</script>
<script>try { Probe.Fail(); } catch (e) { Probe.Log("caught " + e.message); }</script>
<script>Probe.Add("x", 1);</script>
<script>this is not javascript</script>
<script>window.after = "ran"; Probe.Log("last");</script>
)")));
  browser_->NavigateTo(server_.Url("/"));
  EXPECT_EQ(probe_->calls, (std::vector<std::string>{"one", "caught probe refused", "last"}));
  auto errors = browser_->ScriptErrors();
  ASSERT_EQ(errors.size(), 3u);
  std::string url = server_.Url("/");
  EXPECT_EQ(errors[0], url + " script 1 line 1: ReferenceError: identifier 'missingFunction' undefined");
  EXPECT_EQ(errors[1], url + " script 3 line 1: Error: Type mismatch.");
  EXPECT_NE(errors[2].find(url + " script 4 line 1: SyntaxError"), std::string::npos) << errors[2];
  EXPECT_EQ(WindowValue(browser_->Window(), "after"), "ran") << "a put on window is the window's property";
}

TEST_F(Scripts, AFrameRunsInItsOwnWindow) {
  server_.On("/", HttpScriptedResponse::Ok(Page(R"(
<script>window.marker = "top " + (typeof Probe);</script>
<iframe src="inner.html" name="inner"></iframe>
<iframe src="/missing" name="broken"></iframe>
)")));
  server_.On("/inner.html", HttpScriptedResponse::Ok(Page(R"(
<script>window.marker = "frame " + name + " " + (typeof Probe) + " " + document.URL;</script>
)")));
  browser_->NavigateTo(server_.Url("/"));
  ASSERT_EQ(browser_->Frames().size(), 2u);
  TBrowser* inner = browser_->Frames()[0].Get();
  TBrowser* broken = browser_->Frames()[1].Get();
  EXPECT_EQ(inner->FrameName(), "inner");
  EXPECT_EQ(inner->Location(), server_.Url("/inner.html")) << "resolved against the page";
  EXPECT_EQ(WindowValue(browser_->Window(), "marker"), "top object");
  EXPECT_EQ(WindowValue(inner->Window(), "marker"), "frame inner undefined " + server_.Url("/inner.html"));
  EXPECT_NE(inner->Window(), browser_->Window());
  // The frames' events reach the top browser's sink, each with its own browser, before the page completes.
  IDispatch* innerDisp = static_cast<IWebBrowser2*>(inner);
  std::string innerUrl = server_.Url("/inner.html"), missing = server_.Url("/missing");
  EXPECT_EQ(sink_->Names(innerDisp),
            (std::vector<std::string>{"BeforeNavigate2 " + innerUrl, "NavigateComplete2 " + innerUrl,
                                      "DocumentComplete " + innerUrl}));
  EXPECT_EQ(sink_->Names(static_cast<IWebBrowser2*>(broken)),
            (std::vector<std::string>{"BeforeNavigate2 " + missing, "NavigateError " + missing + " 404",
                                      "NavigateComplete2 " + missing, "DocumentComplete " + missing}));
  EXPECT_EQ(sink_->Names(static_cast<IWebBrowser2*>(browser_.Get())).back(), "DocumentComplete " + server_.Url("/"));

  // A frame's own sink hears only its own events.
  auto frameSink = MakeComObject<TRecordingSink>();
  frameSink->Connect(inner);
  inner->NavigateTo("about:blank");
  EXPECT_EQ(frameSink->Names().front(), "BeforeNavigate2 about:blank");
  EXPECT_EQ(browser_->Frames()[0].Get(), inner) << "the frame navigated, the page stayed";
  frameSink->Disconnect();
}

TEST_F(Scripts, PagesWithoutScriptsStartNoEngine) {
  server_.On("/plain", HttpScriptedResponse::Ok(Page("<p>no scripts</p><script src='x.js'></script>")));
  long before = browser::TScriptEngine::Starts();
  browser_->NavigateTo(server_.Url("/plain"));
  browser_->NavigateTo("about:blank");
  EXPECT_EQ(browser::TScriptEngine::Starts(), before);
  EXPECT_FALSE(browser_->Window()->HasScriptEngine());
  server_.On("/one", HttpScriptedResponse::Ok(Page("<script>1</script><script>2</script>")));
  browser_->NavigateTo(server_.Url("/one"));
  EXPECT_EQ(browser::TScriptEngine::Starts(), before + 1) << "one engine per window, however many scripts";
}

TEST_F(Scripts, ScriptsReachNothingOfTheHost) {
  server_.On("/", HttpScriptedResponse::Ok(Page(R"(
<script>
  var kinds = [typeof require, typeof print, typeof setTimeout, typeof XMLHttpRequest, typeof Duktape.modSearch];
  Probe.Log(kinds.join(" "));
</script>
)")));
  browser_->NavigateTo(server_.Url("/"));
  EXPECT_EQ(probe_->calls, (std::vector<std::string>{"undefined undefined undefined undefined undefined"}))
      << (browser_->ScriptErrors().empty() ? "" : browser_->ScriptErrors()[0]);
}

}  // namespace
