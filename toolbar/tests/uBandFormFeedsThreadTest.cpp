// A feed's way end to end: served on loopback, fetched by the worker of another process, announced by the
// feed-changed signal in a pop-up of this process's band, and clicked into the host browser.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/components/Application.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/Registry.h"
#include "toolbar/tests/BandFormTestSupport.h"
#include "toolbar/tests/LibraryTestSupport.h"
#include "toolbar/uTessalinePopupForm.h"

namespace {

using namespace std::chrono_literals;
using namespace band_form_test;
using namespace library_test;
using testing_support::ChildProcess;
using testing_support::HttpScriptedResponse;
using testing_support::HttpTestServer;
namespace fs = std::filesystem;

const std::string kHelper = std::string(VANDREL_BINARY_DIR) + "/tests/toolbar_helper";

TTessalinePopupForm* FirstPopup(TTessalineDeskBandForm* form) {
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* popup = DynamicAs<TTessalinePopupForm>(form->Components(i))) return popup;
  return nullptr;
}

class BandFormFeedsEndToEnd : public BandFormTest {
 protected:
  void SetUp() override {
    BandFormTest::SetUp();
    // Online, with the feed's host name mapped to the loopback server.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              0);
    const DWORD online = 0;
    RegSetValueExA(key, "GlobalUserOffline", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&online), sizeof online);
    RegCloseKey(key);
    fs::create_directories(machine_.DriveC() + "/WINDOWS/system32/drivers/etc");
    WriteWholeFile("C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "127.0.0.1 hirek.vandrel.hu\r\n");
    // The feed is served once this process's band is up, so that its signal reaches the band.
    server_.On("/hirek.xml", [this](const testing_support::HttpRecordedRequest&) {
      for (auto end = std::chrono::steady_clock::now() + 10s; !ready_ && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(10ms);
      return HttpScriptedResponse::Ok(
          "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel><title>Hírek</title>"
          "<item><title>Friss hír</title><link>http://hirek.vandrel.hu/friss</link>"
          "<description>Most érkezett</description></item></channel></rss>");
    });
  }
  void TearDown() override {
    if (helper_) {
      helper_->WriteLine("quit");
      EXPECT_EQ(helper_->Wait(), 0);
    }
    BandFormTest::TearDown();
  }

  std::atomic<bool> ready_{false};
  std::unique_ptr<ChildProcess> helper_;
  HttpTestServer server_;
};

TEST_F(BandFormFeedsEndToEnd, AServedFeedIsAnnouncedInThisProcesssBandAndClicked) {
  const std::string url = "http://hirek.vandrel.hu:" + std::to_string(server_.Port()) + "/hirek.xml";
  Start(Definition("", "<BUTTON imagelist=\"gombok\" action=\"none\"/>\n<FEED id=\"hirek\" src=\"" + url +
                           "\" showtimeout=\"30\" showspeed=\"100\"/>\n"));
  // The other process runs the worker of this library path.
  helper_ = std::make_unique<ChildProcess>(kHelper, std::vector<std::string>{"watch", cp1250::ToUtf8(kLibrary)});
  helper_->WriteLine("start");
  ASSERT_EQ(helper_->ReadLine(), "ok");
  helper_->WriteLine("wait-worker 5000");
  ASSERT_EQ(helper_->ReadLine().substr(0, 8), "worker=1");

  TTessalineDeskBandForm* form = HostBand(TShellHost::TMode::Browser);
  ASSERT_NE(form, nullptr) << out_.str();
  form->FeedCheckTimer->SetEnabled(false);  // only the signal may lead to the check
  ready_ = true;
  for (auto end = std::chrono::steady_clock::now() + 15s; !FirstPopup(form) && std::chrono::steady_clock::now() < end;)
    Application->HandleMessage();
  TTessalinePopupForm* popup = FirstPopup(form);
  ASSERT_NE(popup, nullptr) << LogText();
  EXPECT_EQ(popup->lblTitle->Caption(), "Friss hír"_cp);
  EXPECT_EQ(popup->lblContent->Caption(), "Most érkezett"_cp);
  EXPECT_TRUE(IsWindowVisible(popup->Handle()));

  const size_t before = shell_->Browser()->NavigateCalls().size();
  popup->lblTitle->OnClick(popup->lblTitle);
  auto calls = shell_->Browser()->NavigateCalls();
  ASSERT_EQ(calls.size(), before + 1);
  EXPECT_EQ(calls.back().Url, "http://hirek.vandrel.hu/friss");
  EXPECT_EQ(calls.back().Flags, 1) << "the feed's default target, _blank";
  EXPECT_GT(form->GetLastPopupClick(), 0);
  shell_->Pump();
  EXPECT_EQ(FirstPopup(form), nullptr);
}

}  // namespace
