// The larger and the smaller of two integers.
#pragma once
#include <cstdint>

int32_t MaxOf(int32_t a, int32_t b);
int32_t MinOf(int32_t a, int32_t b);
