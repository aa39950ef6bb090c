// Reading a source that a toolbar definition names: the definition itself, included definitions, images,
// sounds and feeds.
#pragma once
#include <string>

#include "platform/runtime/Streams.h"

// Appends the whole content of the source to the stream, or raises. A source whose second and third
// characters are ":" and a backslash is a local file (read with sharing allowed); anything else is a URL,
// fetched with the cache policy and time-outs of 30 s (connect) and 60 s (receive), which thereby become
// the process-wide defaults.
void LoadUrlToStream(const std::string& source, TMemoryStream& output, int cachePolicy);
