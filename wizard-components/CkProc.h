// Enciphering a whole stream block by block, with a process-wide progress callback.
#pragma once
#include <cstdint>
#include <functional>

#include "wizard-components/CkCipher.h"

class TStream;

// Called with (input position, input size) while a stream is transformed; unset at start.
using TCipherProgress = std::function<void(int32_t position, int32_t size)>;
extern TCipherProgress CipherProgress;
// Byte interval of the progress calls, 64 at start; 0 or below reports only after the final block.
extern int32_t CipherProgressInterval;

// Enciphers (8-byte blocks, the last one carrying the count of its data bytes) or deciphers from the
// input's position to the output's position; the block count comes from the input's whole size. Raises
// ECipherException "Invalid file format" on a short read or a damaged final block; bytes already written
// stay written.
void BlowfishCryptStream(TStream& input, TStream& output, const TCipherKey& key, bool encrypt);
