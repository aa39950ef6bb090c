// The user script reader with the desktop's verbs and one verb of no arguments, on any bytes.
#include "platform/components/automation/UserScript.h"
#include "platform/testing/UserScriptFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TUserVerbs verbs = [] {
    TUserVerbs v = TUserVerbs::Standard();
    v.Add("chevron", TUserArgs::None, nullptr);
    return v;
  }();
  testing_support::CheckUserScriptReadsBack(data, size, verbs);
  return 0;
}
