// A second process of the machine for the configuration tests.
//   write POPUP FEED ENTRIES  sets LastPopup, clears FirstStart, stores FEED's shown entries ("a|b")
//   read FEED                 prints LastPopupClick and FEED's LastCheck
//   write-many PREFIX COUNT   once its standard input closes, writes COUNT dates PREFIX0.. (value i + 0.25),
//                             by turns into the key "Feeds\PREFIX" and the "History" key all writers share
// Arguments are UTF-8.
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "platform/runtime/Cp1250.h"
#include "toolbar/tests/ToolbarTestSupport.h"

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
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
    std::cerr << "usage: toolbar_helper write POPUP FEED ENTRIES | read FEED | write-many PREFIX COUNT\n";
    status = 2;
  }
  module->Free();
  return status;
}
