// Enciphering of strings into base64 text.
#pragma once
#include <string>

#include "wizard-components/CkCipher.h"

// Enciphers a text into base64 text, or deciphers base64 text back; raises as the stream layer does, and
// then leaves the result untouched.
void BlowfishCryptString(const std::string& text, const TCipherKey& key, bool encrypt, std::string& result);
