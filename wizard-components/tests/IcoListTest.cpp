#include "wizard-components/IcoList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>

#include "CkTestSupport.h"
#include "IconTestSupport.h"
#include "platform/components/Forms.h"
#include "platform/runtime/Strings.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/GlobalMemory.h"
#include "wizard-components/ClipIcon.h"
#include "wizard-components/PictureUnits.h"

namespace {

using namespace icon_test;

std::string Saved(TIconList& list) {
  TStringStream out("");
  list.SaveToStream(&out);
  return out.DataString();
}

TEST(IconList, TheStreamFormHoldsACountThenSizedIconFilesAndEmptyEntries) {
  std::unique_ptr<TIcon> a = PatternIcon(3, 2, 0), b = PatternIcon(5, 4, 1);
  std::string fileA = IconFile(*a), fileB = IconFile(*b);
  struct Case {
    const char* what;
    std::string stream;
    std::vector<std::string> icons;  // Rgba of each entry; "" for an empty one
  } cases[] = {
      {"no entries", Le32(0), {}},
      {"two icons",
       Le32(2) + Le32(uint32_t(fileA.size())) + fileA + Le32(uint32_t(fileB.size())) + fileB,
       {Rgba(*a), Rgba(*b)}},
      {"empty entries around an icon",
       Le32(3) + Le32(0) + Le32(uint32_t(fileB.size())) + fileB + Le32(0),
       {"", Rgba(*b), ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TObjectPtr<TIconList> list(TIconList::Create());
    TStringStream in(c.stream);
    list->LoadFromStream(&in);
    ASSERT_EQ(list->Count(), int(c.icons.size()));
    for (size_t i = 0; i < c.icons.size(); ++i) {
      if (c.icons[i].empty())
        EXPECT_EQ(list->IconAt(int(i)), nullptr);
      else
        EXPECT_EQ(Rgba(*list->IconAt(int(i))), c.icons[i]);
    }
    EXPECT_EQ(ck_test::Hex(Saved(*list)), ck_test::Hex(c.stream)) << "saved back as it was";
  }
  // A negative size is an empty entry; an empty icon saves with size 0.
  TObjectPtr<TIconList> list(TIconList::Create());
  TStringStream negative(Le32(1) + Le32(0xFFFFFFFF));
  list->LoadFromStream(&negative);
  EXPECT_EQ(list->IconAt(0), nullptr);
  list->Add(nullptr);
  EXPECT_EQ(Saved(*list), Le32(2) + Le32(0) + Le32(0));
}

TEST(IconList, DamagedStreamsRaiseAndKeepTheList) {
  std::unique_ptr<TIcon> a = PatternIcon(3, 2, 0);
  std::string fileA = IconFile(*a);
  struct Case {
    const char* what;
    std::string stream;
    const char* error;
  } cases[] = {
      {"no count", "\1\0", "EReadError"},
      {"negative count", Le32(0x80000000), "EReadError"},
      {"count beyond the bytes", Le32(0x40000000) + Le32(0), "EReadError"},
      {"size beyond the bytes", Le32(1) + Le32(uint32_t(fileA.size()) + 1) + fileA, "EReadError"},
      {"huge size", Le32(1) + Le32(0x7FFFFFFF) + fileA, "EReadError"},
      {"a size field missing", Le32(2) + Le32(uint32_t(fileA.size())) + fileA, "EReadError"},
      {"not an icon", Le32(1) + Le32(4) + "junk", "EInvalidGraphic"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TObjectPtr<TIconList> list(TIconList::Create());
    list->Add(a.get());
    int changes = 0;
    list->OnChange = [&](TObject*) { ++changes; };
    TStringStream in(c.stream);
    try {
      list->LoadFromStream(&in);
      ADD_FAILURE() << "loaded";
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), c.error);
    }
    ASSERT_EQ(list->Count(), 1);
    EXPECT_EQ(Rgba(*list->IconAt(0)), Rgba(*a));
    EXPECT_EQ(changes, 0);
  }
}

TEST(IconList, EveryChangeSignalsOnceAndIconsInTheListSignalThroughIt) {
  std::unique_ptr<TIcon> a = PatternIcon(3, 2, 0), b = PatternIcon(5, 4, 1);
  TObjectPtr<TIconList> source(TIconList::Create());
  source->Add(a.get());
  source->Add(b.get());
  struct Case {
    const char* what;
    std::function<void(TIconList&)> change;
    int signals;
    std::vector<int> widths;  // 0: an empty icon, -1: an empty entry
  } cases[] = {
      {"add", [&](TIconList& l) { l.Add(b.get()); }, 1, {3, 5, 5}},
      {"add none", [&](TIconList& l) { l.Add(nullptr); }, 1, {3, 5, 0}},
      {"insert", [&](TIconList& l) { l.Insert(0, b.get()); }, 1, {5, 3, 5}},
      {"delete", [&](TIconList& l) { l.Delete(0); }, 1, {5}},
      {"clear", [&](TIconList& l) { l.Clear(); }, 1, {}},
      {"exchange", [&](TIconList& l) { l.Exchange(0, 1); }, 1, {5, 3}},
      {"move", [&](TIconList& l) { l.Move(1, 0); }, 1, {5, 3}},
      {"put", [&](TIconList& l) { l.PutIcon(0, b.get()); }, 1, {5, 5}},
      {"put at the end", [&](TIconList& l) { l.PutIcon(2, a.get()); }, 1, {3, 5, 3}},
      {"assign a list", [&](TIconList& l) { l.Assign(source.get()); }, 1, {3, 5}},
      {"assign an icon", [&](TIconList& l) { l.Assign(b.get()); }, 1, {5}},
      {"assign none", [&](TIconList& l) { l.Assign(nullptr); }, 1, {}},
      {"an icon of the list loads", [&](TIconList& l) { l.IconAt(1)->Assign(a.get()); }, 1, {3, 3}},
      {"suspended changes signal once",
       [&](TIconList& l) {
         l.SuspendChange();
         l.SuspendChange();
         l.Add(a.get());
         l.Delete(0);
         l.ResumeChange();
         l.IconAt(0)->SetSize(1, 1);
         l.ResumeChange();
       },
       1,
       {1, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TObjectPtr<TIconList> list(TIconList::Create());
    list->Add(a.get());
    list->Add(b.get());
    int signals = 0;
    list->OnChange = [&](TObject* sender) {
      EXPECT_EQ(sender, list.get());
      ++signals;
    };
    c.change(*list);
    EXPECT_EQ(signals, c.signals);
    ASSERT_EQ(list->Count(), int(c.widths.size()));
    for (size_t i = 0; i < c.widths.size(); ++i) {
      TIcon* icon = list->IconAt(int(i));
      EXPECT_EQ(icon ? icon->Width() : -1, c.widths[i]) << i;
      EXPECT_NE(icon, a.get());
      EXPECT_NE(icon, b.get());
    }
  }
  // A deleted icon no longer reaches the list; an icon of the list is found by identity.
  TObjectPtr<TIconList> list(TIconList::Create());
  list->Add(a.get());
  list->Add(b.get());
  EXPECT_EQ(list->IndexOf(list->IconAt(1)), 1);
  EXPECT_EQ(list->IndexOf(a.get()), -1);
  EXPECT_THROW(list->IconAt(2), EListError);
  EXPECT_THROW(list->Insert(3, a.get()), EListError);
  EXPECT_THROW(list->Move(0, 2), EListError);
  TStringList strings;
  EXPECT_THROW(list->Assign(&strings), EConvertError);
}

TEST(IconList, TheIconsPropertyIsStoredWhenItHasEntriesThatAreNotTheAncestorsAndResourcesLoad) {
  TObjectPtr<TIconList> list(TIconList::Create()), ancestor(TIconList::Create());
  EXPECT_FALSE(list->IconsStored(nullptr));
  list->Add(nullptr);
  EXPECT_TRUE(list->IconsStored(nullptr));
  EXPECT_TRUE(list->IconsStored(ancestor.get()));
  ancestor->Add(nullptr);
  EXPECT_TRUE(list->IconsStored(ancestor.get())) << "another icon object";
  EXPECT_FALSE(list->IconsStored(list.get()));

  TObjectPtr<TIconList> icons(TIconList::Create());
  EXPECT_EQ(icons->AddResource(HInstance(), "SMALLICON"), 0);
  icons->InsertResource(0, HInstance(), "smallicon");
  EXPECT_THROW(icons->InsertResource(0, HInstance(), "WK_HANDCUR"), EResNotFound) << "a cursor resource";
  ASSERT_EQ(icons->Count(), 2);
  EXPECT_EQ(icons->IconAt(0)->Width(), 2);
  EXPECT_NE(icons->IconAt(0), icons->IconAt(1));
}

TEST(ClipIcon, ThePictureUnitsRegisterTheIconFormatSoThatPicturesLoadItAsIcons) {
  InitPictureUnits();
  UINT format = IconClipboardFormat();
  ASSERT_NE(format, 0u);
  char name[64] = {};
  GetClipboardFormatNameA(format, name, sizeof name);
  EXPECT_STREQ(name, "Vandrel Icon");
  EXPECT_TRUE(TPicture::SupportsClipboardFormat(format));
  std::unique_ptr<TIcon> icon = PatternIcon(5, 3, 2);
  std::string file = IconFile(*icon);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, file.size());
  std::memcpy(GlobalLock(block), file.data(), file.size());
  GlobalUnlock(block);
  TPicture picture;
  picture.LoadFromClipboardFormat(format, block, nullptr);
  GlobalFree(block);
  auto* loaded = DynamicAs<TIcon>(picture.Graphic());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(Rgba(*loaded), Rgba(*icon));
}

}  // namespace
