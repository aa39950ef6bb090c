// A second process of the machine for the configuration tests.
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
// Arguments are UTF-8.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Timers.h"
#include "toolbar/tests/ToolbarTestSupport.h"
#include "toolbar/uInstance.h"
#include "toolbar/uSignals.h"

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

int Signals(const std::string& library) {
  HMODULE module = LoadLibraryA(library.c_str());
  if (!module) return 3;
  SetInstanceModuleForTesting(module);
  InitializeSignalUnit();
  std::string line, command;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    UINT ms = 0;
    words >> command >> ms;
    if (command == "quit") break;
    std::cout << Answer(command, ms) << std::endl;
  }
  while (SignalWindowHandle()) DestroySignalWindow();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "signals" && argc == 3) return Signals(cp1250::FromUtf8(argv[2]));
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
    std::cerr
        << "usage: toolbar_helper write POPUP FEED ENTRIES | read FEED | write-many PREFIX COUNT | signals LIBRARY\n";
    status = 2;
  }
  module->Free();
  return status;
}
