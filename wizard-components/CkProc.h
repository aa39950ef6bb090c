// The process-wide progress callback of the block transforms.
#pragma once
#include <cstdint>
#include <functional>

#include "wizard-components/CkCipher.h"

// Called with (input position, input size) while a stream is transformed; unset at start.
using TCipherProgress = std::function<void(int32_t position, int32_t size)>;
extern TCipherProgress CipherProgress;
// Byte interval of the progress calls, 64 at start; 0 or below reports only after the final block.
extern int32_t CipherProgressInterval;
