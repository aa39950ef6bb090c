// Small integer helpers of the cipher library.
#pragma once
#include <cstdint>

// The smaller and the larger of two signed integers.
int32_t IntMin(int32_t a, int32_t b);
int32_t IntMax(int32_t a, int32_t b);
