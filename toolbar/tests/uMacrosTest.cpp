#include "toolbar/uMacros.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/DynamicLibrary.h"
#include "toolbar/tests/ToolbarTestSupport.h"
#include "toolbar/uInstance.h"

namespace {

const std::string kGuid = "{11111111-2B8D-44AF-82FA-F86E57899FB8}";

std::string Outcome(const std::function<std::string()>& expand) {
  try {
    return expand();
  } catch (const Exception& e) {
    return e.ClassName() + ": " + e.Message();
  }
}

TEST(Macros, ExpansionOfTheBuiltIns) {
  struct Case {
    std::string text, expanded;
  } cases[] = {
      {"a%%toolbarguid%%b", "a" + kGuid + "b"},
      {"a%%TOOLBARGUID%%b", "a" + kGuid + "b"},
      {"a%%ToolbarGuid%%b%%toolbarguid%%", "a" + kGuid + "b" + kGuid},
      {"előtte %%nincsilyen%% utána"_cp, "előtte %%nincsilyen%% utána"_cp},
      {"%%nincs%% és %%toolbarguid%%"_cp, "%%nincs%% és "_cp + kGuid},
      {"%%%%", "%%%%"},
      {"50% off, 100%", "50% off, 100%"},
      {"%%%toolbarguid%%", "%%%toolbarguid%%"},
      {"", ""},
      {"ends%%", "Exception: End of macro \"\" not found"},
      {"%% word", "Exception: End of macro \" word\" not found"},
      {"ok %%toolbarguid%% then %%open", "Exception: End of macro \"open\" not found"},
  };
  for (const auto& c : cases) EXPECT_EQ(Outcome([&] { return ExpandMacros(c.text, nullptr); }), c.expanded) << c.text;
}

TEST(Macros, TablesHandlersAndContexts) {
  TObject context;
  std::vector<TMacroEntry> table = {
      {"elso", [](const std::string& name, TObject*) { return "<" + name + ">"; }},
      {"ELSO", [](const std::string&, TObject*) { return std::string("never: the first match wins"); }},
      {"kontextus", [&](const std::string&, TObject* c) { return std::string(c == &context ? "igen" : "nem"); }},
      {"szazalek", [](const std::string&, TObject*) { return std::string("%%elso%%"); }},
  };
  struct Case {
    std::string text;
    int highIndex;
    std::string expanded;
  } cases[] = {
      {"%%Elso%%", 3, "<Elso>"},
      {"%%kontextus%%", 3, "igen"},
      {"%%szazalek%%", 3, "%%elso%%"},        // a value is not expanded again
      {"%%kontextus%%", 1, "%%kontextus%%"},  // entries past the highest index are not looked at
      {"%%elso%%", -1, "%%elso%%"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExpandMacroTable(c.text, table, c.highIndex, &context), c.expanded) << c.text << " " << c.highIndex;
}

TEST(Macros, ValuesOfAList) {
  TStringList list;
  list.SetText("nev=Kovács\nNEV=másik\nures=\na=b=c\nsorvegtelen"_cp);
  struct Case {
    std::string text, expanded;
  } cases[] = {
      {"%%nev%%", "Kovács"_cp},
      {"%%NEV%%", "Kovács"_cp},
      {"[%%ures%%]", "[]"},
      {"%%a%%", "b=c"},
      {"%%x%%", "%%x%%"},
      {"%%sorvegtelen%%", "%%sorvegtelen%%"},
      {"%%%%", ""},  // a line without "=" has an empty name
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandMacrosFromList(c.text, list), c.expanded) << c.text;
  TStringList empty;
  EXPECT_EQ(ExpandMacrosFromList("%%nev%%", empty), "%%nev%%");
}

TEST(Macros, InstallFolderVersionAndIdentifiersOfTheLibrary) {
  testing_support::TestMachine machine;
  std::string folder = machine.DriveC() + "/Program Files/Vandrel Eszköztár";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(std::string(VANDREL_BINARY_DIR) + "/tests/winapi_sample_resources.so",
                             folder + "/Pellandra.dll");
  HMODULE library = LoadLibraryA("C:\\Program Files\\Vandrel Eszköztár\\Pellandra.dll"_cp.c_str());
  ASSERT_NE(library, nullptr);
  SetInstanceModuleForTesting(library);
  EXPECT_EQ(ExpandMacros("%%toolbarmachineid%%/%%toolbaruserid%%", nullptr), "?\?\?/?\?\?") << "before start-up";
  InitializeInstanceUnit();
  EXPECT_EQ(ExpandMacros("%%installdir%%", nullptr), "C:\\Program Files\\Vandrel Eszköztár\\"_cp);
  EXPECT_EQ(ExpandMacros("%%installdirurl%%toolbar.xml", nullptr), "C:/Program Files/Vandrel Eszköztár/toolbar.xml"_cp);
  EXPECT_EQ(ExpandMacros("v%%toolbarversion%%", nullptr), "v1.2.3.4");
  std::string ids = ExpandMacros("%%toolbarmachineid%%/%%toolbaruserid%%", nullptr);
  EXPECT_EQ(ids, MachineIdentifier() + "/" + UserIdentifier());
  EXPECT_EQ(ids.size(), 65u);
  FinalizeInstanceUnit();
  SetInstanceModuleForTesting(nullptr);
  FreeLibrary(library);
}

}  // namespace
