#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/runtime/Streams.h"
#include "platform/testing/TestMachine.h"
#include "toolbar/uFileStorage.h"

namespace {

TEST(FileStorageThreads, WritesOfOneFileFromManyThreadsNeverInterleave) {
  testing_support::TestMachine machine;
  std::unique_ptr<TDynamicFileStorage> storage(TDynamicFileStorage::Create("C:\\Shared"));
  {
    TStringStream first(std::string(4096, '-'));
    storage->StoreFile("http://host/shared.xml", first, 0, "");
  }
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      const std::string content(4096, char('a' + t));
      for (int i = 0; i < 25; ++i) {
        try {
          TStringStream stream(content);
          storage->WriteFile("http://host/shared.xml", stream);
        } catch (const Exception&) {
          ++failures;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
  std::string last = storage->ReadString("http://host/shared.xml");
  ASSERT_EQ(last.size(), 4096u);
  EXPECT_EQ(last, std::string(4096, last[0])) << "one whole write, not a mixture";
}

TEST(FileStorageThreads, AnIndexSnapshotServesOnlyTheThreadThatMadeIt) {
  testing_support::TestMachine machine;
  std::unique_ptr<TDynamicFileStorage> storage(TDynamicFileStorage::Create("C:\\Shared"));
  std::unique_ptr<TDynamicFileStorage> other(TDynamicFileStorage::Create("C:\\Shared"));
  TStringStream a("a"), b("b");
  storage->StoreFile("http://host/a.xml", a, 0, "");
  TFileStorage::TIndexSnapshot snapshot(*storage);
  EXPECT_EQ(storage->ReadString("http://host/a.xml"), "a");
  other->StoreFile("http://host/b.xml", b, 0, "");
  EXPECT_THROW(storage->ReadString("http://host/b.xml"), EStorageFileNotFound);
  std::string seen;
  std::thread reader([&] {
    try {
      seen = storage->ReadString("http://host/b.xml");
    } catch (const Exception& e) {
      seen = e.Message();
    }
  });
  reader.join();
  EXPECT_EQ(seen, "b");
}

}  // namespace
