// The shell host's script verbs on any bytes.
#include "hosts/shellhost/ShellScript.h"
#include "platform/testing/UserScriptFuzzing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TUserVerbs verbs = ShellHostVerbs();
  testing_support::CheckUserScriptReadsBack(data, size, verbs);
  return 0;
}
