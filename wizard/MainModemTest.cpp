// The modem test's receive handler.
#include <string_view>

#include "wizard/Main.h"

void TFMain::cpModemTestRxChar(TObject*, int count) {
  std::string received;
  cpModemTest->ReadStr(received, count);
  // Lines end at CR or LF (a pair counts once); only this event's bytes are looked at.
  std::string_view rest = received;
  while (!rest.empty()) {
    size_t end = rest.find_first_of("\r\n");
    if (rest.substr(0, end) == "OK") {
      modemAnswered = true;
      return;
    }
    if (end == std::string_view::npos) return;
    rest.remove_prefix(end + 1);
  }
}
