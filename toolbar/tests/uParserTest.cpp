#include "toolbar/uParser.h"

#include <gtest/gtest.h>

#include "platform/com/ClassTable.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/BmpWriter.h"
#include "platform/testing/TestMachine.h"
#include "toolbar/tests/DefinitionTestSupport.h"

namespace {

using testing_support::Bmp24;

const std::string kGuid = "{11111111-2B8D-44AF-82FA-F86E57899FB8}";

class Definition : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    files_ = std::make_unique<TDefinitionFiles>();
    // 48 x 16: three images, the top-left pixel of each magenta.
    files_->Put("icons.bmp",
                Bmp24(48, 16, [](int x, int y) { return x % 16 == 0 && y == 0 ? 0xFF00FFu : 0x10u * (x / 16 + 1); }));
    files_->Put("hot.bmp", Bmp24(32, 16, [](int, int) { return 0x00FF00u; }));
    files_->Put("logo.bmp", Bmp24(5, 3, [](int, int) { return 0x0000FFu; }));
    files_->Put("ding.wav", std::string("RIFF\0\0WAVE", 10));
    files_->Put("notabitmap.bmp", "GIF89a");
  }
  void TearDown() override {
    files_.reset();
    CoUninitialize();
  }
  // The dump of a TOOLBAR element with these children.
  std::string Children(const std::string& xml) { return files_->Load("<TOOLBAR>" + xml + "</TOOLBAR>"); }

  testing_support::TestMachine machine_;
  std::unique_ptr<TDefinitionFiles> files_;
};

std::string L(TToolbarImageList* list) { return list ? list->Id() : "-"; }

const std::string kNoAction = "{0 id= href= target= historysave=}";

TEST_F(Definition, EveryElementWithItsDefaultsKindsAndErrors) {
  struct Case {
    std::string xml, dump;
  } cases[] = {
      // action
      {R"(<action id="Go" action="OpenURL" href="http://x/?q=%%q%%" target="_self" historysave="q"/>)",
       "TToolBarAction {2 id=Go href=http://x/?q=%%q%% target=_self historysave=q}\n"},
      {R"(<action id="t" action="TOGGLE"/><action id="n" action="none"/>)",
       "TToolBarAction {1 id=t href= target= historysave=}\nTToolBarAction {0 id=n href= target= historysave=}\n"},
      {R"(<action action="none"/>)", "EXML: Can't find required attr \"id\" in node \"action\""},
      {R"(<action id="a"/>)", "EXML: Can't find required attr \"action\" in node \"action\""},
      {R"(<action id="a" action="jump"/>)", "ETessaline: \"jump\" is not a valid action"},
      {R"(<action id="a" action=""/>)", "ETessaline: \"\" is not a valid action"},
      // BUTTON
      {R"(<BUTTON action="none"/>)",
       "TToolbarButtonControl id= width=0 caption= popup= imagelist=- imageindex=-1 hint= action=" + kNoAction +
           " disabled=0\n"},
      {R"(<BUTTON width="80" caption="Keres" hint="h" imageindex="$2" action="openurl" href="u" target="t" historysave="q" disabled="0"/>)",
       "TToolbarButtonControl id= width=80 caption=Keres popup=Keres imagelist=- imageindex=2 hint=h "
       "action={2 id= href=u target=t historysave=q} disabled=0\n"},
      {R"(<BUTTON caption="c" popupcaption="" action="none"/>)",
       "TToolbarButtonControl id= width=0 caption=c popup= imagelist=- imageindex=-1 hint= action=" + kNoAction +
           " disabled=0\n"},
      {R"(<BUTTON/>)", "EXML: Can't find required attr \"action\" in node \"BUTTON\""},
      {R"(<button Action="None"/>)",
       "TToolbarButtonControl id= width=0 caption= popup= imagelist=- imageindex=-1 hint= action=" + kNoAction +
           " disabled=0\n"},
      {R"(<BUTTON width="wide"/>)", "EVariantError: Invalid variant type conversion"},
      {R"(<BUTTON action="none" disabled="false"/>)",
       "TToolbarButtonControl id= width=0 caption= popup= imagelist=- imageindex=-1 hint= action=" + kNoAction +
           " disabled=1\n"},
      {R"(<BUTTON action="none" disabled=""/>)",
       "TToolbarButtonControl id= width=0 caption= popup= imagelist=- imageindex=-1 hint= action=" + kNoAction +
           " disabled=1\n"},
      {R"(<BUTTON action="none" imagelist="icons"/>)", "ETessaline: Can't find imagelist \"icons\""},
      {R"(<BUTTON action="none" imagelist=""/>)",
       "TToolbarButtonControl id= width=0 caption= popup= imagelist=- imageindex=-1 hint= action=" + kNoAction +
           " disabled=0\n"},
      // actionid: the named action is copied and the element's own action attributes are not read
      {R"(<action id="Go" action="openurl" href="h" target="t" historysave="s"/><BUTTON actionid="GO" action="bogus" href="x"/>)",
       "TToolBarAction {2 id=Go href=h target=t historysave=s}\n"
       "TToolbarButtonControl id= width=0 caption= popup= imagelist=- imageindex=-1 hint= "
       "action={2 id=Go href=h target=t historysave=s} disabled=0\n"},
      {R"(<BUTTON actionid="go"/><action id="go" action="none"/>)", "ETessaline: Can't find action \"go\""},
      {R"(<BUTTON actionid="" action="toggle"/>)",
       "TToolbarButtonControl id= width=0 caption= popup= imagelist=- imageindex=-1 hint= "
       "action={1 id= href= target= historysave=} disabled=0\n"},
      // MENU and ITEM
      {R"(<BUTTON action="none"><?MENU?><foo/><MENU><ITEM caption="A" action="toggle" id="a" checkedvalue="1" uncheckedvalue="0" hint="h" imageindex="3"/>)"
       R"(<!-- c --><x/><item CAPTION="B" action="none" style="BANNER" height="5" disabled="yes"><MENU><ITEM caption="C" action="none" style="static"/></MENU></item>)"
       R"(<ITEM caption="D" action="none" style=""/></MENU><MENU><ITEM caption="ignored" action="none"/></MENU></BUTTON>)",
       "TToolbarButtonControl id= width=0 caption= popup= imagelist=- imageindex=-1 hint= action=" + kNoAction +
           " disabled=0\n"
           "  MENU imagelist=-\n"
           "  TToolbarMenuItem caption=A action={1 id= href= target= historysave=} checked=1 unchecked=0 hint=h id=a "
           "imageindex=3 disabled=0 style=0 height=-1\n"
           "  TToolbarMenuItem caption=B action=" +
           kNoAction +
           " checked= unchecked= hint= id= imageindex=-1 disabled=1 style=1 height=5\n"
           "    MENU imagelist=-\n"
           "    TToolbarMenuItem caption=C action=" +
           kNoAction +
           " checked= unchecked= hint= id= imageindex=-1 disabled=0 style=2 height=-1\n"
           "  TToolbarMenuItem caption=D action=" +
           kNoAction + " checked= unchecked= hint= id= imageindex=-1 disabled=0 style=0 height=-1\n"},
      {R"(<BUTTON action="none"><MENU><ITEM action="none"/></MENU></BUTTON>)",
       "EXML: Can't find required attr \"CaPtIoN\" in node \"ITEM\""},
      {R"(<BUTTON action="none"><MENU><ITEM caption="a" action="none" style="normal"/></MENU></BUTTON>)",
       "ETessaline: \"normal\" is not a valid menuitem style"},
      {R"(<BUTTON action="none"><MENU><ITEM caption="a" action="none"><MENU><ITEM caption="b" action="x"/></MENU></ITEM></MENU></BUTTON>)",
       "ETessaline: \"x\" is not a valid action"},
      {R"(<BUTTON action="none"><MENU imagelist="nope"/></BUTTON>)", "ETessaline: Can't find imagelist \"nope\""},
      // TEXT
      {R"(<TEXT id="q" width="100"/>)",
       "TToolbarTextInputControl id=q width=100 maxlength=0 passwordchar=0 hint= default=\n"},
      {R"(<TEXT id="p" width="0" maxlength="8" passwordchar="*" hint="h" defaultvalue="v"/>)",
       "TToolbarTextInputControl id=p width=0 maxlength=8 passwordchar=* hint=h default=v\n"},
      {R"(<TEXT width="100"/>)", "EXML: Can't find required attr \"id\" in node \"TEXT\""},
      {R"(<TEXT id="q"/>)", "EXML: Can't find required attr \"width\" in node \"TEXT\""},
      {R"(<TEXT id="q" width=""/>)", "EVariantError: Invalid variant type conversion"},
      // COMBO
      {R"(<COMBO id="s" width="150" action="none"/>)",
       "TToolbarComboControl id=s persistenthistory=1 historyid=s width=150 listtype=0 maxlength=0 dropdownsize=0 "
       "default= persistentvalue=0 autocomplete=1 clearonfirstclick=0 hint= action=" +
           kNoAction + " items=\n"},
      {R"(<COMBO id="s" persistenthistory="FALSE" historyid="h" width="1" listtype="Simple" maxlength="9" dropdownsize="12" defaultvalue="d" persistentvalue="1" autocomplete="0" clearonfirstclick="true" hint="x" action="openurl" href="u">)"
       R"(<ITEMS><ITEM caption="A"/><ITEM value="2" caption="B"/><other/></ITEMS><ITEMS><ITEM value="no" caption="no"/></ITEMS></COMBO>)",
       "TToolbarComboControl id=s persistenthistory=0 historyid=h width=1 listtype=2 maxlength=9 dropdownsize=12 "
       "default=d persistentvalue=1 autocomplete=0 clearonfirstclick=1 hint=x action={2 id= href=u target= "
       "historysave=} "
       "items=A=;B=2\n"},
      {R"(<COMBO id="s" width="1" listtype="DropDownList" action="none"><ITEMS><ITEM caption="A"/></ITEMS></COMBO>)",
       "EXML: Can't find required attr \"value\" in node \"ITEM\""},
      {R"(<COMBO id="s" width="1" listtype="dropdownlist" action="none"><ITEMS><ITEM value="1" caption="A"/></ITEMS></COMBO>)",
       "TToolbarComboControl id=s persistenthistory=1 historyid=s width=1 listtype=1 maxlength=0 dropdownsize=0 "
       "default= persistentvalue=0 autocomplete=1 clearonfirstclick=0 hint= action=" +
           kNoAction + " items=A=1\n"},
      {R"(<COMBO id="s" width="1" listtype="combo" action="none"/>)", "ETessaline: \"combo\" is not a valid combotype"},
      {R"(<COMBO id="s" width="1" persistenthistory="yes" action="none"/>)",
       "EVariantError: Invalid variant type conversion"},
      {R"(<COMBO id="s" persistenthistory="yes" action="none"/>)", "EVariantError: Invalid variant type conversion"},
      {R"(<COMBO id="s" width="1"/>)", "EXML: Can't find required attr \"action\" in node \"COMBO\""},
      {R"(<COMBO id="s" width="1" action="none"><ITEMS><ITEM/></ITEMS></COMBO>)",
       "EXML: Can't find required attr \"CaPtIoN\" in node \"ITEM\""},
      // SELECT
      {R"(<SELECT id="l" width="60"/>)",
       "TToolbarSelectControl id=l width=60 dropdownsize=0 default= persistentvalue=0 hint= items=\n"},
      {R"(<SELECT id="l" width="60" dropdownsize="4" defaultvalue="b" persistentvalue="True" hint="h"><ITEMS><ITEM value="a" caption="A"/><ITEM value="" caption="E"/></ITEMS></SELECT>)",
       "TToolbarSelectControl id=l width=60 dropdownsize=4 default=b persistentvalue=1 hint=h items=A=a;E=\n"},
      {R"(<SELECT id="l" width="60"><ITEMS><ITEM/></ITEMS></SELECT>)",
       "EXML: Can't find required attr \"value\" in node \"ITEM\""},
      {R"(<SELECT id="l" width="60"><ITEMS><ITEM value="a"/></ITEMS></SELECT>)",
       "EXML: Can't find required attr \"CaPtIoN\" in node \"ITEM\""},
      // HTMLAREA
      {R"(<HTMLAREA width="120" src="http://h/%%toolbarguid%%"/>)",
       "TToolbarHtmlControl width=120 src=http://h/" + kGuid + " default= error= autohide=1\n"},
      {R"(<HTMLAREA width="1" src="s" defaultcontent="&lt;b&gt;%%toolbarguid%%" errorcontent="e%%x%%" autohide="0"/>)",
       "TToolbarHtmlControl width=1 src=s default=<b>" + kGuid + " error=e%%x%% autohide=0\n"},
      {R"(<HTMLAREA width="1" src="s" autohide="-2"/>)",
       "TToolbarHtmlControl width=1 src=s default= error= autohide=1\n"},
      {R"(<HTMLAREA width="1" src="s" autohide="on"/>)", "EVariantError: Invalid variant type conversion"},
      {R"(<HTMLAREA src="s"/>)", "EXML: Can't find required attr \"width\" in node \"HTMLAREA\""},
      {R"(<HTMLAREA width="1" src="http://h/%%open"/>)", "Exception: End of macro \"open\" not found"},
      // IMAGE
      {R"(<IMAGE src="logo.bmp" id="i" action="none"/>)",
       "TToolbarImageControl src=logo.bmp mask=clNone hint= action={0 id=i href= target= historysave=} bitmap=5x3\n"},
      {R"(<IMAGE src="logo.bmp" maskcolor="clBtnFace" hint="h" id="i" actionid="x" action="openurl" href="u"/>)",
       "TToolbarImageControl src=logo.bmp mask=clBtnFace hint=h action={2 id=i href=u target= historysave=} "
       "bitmap=5x3\n"},
      {R"(<IMAGE src="logo.bmp" action="none"/>)", "EXML: Can't find required attr \"id\" in node \"IMAGE\""},
      {R"(<IMAGE src="logo.bmp" maskcolor="pink" id="i" action="none"/>)",
       "EConvertError: 'pink' is not a valid integer value"},
      {R"(<IMAGE src="missing.bmp" id="i" action="none"/>)",
       "EStorageFileNotFound: Can't find http://host/tb/missing.bmp in filestorage"},
      {R"(<IMAGE src="notabitmap.bmp" id="i" action="none"/>)", "EInvalidGraphic: Bitmap image is not valid"},
      // IMAGELIST
      {R"(<IMAGELIST id="icons" src="icons.bmp"/>)",
       "TToolbarImageList id=icons src=icons.bmp mask=clFuchsia hotsrc= hotmask=clFuchsia disabledsrc= "
       "disabledmask=clFuchsia size=16x16 images=3/-/-\n"},
      {R"(<IMAGELIST id="i" src="icons.bmp" maskcolor="clNone" hotsrc="hot.bmp" hotmaskcolor="$00FF00" disabledsrc="icons.bmp" disabledmaskcolor="255" width="8" height="4"/>)",
       "TToolbarImageList id=i src=icons.bmp mask=clNone hotsrc=hot.bmp hotmask=clLime disabledsrc=icons.bmp "
       "disabledmask=clRed size=8x4 images=6/4/6\n"},
      {R"(<IMAGELIST id="i" src="icons.bmp" width="0"/>)", "ERangeError: Range check error"},
      {R"(<IMAGELIST id="i" src="icons.bmp" height="-16"/>)", "ERangeError: Range check error"},
      {R"(<IMAGELIST id="i" src="icons.bmp" width="100000" height="100000"/>)",
       "EOutOfResources: Out of system resources"},
      {R"(<IMAGELIST id="i" src="icons.bmp" width="64"/>)", "EInvalidOperation: Unable to insert an image"},
      {R"(<IMAGELIST id="i" src="icons.bmp" hotsrc="none.bmp"/>)",
       "EStorageFileNotFound: Can't find http://host/tb/none.bmp in filestorage"},
      {R"(<IMAGELIST src="icons.bmp"/>)", "EXML: Can't find required attr \"id\" in node \"IMAGELIST\""},
      {R"(<IMAGELIST id="i"/>)", "EXML: Can't find required attr \"src\" in node \"IMAGELIST\""},
      // feed
      {R"(<feed id="news" src="http://h/rss?u=%%toolbarguid%%"/>)",
       "TToolbarFeed id=news src=http://h/rss?u=" + kGuid +
           " target=_blank refresh=1800 showtimeout=8 showspeed=500 soundsrc= sound=@0\n"},
      {R"(<FEED id="n" src="s" target="" refresh="$20" showtimeout="3" showspeed="0" soundsrc="ding.wav"/>)",
       std::string("TToolbarFeed id=n src=s target= refresh=32 showtimeout=3 showspeed=0 soundsrc=ding.wav sound=") +
           std::string("RIFF\0\0WAVE", 10) + "@0\n"},
      {R"(<feed id="n" src="s" refresh="1.5"/>)", "EConvertError: '1.5' is not a valid integer value"},
      {R"(<feed id="n" src="s" soundsrc="none.wav"/>)",
       "EStorageFileNotFound: Can't find http://host/tb/none.wav in filestorage"},
      {R"(<feed src="s"/>)", "EXML: Can't find required attr \"id\" in node \"feed\""},
      // spacer and SEPARATOR
      {R"(<spacer width="10"/><SEPARATOR/><Separator width="0"/>)",
       "TToolbarSpacerControl width=10\nTToolbarSeparatorControl width=8\nTToolbarSeparatorControl width=0\n"},
      {R"(<spacer/>)", "EXML: Can't find required attr \"width\" in node \"spacer\""},
      // anything else is ignored
      {R"(text<unknown a="1"/><!-- comment --><?pi x?><?BUTTON caption="pi"?><![CDATA[c]]><MENU/>)", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Children(c.xml), c.dump) << c.xml;
}

TEST_F(Definition, ToolbarAttributesAndTheDocument) {
  struct Case {
    std::string xml, outcome;
  } cases[] = {
      {"<TOOLBAR/>",
       "guid= src= refresh=-1 caption= menucaption= shortcut= defaultcontrol= height=0..0 width=0..0 spacing=2 "
       "popup=10/120 scriptableby="},
      {"<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<!-- first --><toolbar guid=\"" + kGuid +
           "\" src=\"http://h/%%toolbarguid%%.xml\" refresh=\"$10\" caption=\"" + "Vándor"_cp +
           "\" minheight=\"22\" minwidth=\"5\" maxwidth=\"300\" controlspacing=\"0\" shortcut=\"V\" "
           "defaultcontrol=\"q\" popupmindelay=\"1\" popupmindelayafterclick=\"2\" scriptableby=\"http://*.h/*\"/>",
       "guid=" + kGuid + " src=http://h/" + kGuid + ".xml refresh=16 caption=" + "Vándor"_cp +
           " menucaption=" + "Vándor"_cp +
           " shortcut=V defaultcontrol=q height=22..22 width=5..300 spacing=0 popup=1/2 "
           "scriptableby=http://*.h/*"},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><TOOLBAR caption=\"\xC5\x91r\" menucaption=\"\" minheight=\"30\" "
       "maxheight=\"25\" refresh=\"0\"/>",
       "guid= src= refresh=0 caption=" + "őr"_cp +
           " menucaption= shortcut= defaultcontrol= height=30..25 "
           "width=0..0 spacing=2 popup=10/120 scriptableby="},
      {"<?TOOLBAR caption=\"pi\"?><TOOLBAR caption=\"real\"/>",
       "guid= src= refresh=-1 caption=real menucaption=real shortcut= defaultcontrol= height=0..0 width=0..0 "
       "spacing=2 popup=10/120 scriptableby="},
      {"<toolbar/><TOOLBAR caption=\"second\"/>", "EDOMParseError"},
      {"<settings><TOOLBAR/></settings>", "EXML: Can't find required subnode \"TOOLBAR\" in node \"#document\""},
      {"<TOOLBAR>", "EDOMParseError"},
      {"", "EDOMParseError"},
      {"<TOOLBAR refresh=\"soon\"/>", "EConvertError: 'soon' is not a valid integer value"},
      {"<TOOLBAR refresh=\"\"/>", "EConvertError: '' is not a valid integer value"},
      {"<TOOLBAR minheight=\"\"/>", "EVariantError: Invalid variant type conversion"},
      {"<TOOLBAR src=\"%%toolbarguid\"/>", "Exception: End of macro \"toolbarguid\" not found"},
  };
  for (const Case& c : cases) {
    std::string outcome;
    std::unique_ptr<TToolbarDefinition> definition = files_->Read(c.xml, outcome);
    if (definition) outcome = DumpToolbar(*definition);
    if (c.outcome == "EDOMParseError")
      EXPECT_EQ(outcome.substr(0, 16), "EDOMParseError: ") << c.xml;
    else
      EXPECT_EQ(outcome, c.outcome) << c.xml;
  }
}

TEST_F(Definition, ImageListsAndActionsResolveOnlyAgainstWhatWasReadBefore) {
  EXPECT_EQ(Children(R"(<IMAGELIST id="Icons" src="icons.bmp"/><BUTTON action="none" imagelist="icons"/>)"),
            "TToolbarImageList id=Icons src=icons.bmp mask=clFuchsia hotsrc= hotmask=clFuchsia disabledsrc= "
            "disabledmask=clFuchsia size=16x16 images=3/-/-\n"
            "TToolbarButtonControl id= width=0 caption= popup= imagelist=Icons imageindex=-1 hint= action=" +
                kNoAction + " disabled=0\n");
  // Of two lists with one id, the first wins.
  std::string outcome;
  auto definition = files_->Read(
      R"(<TOOLBAR><IMAGELIST id="a" src="icons.bmp"/><IMAGELIST id="A" src="hot.bmp"/><action id="x" action="none"/>)"
      R"(<action id="X" action="toggle"/><BUTTON actionid="x" imagelist="A"/></TOOLBAR>)",
      outcome);
  ASSERT_TRUE(definition) << outcome;
  auto* button = As<TToolbarButtonControl>(definition->Controls()->Items(0));
  EXPECT_EQ(button->ImageList(), definition->ImageLists()->Items(0));
  EXPECT_EQ(button->Action()->Kind(), akNone);
  EXPECT_FALSE(button->Action()->IdRequired()) << "copying a named action keeps the button's own rule";
  EXPECT_EQ(definition->Actions()->Find("X"), definition->Actions()->Items(0));
  EXPECT_EQ(definition->Actions()->Find("y"), nullptr);
  EXPECT_EQ(definition->FindImageList("", true), nullptr);
  EXPECT_EQ(definition->FindImageList("nope", false), nullptr);
  EXPECT_EQ(Outcome([&] { return L(definition->FindImageList("nope", true)); }),
            "ETessaline: Can't find imagelist \"nope\"");
  EXPECT_EQ(definition->Controls()->Items(0)->Definition(), definition.get());
  EXPECT_THROW(definition->Controls()->Items(1), EListError);
}

TEST_F(Definition, ButtonsAddedByPages) {
  files_->Put("inner.xml", "<TOOLBAR/>");
  std::string outcome;
  auto definition =
      files_->Read(R"(<TOOLBAR><IMAGELIST id="icons" src="icons.bmp"/><INCLUDE src="inner.xml"/></TOOLBAR>)", outcome);
  ASSERT_TRUE(definition) << outcome;
  TToolbarIncludeDefinition* inner = As<TToolbarIncludeControl>(definition->Controls()->Items(0))->IncludeDefinition();
  TToolBarButtonInfo info{"Page", "ICONS", 2, "http://page/", "_blank"};
  // Elements free what they own in their destruction sequence: Free, not delete.
  struct FreeObject {
    void operator()(TObject* object) const { object->Free(); }
  };
  std::unique_ptr<TToolbarButtonControl, FreeObject> button(TToolbarButtonControl::CreateFromInfo(inner, info));
  EXPECT_EQ(button->Caption(), "Page");
  EXPECT_EQ(button->ImageList(), definition->ImageLists()->Items(0)) << "found through the enclosing document";
  EXPECT_EQ(button->ImageIndex(), 2);
  EXPECT_EQ(button->Action()->Kind(), akOpenURL);
  EXPECT_EQ(button->Action()->Href(), "http://page/");
  EXPECT_EQ(button->Action()->Target(), "_blank");
  EXPECT_EQ(button->Width(), 0);
  EXPECT_FALSE(button->Disabled());
  EXPECT_EQ(button->Menu()->Items()->Count(), 0);
  EXPECT_EQ(button->Definition(), inner);
  button.reset(TToolbarButtonControl::CreateFromInfo(definition.get(), TToolBarButtonInfo{"Plain", "", 0, "u", ""}));
  EXPECT_EQ(button->ImageList(), nullptr);
  EXPECT_EQ(Outcome([&] {
              TToolbarButtonControl::CreateFromInfo(definition.get(), TToolBarButtonInfo{"x", "nope", 0, "", ""});
              return std::string("made");
            }),
            "ETessaline: Can't find imagelist \"nope\"");
}

TEST_F(Definition, AnIncludeInASubfolderResolvesItsOwnFilesAndImageListsOutward) {
  files_->Put("sub/img.bmp", Bmp24(8, 4, [](int x, int) { return 0x010101u * uint32_t(x); }));
  files_->Put(
      "sub/inner.xml",
      R"(<TOOLBAR caption="ignored" guid="{00000000-0000-0000-0000-000000000000}" refresh="x">)"
      R"(<IMAGELIST id="own" src="img.bmp" width="4" height="4"/><IMAGELIST id="shared" src="img.bmp" width="2" height="2"/>)"
      R"(<action id="inner" action="none"/><BUTTON action="none" imagelist="own"/><BUTTON action="none" imagelist="SHARED"/>)"
      R"(<BUTTON action="none" imagelist="outer"/><INCLUDE src="../leaf.xml"/><feed id="f" src="s"/></TOOLBAR>)");
  files_->Put("leaf.xml", R"(<TOOLBAR><BUTTON action="none" imagelist="own"/></TOOLBAR>)");
  std::string outcome;
  auto definition = files_->Read(
      R"(<TOOLBAR caption="Root"><IMAGELIST id="outer" src="icons.bmp"/><IMAGELIST id="shared" src="icons.bmp"/>)"
      R"(<INCLUDE src="sub/inner.xml" refresh="3600"/><spacer width="1"/></TOOLBAR>)",
      outcome);
  ASSERT_TRUE(definition) << outcome;
  EXPECT_EQ(files_->Storage().GetBaseURL(), "http://host/tb/root.xml");
  EXPECT_EQ(definition->Caption(), "Root");
  EXPECT_EQ(definition->Guid(), "");
  EXPECT_EQ(definition->Feeds()->Count(), 0) << "feeds of an include stay in the include";
  auto* include = As<TToolbarIncludeControl>(definition->Controls()->Items(0));
  EXPECT_EQ(include->Src(), "sub/inner.xml");
  EXPECT_EQ(include->Refresh(), 3600);
  TToolbarIncludeDefinition* inner = include->IncludeDefinition();
  EXPECT_EQ(inner->Parent(), definition.get());
  EXPECT_EQ(inner->URL(), "http://host/tb/sub/inner.xml");
  ASSERT_EQ(inner->Controls()->Count(), 4);
  EXPECT_EQ(inner->ImageLists()->Items(0)->Images()->Count(), 2) << "img.bmp of the subfolder, 8 pixels wide";
  auto button = [&](int i) { return As<TToolbarButtonControl>(inner->Controls()->Items(i)); };
  EXPECT_EQ(button(0)->ImageList(), inner->ImageLists()->Items(0));
  EXPECT_EQ(button(1)->ImageList(), inner->ImageLists()->Items(1)) << "the include's own list first";
  EXPECT_EQ(button(2)->ImageList(), definition->ImageLists()->Items(0)) << "then the enclosing document's";
  EXPECT_EQ(inner->FindImageList("shared", true), inner->ImageLists()->Items(1));
  EXPECT_EQ(inner->FindImageList("outer", true), definition->ImageLists()->Items(0));
  EXPECT_EQ(inner->FindImageList("", true), nullptr);
  EXPECT_EQ(inner->FindImageList("neither", false), nullptr);
  EXPECT_EQ(Outcome([&] { return L(inner->FindImageList("neither", true)); }),
            "ETessaline: Can't find imagelist \"neither\"");
  EXPECT_EQ(inner->Feeds()->Count(), 1);
  // "../leaf.xml" is read against http://host/tb/sub/inner.xml, and its button finds the list of inner.xml.
  TToolbarIncludeDefinition* leaf = As<TToolbarIncludeControl>(inner->Controls()->Items(3))->IncludeDefinition();
  EXPECT_EQ(leaf->URL(), "http://host/tb/leaf.xml");
  EXPECT_EQ(As<TToolbarButtonControl>(leaf->Controls()->Items(0))->ImageList(), inner->ImageLists()->Items(0));
}

TEST_F(Definition, FailuresInsideAnIncludeEndTheLoadAndRestoreTheBaseUrl) {
  files_->Put("bad.xml", R"(<TOOLBAR><spacer width="1"/><TEXT id="x"/></TOOLBAR>)");
  files_->Put("other.xml", R"(<TOOLBAR><BUTTON actionid="outer"/></TOOLBAR>)");
  files_->Put("self.xml", R"(<TOOLBAR><INCLUDE src="self.xml"/></TOOLBAR>)");
  files_->Put("a.xml", R"(<TOOLBAR><INCLUDE src="dir/b.xml"/></TOOLBAR>)");
  files_->Put("dir/b.xml", R"(<TOOLBAR><INCLUDE src="../A.xml"/></TOOLBAR>)");
  files_->Put("twice.xml", R"(<TOOLBAR><INCLUDE src="bad.xml"/></TOOLBAR>)");
  files_->Put("notxml.xml", "<TOOLBAR>");
  files_->Put("noroot.xml", "<root/>");
  struct Case {
    std::string xml, outcome;
  } cases[] = {
      {R"(<INCLUDE src="bad.xml"/>)", "EXML: Can't find required attr \"width\" in node \"TEXT\""},
      {R"(<INCLUDE src="twice.xml"/>)", "EXML: Can't find required attr \"width\" in node \"TEXT\""},
      {R"(<action id="outer" action="none"/><INCLUDE src="other.xml"/>)", "ETessaline: Can't find action \"outer\""},
      {R"(<INCLUDE src="none.xml"/>)", "EStorageFileNotFound: Can't find http://host/tb/none.xml in filestorage"},
      {R"(<INCLUDE src="noroot.xml"/>)", "EXML: Can't find required subnode \"TOOLBAR\" in node \"#document\""},
      {R"(<INCLUDE refresh="1"/>)", "EXML: Can't find required attr \"src\" in node \"INCLUDE\""},
      {R"(<INCLUDE src="self.xml" refresh="soon"/>)", "EConvertError: 'soon' is not a valid integer value"},
      {R"(<INCLUDE src="self.xml"/>)", "ETessaline: Include cycle: \"http://host/tb/self.xml\" is already being read"},
      {R"(<INCLUDE src="root.xml"/>)", "ETessaline: Include cycle: \"http://host/tb/root.xml\" is already being read"},
      {R"(<INCLUDE src=""/>)", "ETessaline: Include cycle: \"http://host/tb/root.xml\" is already being read"},
      {R"(<INCLUDE src="a.xml"/>)", "ETessaline: Include cycle: \"http://host/tb/A.xml\" is already being read"},
  };
  for (const Case& c : cases) {
    files_->Storage().SetBaseURL("unchanged");
    EXPECT_EQ(Children(c.xml), c.outcome) << c.xml;
    EXPECT_EQ(files_->Storage().GetBaseURL(), "http://host/tb/root.xml") << c.xml;
  }
  std::string outcome;
  files_->Read("<TOOLBAR><INCLUDE src=\"notxml.xml\"/></TOOLBAR>", outcome);
  EXPECT_EQ(outcome.substr(0, 16), "EDOMParseError: ");
}

TEST_F(Definition, IncludesNestSixteenDeep) {
  for (int i = 1; i <= 16; ++i)
    files_->Put("d" + std::to_string(i) + ".xml",
                "<TOOLBAR><INCLUDE src=\"d" + std::to_string(i + 1) + ".xml\"/></TOOLBAR>");
  files_->Put("d17.xml", "<TOOLBAR><spacer width=\"17\"/></TOOLBAR>");
  std::string outcome;
  auto definition = files_->Read(R"(<TOOLBAR><INCLUDE src="d2.xml"/></TOOLBAR>)", outcome);
  ASSERT_TRUE(definition) << outcome;
  TCustomToolbarDefinition* d = definition.get();
  int depth = 0;
  while (d->Controls()->Count() && d->Controls()->Items(0)->Is<TToolbarIncludeControl>()) {
    d = As<TToolbarIncludeControl>(d->Controls()->Items(0))->IncludeDefinition();
    ++depth;
  }
  EXPECT_EQ(depth, 16);
  EXPECT_EQ(As<TToolbarSpacerControl>(d->Controls()->Items(0))->Width(), 17);
  EXPECT_EQ(Children(R"(<INCLUDE src="d1.xml"/>)"),
            "ETessaline: Includes nested deeper than 16 levels at \"http://host/tb/d17.xml\"");
}

TEST_F(Definition, ALoadReadsAtMost256IncludedDocumentsAnd10000Controls) {
  auto repeat = [](const std::string& part, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += part;
    return text;
  };
  files_->Put("one.xml", "<TOOLBAR><spacer width=\"1\"/></TOOLBAR>");
  // 300 includes on each of four levels: 8.1e9 controls unless the budget stops it early.
  files_->Put("wide4.xml", "<TOOLBAR>" + repeat("<spacer width=\"1\"/>", 300) + "</TOOLBAR>");
  for (int level = 3; level >= 1; --level)
    files_->Put(
        "wide" + std::to_string(level) + ".xml",
        "<TOOLBAR>" + repeat("<INCLUDE src=\"wide" + std::to_string(level + 1) + ".xml\"/>", 300) + "</TOOLBAR>");
  struct Case {
    std::string xml, outcome;
  } cases[] = {
      {repeat(R"(<INCLUDE src="one.xml"/>)", 128), ""},
      {repeat(R"(<INCLUDE src="one.xml"/>)", 257),
       "ETessaline: More than 256 documents included at \"http://host/tb/one.xml\""},
      {repeat(R"(<spacer width="1"/>)", 9998) + R"(<INCLUDE src="one.xml"/>)", ""},  // the include counts too
      {repeat(R"(<spacer width="1"/>)", 10001), "ETessaline: More than 10000 controls at \"http://host/tb/root.xml\""},
      {R"(<INCLUDE src="wide1.xml"/>)", "ETessaline: More than 10000 controls at \"http://host/tb/wide4.xml\""},
  };
  for (const Case& c : cases) {
    std::string outcome = Children(c.xml);
    if (c.outcome.empty())
      EXPECT_EQ(outcome.substr(0, 5), "TTool") << c.xml.size();
    else
      EXPECT_EQ(outcome, c.outcome) << c.xml.size();
  }
  // The budget is the load's: a second load of the same definition starts afresh.
  EXPECT_EQ(Children(repeat(R"(<INCLUDE src="one.xml"/>)", 200)).substr(0, 5), "TTool");
}

TEST(RefreshDue, RefreshSecondsAgainstTheLastDate) {
  SetClockMode(TClockMode::Virtual);
  const TDateTime now = EncodeDateTime(2024, 3, 10, 12, 0, 0, 0);
  SetVirtualDateTime(now);
  const double ms = 1.0 / 86400000, day = 1;
  struct Case {
    int refresh;
    TDateTime last;
    bool due;
  } cases[] = {
      {-1, 0, false},
      {-1, now - 1000 * day, false},
      {0, now, false},
      {0, now - ms, true},
      {1, now - 1000 * ms, false},
      {1, now - 1001 * ms, true},
      {2073600, now - 24 * day, false},
      {2073600, now - 24 * day - 1000 * ms, true},  // 24 days
      {2592000, now - 29 * day, false},
      {2592000, now - 30 * day, false},  // 30 days
      {2592000, now - 30 * day - 1000 * ms, true},
      {2147483647, now - 24855 * day, false},
      {2147483647, now - 24856 * day, true},
      {2592000, 0, true},
      {2147483647, 0, true},  // a missing file counts as long ago
      {1, now + 1.0 / 24, false},
      {0, now + 1.0 / 24, false},  // stamped in the future: from now
      {-5, now, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsRefreshDue(c.refresh, c.last), c.due) << c.refresh << " since " << (now - c.last) << " days";
  SetClockMode(TClockMode::Real);
}

}  // namespace
