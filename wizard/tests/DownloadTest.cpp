// The download of page 6 on the virtual clock: the dial of the temporary entry, the fetches from a loopback
// server, the version hand-shake with scripted probes, the update roads, progress, cancel, and the relaunch
// as the shell is asked for it.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>

#include "platform/components/Application.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/Ras.h"
#include "platform/winapi/ShellExecute.h"
#include "platform/winapi/VirtualTime.h"
#include "wizard/tests/DownloadTestSupport.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;
using testing_support::HttpScriptedResponse;
using vandrel::DialOutcome;

TEST(ContentLength, TheLineMustBeginExactlyAndItsNumberMustBeOne) {
  struct Case {
    const char* header;
    int64_t length;  // -1: raises
  } cases[] = {
      {"HTTP/1.0 200 OK\r\nContent-Length: 12\r\n\r\n", 12},
      {"HTTP/1.0 200 OK\r\n\r\n", 0},
      {"", 0},
      {"HTTP/1.0 200 OK\r\ncontent-length: 12\r\n\r\n", 0},
      {"HTTP/1.0 200 OK\r\nCONTENT-LENGTH: 12\r\n\r\n", 0},
      {"HTTP/1.0 200 OK\r\nContent-Length:12\r\n\r\n", 0},
      {"HTTP/1.0 200 OK\r\n Content-Length: 12\r\n\r\n", 0},
      {"HTTP/1.0 200 OK\r\nContent-Length:    12   \r\n\r\n", 12},
      {"HTTP/1.0 200 OK\nContent-Length: 7\nContent-Length: 9\n\n", 7},
      {"HTTP/1.0 200 OK\r\nContent-Length: 4000000000\r\n\r\n", 4000000000},
      {"HTTP/1.0 200 OK\r\nContent-Length: 12abc\r\n\r\n", -1},
      {"HTTP/1.0 200 OK\r\nContent-Length: \r\n\r\n", -1},
      {"HTTP/1.0 200 OK\r\nContent-Length: 1 2\r\n\r\n", -1},
  };
  for (const Case& c : cases) {
    if (c.length >= 0) {
      EXPECT_EQ(ParseContentLength(c.header), c.length) << c.header;
    } else {
      EXPECT_THROW(ParseContentLength(c.header), EConvertError) << c.header;
    }
  }
}

TEST_F(DownloadPage, ProgressAndCounterFollowTheBytesOfTheUpdate) {
  struct Case {
    int64_t total, done, received;
    int position;
    const char* counter;
  } cases[] = {
      {30 * 1024, 0, 12 * 1024, 100, "12 K / 30 K"},
      {30 * 1024, 10 * 1024, 2 * 1024, 100, "12 K / 30 K"},
      {30 * 1024, 30 * 1024, 10 * 1024, 160, "30 K / 30 K"},  // capped, the counter too
      {200, 0, 1, 60, "0 K / 0 K"},                           // 0.5 rounds to even
      {200, 0, 3, 62, "0 K / 0 K"},                           // 1.5 rounds to even
      {8, 0, 5, 122, "0 K / 0 K"},                            // 62.5
      {8, 0, 7, 148, "0 K / 0 K"},                            // 87.5
      {3, 0, 2, 127, "0 K / 0 K"},                            // 66.67
      {4000000000, 0, 2000000000, 110, "1953125 K / 3906250 K"},
  };
  for (const Case& c : cases) {
    form->SetBytesTotal(c.total);
    form->SetBytesDone(c.done);
    form->hcModemPacketRecvd(form->hcModem, c.received);
    EXPECT_EQ(form->pbModemLetoltes->Position(), c.position) << c.total << " " << c.received;
    EXPECT_EQ(form->lbModemLetoltesAllapot->Caption(), c.counter) << c.total << " " << c.received;
  }
  // Without a total the packets move nothing.
  form->SetBytesTotal(-1);
  form->hcModemPacketRecvd(form->hcModem, 5000);
  EXPECT_EQ(form->pbModemLetoltes->Position(), 110);
  EXPECT_EQ(form->lbModemLetoltesAllapot->Caption(), "1953125 K / 3906250 K");
}

TEST_F(DownloadPage, TheNewestCopyDecidesWhatIsFetchedCopiedOrLeft) {
  relaunchAnswer = SE_ERR_FNF;  // the copy does not start, so one form runs every case
  struct Case {
    std::optional<std::string> inTemp;     // the temporary copy's answer; none: no copy there
    std::optional<std::string> announced;  // exeverzio of the fresh configuration; none: no such setting
    const char* road;                      // "A" fetched, "O" copied, "T" left
  } cases[] = {
      {std::nullopt, std::nullopt, "O"}, {std::string("1"), std::nullopt, "T"}, {std::string("1"), "1", "T"},
      {std::string(""), "2", "A"},       {std::string("9"), "10", "T"},         {std::string("10"), "9", "A"},
      {std::string("0"), "", "O"},       {std::string("2"), "2", "T"},          {std::nullopt, "1", "O"},
      {std::string("1"), "2", "A"},
  };
  for (const Case& c : cases) {
    const std::string label = c.inTemp.value_or("none") + "/" + c.announced.value_or("none");
    ResetTemp();
    if (c.inTemp) WriteTemp("Selvaring.exe", "temporary program");
    probeVersion = c.inTemp;
    ServeFresh(c.announced);
    const size_t requests = server.Requests().size();
    calls.clear();
    Next();
    EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgModemSzolgaltatas) << label;
    std::vector<std::string> expectedCalls;
    if (c.inTemp) expectedCalls.push_back("\"" + temp + "Selvaring.exe\"|VERSION|0");
    expectedCalls.push_back(RelaunchCall());
    EXPECT_EQ(calls, expectedCalls) << label;
    const std::string road = c.road;
    EXPECT_EQ(Targets(requests), road == "A" ? kEveryTransfer : kFirstTransfers) << label;
    const std::string program = road == "A" ? "new program" : road == "O" ? "own program" : "temporary program";
    EXPECT_EQ(ReadTemp("Selvaring.exe"), c.inTemp || road != "T" ? program : "") << label;
    EXPECT_EQ(ReadTemp("nyilatkozat.txt"), road == "A" ? "new statement" : road == "O" ? "own statement" : "") << label;
    EXPECT_EQ(ReadTemp("kep.gif"), "new pictures") << label;
    EXPECT_FALSE(form->Downloading());
    EXPECT_EQ(form->lbModemLetoltes->Caption(), "T62");
    EXPECT_EQ(form->pbModemLetoltes->Position(), 0);
  }
}

TEST_F(DownloadPage, TheUpdateIsSizedByHeadBeforeAnyGetAndItsProgressMoves) {
  ServeFresh("2");
  HttpScriptedResponse slow = HttpScriptedResponse::Ok(std::string(20 * 1024, 'p'));
  slow.chunkSize = 1024;
  slow.paceMs = 20;
  server.On("/selvaring/Selvaring.exe", slow);
  server.On("/selvaring/nyilatkozat.txt", HttpScriptedResponse::Ok(std::string(10 * 1024, 'n')));
  std::vector<std::string> seen;
  const auto packet = form->hcModem->OnPacketRecvd;
  form->hcModem->OnPacketRecvd = [&](TObject* sender, int64_t received) {
    packet(sender, received);
    if (form->BytesTotal() > 0)
      seen.push_back(std::to_string(form->pbModemLetoltes->Position()) + " " + form->lbModemLetoltesAllapot->Caption());
  };
  Next();
  EXPECT_EQ(Targets(0), kEveryTransfer);
  // Each HEAD found its body file in the temporary folder.
  EXPECT_EQ(ReadTemp("Default.htm"), "");
  EXPECT_EQ(ReadTemp("Head.txt").rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_GE(seen.size(), 6u);
  EXPECT_LT(std::stoi(seen.front()), 70);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(),
                             [](const std::string& a, const std::string& b) { return std::stoi(a) < std::stoi(b); }));
  EXPECT_EQ(seen.back(), "160 30 K / 30 K");
  EXPECT_TRUE(std::find(seen.begin(), seen.end(), "127 20 K / 30 K") != seen.end());
  EXPECT_EQ(ReadTemp("Selvaring.exe"), std::string(20 * 1024, 'p'));
  EXPECT_EQ(calls, std::vector<std::string>{RelaunchCall()});
  EXPECT_TRUE(form->Closing());  // the copy started, so the program closes
  EXPECT_FALSE(form->Visible());
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(DownloadPage, WhatTheServerRefusesStopsTheDownloadAndKeepsTheOldFiles) {
  // The HEAD of an update file answers as the GET does unless a GET answer is given.
  struct Case {
    const char* target;
    HttpScriptedResponse response;
    std::optional<HttpScriptedResponse> get;
    size_t transfers;  // of kEveryTransfer, until the refused one
  } cases[] = {
      {"/selvaring/kep.gif", HttpScriptedResponse::Status(404, "not here"), std::nullopt, 1},
      {"/selvaring/Selvaring.kzf", HttpScriptedResponse::Status(500, "broken"), std::nullopt, 3},
      {"/selvaring/nyilatkozat.txt", HttpScriptedResponse::Raw("HTTP/1.0 200 OK\r\n\r\n"), std::nullopt, 5},
      {"/selvaring/Selvaring.exe", HttpScriptedResponse::Raw("HTTP/1.0 200 OK\r\nContent-Length: 1x\r\n\r\n"),
       std::nullopt, 4},
      {"/selvaring/Selvaring.exe", HttpScriptedResponse::Status(404), std::nullopt, 4},
      {"/selvaring/Selvaring.exe", HttpScriptedResponse::Raw("HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\n"),
       std::nullopt, 4},
      {"/selvaring/Selvaring.exe", HttpScriptedResponse::Ok("fresh"), HttpScriptedResponse::Status(404, "gone"), 6},
      {"/selvaring/nyilatkozat.txt", HttpScriptedResponse::Ok("fresh"),
       HttpScriptedResponse::Raw("HTTP/1.0 200 OK\r\n\r\nno length"), 7},
  };
  relaunchAnswer = SE_ERR_FNF;
  for (const Case& c : cases) {
    ResetTemp();
    for (const char* name : {"kep.gif", "ikon.gif", "Selvaring.kzf", "Selvaring.exe", "nyilatkozat.txt"})
      WriteTemp(name, "old");
    probeVersion = "1";
    ServeFresh("2");
    server.On(c.target, [&c](const testing_support::HttpRecordedRequest& request) {
      return request.method == "GET" && c.get ? *c.get : c.response;
    });
    const size_t requests = server.Requests().size();
    calls.clear();
    Next();
    EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgModemSzolgaltatas) << c.target;
    std::vector<std::string> transfers = Targets(requests);
    EXPECT_EQ(transfers, std::vector<std::string>(kEveryTransfer.begin(), kEveryTransfer.begin() + c.transfers))
        << c.target;
    // No relaunch; the refused file and those after it are the old ones, no part is left.
    EXPECT_TRUE(std::none_of(calls.begin(), calls.end(), [](const std::string& s) {
      return s.find("CONTINUE") != std::string::npos;
    })) << c.target;
    const std::string refused = std::string(c.target).substr(11);
    EXPECT_EQ(ReadTemp(refused), "old") << c.target;
    EXPECT_FALSE(std::filesystem::exists(Host(temp + refused + ".part"))) << c.target;
  }
}

TEST_F(DownloadPage, WithoutAConnectionTheBarFillsForASecondAndPageSevenFollows) {
  vandrel::ras_testing::SetCallHook(
      [](const std::string& function) -> DWORD { return function == "RasSetEntryPropertiesA" ? 621 : 0; });
  const uint64_t start = ClockTickMs();
  int during = -1;
  ScheduleVirtualEvent(start + 500, [&] { during = form->pbModemLetoltes->Position(); });
  Next();
  vandrel::ras_testing::SetCallHook(nullptr);
  EXPECT_EQ(ClockTickMs() - start, 1000u);
  EXPECT_EQ(during, 160);
  EXPECT_EQ(form->pbModemLetoltes->Position(), 0);
  EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgModemSzolgaltatas);
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(Screen->Cursor(), crArrow);
}

TEST_F(DownloadPage, NextCancelsADialThatNeverAnswers) {
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Silent, 0, RASCS_OpenPort, 1000}));
  const uint64_t start = ClockTickMs();
  std::string at45;
  ScheduleVirtualEvent(start + 45000, [&] {
    at45 = std::to_string(form->pbModemLetoltes->Position()) + (form->trModemDialEntry->Enabled() ? " on" : " off");
  });
  CancelAt(50000);
  Next();
  EXPECT_EQ(at45, "60 off");                                 // the dial timer stopped itself at 60
  EXPECT_EQ(ClockTickMs() - start, 50000u + 3000u + 1000u);  // the Next, the hang-up, the second
  EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgModemSzolgaltatas);
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(vandrel::OpenRasConnections(), 0u);
}

TEST_F(DownloadPage, NextCancelsAStalledTransfer) {
  // The first transfer stalls: a socket that waits lets virtual time move to the Next, whenever it comes.
  server.On("/selvaring/kep.gif", HttpScriptedResponse::Stall());
  WriteTemp("kep.gif", "old");
  const uint64_t start = ClockTickMs();
  CancelAt(60000);
  Next();
  EXPECT_GE(ClockTickMs() - start, 60000u);
  // The server may not have read the request before the cancel.
  const std::vector<std::string> targets = Targets(0);
  EXPECT_LE(targets.size(), 1u);
  if (!targets.empty()) {
    EXPECT_EQ(targets[0], kEveryTransfer[0]);
  }
  EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgModemSzolgaltatas);
  EXPECT_EQ(ReadTemp("kep.gif"), "old");
  EXPECT_FALSE(std::filesystem::exists(Host(temp + "kep.gif.part")));
  EXPECT_TRUE(calls.empty());
  EXPECT_FALSE(form->Downloading());
  EXPECT_FALSE(form->lbModemLetoltesAllapot->Visible());
  EXPECT_EQ(vandrel::OpenRasConnections(), 0u);
}

}  // namespace
