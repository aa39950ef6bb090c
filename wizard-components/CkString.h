// Base64 coding of streams, and enciphering of strings into base64 text.
#pragma once
#include <string>
#include <string_view>

#include "wizard-components/CkCipher.h"

class TStream;

// Standard base64 text (RFC 4648 alphabet, "=" padding, no line breaks) of the input's bytes, read in
// chunks of 45 bytes.
void Base64EncodeStream(TStream& input, TStream& output);
// The bytes of the input's base64 text, read in chunks of 88 characters. A character outside codes
// 43..122, or a trailing group of fewer than four, raises Exception "Invalid Base64 Character"; the bytes of
// earlier chunks stay written.
void Base64DecodeStream(TStream& input, TStream& output);

// Enciphers a text into base64 text, or deciphers base64 text back; raises as the stream layer does, and
// then leaves the result untouched.
void BlowfishCryptString(const std::string& text, const TCipherKey& key, bool encrypt, std::string& result);
// The same without raising: the text of the error it would raise, or nullptr when it succeeded.
const char* TryBlowfishCryptString(std::string_view text, const TCipherKey& key, bool encrypt, std::string& result);
