// A small library that the module tests load: with and without version and manifest resources.
#include "platform/winapi/Module.h"

extern "C" [[gnu::visibility("default")]] HINSTANCE SampleInstance() { return HInstance(); }
extern "C" [[gnu::visibility("default")]] int SampleAnswer() { return 42; }
