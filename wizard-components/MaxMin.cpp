#include "wizard-components/MaxMin.h"

int32_t MaxOf(int32_t a, int32_t b) { return a > b ? a : b; }
int32_t MinOf(int32_t a, int32_t b) { return a < b ? a : b; }
