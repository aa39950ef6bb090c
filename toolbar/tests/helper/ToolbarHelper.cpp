// A second process of the machine for the configuration, signal and watch-thread tests.
//   write POPUP FEED ENTRIES  sets LastPopup, clears FirstStart, stores FEED's shown entries ("a|b")
//   read FEED                 prints LastPopupClick and FEED's LastCheck
//   write-many PREFIX COUNT   once its standard input closes, writes COUNT dates PREFIX0.. (value i + 0.25),
//                             by turns into the key "Feeds\PREFIX" and the "History" key all writers share
//   signals LIBRARY           the change signals of the library at LIBRARY (a Windows path), driven by lines of
//                             standard input, each answered by one line: "window" and "destroy" (a band form's
//                             signal window, "ok"), "def" and "feed" (a broadcast: "sent T"), "wait MS" ("waiting",
//                             then messages until a flag is set or MS pass: "def=D feed=F at T"), "pump MS"
//                             (messages for MS: "def=D feed=F"), "clear-def", "clear-feed" ("ok"), "quit";
//                             T is the host's monotonic clock in milliseconds
//   watch LIBRARY             the library's units and module at LIBRARY (a Windows path), driven by lines of
//                             standard input: "start" and "stop" (a band form made and gone, which start and stop
//                             the watch thread: "ok", "stopped in MS"), "worker" ("worker=0" or "worker=1"),
//                             "wait-worker MS" (until this process runs the worker or MS pass: "worker=W at T"),
//                             "quit"
// Arguments are UTF-8.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <thread>

#include "platform/com/ClassTable.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Timers.h"
#include "toolbar/tests/ToolbarTestSupport.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uInstance.h"
#include "toolbar/uLibrary.h"
#include "toolbar/uSignals.h"
#include "toolbar/uWatchThread.h"
#include "toolbar/uWorkerThread.h"

namespace {

long long MonotonicMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string Flags() {
  return std::string("def=") + (IsDefChanged() ? "1" : "0") + " feed=" + (IsFeedChanged() ? "1" : "0");
}

// Handles messages for `ms` milliseconds, or until a flag is set when `untilFlag`.
void Pump(UINT ms, bool untilFlag) {
  UINT_PTR timer = SetTimer(nullptr, 0, ms, nullptr);
  MSG msg;
  while (!(untilFlag && (IsDefChanged() || IsFeedChanged())) && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && !msg.hwnd && msg.wParam == timer) break;
    DispatchMessageA(&msg);
  }
  KillTimer(nullptr, timer);
}

std::string Answer(const std::string& command, UINT ms) {
  if (command == "window") {
    CreateSignalWindow();
  } else if (command == "destroy") {
    DestroySignalWindow();
  } else if (command == "def" || command == "feed") {
    BOOL posted = command == "def" ? BroadcastDefChanged() : BroadcastFeedChanged();
    return (posted ? "sent " : "failed ") + std::to_string(MonotonicMs());
  } else if (command == "wait") {
    std::cout << "waiting" << std::endl;
    Pump(ms, true);
    return Flags() + " at " + std::to_string(MonotonicMs());
  } else if (command == "pump") {
    Pump(ms, false);
    return Flags();
  } else if (command == "clear-def") {
    ClearDefChanged();
  } else if (command == "clear-feed") {
    ClearFeedChanged();
  } else {
    return "unknown " + command;
  }
  return "ok";
}

// Answers each line "COMMAND [MS]" of the standard input until "quit" or its end.
void AnswerCommands(std::string (*answer)(const std::string& command, UINT ms)) {
  std::string line, command;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    UINT ms = 0;
    words >> command >> ms;
    if (command == "quit") break;
    std::cout << answer(command, ms) << std::endl;
  }
}

int Signals(const std::string& library) {
  HMODULE module = LoadLibraryA(library.c_str());
  if (!module) return 3;
  SetInstanceModuleForTesting(module);
  InitializeSignalUnit();
  AnswerCommands(Answer);
  while (SignalWindowHandle()) DestroySignalWindow();
  return 0;
}

int ThreadCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
  return count;
}

std::string WorkerState() { return std::string("worker=") + (WorkerExists() ? "1" : "0"); }

std::string WatchAnswer(const std::string& command, UINT ms) {
  if (command == "start") {
    BandFormCreated();
  } else if (command == "stop") {
    long long start = MonotonicMs();
    BandFormDestroyed();
    return "stopped in " + std::to_string(MonotonicMs() - start);
  } else if (command == "worker") {
    return WorkerState();
  } else if (command == "wait-worker") {
    for (long long end = MonotonicMs() + ms; !WorkerExists() && MonotonicMs() < end;)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return WorkerState() + " at " + std::to_string(MonotonicMs());
  } else {
    return "unknown " + command;
  }
  return "ok";
}

int Watch(const std::string& library) {
  HMODULE module = LoadLibraryA(library.c_str());
  if (!module) return 3;
  SetInstanceModuleForTesting(module);
  CoInitialize(nullptr);
  InitializeLibraryUnits();
  Startup();
  if (!TessalineDeskBandModule()) return 4;
  const int threads = ThreadCount();
  AnswerCommands(WatchAnswer);
  while (WatchThreadExists()) BandFormDestroyed();
  // The ended threads' host threads finish their exit (and free their per-thread state) before this one.
  for (long long end = MonotonicMs() + 2000; ThreadCount() > threads && MonotonicMs() < end;)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "signals" && argc == 3) return Signals(cp1250::FromUtf8(argv[2]));
  if (command == "watch" && argc == 3) return Watch(cp1250::FromUtf8(argv[2]));
  if (command == "write-many")
    while (std::cin.get() != EOF) {
    }
  TFakeBandModule* module = TFakeBandModule::Create("Vandrel eszköztár"_cp);
  TTessalineConfiguration* config = TTessalineConfiguration::Create(module);
  int status = 0;
  if (command == "write" && argc == 5) {
    config->SetLastPopup(std::atof(argv[2]));
    config->SetFirstStart(false);
    TStringList entries;
    std::string list = cp1250::FromUtf8(argv[4]);
    for (size_t at = 0, bar; at <= list.size(); at = bar + 1) {
      bar = std::min(list.find('|', at), list.size());
      entries.Add(list.substr(at, bar - at));
    }
    config->SaveShownEntries(cp1250::FromUtf8(argv[3]), entries);
  } else if (command == "read" && argc == 3) {
    std::ostringstream out;
    out << std::setprecision(10) << config->GetLastPopupClick() << " "
        << config->GetFeedLastCheck(cp1250::FromUtf8(argv[2])) << "\n";
    std::cout << out.str();
  } else if (command == "write-many" && argc == 4) {
    const std::string prefix = argv[2];
    for (int i = 0; i < std::atoi(argv[3]); ++i)
      config->WriteDateTime(i % 2 ? "History" : "Feeds\\" + prefix, prefix + std::to_string(i), i + 0.25);
  } else {
    std::cerr << "usage: toolbar_helper write POPUP FEED ENTRIES | read FEED | write-many PREFIX COUNT | signals "
                 "LIBRARY | watch LIBRARY\n";
    status = 2;
  }
  module->Free();
  return status;
}
