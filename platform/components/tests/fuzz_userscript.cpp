// Fuzz target: the user script reader rejects malformed text with EUserScriptError and nothing else, and
// each action it reads reads back the same from its own source line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/components/automation/UserScript.h"
#include "platform/runtime/Cp1250.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TUserVerbs verbs = [] {
    TUserVerbs v = TUserVerbs::Standard();
    v.Add("chevron", TUserArgs::None, nullptr);
    return v;
  }();
  std::vector<TUserAction> actions;
  try {
    actions = ReadUserScript(std::string_view(reinterpret_cast<const char*>(data), size), verbs);
  } catch (const EUserScriptError&) {
    return 0;
  }
  for (const TUserAction& a : actions) {
    std::vector<TUserAction> again = ReadUserScript(cp1250::ToUtf8(a.source), verbs);
    if (again.size() != 1 || again[0].verb != a.verb || again[0].name != a.name || again[0].text != a.text ||
        again[0].key != a.key || again[0].shift != a.shift || again[0].ms != a.ms)
      std::abort();
  }
  return 0;
}
