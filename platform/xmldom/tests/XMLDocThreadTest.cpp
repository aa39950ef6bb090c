#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/com/ClassTable.h"
#include "platform/xmldom/XMLDoc.h"

namespace {

TEST(XMLDocThreads, DocumentsParseOnManyThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::atomic<int> good{0};
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&good, t] {
      CoInitialize(nullptr);
      for (int i = 0; i < 50; ++i) {
        std::string xml = "<r n=\"" + std::to_string(t) + "\"><i>" + std::to_string(i) + "</i></r>";
        auto document = LoadXMLData(xml);
        TXMLNode* root = document->DocumentElement();
        if (root->AttributeNodes()[0]->Text() == std::to_string(t) &&
            root->ChildNodes()[0]->Text() == std::to_string(i))
          ++good;
        try {
          LoadXMLData("<r><i></r>");
        } catch (const EDOMParseError&) {
          ++good;
        }
      }
      CoUninitialize();
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(good.load(), 8 * 50 * 2);
}

}  // namespace
