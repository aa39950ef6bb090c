// The property that user script fuzz targets check, whatever their verbs: the reader refuses malformed
// text with EUserScriptError and nothing else, and each action it reads reads back the same from its own
// source line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "platform/components/automation/UserScript.h"
#include "platform/runtime/Cp1250.h"

namespace testing_support {

inline void CheckUserScriptReadsBack(const uint8_t* data, size_t size, const TUserVerbs& verbs) {
  std::vector<TUserAction> actions;
  try {
    actions = ReadUserScript(std::string_view(reinterpret_cast<const char*>(data), size), verbs);
  } catch (const EUserScriptError&) {
    return;
  }
  for (const TUserAction& a : actions) {
    std::vector<TUserAction> again = ReadUserScript(cp1250::ToUtf8(a.source), verbs);
    if (again.size() != 1 || again[0].verb != a.verb || again[0].name != a.name || again[0].text != a.text ||
        again[0].key != a.key || again[0].shift != a.shift || again[0].ms != a.ms || again[0].button != a.button)
      std::abort();
  }
}

}  // namespace testing_support
