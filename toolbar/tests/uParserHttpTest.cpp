// A definition with includes, image lists, an image and a sound, read through the download storage from
// Python's http.server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/com/ClassTable.h"
#include "platform/testing/BmpWriter.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/testing/TestMachine.h"
#include "toolbar/tests/DefinitionTestSupport.h"
#include "toolbar/uFileStorage.h"
#include "toolbar/uParser.h"

namespace {

namespace fs = std::filesystem;
using testing_support::Bmp24;

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(DefinitionOverHttp, EveryNamedFileIsFetchedIntoTheDownloadStorage) {
  testing_support::TestMachine machine;
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  const fs::path www = fs::path(machine.Root()) / "www";
  const std::string sound("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0", 20);
  Write(www / "tb/toolbar.xml",
        R"(<?xml version="1.0" encoding="UTF-8"?>)"
        R"(<TOOLBAR caption="Vandrel" src="toolbar.xml" refresh="86400"><IMAGELIST id="icons" src="img/icons.bmp"/>)"
        R"(<feed id="hirek" src="http://feeds/rss" soundsrc="snd/ding.wav"/>)"
        R"(<INCLUDE src="parts/menu.xml" refresh="3600"/><INCLUDE src="parts/search.xml"/></TOOLBAR>)");
  Write(www / "tb/img/icons.bmp", Bmp24(32, 16, [](int x, int) { return x < 16 ? 0xFF00FFu : 0x336699u; }));
  Write(www / "tb/snd/ding.wav", sound);
  Write(www / "tb/parts/menu.xml",
        R"(<TOOLBAR><IMAGELIST id="menuicons" src="img/m.bmp" width="8" height="8"/>)"
        R"(<BUTTON caption="Menu" action="none" imagelist="icons" imageindex="1"><MENU imagelist="menuicons">)"
        R"(<ITEM caption="Posta" action="openurl" href="http://mail/"/></MENU></BUTTON></TOOLBAR>)");
  Write(www / "tb/parts/img/m.bmp", Bmp24(24, 8, [](int, int) { return 0x123456u; }));
  Write(www / "tb/parts/search.xml",
        R"(<TOOLBAR><COMBO id="q" width="120" action="openurl" href="http://search/?q=%%q%%"/>)"
        R"(<IMAGE src="../img/logo.bmp" id="logo" action="none"/></TOOLBAR>)");
  Write(www / "tb/img/logo.bmp", Bmp24(7, 5, [](int, int) { return 0xABCDEFu; }));

  std::unique_ptr<TDownloadFileStorage> storage(TDownloadFileStorage::Create("C:\\Download"));
  std::unique_ptr<TToolbarDefinition> definition;
  std::string root;
  {
    testing_support::PythonHttpServer server(www.string());
    root = server.Url("/tb/toolbar.xml");
    std::string text = storage->ReadString(root);
    storage->SetBaseURL(root);
    definition.reset(TToolbarDefinition::Create());
    definition->ParseXML(text, storage.get());
  }
  EXPECT_EQ(storage->GetBaseURL(), root);
  const std::string base = root.substr(0, root.size() - std::string("toolbar.xml").size());
  TFileStorageFileList index;
  index.LoadFromFile("C:\\Download\\.files");
  std::vector<std::string> keys;
  for (int i = 0; i < index.Count(); ++i) keys.push_back(index.Keys(i));
  EXPECT_EQ(keys,
            (std::vector<std::string>{root, base + "img/icons.bmp", base + "snd/ding.wav", base + "parts/menu.xml",
                                      base + "parts/img/m.bmp", base + "parts/search.xml", base + "img/logo.bmp"}));

  EXPECT_EQ(DumpDefinition(*definition),
            "TToolbarImageList id=icons src=img/icons.bmp mask=clFuchsia hotsrc= hotmask=clFuchsia disabledsrc= "
            "disabledmask=clFuchsia size=16x16 images=2/-/-\n"
            "TToolbarIncludeControl src=parts/menu.xml refresh=3600\n"
            "  TToolbarImageList id=menuicons src=img/m.bmp mask=clFuchsia hotsrc= hotmask=clFuchsia disabledsrc= "
            "disabledmask=clFuchsia size=8x8 images=3/-/-\n"
            "  TToolbarButtonControl id= width=0 caption=Menu popup=Menu imagelist=icons imageindex=1 hint= "
            "action={0 id= href= target= historysave=} disabled=0\n"
            "    MENU imagelist=menuicons\n"
            "    TToolbarMenuItem caption=Posta action={2 id= href=http://mail/ target= historysave=} checked= "
            "unchecked= hint= id= imageindex=-1 disabled=0 style=0 height=-1\n"
            "TToolbarIncludeControl src=parts/search.xml refresh=-1\n"
            "  TToolbarComboControl id=q persistenthistory=1 historyid=q width=120 listtype=0 maxlength=0 "
            "dropdownsize=0 default= persistentvalue=0 autocomplete=1 clearonfirstclick=0 hint= "
            "action={2 id= href=http://search/?q=%%q%% target= historysave=} items=\n"
            "  TToolbarImageControl src=../img/logo.bmp mask=clNone hint= action={0 id=logo href= target= "
            "historysave=} bitmap=7x5\n"
            "TToolbarFeed id=hirek src=http://feeds/rss target=_blank refresh=1800 showtimeout=8 showspeed=500 "
            "soundsrc=snd/ding.wav sound=" +
                sound + "@0\n");
  TImageList* icons = definition->ImageLists()->Items(0)->Images();
  EXPECT_EQ(icons->Pixels(0, 3, 3), clNone);
  EXPECT_EQ(icons->Pixels(1, 3, 3), TColor(0x996633));

  // Warm: the server is gone, and the same definition reads again from what was stored.
  storage->SetBaseURL(root);
  std::unique_ptr<TToolbarDefinition> cached(TToolbarDefinition::Create());
  cached->ParseXML(storage->ReadString(root), storage.get());
  EXPECT_EQ(DumpDefinition(*cached), DumpDefinition(*definition));
  definition.reset();
  cached.reset();
  storage.reset();
  CoUninitialize();
}

}  // namespace
