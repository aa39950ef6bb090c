// Definitions loaded at once by two user-interface threads and a thread that works as the worker does, all
// through the same storages: each parse keeps its storage's base URL to itself.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/com/ClassTable.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Streams.h"
#include "toolbar/tests/LibraryTestSupport.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uInstance.h"
#include "toolbar/uLibrary.h"
#include "toolbar/uStorageFolders.h"

namespace {

using namespace library_test;

const std::string kBase = "http://eszkoztar.vandrel.hu/pellandra/";

void Store(TFileStorage& storage, const std::string& name, const std::string& bytes) {
  TStringStream content(bytes);
  storage.StoreFile(kBase + name, content, 0, "");
}

// The caption and the number of controls of the root and its include, or the failure.
std::string Describe(TToolbarDefinition* definition) {
  auto* include = DynamicAs<TToolbarIncludeControl>(definition->Controls()->Items(1));
  return definition->Caption() + " " + std::to_string(definition->Controls()->Count()) + "+" +
         std::to_string(include ? include->IncludeDefinition()->Controls()->Count() : -1);
}

TEST(BandModuleThreads, DefinitionsLoadOnThreeThreadsAtOnce) {
  testing_support::TestMachine machine;
  InstallShippedFiles(machine);
  HMODULE library = LoadSampleAsLibrary(machine, "winapi_sample_plain.so");
  SetInstanceModuleForTesting(library);
  CoInitialize(nullptr);
  InitializeLibraryUnits();
  Startup();
  TTessalineDeskBandModule* module = TessalineDeskBandModule();
  ASSERT_NE(module, nullptr);
  ASSERT_NE(module->Configuration(), nullptr);

  // The user's copy: a root with an image list and an include whose names resolve against its own URL.
  TFileStorage* user = UserStorage();
  Store(*user, "toolbar.xml",
        "<TOOLBAR guid=\"" + kGuid +
            "\" caption=\"Saját\">"
            "<IMAGELIST id=\"gombok\" src=\"buttons.bmp\"/>"
            "<BUTTON caption=\"Kezdőlap\" imagelist=\"gombok\" imageindex=\"0\" action=\"none\"/>"
            "<INCLUDE src=\"tobb/extra.xml\"/>"
            "<SEPARATOR/></TOOLBAR>");
  Store(*user, "tobb/extra.xml",
        "<TOOLBAR><IMAGELIST id=\"masik\" src=\"../buttons.bmp\"/>"
        "<BUTTON caption=\"Hírek\" imagelist=\"masik\" imageindex=\"3\" action=\"none\"/><SEPARATOR/></TOOLBAR>");
  Store(*user, "buttons.bmp", ReadWholeFile(kFolder + "\\buttons.bmp"));
  user->Validate();
  TDownloadFileStorage* download = DownloadStorage();
  download->CopyFrom(*user);
  const std::string expected = "Saját"_cp + " 3+2";

  std::atomic<int> failures{0};
  auto check = [&](TToolbarDefinition* definition) {
    TObjectPtr<TToolbarDefinition> owned(definition);
    if (Describe(definition) != expected && failures++ == 0) ADD_FAILURE() << Describe(definition);
  };
  auto guarded = [&](auto work) {
    return [&, work] {
      CoInitialize(nullptr);
      try {
        for (int i = 0; i < 15; ++i) work(i);
      } catch (const Exception& e) {
        ADD_FAILURE() << e.ClassName() << ": " << e.Message();
      }
      CoUninitialize();
    };
  };
  std::vector<std::thread> threads;
  for (int ui = 0; ui < 2; ++ui)
    threads.emplace_back(guarded([&](int i) {
      check(module->LoadDefinition());
      module->Log("user-interface thread, round " + std::to_string(i), 2);
    }));
  // As the worker does with a downloaded definition: under the download storage's lock, its base URL
  // set to the definition's URL, parsed against it.
  threads.emplace_back(guarded([&](int i) {
    {
      download->Lock();
      download->SetBaseURL(kBase + "toolbar.xml");
      std::string text = download->ReadString(kBase + "toolbar.xml");
      try {
        check(module->ParseDefinition(text, download));
      } catch (...) {
        download->Unlock();
        throw;
      }
      download->Unlock();
    }
    check(module->LoadDefinition());
    module->Log("worker, round " + std::to_string(i), 2);
  }));
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(user->GetBaseURL(), kBase + "toolbar.xml");
}

}  // namespace
