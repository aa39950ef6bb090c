// The machine's hosts file comes before every resolver, so that a machine maps names to loopback servers
// without asking the host.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/testing/HttpTestServer.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/NameResolution.h"
#include "platform/winapi/WinInet.h"
#include "platform/winapi/tests/WinInetFetch.h"

namespace {

using Addresses = std::vector<std::string>;

TEST(HostsFile, LinesGiveTheAddressesOfANameInFileOrder) {
  const std::string text =
      "# the provider\r\n"
      "127.0.0.1\teszkoztar.vandrel.hu  hirek.vandrel.hu # news\r\n"
      "   ::1 Eszkoztar.Vandrel.HU\n"
      "nonsense eszkoztar.vandrel.hu\n"
      "127.0.0.2 other.vandrel.hu\n"
      "# 127.0.0.3 eszkoztar.vandrel.hu\n"
      "127.0.0.4 #eszkoztar.vandrel.hu\n"
      "\n"
      "127.0.0.5 eszkoztar.vandrel.hu";  // no final line break
  const struct {
    const char* host;
    Addresses expected;
  } cases[] = {
      {"eszkoztar.vandrel.hu", {"127.0.0.1", "::1", "127.0.0.5"}},
      {"HIREK.vandrel.hu", {"127.0.0.1"}},
      {"other.vandrel.hu", {"127.0.0.2"}},
      {"vandrel.hu", {}},
      {"eszkoztar.vandrel.h", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(vandrel::HostsFileAddresses(text, c.host), c.expected) << c.host;
  EXPECT_TRUE(vandrel::HostsFileAddresses("", "a").empty());
  EXPECT_TRUE(vandrel::HostsFileAddresses("\n\n#\n127.0.0.1", "a").empty());
}

class MachineHostsFile : public ::testing::Test {
 protected:
  void WriteHosts(const std::string& text) {
    std::string folder = machine_.DriveC() + "/WINDOWS/system32/drivers/etc";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/hosts", std::ios::binary) << text;
  }
  // A resolver that counts what it is asked and knows no name.
  void CountLookups() {
    previous_ = vandrel::SetNameResolver([this](const std::string& host, Addresses&) {
      asked_.push_back(host);
      return ERROR_INTERNET_NAME_NOT_RESOLVED;
    });
  }
  void TearDown() override { vandrel::SetNameResolver(std::move(previous_)); }

  testing_support::TestMachine machine_;
  vandrel::NameResolver previous_;
  Addresses asked_;
};

TEST_F(MachineHostsFile, NamesItListsNeverReachTheResolver) {
  CountLookups();
  Addresses found;
  EXPECT_EQ(vandrel::ResolveHostName("eszkoztar.vandrel.hu", found), ERROR_INTERNET_NAME_NOT_RESOLVED);
  WriteHosts("127.0.0.1 eszkoztar.vandrel.hu\n");
  EXPECT_EQ(vandrel::ResolveHostName("ESZKOZTAR.vandrel.hu", found), ERROR_SUCCESS);
  EXPECT_EQ(found, Addresses{"127.0.0.1"});
  EXPECT_EQ(vandrel::ResolveHostName("posta.vandrel.hu", found), ERROR_INTERNET_NAME_NOT_RESOLVED);
  EXPECT_EQ(asked_, (Addresses{"eszkoztar.vandrel.hu", "posta.vandrel.hu"}));
}

TEST_F(MachineHostsFile, TheInternetClientFetchesByAMappedName) {
  CountLookups();
  WriteHosts("127.0.0.1 eszkoztar.vandrel.hu\n");
  testing_support::HttpTestServer server;
  server.On("/pellandra/toolbar.xml", testing_support::HttpScriptedResponse::Ok("<TOOLBAR/>"));
  auto result = testing_support::Fetch("eszkoztar.vandrel.hu", server.Port(), "/pellandra/toolbar.xml");
  EXPECT_EQ(result.sendError, DWORD(ERROR_SUCCESS));
  EXPECT_EQ(result.body, "<TOOLBAR/>");
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].Header("Host"), "eszkoztar.vandrel.hu:" + std::to_string(server.Port()));
  EXPECT_TRUE(asked_.empty());
}

}  // namespace
