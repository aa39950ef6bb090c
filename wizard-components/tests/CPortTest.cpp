// TSerialPort's rules without its event thread: port names, setters, the device-control block against the
// one the platform recorded, errors, and reads and writes over an in-process scripted device.
#include <gtest/gtest.h>

#include <memory>

#include "platform/testing/TestMachine.h"
#include "platform/winapi/Comm.h"
#include "wizard-components/CPort.h"

namespace {

struct PortDeleter {
  void operator()(TSerialPort* port) const { port->Free(); }
};
using PortPtr = std::unique_ptr<TSerialPort, PortDeleter>;

// A port over scripted devices COM2 and COM3 (silent to what the tests write), without events.
class SerialPort : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"COM2", "COM3"}) vandrel::RegisterScriptedPort(name, "line ATZ\nreply 0 OK\n");
    port.reset(TSerialPort::Create(nullptr));
    port->SetEvents(0);
    port->OnOpen = [this](TObject*) { ++opens; };
    port->OnClose = [this](TObject*) { ++closes; };
  }
  void TearDown() override {
    port.reset();
    for (const char* name : {"COM2", "COM3"}) vandrel::RemoveScriptedPort(name);
  }
  DCB Recorded(const std::string& name = "COM3") {
    DCB dcb{};
    EXPECT_TRUE(vandrel::LastCommState(name, &dcb));
    return dcb;
  }

  testing_support::TestMachine machine;
  PortPtr port;
  int opens = 0, closes = 0;
};

TEST(SerialPortNames, NormalizePortName) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {{"com3", "COM3"}, {"3", "COM3"},    {"COM16", "COM16"}, {"17", "COM1"},     {"0", "COM1"},
               {"COM0", "COM1"}, {"LPT1", "COM1"}, {"", "COM1"},       {"cOm12", "COM12"}, {"COMx", "COM1"}};
  for (const Case& c : cases) EXPECT_EQ(TSerialPort::NormalizePortName(c.in), c.out) << c.in;
}

TEST(SerialPortErrors, TextsWithAndWithoutTheWindowsCode) {
  struct Case {
    int code, win;
    const char* text;
  } cases[] = {
      {1, 2, "Unable to open com port (win error code: 2)"},
      {1, -2, "Unable to open com port"},
      {4, -2, "Invalid Async parameter"},
      {5, 995, "PurgeComm function failed (win error code: 995)"},
      {10, 6, "ClearCommError function failed (win error code: 6)"},
      {14, -2, "Cannot set SyncMethod while connected"},
      {15, 0, "EnumPorts function failed (win error code: 0)"},
  };
  for (const Case& c : cases) {
    ESerialPort e = c.win == -2 ? ESerialPort(c.code) : ESerialPort(c.code, c.win);
    EXPECT_EQ(e.Message(), c.text);
    EXPECT_EQ(e.Code(), c.code);
    EXPECT_EQ(e.WinCode(), c.win == -2 ? -1 : c.win);
    EXPECT_EQ(e.ClassName(), "ESerialPort");
  }
}

TEST_F(SerialPort, PortNumChangesReopenAConnectedPort) {
  struct Step {
    const char* set;
    const char* stored;
    int opens, closes;  // counted from the start, with the port opened once before the first step
  } steps[] = {
      {"COM3", "COM3", 1, 0},  // the same text: nothing, also while connected
      {"com3", "COM3", 2, 1},  // another spelling of the same port counts as a change
      {"2", "COM2", 3, 2},
      {"COM2", "COM2", 3, 2},
  };
  port->SetPortNum("COM3");
  port->Open();
  port->Open();  // on an open port: nothing
  for (const Step& s : steps) {
    port->SetPortNum(s.set);
    EXPECT_EQ(port->PortNum(), s.stored) << s.set;
    EXPECT_EQ(opens, s.opens) << s.set;
    EXPECT_EQ(closes, s.closes) << s.set;
    EXPECT_TRUE(port->Connected()) << s.set;
  }
  port->Close();
  port->Close();  // on a closed port: nothing
  EXPECT_EQ(closes, 3);
  port->SetPortNum("17");
  EXPECT_EQ(port->PortNum(), "COM1");
  EXPECT_EQ(opens, 3) << "a closed port only stores";
}

TEST_F(SerialPort, SyncMethodCannotChangeWhileConnected) {
  port->SetSyncMethod(smNone);
  port->SetPortNum("COM3");
  port->Open();
  port->SetSyncMethod(smNone);  // its present value
  try {
    port->SetSyncMethod(smWindowSync);
    ADD_FAILURE() << "no exception";
  } catch (const ESerialPort& e) {
    EXPECT_EQ(e.Code(), 14);
    EXPECT_EQ(e.WinCode(), -1);
  }
  EXPECT_EQ(port->SyncMethod(), smNone);
  port->Close();
  port->SetSyncMethod(smThreadSync);
  EXPECT_EQ(port->SyncMethod(), smThreadSync);
}

TEST_F(SerialPort, TheBlockComesFromTheSettingsAlone) {
  struct Case {
    const char* name;
    std::function<void(TSerialPort*)> set;
    DWORD rate, flags;
    BYTE size, parity, stop;
    WORD lim;
    char errorChar, eventChar;
  } cases[] = {
      {"the wizard's settings",
       [](TSerialPort* p) {
         p->FlowControl()->SetControlDTR(dtrEnable);
         p->FlowControl()->SetControlRTS(rtsEnable);
       },
       9600, 0x1011, 8, NOPARITY, ONESTOPBIT, 256, 0, 0},
      {"defaults", [](TSerialPort*) {}, 9600, 0x1, 8, NOPARITY, ONESTOPBIT, 256, 0, 0},
      {"every flow flag",
       [](TSerialPort* p) {
         TComFlowControl* f = p->FlowControl();
         f->SetOutCTSFlow(true);
         f->SetOutDSRFlow(true);
         f->SetControlDTR(dtrHandshake);
         f->SetControlRTS(rtsToggle);
         f->SetXonXoffOut(true);
         f->SetXonXoffIn(true);
         f->SetDSRSensitivity(true);
         f->SetTxContinueOnXoff(true);
         p->SetDiscardNull(true);
       },
       9600, 0x1 | 0x4 | 0x8 | 0x20 | 0x3000 | 0x100 | 0x200 | 0x40 | 0x80 | 0x800, 8, NOPARITY, ONESTOPBIT, 256, 0, 0},
      {"parity checked and replaced",
       [](TSerialPort* p) {
         p->Parity()->SetBits(prEven);
         p->Parity()->SetCheck(true);
         p->Parity()->SetReplace(true);
         p->Parity()->SetReplaceChar('?');
         p->SetDataBits(dbSeven);
         p->SetStopBits(sbTwoStopBits);
       },
       9600, 0x1 | 0x2 | 0x400, 7, EVENPARITY, TWOSTOPBITS, 256, '?', 0},
      {"a replacement without the check is not used",
       [](TSerialPort* p) {
         p->Parity()->SetReplace(true);
         p->Parity()->SetReplaceChar('?');
       },
       9600, 0x1, 8, NOPARITY, ONESTOPBIT, 256, 0, 0},
      {"rate, event character, buffer",
       [](TSerialPort* p) {
         p->SetBaudRate(br256000);
         p->SetEventChar('\n');
         p->Buffer()->SetInputSize(4000);
         p->SetDataBits(dbFive);
         p->SetStopBits(sbOne5StopBits);
         p->Parity()->SetBits(prSpace);
       },
       256000, 0x1, 5, SPACEPARITY, ONE5STOPBITS, 1000, 0, '\n'},
      {"the slowest rate", [](TSerialPort* p) { p->SetBaudRate(br110); }, 110, 0x1, 8, NOPARITY, ONESTOPBIT, 256, 0, 0},
  };
  for (const Case& c : cases) {
    PortPtr fresh(TSerialPort::Create(nullptr));
    fresh->SetEvents(0);
    fresh->SetPortNum("COM3");
    c.set(fresh.get());
    fresh->Open();
    DCB dcb = Recorded();
    EXPECT_EQ(dcb.DCBlength, sizeof(DCB)) << c.name;
    EXPECT_EQ(dcb.BaudRate, c.rate) << c.name;
    EXPECT_EQ(dcb.Flags, c.flags) << c.name;
    EXPECT_EQ(dcb.ByteSize, c.size) << c.name;
    EXPECT_EQ(dcb.Parity, c.parity) << c.name;
    EXPECT_EQ(dcb.StopBits, c.stop) << c.name;
    EXPECT_EQ(dcb.XonLim, c.lim) << c.name;
    EXPECT_EQ(dcb.XoffLim, c.lim) << c.name;
    EXPECT_EQ(dcb.XonChar, 17) << c.name;
    EXPECT_EQ(dcb.XoffChar, 19) << c.name;
    EXPECT_EQ(dcb.ErrorChar, c.errorChar) << c.name;
    EXPECT_EQ(dcb.EvtChar, c.eventChar) << c.name;
  }
}

TEST_F(SerialPort, SettersReapplyTheirGroupOnlyWhileOpen) {
  port->SetPortNum("COM3");
  port->Open();
  port->SetBaudRate(br57600);
  EXPECT_EQ(Recorded().BaudRate, 57600u);
  port->FlowControl()->SetXonChar(1);
  EXPECT_EQ(Recorded().XonChar, 1);
  // Assigning a whole group copies it and re-applies the block.
  TComParity* parity = NewObject<TComParity>();
  parity->SetBits(prOdd);
  port->SetParity(parity);
  parity->Free();
  EXPECT_EQ(port->Parity()->Bits(), prOdd);
  EXPECT_EQ(Recorded().Parity, ODDPARITY);
  // A refused block raises code 7 with the Windows code and leaves the port open.
  try {
    port->FlowControl()->SetXoffChar(1);
    port->FlowControl()->SetXonXoffOut(true);
    ADD_FAILURE() << "no exception";
  } catch (const ESerialPort& e) {
    EXPECT_EQ(e.Code(), 7);
    EXPECT_EQ(e.WinCode(), 87);
  }
  EXPECT_TRUE(port->Connected());
  port->Close();
  port->SetBaudRate(br300);
  EXPECT_EQ(Recorded().BaudRate, 57600u) << "a closed port only stores";
}

TEST_F(SerialPort, OpenFailuresRaiseAndLeaveThePortClosed) {
  port->SetPortNum("COM9");
  try {
    port->Open();
    ADD_FAILURE() << "no exception";
  } catch (const ESerialPort& e) {
    EXPECT_EQ(e.Code(), 1);
    EXPECT_EQ(e.WinCode(), 2);
    EXPECT_EQ(e.Message(), "Unable to open com port (win error code: 2)");
  }
  EXPECT_FALSE(port->Connected());
  // A failure after the handle was made closes it again: the device can be opened once more.
  port->SetPortNum("COM3");
  port->Buffer()->SetInputSize(0);
  try {
    port->Open();
    ADD_FAILURE() << "no exception";
  } catch (const ESerialPort& e) {
    EXPECT_EQ(e.Code(), 9);
    EXPECT_EQ(e.WinCode(), 87);
  }
  EXPECT_FALSE(port->Connected());
  EXPECT_EQ(port->Handle(), INVALID_HANDLE_VALUE);
  port->Buffer()->SetInputSize(1024);
  port->Open();
  EXPECT_TRUE(port->Connected());
  EXPECT_EQ(opens, 1);
}

TEST_F(SerialPort, WritesAndReads) {
  port->SetPortNum("COM3");
  port->Open();
  EXPECT_EQ(port->WriteStr("AT\r"), 3);
  EXPECT_EQ(port->WriteStr(""), 0);
  std::string text = "unchanged";
  EXPECT_EQ(port->ReadStr(text, -5), 0) << "a negative count reads nothing";
  EXPECT_EQ(text, "");
  EXPECT_EQ(port->InputCount(), 0);
  EXPECT_EQ(port->Signals(), 0u);
  EXPECT_EQ(port->LastErrors(), 0u);
  try {
    PAsync none = nullptr;
    port->WaitForAsync(none);
    ADD_FAILURE() << "no exception";
  } catch (const ESerialPort& e) {
    EXPECT_EQ(e.Code(), 4);
    EXPECT_EQ(e.Message(), "Invalid Async parameter");
  }
  PAsync write = nullptr, read = nullptr;
  InitAsync(write);
  InitAsync(read);
  EXPECT_EQ(TSerialPort::AsyncErrorCode(write), 2);
  read->Kind = okRead;
  EXPECT_EQ(TSerialPort::AsyncErrorCode(read), 3);
  DoneAsync(write);
  DoneAsync(read);
  EXPECT_EQ(write, nullptr);
}

}  // namespace
