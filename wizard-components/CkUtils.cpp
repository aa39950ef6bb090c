#include "wizard-components/CkUtils.h"

int32_t IntMin(int32_t a, int32_t b) { return a < b ? a : b; }

int32_t IntMax(int32_t a, int32_t b) { return a > b ? a : b; }
