#include "deskband/vekXML.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/com/ClassTable.h"
#include "platform/com/OleError.h"
#include "platform/testing/TestMachine.h"

namespace {

// The platform's own document class, kept before the tests replace the registrations.
ComPtr<IClassFactory>& BuiltInFactory() {
  static ComPtr<IClassFactory> factory;
  return factory;
}

class VekXML : public ::testing::Test {
 protected:
  testing_support::TestMachine machine_;  // classes not registered in the process are looked up in its registry
  void SetUp() override {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    if (!BuiltInFactory()) {
      ASSERT_EQ(CoGetClassObject(CLSID_DOMDocument30, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                 BuiltInFactory().PutVoid()),
                S_OK);
    }
  }
  void TearDown() override { CoUninitialize(); }
};

std::string ExpectXMLError(const std::function<void()>& action) {
  try {
    action();
  } catch (const EXML& e) {
    EXPECT_EQ(e.ClassName(), "EXML");
    return e.Message();
  }
  ADD_FAILURE() << "no EXML";
  return "";
}

TEST_F(VekXML, ChildLookupIgnoresAsciiCaseAndTakesTheFirstMatch) {
  auto document = LoadXMLData(
      "<?xml version=\"1.0\" encoding=\"windows-1250\"?>"
      "<?toolbar n=\"0\"?><settings><!--toolbar--><?Toolbar n=\"0\"?><Toolbar n=\"1\"/>text<TOOLBAR "
      "n=\"2\"/><toolbarx/><t\xD3olbar n=\"5\"/></settings>");
  TXMLNode* settings = document->DocumentElement();
  struct Case {
    const char* name;
    int found;  // the n attribute of the match, 0 for none
  } cases[] = {
      {"toolbar", 1},   {"TOOLBAR", 1},    {"ToolBar", 1},    {"toolba", 0},
      {"toolbarx ", 0}, {"t\xF3olbar", 0}, {"t\xD3olbar", 5},  // ASCII letters only fold
  };
  for (const Case& c : cases) {
    TXMLNode* node = FindChildNode(settings, c.name);
    if (!c.found) {
      EXPECT_EQ(node, nullptr) << c.name;
      continue;
    }
    ASSERT_NE(node, nullptr) << c.name;
    EXPECT_EQ(node->AttributeNodes()[0]->Text(), std::to_string(c.found)) << c.name;
  }
  EXPECT_EQ(FindChildNode(document->Node(), "SETTINGS"), settings);
  EXPECT_EQ(FindChildNode(document->Node(), "toolbar"), nullptr) << "a processing instruction is no element";
  EXPECT_EQ(FindNode(settings->AttributeNodes(), "n"), nullptr);
  EXPECT_EQ(FindNode(settings->ChildNodes()[2]->AttributeNodes(), "N")->Text(), "1");
}

TEST_F(VekXML, RequiredChildMessageNamesTheUpperCasedChildAndTheParentAsWritten) {
  auto document = LoadXMLData("<settings><other/></settings>");
  EXPECT_EQ(ExpectXMLError([&] { GetRequiredChildNode(document->DocumentElement(), "toolbar"); }),
            "Can't find required subnode \"TOOLBAR\" in node \"settings\"");
  EXPECT_EQ(ExpectXMLError([&] { GetRequiredChildNode(document->Node(), "Toolbar"); }),
            "Can't find required subnode \"TOOLBAR\" in node \"#document\"");
  EXPECT_EQ(GetRequiredChildNode(document->DocumentElement(), "OTHER")->NodeName(), "other");
  EXPECT_EQ(ExpectXMLError([] { RaiseXMLErrorFmt("%s and %d", {"x", 5}); }), "x and 5");
}

TEST_F(VekXML, AttributesByAnyCaseWithDefaultsAndRequiredOnes) {
  auto document = LoadXMLData("<BUTTON Width=\"\" caption=\"Keres\xC5\x91\" CAPTION=\"second\" imageindex=\"3\"/>");
  TXMLNode* button = document->DocumentElement();
  struct Case {
    const char* name;
    Variant fallback;
    Variant expected;
  } cases[] = {
      {"width", Variant(100), Variant("")},  // present but empty: the empty string, not the default
      {"height", Variant(100), Variant(100)},
      {"Caption", Variant(), Variant("Keres\xF5")},  // the first of the matches, in CP1250
      {"IMAGEINDEX", Variant(-1), Variant("3")},
      {"image", Null(), Null()},
  };
  for (const Case& c : cases) {
    Variant value = GetAttributeDef(button, c.name, c.fallback);
    EXPECT_EQ(VarType(value), VarType(c.expected)) << c.name;
    if (!c.expected.IsNull()) {
      EXPECT_EQ(VarToStr(value), VarToStr(c.expected)) << c.name;
    }
  }
  EXPECT_EQ(VarToStr(GetRequiredAttribute(button, "CAPTION")), "Keres\xF5");
  EXPECT_EQ(VarToStr(GetRequiredAttribute(button, "width")), "");
  EXPECT_EQ(ExpectXMLError([&] { GetRequiredAttribute(button, "CaPtIoNx"); }),
            "Can't find required attr \"CaPtIoNx\" in node \"BUTTON\"");
  EXPECT_EQ(ExpectXMLError([&] { GetRequiredAttribute(document->Node(), "action"); }),
            "Can't find required attr \"action\" in node \"#document\"");
}

// Records which class ids the factory asks for, answering each with a chosen result.
struct Attempt {
  CLSID clsid;
  HRESULT result;  // S_OK creates a real document
};
std::vector<CLSID> g_asked;

void Install(const std::vector<Attempt>& attempts) {
  for (const CLSID& c : {CLSID_DOMDocument, CLSID_DOMDocument26, CLSID_DOMDocument30}) UnregisterComClass(c);
  for (const Attempt& a : attempts) {
    RegisterComClass(a.clsid, [a](IUnknown*, REFIID riid, void** ppv) -> HRESULT {
      g_asked.push_back(a.clsid);
      if (a.result != S_OK) return a.result;
      return BuiltInFactory()->CreateInstance(nullptr, riid, ppv);
    });
  }
}

TEST_F(VekXML, FactoryTriesVersionIndependentThen26Then30) {
  struct Case {
    std::vector<Attempt> registered;
    std::vector<CLSID> asked;
    const char* error;  // nullptr: a document is made
  } cases[] = {
      {{{CLSID_DOMDocument, S_OK}, {CLSID_DOMDocument26, S_OK}, {CLSID_DOMDocument30, S_OK}},
       {CLSID_DOMDocument},
       nullptr},
      {{{CLSID_DOMDocument30, S_OK}}, {CLSID_DOMDocument30}, nullptr},
      {{{CLSID_DOMDocument, REGDB_E_CLASSNOTREG},
        {CLSID_DOMDocument26, REGDB_E_CLASSNOTREG},
        {CLSID_DOMDocument30, S_OK}},
       {CLSID_DOMDocument, CLSID_DOMDocument26, CLSID_DOMDocument30},
       nullptr},
      {{{CLSID_DOMDocument, E_ACCESSDENIED}, {CLSID_DOMDocument30, S_OK}}, {CLSID_DOMDocument}, "Access is denied."},
      {{}, {}, "Microsoft MSXML is not installed"},
      {{{CLSID_DOMDocument26, REGDB_E_CLASSNOTREG}}, {CLSID_DOMDocument26}, "Microsoft MSXML is not installed"},
  };
  for (const Case& c : cases) {
    g_asked.clear();
    Install(c.registered);
    try {
      ComPtr<IXMLDOMDocument> document = CreateMSXMLDocument();
      EXPECT_EQ(c.error, nullptr);
      EXPECT_TRUE(document);
    } catch (const EOleSysError& e) {
      EXPECT_EQ(e.Message(), c.error ? c.error : "");
    } catch (const DOMException& e) {
      EXPECT_EQ(e.Message(), c.error ? c.error : "");
      EXPECT_EQ(e.ClassName(), "DOMException");
    }
    EXPECT_EQ(g_asked, c.asked) << (c.error ? c.error : "created");
  }
}

TEST_F(VekXML, LayerDocumentsComeFromTheFactory) {
  // Only 2.6 installed: the layer's own creator would fail, the factory's succeeds.
  Install({{CLSID_DOMDocument26, S_OK}});
  g_asked.clear();
  auto document = LoadXMLData("<a/>");
  EXPECT_EQ(document->DocumentElement()->NodeName(), "a");
  EXPECT_EQ(g_asked, std::vector<CLSID>{CLSID_DOMDocument26});
  InitializeXMLUnit();  // a second initialisation changes nothing
  EXPECT_EQ(SetDOMDocumentCreator(nullptr), CreateMSXMLDocument);
}

}  // namespace
