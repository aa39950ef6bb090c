#include "wizard-components/moxStrings.h"

int32_t FindFrom(std::string_view sub, std::string_view s, int32_t start) {
  if (sub.empty() || s.empty()) return 0;
  const size_t from = start < 1 ? 0 : size_t(start) - 1;
  if (from >= s.size()) return 0;
  const size_t at = sub.size() == 1 ? s.find(sub[0], from) : s.find(sub, from);
  return at == std::string_view::npos ? 0 : int32_t(at + 1);
}
