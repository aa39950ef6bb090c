// Dialling: each connection walks the states of the machine's dial script, one thread timer of the calling
// thread per state; the notifier runs from the timer, and the next state is timed once it has returned, so
// notifications never nest.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Ras.h"
#include "platform/winapi/Timers.h"
#include "platform/winapi/rasapi32/CallHook.h"
#include "platform/winapi/rasapi32/Phonebook.h"

namespace {

struct Step {
  RASCONNSTATE state;
  DWORD error;
};

constexpr RASCONNSTATE kStates[] = {
    RASCS_OpenPort,     RASCS_PortOpened, RASCS_ConnectDevice, RASCS_DeviceConnected, RASCS_AllDevicesConnected,
    RASCS_Authenticate, RASCS_AuthNotify, RASCS_AuthProject,   RASCS_Authenticated,   RASCS_Connected};

struct Connection {
  DWORD threadId = 0;
  RASDIALFUNC notifier = nullptr;
  std::vector<Step> steps;
  size_t next = 0;
  uint32_t everyMs = 1000;
  UINT_PTR timer = 0;
};

struct Table {
  std::mutex lock;
  std::map<uintptr_t, Connection> connections;
  uintptr_t lastHandle = 0;
};

Table& Connections() {
  static Table* table = new Table;  // lives until the process ends
  return *table;
}

bool ParseOutcome(const std::string& text, vandrel::DialOutcome& outcome) {
  std::istringstream in(text);
  std::string kind, word;
  in >> kind;
  if (kind == "connect") {
    outcome.kind = vandrel::DialOutcome::Connect;
  } else if (kind == "silent") {
    outcome.kind = vandrel::DialOutcome::Silent;
  } else if (kind == "fail") {
    long state = -1;
    if (!(in >> outcome.error >> word >> state) || word != "at") return false;
    outcome.kind = vandrel::DialOutcome::Fail;
    outcome.state = RASCONNSTATE(state);
    bool known = false;
    for (RASCONNSTATE s : kStates) known |= s == outcome.state;
    if (!known || outcome.error == 0) return false;
  } else if (kind == "refuse") {
    if (!(in >> outcome.error) || outcome.error == 0) return false;
    outcome.kind = vandrel::DialOutcome::Refuse;
  } else {
    return false;
  }
  if (in >> word) {
    if (word != "every" || !(in >> outcome.everyMs) || outcome.everyMs == 0) return false;
  }
  return !(in >> word);
}

// The machine's script; without one, the line gives no dial tone.
bool ReadOutcome(vandrel::DialOutcome& outcome) {
  std::ifstream in(vandrel::DialScriptPath(), std::ios::binary);
  if (!in) {
    outcome = {vandrel::DialOutcome::Fail, ERROR_NO_DIALTONE, RASCS_ConnectDevice};
    return true;
  }
  std::string line;
  while (std::getline(in, line))
    if (!line.empty() && line[0] != '#') return ParseOutcome(line, outcome);
  return false;
}

std::vector<Step> StepsOf(const vandrel::DialOutcome& outcome) {
  std::vector<Step> steps;
  for (RASCONNSTATE state : kStates) {
    if (outcome.kind == vandrel::DialOutcome::Fail && state == outcome.state) {
      steps.push_back({state, outcome.error});
      break;
    }
    steps.push_back({state, 0});
    if (outcome.kind == vandrel::DialOutcome::Silent && state == RASCS_ConnectDevice) break;
  }
  return steps;
}

void CALLBACK OnStateTimer(HWND, UINT, UINT_PTR timer, DWORD);

// Times the connection's next state, when it has one; the caller holds the lock.
void TimeNextStep(Connection& connection) {
  connection.timer = 0;
  if (connection.next < connection.steps.size())
    connection.timer = SetTimer(nullptr, 0, connection.everyMs, &OnStateTimer);
}

void CALLBACK OnStateTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  Table& t = Connections();
  std::unique_lock<std::mutex> guard(t.lock);
  KillTimer(nullptr, timer);
  const DWORD thread = GetCurrentThreadId();
  auto it = t.connections.begin();
  while (it != t.connections.end() && !(it->second.timer == timer && it->second.threadId == thread)) ++it;
  if (it == t.connections.end()) return;  // hung up meanwhile
  const uintptr_t handle = it->first;
  Connection& connection = it->second;
  connection.timer = 0;
  const Step step = connection.steps[connection.next++];
  RASDIALFUNC notifier = connection.notifier;
  guard.unlock();
  notifier(WM_RASDIALEVENT, step.state, step.error);
  guard.lock();
  it = t.connections.find(handle);
  if (it != t.connections.end()) TimeNextStep(it->second);
}

}  // namespace

DWORD RasDialA(RASDIALEXTENSIONS* extensions, LPCSTR phonebook, RASDIALPARAMSA* params, DWORD notifierType,
               LPVOID notifier, HRASCONN* connection) {
  if (DWORD hooked = ras::HookedResult("RasDialA")) return hooked;
  if (!params || !connection || extensions) return ERROR_INVALID_PARAMETER;
  if (params->dwSize != sizeof(RASDIALPARAMSA)) return ERROR_INVALID_SIZE;
  if (phonebook) return ERROR_CANNOT_OPEN_PHONEBOOK;
  if (notifierType != 0 || !notifier) return ERROR_NOT_SUPPORTED;
  const std::string name = ras::FieldText(params->szEntryName);
  std::string number = ras::FieldText(params->szPhoneNumber);
  DWORD error = ras::WithPhonebook(false, [&](ras::Entries& entries) {
    const ras::StoredEntry* entry = ras::FindEntry(entries, name);
    if (!entry) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    if (number.empty()) number = entry->phone;
    return ERROR_SUCCESS;
  });
  if (error) return error;
  vandrel::DialOutcome outcome;
  if (!ReadOutcome(outcome)) return ERROR_INVALID_DATA;

  Table& t = Connections();
  std::lock_guard<std::mutex> guard(t.lock);
  const uintptr_t handle = ++t.lastHandle;
  Connection& made = t.connections[handle];
  made.threadId = GetCurrentThreadId();
  made.notifier = reinterpret_cast<RASDIALFUNC>(notifier);
  made.everyMs = outcome.everyMs;
  *connection = reinterpret_cast<HRASCONN>(handle);
  if (outcome.kind == vandrel::DialOutcome::Refuse) return outcome.error;
  DWORD recordError = 0;
  vandrel::AppendMachineRecord(vandrel::MachineRecord::DialledNumbers, number, recordError);
  made.steps = StepsOf(outcome);
  TimeNextStep(made);
  return ERROR_SUCCESS;
}

DWORD RasHangUpA(HRASCONN connection) {
  if (DWORD hooked = ras::HookedResult("RasHangUpA")) return hooked;
  Table& t = Connections();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.connections.find(reinterpret_cast<uintptr_t>(connection));
  if (it == t.connections.end()) return ERROR_INVALID_HANDLE;
  // A timer of another thread ends itself when it fires and finds no connection.
  if (it->second.timer && it->second.threadId == GetCurrentThreadId()) KillTimer(nullptr, it->second.timer);
  t.connections.erase(it);
  return ERROR_SUCCESS;
}

namespace vandrel {

bool ScriptDial(const DialOutcome& outcome) {
  std::string line;
  switch (outcome.kind) {
    case DialOutcome::Connect: line = "connect"; break;
    case DialOutcome::Silent: line = "silent"; break;
    case DialOutcome::Fail:
      line = "fail " + std::to_string(outcome.error) + " at " + std::to_string(int(outcome.state));
      break;
    case DialOutcome::Refuse: line = "refuse " + std::to_string(outcome.error); break;
  }
  if (outcome.kind != DialOutcome::Refuse) line += " every " + std::to_string(outcome.everyMs);
  mkdir((MachineRoot() + "/ras").c_str(), 0777);
  std::ofstream out(DialScriptPath(), std::ios::binary | std::ios::trunc);
  out << line << "\n";
  return bool(out.flush());
}

size_t OpenRasConnections() {
  Table& t = Connections();
  std::lock_guard<std::mutex> guard(t.lock);
  return t.connections.size();
}

}  // namespace vandrel
