// The browser event sink: every event with its arguments and write-backs, the argument map, the faults of
// callers that name or type arguments wrongly, and connecting to a source.
#include "deskband/SHDocVwEvents.h"

#include <gtest/gtest.h>

#include "platform/browser/Browser.h"
#include "platform/browser/Document.h"
#include "platform/com/OleError.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/testing/TestMachine.h"

namespace {

// Variants of the arguments, kept alive for one call. Values are owned here; references point at them.
class TArgs {
 public:
  TArgs& Int(LONG v) {
    return Add(VT_I4, [v](VARIANT& x) { x.lVal = v; });
  }
  TArgs& Bool(bool v) {
    return Add(VT_BOOL, [v](VARIANT& x) { x.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; });
  }
  TArgs& Str(const std::string& v) {
    return Add(VT_BSTR, [v](VARIANT& x) { x.bstrVal = StringToOleStr(v); });
  }
  TArgs& Disp(IDispatch* v) {
    if (v) v->AddRef();  // the variant owns a reference
    return Add(VT_DISPATCH, [v](VARIANT& x) { x.pdispVal = v; });
  }
  TArgs& VarRef(const std::string& v) {
    targets_.push_back(std::make_unique<OleVariant>(v));
    VARIANT* t = targets_.back()->Get();
    return Add(VT_BYREF | VT_VARIANT, [t](VARIANT& x) { x.pvarVal = t; });
  }
  TArgs& BoolRef(bool v) {
    bools_.push_back(std::make_unique<VARIANT_BOOL>(v ? VARIANT_TRUE : VARIANT_FALSE));
    VARIANT_BOOL* t = bools_.back().get();
    return Add(VT_BYREF | VT_BOOL, [t](VARIANT& x) { x.pboolVal = t; });
  }
  TArgs& IntRef(LONG v) {
    ints_.push_back(std::make_unique<LONG>(v));
    LONG* t = ints_.back().get();
    return Add(VT_BYREF | VT_I4, [t](VARIANT& x) { x.plVal = t; });
  }
  TArgs& DispRef(IDispatch** slot) {
    return Add(VT_BYREF | VT_DISPATCH, [slot](VARIANT& x) { x.ppdispVal = slot; });
  }
  TArgs& Raw(VARTYPE type) {
    return Add(type, [](VARIANT&) {});
  }
  ~TArgs() {
    for (VARIANT& v : values_) VariantClear(&v);
  }

  // The call's parameters: positional last to first, as the platform passes them.
  DISPPARAMS Positional() {
    reversed_.assign(values_.rbegin(), values_.rend());
    return DISPPARAMS{reversed_.empty() ? nullptr : reversed_.data(), nullptr, UINT(reversed_.size()), 0};
  }
  VARIANT_BOOL BoolAt(size_t i) const { return *bools_.at(i); }
  LONG IntAt(size_t i) const { return *ints_.at(i); }
  OleVariant& Target(size_t i) const { return *targets_.at(i); }

 private:
  template <class F>
  TArgs& Add(VARTYPE type, F fill) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    fill(v);
    values_.push_back(v);
    return *this;
  }
  std::vector<VARIANT> values_, reversed_;
  std::vector<std::unique_ptr<OleVariant>> targets_;
  std::vector<std::unique_ptr<VARIANT_BOOL>> bools_;
  std::vector<std::unique_ptr<LONG>> ints_;
};

std::string Text(VARIANT& v) { return OleVariant::RefTo(&v).AsString(); }
std::string B(WordBool b) { return b ? "T" : "F"; }

class EventSink : public ::testing::Test {
 protected:
  void SetUp() override {
    sink_ = TSHDocVwDWebBrowserEvents2::Create(nullptr);
    auto& s = *sink_;
    auto log = [this](std::string line) { trace_.push_back(std::move(line)); };
    s.StatusTextChange = [=, this](TObject*, const WideString& t) { log("StatusTextChange " + t.ToString()); };
    s.ProgressChange = [=, this](TObject*, int p, int m) {
      log("ProgressChange " + std::to_string(p) + "/" + std::to_string(m));
    };
    s.CommandStateChange = [=, this](TObject*, int c, WordBool e) {
      log("CommandStateChange " + std::to_string(c) + B(e));
    };
    s.DownloadBegin = [=, this](TObject*) { log("DownloadBegin"); };
    s.DownloadComplete = [=, this](TObject*) { log("DownloadComplete"); };
    s.TitleChange = [=, this](TObject*, const WideString& t) { log("TitleChange " + t.ToString()); };
    s.PropertyChange = [=, this](TObject*, const WideString& t) { log("PropertyChange " + t.ToString()); };
    s.BeforeNavigate2 = [=, this](TObject* sender, IDispatch* d, VARIANT& url, VARIANT& flags, VARIANT& frame,
                                  VARIANT& post, VARIANT& headers, WordBool& cancel) {
      log("BeforeNavigate2 " + std::string(d ? "disp " : "") + Text(url) + " " + Text(flags) + Text(frame) +
          Text(post) + Text(headers) + (sender == sink_ ? "" : " (other sender)"));
      OleVariant changed("http://changed/");
      VariantCopy(&url, changed.Get());
      cancel = VARIANT_TRUE;
    };
    s.NewWindow2 = [=, this](TObject*, ComPtr<IDispatch>& d, WordBool& cancel) {
      log(std::string("NewWindow2 ") + (d ? "given" : "none"));
      d = replacement_;
      cancel = VARIANT_TRUE;
    };
    s.NavigateComplete2 = [=, this](TObject*, IDispatch*, VARIANT& url) { log("NavigateComplete2 " + Text(url)); };
    s.DocumentComplete = [=, this](TObject*, IDispatch*, VARIANT& url) { log("DocumentComplete " + Text(url)); };
    s.OnQuit = [=, this](TObject*) { log("OnQuit"); };
    s.OnVisible = [=, this](TObject*, WordBool v) { log("OnVisible " + B(v)); };
    s.OnToolBar = [=, this](TObject*, WordBool v) { log("OnToolBar " + B(v)); };
    s.OnMenuBar = [=, this](TObject*, WordBool v) { log("OnMenuBar " + B(v)); };
    s.OnStatusBar = [=, this](TObject*, WordBool v) { log("OnStatusBar " + B(v)); };
    s.OnFullScreen = [=, this](TObject*, WordBool v) { log("OnFullScreen " + B(v)); };
    s.OnTheaterMode = [=, this](TObject*, WordBool v) { log("OnTheaterMode " + B(v)); };
    s.WindowSetResizable = [=, this](TObject*, WordBool v) { log("WindowSetResizable " + B(v)); };
    s.WindowSetLeft = [=, this](TObject*, int v) { log("WindowSetLeft " + std::to_string(v)); };
    s.WindowSetTop = [=, this](TObject*, int v) { log("WindowSetTop " + std::to_string(v)); };
    s.WindowSetWidth = [=, this](TObject*, int v) { log("WindowSetWidth " + std::to_string(v)); };
    s.WindowSetHeight = [=, this](TObject*, int v) { log("WindowSetHeight " + std::to_string(v)); };
    s.WindowClosing = [=, this](TObject*, WordBool child, WordBool& cancel) {
      log("WindowClosing " + B(child));
      cancel = VARIANT_TRUE;
    };
    s.ClientToHostWindow = [=, this](TObject*, LONG& cx, LONG& cy) {
      log("ClientToHostWindow " + std::to_string(cx) + "x" + std::to_string(cy));
      cx += 1;
      cy += 2;
    };
    s.SetSecureLockIcon = [=, this](TObject*, int v) { log("SetSecureLockIcon " + std::to_string(v)); };
    s.FileDownload = [=, this](TObject*, WordBool& cancel) {
      log("FileDownload");
      cancel = VARIANT_TRUE;
    };
    s.NavigateError = [=, this](TObject*, IDispatch*, VARIANT& url, VARIANT& frame, VARIANT& status, WordBool& cancel) {
      log("NavigateError " + Text(url) + " " + Text(frame) + " " +
          std::to_string(OleVariant::RefTo(&status).AsInteger()));
      cancel = VARIANT_TRUE;
    };
    s.PrintTemplateInstantiation = [=, this](TObject*, IDispatch* d) {
      log(std::string("PrintTemplateInstantiation ") + (d ? "disp" : "none"));
    };
    s.PrintTemplateTeardown = [=, this](TObject*, IDispatch* d) {
      log(std::string("PrintTemplateTeardown ") + (d ? "disp" : "none"));
    };
    s.UpdatePageStatus = [=, this](TObject*, IDispatch*, VARIANT& page, VARIANT& done) {
      log("UpdatePageStatus " + Text(page) + " " + Text(done));
    };
    s.PrivacyImpactedStateChange = [=, this](TObject*, WordBool v) { log("PrivacyImpactedStateChange " + B(v)); };
  }
  void TearDown() override {
    if (sink_) sink_->Free();
  }

  HRESULT Invoke(DISPID id, DISPPARAMS& params, WORD flags = DISPATCH_METHOD) {
    excep_ = EXCEPINFO{};
    argErr_ = 99;
    return sink_->Invoke(id, GUID_NULL, 0, flags, &params, nullptr, &excep_, &argErr_);
  }
  std::string Last() const { return trace_.empty() ? "" : trace_.back(); }

  TSHDocVwDWebBrowserEvents2* sink_ = nullptr;
  std::vector<std::string> trace_;
  ComPtr<IDispatch> replacement_;
  EXCEPINFO excep_{};
  UINT argErr_ = 0;
};

TEST_F(EventSink, EveryEventReachesItsHandlerWithItsArguments) {
  auto browser = browser::TBrowser::Create();
  IDispatch* disp = browser.Get();
  struct Case {
    DISPID id;
    std::function<void(TArgs&)> args;
    std::string expected;
  } cases[] = {
      {102, [](TArgs& a) { a.Str("Kész"_cp); }, "StatusTextChange Kész"_cp},
      {108, [](TArgs& a) { a.Int(30).Int(100); }, "ProgressChange 30/100"},
      {105, [](TArgs& a) { a.Int(2).Bool(true); }, "CommandStateChange 2T"},
      {106, [](TArgs&) {}, "DownloadBegin"},
      {104, [](TArgs&) {}, "DownloadComplete"},
      {113, [](TArgs& a) { a.Str("Title"); }, "TitleChange Title"},
      {112, [](TArgs& a) { a.Str("{prop}"); }, "PropertyChange {prop}"},
      {250,
       [&](TArgs& a) {
         a.Disp(disp).VarRef("http://a/").VarRef("").VarRef("_self").VarRef("").VarRef("H").BoolRef(false);
       },
       "BeforeNavigate2 disp http://a/ _selfH"},
      {252, [&](TArgs& a) { a.Disp(disp).VarRef("http://b/"); }, "NavigateComplete2 http://b/"},
      {259, [&](TArgs& a) { a.Disp(disp).VarRef("http://c/"); }, "DocumentComplete http://c/"},
      {253, [](TArgs&) {}, "OnQuit"},
      {254, [](TArgs& a) { a.Bool(true); }, "OnVisible T"},
      {255, [](TArgs& a) { a.Bool(false); }, "OnToolBar F"},
      {256, [](TArgs& a) { a.Bool(true); }, "OnMenuBar T"},
      {257, [](TArgs& a) { a.Bool(false); }, "OnStatusBar F"},
      {258, [](TArgs& a) { a.Bool(true); }, "OnFullScreen T"},
      {260, [](TArgs& a) { a.Bool(false); }, "OnTheaterMode F"},
      {262, [](TArgs& a) { a.Bool(true); }, "WindowSetResizable T"},
      {264, [](TArgs& a) { a.Int(-5); }, "WindowSetLeft -5"},
      {265, [](TArgs& a) { a.Int(6); }, "WindowSetTop 6"},
      {266, [](TArgs& a) { a.Int(700); }, "WindowSetWidth 700"},
      {267, [](TArgs& a) { a.Int(500); }, "WindowSetHeight 500"},
      {263, [](TArgs& a) { a.Bool(true).BoolRef(false); }, "WindowClosing T"},
      {268, [](TArgs& a) { a.IntRef(640).IntRef(480); }, "ClientToHostWindow 640x480"},
      {269, [](TArgs& a) { a.Int(3); }, "SetSecureLockIcon 3"},
      {270, [](TArgs& a) { a.BoolRef(false); }, "FileDownload"},
      {271, [&](TArgs& a) { a.Disp(disp).VarRef("http://e/").VarRef("frame").VarRef("").BoolRef(false); },
       "NavigateError http://e/ frame 0"},
      {225, [&](TArgs& a) { a.Disp(disp); }, "PrintTemplateInstantiation disp"},
      {226, [](TArgs& a) { a.Disp(nullptr); }, "PrintTemplateTeardown none"},
      {227, [&](TArgs& a) { a.Disp(disp).VarRef("2").VarRef("yes"); }, "UpdatePageStatus 2 yes"},
      {272, [](TArgs& a) { a.Bool(true); }, "PrivacyImpactedStateChange T"},
  };
  for (const Case& c : cases) {
    TArgs args;
    c.args(args);
    DISPPARAMS params = args.Positional();
    EXPECT_EQ(Invoke(c.id, params), S_OK) << c.id;
    EXPECT_EQ(Last(), c.expected) << c.id;
  }
  EXPECT_EQ(trace_.size(), std::size(cases));
}

TEST_F(EventSink, HandlersWriteBackThroughByReferenceArguments) {
  {
    TArgs a;
    a.Disp(nullptr).VarRef("http://a/").VarRef("").VarRef("").VarRef("").VarRef("").BoolRef(false);
    DISPPARAMS p = a.Positional();
    ASSERT_EQ(Invoke(250, p), S_OK);
    EXPECT_EQ(a.BoolAt(0), VARIANT_TRUE) << "Cancel reaches the browser";
    EXPECT_EQ(a.Target(0).AsString(), "http://changed/") << "so does a changed URL";
  }
  {
    TArgs a;
    a.IntRef(640).IntRef(480);
    DISPPARAMS p = a.Positional();
    ASSERT_EQ(Invoke(268, p), S_OK);
    EXPECT_EQ(a.IntAt(0), 641);
    EXPECT_EQ(a.IntAt(1), 482);
  }
  {
    // NewWindow2: the browser's slot takes the handler's object, with one reference of its own.
    auto given = browser::TBrowser::Create();
    auto other = browser::TBrowser::Create();
    replacement_ = ComPtr<IDispatch>(other.Get());
    IDispatch* slot = given.Get();
    slot->AddRef();  // the slot's own reference
    TArgs a;
    a.DispRef(&slot).BoolRef(false);
    DISPPARAMS p = a.Positional();
    ASSERT_EQ(Invoke(251, p), S_OK);
    EXPECT_EQ(Last(), "NewWindow2 given");
    EXPECT_EQ(slot, static_cast<IDispatch*>(other.Get()));
    EXPECT_EQ(given->References(), 1u) << "the replaced object was released";
    replacement_ = nullptr;
    EXPECT_EQ(other->References(), 2u) << "the slot holds one reference";
    slot->Release();
    EXPECT_EQ(a.BoolAt(0), VARIANT_TRUE);
  }
}

TEST_F(EventSink, ArgumentsAreMappedByPositionAndByName) {
  TArgs a;
  a.Int(7).Int(9);  // parameter 0 is Progress, parameter 1 ProgressMax
  DISPPARAMS positional = a.Positional();
  ASSERT_EQ(Invoke(108, positional), S_OK);
  EXPECT_EQ(Last(), "ProgressChange 7/9") << "parameter 0 is the last argument";
  // Named: rgvarg[0] names parameter 1, rgvarg[1] parameter 0.
  VARIANT named[2];
  VariantInit(&named[0]);
  VariantInit(&named[1]);
  named[0].vt = named[1].vt = VT_I4;
  named[0].lVal = 100;
  named[1].lVal = 25;
  DISPID names[2] = {1, 0};
  DISPPARAMS byName{named, names, 2, 2};
  ASSERT_EQ(Invoke(108, byName), S_OK);
  EXPECT_EQ(Last(), "ProgressChange 25/100");
}

TEST_F(EventSink, WrongCallsGetResultCodesNotExceptions) {
  struct Case {
    const char* what;
    DISPID id;
    std::function<void(TArgs&)> args;
    std::vector<DISPID> names;  // DISPIDs of the first arguments given by name
    WORD flags;
    HRESULT expected;
    UINT argErr;  // 99: untouched
  } cases[] = {
      {"unknown DISPID", 261, [](TArgs&) {}, {}, DISPATCH_METHOD, DISP_E_MEMBERNOTFOUND, 99},
      {"DISPID 0", 0, [](TArgs& a) { a.Int(1); }, {}, DISPATCH_METHOD, DISP_E_MEMBERNOTFOUND, 99},
      {"named DISPID beyond the arguments",
       108,
       [](TArgs& a) { a.Int(1).Int(2); },
       {5},
       DISPATCH_METHOD,
       DISP_E_PARAMNOTFOUND,
       0},
      {"negative named DISPID", 108, [](TArgs& a) { a.Int(1).Int(2); }, {-3}, DISPATCH_METHOD, DISP_E_PARAMNOTFOUND, 0},
      {"too few arguments", 108, [](TArgs& a) { a.Int(1); }, {}, DISPATCH_METHOD, DISP_E_BADPARAMCOUNT, 99},
      {"none at all", 250, [](TArgs&) {}, {}, DISPATCH_METHOD, DISP_E_BADPARAMCOUNT, 99},
      {"a string for an Integer", 264, [](TArgs& a) { a.Str("10"); }, {}, DISPATCH_METHOD, DISP_E_TYPEMISMATCH, 0},
      {"an Integer for a WideString", 102, [](TArgs& a) { a.Int(1); }, {}, DISPATCH_METHOD, DISP_E_TYPEMISMATCH, 0},
      {"a value for a var WordBool", 270, [](TArgs& a) { a.Bool(true); }, {}, DISPATCH_METHOD, DISP_E_TYPEMISMATCH, 0},
      {"a reference for a WordBool",
       254,
       [](TArgs& a) { a.BoolRef(true); },
       {},
       DISPATCH_METHOD,
       DISP_E_TYPEMISMATCH,
       0},
      {"a BSTR for a var OleVariant",
       252,
       [](TArgs& a) { a.Disp(nullptr).Str("http://x/"); },
       {},
       DISPATCH_METHOD,
       DISP_E_TYPEMISMATCH,
       0},
      {"a null reference",
       268,
       [](TArgs& a) { a.IntRef(1).Raw(VT_BYREF | VT_I4); },
       {},
       DISPATCH_METHOD,
       DISP_E_TYPEMISMATCH,
       0},
      {"a property read", 104, [](TArgs&) {}, {}, DISPATCH_PROPERTYGET, DISP_E_EXCEPTION, 99},
  };
  for (const Case& c : cases) {
    TArgs args;
    c.args(args);
    DISPPARAMS params = args.Positional();
    std::vector<DISPID> names = c.names;
    params.rgdispidNamedArgs = names.empty() ? nullptr : names.data();
    params.cNamedArgs = UINT(names.size());
    size_t before = trace_.size();
    EXPECT_EQ(Invoke(c.id, params, c.flags), c.expected) << c.what;
    EXPECT_EQ(argErr_, c.argErr) << c.what;
    EXPECT_EQ(trace_.size(), before) << c.what << ": no handler runs";
    SysFreeString(excep_.bstrSource);
    SysFreeString(excep_.bstrDescription);
  }
  TArgs none;
  DISPPARAMS params = none.Positional();
  ASSERT_EQ(Invoke(104, params, DISPATCH_PROPERTYGET), DISP_E_EXCEPTION);
  EXPECT_EQ(OleStrToString(excep_.bstrDescription),
            "TSHDocVwDWebBrowserEvents2 only supports sinking of method calls!");
  SysFreeString(excep_.bstrSource);
  SysFreeString(excep_.bstrDescription);
}

TEST_F(EventSink, AHandlersErrorBecomesAnExceptionResult) {
  sink_->DownloadBegin = [](TObject*) { throw Exception("the handler failed"); };
  sink_->DownloadComplete = [](TObject*) { throw EOleSysError("denied", E_ACCESSDENIED); };
  TArgs none;
  DISPPARAMS params = none.Positional();
  struct Case {
    DISPID id;
    HRESULT scode;
    const char* description;
  } cases[] = {{106, E_UNEXPECTED, "the handler failed"}, {104, E_ACCESSDENIED, "denied"}};
  for (const Case& c : cases) {
    EXPECT_EQ(Invoke(c.id, params), DISP_E_EXCEPTION);
    EXPECT_EQ(excep_.scode, c.scode);
    EXPECT_EQ(OleStrToString(excep_.bstrDescription), c.description);
    EXPECT_EQ(OleStrToString(excep_.bstrSource), "TSHDocVwDWebBrowserEvents2");
    SysFreeString(excep_.bstrSource);
    SysFreeString(excep_.bstrDescription);
  }
  // Without a handler nothing is read: a known event succeeds whatever the arguments.
  sink_->ProgressChange = nullptr;
  EXPECT_EQ(Invoke(108, params), S_OK);
  EXPECT_EQ(sink_->Invoke(108, GUID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr), S_OK);
}

TEST_F(EventSink, AnswersItsInterfacesWithoutCounting) {
  void* out = nullptr;
  for (const IID& iid : {IID_IUnknown, IID_IDispatch, DIID_DWebBrowserEvents2}) {
    ASSERT_EQ(sink_->QueryInterface(iid, &out), S_OK);
    EXPECT_EQ(out, static_cast<IDispatch*>(sink_));
  }
  EXPECT_EQ(sink_->QueryInterface(IConnectionPoint::Iid, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(sink_->AddRef(), 2u);
  EXPECT_EQ(sink_->Release(), 1u);
  UINT count = 5;
  EXPECT_EQ(sink_->GetTypeInfoCount(&count), E_NOTIMPL);
  EXPECT_EQ(count, 0u);
}

TEST_F(EventSink, TheBrowsersSequencesForGoodMissingCancelledAndResAddresses) {
  testing_support::TestMachine machine;
  testing_support::ScopedLoopbackNames names({});
  testing_support::HttpTestServer server;
  server.On("/good", testing_support::HttpScriptedResponse::Ok("<p>good</p>"));
  auto browser = browser::TBrowser::Create();
  sink_->Connect(browser.Get());
  bool cancelErrors = false;
  sink_->BeforeNavigate2 = [this](TObject*, IDispatch*, VARIANT& url, VARIANT&, VARIANT&, VARIANT&, VARIANT&,
                                  WordBool& cancel) {
    trace_.push_back("BeforeNavigate2 " + Text(url));
    if (Text(url).find("res://") != std::string::npos) cancel = VARIANT_TRUE;
  };
  sink_->NavigateError = [&](TObject*, IDispatch*, VARIANT& url, VARIANT&, VARIANT& status, WordBool& cancel) {
    trace_.push_back("NavigateError " + Text(url) + " " + std::to_string(OleVariant::RefTo(&status).AsInteger()));
    if (cancelErrors) cancel = VARIANT_TRUE;
  };
  std::string good = server.Url("/good"), missing = server.Url("/missing"), res = "res://ieframe.dll/dnserror.htm";
  auto loaded = [](const std::string& url, const std::string& error, bool back) {
    std::vector<std::string> t{"BeforeNavigate2 " + url, "DownloadBegin"};
    if (!error.empty()) t.push_back("NavigateError " + url + " " + error);
    for (std::string line : {"NavigateComplete2 " + url, "DocumentComplete " + url, std::string("DownloadComplete"),
                             std::string("CommandStateChange 2") + (back ? "T" : "F")})
      t.push_back(line);
    return t;
  };
  struct Case {
    std::string url;
    bool cancelError;
    std::vector<std::string> trace;
    std::u16string body;
  } cases[] = {
      {good, false, loaded(good, "", false), u"<p>good</p>"},
      {missing, false, loaded(missing, "404", true), u"<h1>The page cannot be displayed</h1>"},
      {missing, true, loaded(missing, "404", true), u""},
      {res, false, {"BeforeNavigate2 " + res}, u""},
  };
  for (const Case& c : cases) {
    trace_.clear();
    cancelErrors = c.cancelError;
    browser->NavigateTo(c.url);
    EXPECT_EQ(trace_, c.trace) << c.url;
    EXPECT_EQ(browser->Document()->Body()->InnerHtml(), c.body) << c.url;
  }
  EXPECT_EQ(browser->Location(), missing) << "the res:// address was cancelled";

  trace_.clear();
  OleVariant url(good), flags(int32_t(1));
  ASSERT_EQ(browser->Navigate2(url.Get(), flags.Get(), nullptr, nullptr, nullptr), S_OK);
  browser->RunPending();
  ASSERT_EQ(browser->NewWindows().size(), 1u) << "flags 1: a new window";
  browser->NewWindows()[0]->RunPending();  // it runs in the thread's message loop, as its own browser
  EXPECT_EQ(browser->NewWindows()[0]->Location(), good);
  EXPECT_TRUE(trace_.empty()) << "the events are the new window's";
  sink_->Disconnect();
  browser->Close();
}

TEST_F(EventSink, ConnectsToOneSourceAtATime) {
  std::vector<std::string> log;
  auto first = browser::TBrowser::Create(nullptr, [&](const std::string& l) { log.push_back(l); });
  auto second = browser::TBrowser::Create(nullptr, [&](const std::string& l) { log.push_back(l); });
  sink_->Connect(first.Get());
  EXPECT_EQ(first->SinkCount(), 1u);
  EXPECT_EQ(sink_->Source(), static_cast<IDispatch*>(first.Get()));
  sink_->BeforeNavigate2 = nullptr;
  first->NavigateTo("about:blank");
  EXPECT_EQ(trace_,
            (std::vector<std::string>{"DownloadBegin", "NavigateComplete2 about:blank", "DocumentComplete about:blank",
                                      "DownloadComplete", "CommandStateChange 2F"}));
  sink_->Connect(second.Get());
  EXPECT_EQ(first->SinkCount(), 0u) << "connecting again leaves the old source";
  EXPECT_EQ(first->References(), 1u);
  EXPECT_EQ(second->SinkCount(), 1u);
  sink_->Free();
  sink_ = nullptr;
  EXPECT_EQ(second->SinkCount(), 0u) << "destruction disconnects";
  EXPECT_EQ(second->References(), 1u);
}

TEST_F(EventSink, AFailedUnadviseDropsBothReferencesAndRaisesNothing) {
  auto source = browser::TBrowser::Create();
  sink_->Connect(source.Get());
  ULONG connected = source->References();
  // The source forgets the sink behind its back, so the sink's Unadvise fails.
  ComPtr<IConnectionPointContainer> container = source.As<IConnectionPointContainer>();
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.Put()), S_OK);
  for (DWORD cookie = 1; cookie < 100 && source->SinkCount() > 0; ++cookie) point->Unadvise(cookie);
  ASSERT_EQ(source->SinkCount(), 0u);
  container = nullptr;
  EXPECT_NO_THROW(sink_->Disconnect());
  EXPECT_FALSE(sink_->Connected());
  EXPECT_EQ(sink_->Source(), nullptr);
  EXPECT_EQ(source->References(), connected) << "dropped, not released";
  // The two references the sink held, given back here so that nothing leaks.
  point.Get()->Release();
  source->Release();
  sink_->Disconnect();  // nothing left to do
}

// A dispatch object without connection points.
class TPlainDispatch : public TComObjectImpl<IDispatch> {
 public:
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return S_OK; }
};

TEST_F(EventSink, ASourceWithoutConnectionPointsCannotBeConnected) {
  auto plain = MakeComObject<TPlainDispatch>();
  for (const char* name : {"", "BrowserSink"}) {
    sink_->SetName(name);
    try {
      sink_->Connect(plain.Get());
      ADD_FAILURE() << "connected";
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), "Exception");
      EXPECT_EQ(e.Message(), std::string("Unable to connect ") + name + ".\rNo such interface supported");
    }
    EXPECT_FALSE(sink_->Connected());
  }
  sink_->Disconnect();  // nothing to do
}

}  // namespace
