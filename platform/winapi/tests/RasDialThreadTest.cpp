// Dialling on the virtual clock: the scripted outcomes reach the notifier on the dialling thread, one state
// at each interval, and a hang-up ends them.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>

#include "platform/runtime/Clock.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Ras.h"
#include "platform/winapi/Timers.h"

namespace {

using vandrel::DialOutcome;

struct Notice {
  RASCONNSTATE state;
  DWORD error;
  uint64_t at;
  DWORD thread;
};

std::vector<Notice> g_notices;
uint64_t g_start = 0;
std::function<void()> g_onNotice;

void Notify(UINT message, RASCONNSTATE state, DWORD error) {
  EXPECT_EQ(message, WM_RASDIALEVENT);
  g_notices.push_back({state, error, ClockTickMs() - g_start, GetCurrentThreadId()});
  if (g_onNotice) g_onNotice();
}

class RasDial : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockMode(TClockMode::Virtual);
    g_start = ClockTickMs();
    RASENTRYA entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    std::strcpy(entry.szLocalPhoneNumber, "0651123456");
    std::strcpy(entry.szDeviceType, "modem");
    std::strcpy(entry.szDeviceName, "Hayes");
    ASSERT_EQ(RasSetEntryPropertiesA(nullptr, "Vandrel", &entry, sizeof entry, nullptr, 0), ERROR_SUCCESS);
  }
  void TearDown() override {
    g_onNotice = nullptr;
    g_notices.clear();
    SetClockMode(TClockMode::Real);
  }
  DWORD Dial(const char* phone = "") {
    RASDIALPARAMSA params;
    std::memset(&params, 0, sizeof params);
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, "Vandrel");
    std::strcpy(params.szPhoneNumber, phone);
    return RasDialA(nullptr, nullptr, &params, 0, reinterpret_cast<void*>(&Notify), &connection);
  }
  // Pumps messages for that long of virtual time.
  void PumpFor(uint32_t ms) {
    UINT_PTR guard = SetTimer(nullptr, 0, ms, nullptr);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
      if (m.message == WM_TIMER && m.wParam == guard && !m.lParam) break;
      DispatchMessageA(&m);
    }
    KillTimer(nullptr, guard);
  }
  std::vector<std::string> States() const {
    std::vector<std::string> out;
    for (const Notice& n : g_notices)
      out.push_back(std::to_string(int(n.state)) + (n.error ? "!" + std::to_string(n.error) : "") + "@" +
                    std::to_string(n.at));
    return out;
  }
  std::vector<std::string> Dialled() const {
    return vandrel::MachineRecordLinesAfter(vandrel::MachineRecord::DialledNumbers, 0);
  }

  testing_support::TestMachine machine;
  HRASCONN connection = nullptr;
};

TEST_F(RasDial, AConnectionGoesThroughTheUsualStatesOnTheCallingThread) {
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Connect, 0, RASCS_OpenPort, 500}));
  ASSERT_EQ(Dial(), ERROR_SUCCESS);
  ASSERT_NE(connection, nullptr);
  EXPECT_TRUE(g_notices.empty());  // nothing before the thread pumps
  PumpFor(60000);
  EXPECT_EQ(States(), (std::vector<std::string>{"0@500", "1@1000", "2@1500", "3@2000", "4@2500", "5@3000", "6@3500",
                                                "10@4000", "14@4500", "8192@5000"}));
  for (const Notice& n : g_notices) EXPECT_EQ(n.thread, GetCurrentThreadId());
  EXPECT_EQ(Dialled(), (std::vector<std::string>{"0651123456"}));  // the entry's number
  EXPECT_EQ(vandrel::OpenRasConnections(), 1u);
  EXPECT_EQ(RasHangUpA(connection), ERROR_SUCCESS);
  EXPECT_EQ(vandrel::OpenRasConnections(), 0u);
  EXPECT_EQ(RasHangUpA(connection), ERROR_INVALID_HANDLE);
}

TEST_F(RasDial, AFailureIsReportedWithItsStateAndEndsTheStates) {
  const RASCONNSTATE states[] = {
      RASCS_OpenPort,     RASCS_PortOpened, RASCS_ConnectDevice, RASCS_DeviceConnected, RASCS_AllDevicesConnected,
      RASCS_Authenticate, RASCS_AuthNotify, RASCS_AuthProject,   RASCS_Authenticated,   RASCS_Connected};
  for (size_t i = 0; i < std::size(states); ++i) {
    g_notices.clear();
    g_start = ClockTickMs();
    ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Fail, ERROR_NO_ANSWER, states[i], 100}));
    ASSERT_EQ(Dial("9W0640123456"), ERROR_SUCCESS);
    PumpFor(10000);
    ASSERT_EQ(g_notices.size(), i + 1) << i;
    EXPECT_EQ(g_notices.back().state, states[i]);
    EXPECT_EQ(g_notices.back().error, ERROR_NO_ANSWER);
    for (size_t j = 0; j < i; ++j) EXPECT_EQ(g_notices[j].error, 0u);
    EXPECT_EQ(RasHangUpA(connection), ERROR_SUCCESS);
  }
  EXPECT_EQ(Dialled(), std::vector<std::string>(std::size(states), "9W0640123456"));  // the parameters' number
}

TEST_F(RasDial, ASilentLineStopsAtDiallingUntilHungUp) {
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Silent, 0, RASCS_OpenPort, 1000}));
  ASSERT_EQ(Dial(), ERROR_SUCCESS);
  PumpFor(600000);
  EXPECT_EQ(States(), (std::vector<std::string>{"0@1000", "1@2000", "2@3000"}));
  EXPECT_EQ(RasHangUpA(connection), ERROR_SUCCESS);
}

TEST_F(RasDial, NoNotificationFollowsAHangUp) {
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Connect, 0, RASCS_OpenPort, 1000}));
  // From inside the notifier, at the third state.
  g_onNotice = [this] {
    if (g_notices.size() == 3) {
      EXPECT_EQ(RasHangUpA(connection), ERROR_SUCCESS);
    }
  };
  ASSERT_EQ(Dial(), ERROR_SUCCESS);
  PumpFor(60000);
  EXPECT_EQ(g_notices.size(), 3u);
  // Between two states.
  g_onNotice = nullptr;
  g_notices.clear();
  ASSERT_EQ(Dial(), ERROR_SUCCESS);
  PumpFor(2500);
  EXPECT_EQ(RasHangUpA(connection), ERROR_SUCCESS);
  PumpFor(60000);
  EXPECT_EQ(g_notices.size(), 2u);
  EXPECT_EQ(vandrel::OpenRasConnections(), 0u);
}

TEST_F(RasDial, ImmediateErrors) {
  // A refusal writes a handle that must be hung up, and notifies nothing.
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Refuse, ERROR_PORT_NOT_AVAILABLE}));
  EXPECT_EQ(Dial(), ERROR_PORT_NOT_AVAILABLE);
  ASSERT_NE(connection, nullptr);
  PumpFor(60000);
  EXPECT_TRUE(g_notices.empty());
  EXPECT_TRUE(Dialled().empty());
  EXPECT_EQ(RasHangUpA(connection), ERROR_SUCCESS);

  RASDIALPARAMSA params;
  std::memset(&params, 0, sizeof params);
  params.dwSize = sizeof params;
  std::strcpy(params.szEntryName, "Nincs");
  HRASCONN none = nullptr;
  void* notifier = reinterpret_cast<void*>(&Notify);
  EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, notifier, &none), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  std::strcpy(params.szEntryName, "Vandrel");
  EXPECT_EQ(RasDialA(nullptr, "C:\\x.pbk", &params, 0, notifier, &none), ERROR_CANNOT_OPEN_PHONEBOOK);
  EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 1, notifier, &none), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, nullptr, &none), ERROR_NOT_SUPPORTED);
  EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, notifier, nullptr), ERROR_INVALID_PARAMETER);
  params.dwSize = 1060;
  EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, notifier, &none), ERROR_INVALID_SIZE);
  for (const char* script : {"connect every 0\n", "fail 678 at 99\n", "fail 0 at 2\n", "hum\n", "connect soon\n"}) {
    std::ofstream(vandrel::DialScriptPath(), std::ios::binary | std::ios::trunc) << script;
    EXPECT_EQ(Dial(), ERROR_INVALID_DATA) << script;
  }
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(vandrel::OpenRasConnections(), 0u);
}

TEST_F(RasDial, WithoutAScriptTheLineHasNoDialTone) {
  ASSERT_EQ(Dial(), ERROR_SUCCESS);
  PumpFor(60000);
  EXPECT_EQ(States(), (std::vector<std::string>{"0@1000", "1@2000", "2!680@3000"}));
  char text[100] = "";
  EXPECT_EQ(RasGetErrorStringA(g_notices.back().error, text, sizeof text), ERROR_SUCCESS);
  EXPECT_STREQ(text, "There is no dial tone.");
  EXPECT_EQ(RasHangUpA(connection), ERROR_SUCCESS);
}

}  // namespace
