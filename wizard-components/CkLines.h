// Text files enciphered line by line, as the wizard's configuration files are: each line holds the base64
// text of its cipher output.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "wizard-components/CkCipher.h"

// Told of a line that failed: its 1-based number and the error's message.
using TCipherLineError = std::function<void(size_t line, const std::string& message)>;

// Enciphers (or deciphers) every line of the text (split as SplitTextLines does) and appends each result followed by CR
// LF. A line that fails is written empty and reported; returns whether every line succeeded.
bool CryptLines(std::string_view text, const TCipherKey& key, bool encrypt, std::string& output,
                const TCipherLineError& onError = {});

// One deciphered line; empty when it does not decipher.
std::string DecipherLineOrEmpty(const std::string& line, const TCipherKey& key);
