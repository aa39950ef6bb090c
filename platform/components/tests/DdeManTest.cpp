// The DDE client conversation over the session's DDE servers: links, requests and their records, and
// the start of a service's program when a link does not open.
#include "platform/components/DdeMan.h"

#include <gtest/gtest.h>

#include "platform/winapi/Dde.h"

namespace {

class DdeConversation : public ::testing::Test {
 protected:
  void SetUp() override { vandrel::ResetDde(); }
  void TearDown() override { vandrel::ResetDde(); }
  // A server that answers every item with "re:" and the item, and "-" with no reply.
  static void Serve(const std::string& service) {
    vandrel::RegisterDdeServer(service, {"WWW_OpenURL", "WWW_Activate"},
                               [](const std::string&, const std::string& item) -> std::optional<std::string> {
                                 if (item == "-") return std::nullopt;
                                 return "re:" + item;
                               });
  }
  static std::vector<std::string> Requests() {
    std::vector<std::string> lines;
    for (const vandrel::TDdeRequestRecord& r : vandrel::DdeRequests())
      lines.push_back(r.Service + "|" + r.Topic + "|" + r.Item);
    return lines;
  }
};

TEST_F(DdeConversation, LinksAndRequestsOfAServer) {
  Serve("Opera");
  TObjectPtr<TDdeClientConv> conversation(TDdeClientConv::Create(nullptr));
  EXPECT_EQ(conversation->RequestData("x"), std::nullopt) << "no link yet";
  EXPECT_FALSE(conversation->SetLink("OPERA", "WWW_Other")) << "a topic the server lacks";
  EXPECT_FALSE(conversation->SetLink("NETSCAPE", "WWW_OpenURL")) << "no such server";
  EXPECT_FALSE(conversation->Linked());
  EXPECT_EQ(conversation->RequestData("x"), std::nullopt);
  ASSERT_TRUE(conversation->SetLink("OPERA", "www_openurl")) << "names compare without letter case";
  EXPECT_EQ(conversation->RequestData(std::string("a\0b", 3)), std::string("re:a\0b", 6));
  EXPECT_EQ(conversation->RequestData("-"), std::nullopt);
  vandrel::UnregisterDdeServer("opera");
  EXPECT_EQ(conversation->RequestData("gone"), std::nullopt) << "the server went away";
  EXPECT_EQ(Requests(), (std::vector<std::string>{"OPERA|www_openurl|" + std::string("a\0b", 3), "OPERA|www_openurl|-",
                                                  "OPERA|www_openurl|gone"}))
      << "every request over a link, answered or not";
  EXPECT_TRUE(vandrel::DdeStarts().empty()) << "no service application, nothing to start";
}

TEST_F(DdeConversation, AFailedLinkStartsTheServiceApplicationOnceAndTriesAgain) {
  struct Row {
    bool serverAppears;
    bool linked;
  } rows[] = {{true, true}, {false, false}};
  for (const Row& row : rows) {
    vandrel::ResetDde();
    vandrel::SetDdeStartHandler([&](const std::string&) {
      if (row.serverAppears) Serve("MOZILLA");
    });
    TObjectPtr<TDdeClientConv> conversation(TDdeClientConv::Create(nullptr));
    conversation->SetServiceApplication("C:\\Program Files\\Mozilla\\MOZILLA");
    EXPECT_EQ(conversation->SetLink("MOZILLA", "WWW_OpenURL"), row.linked);
    EXPECT_EQ(vandrel::DdeStarts(), std::vector<std::string>{"C:\\Program Files\\Mozilla\\MOZILLA"});
    EXPECT_EQ(conversation->SetLink("MOZILLA", "WWW_Activate"), row.linked);
    EXPECT_EQ(vandrel::DdeStarts().size(), row.linked ? 1u : 2u) << "a link that opens starts nothing";
  }
}

}  // namespace
