// The GIF image unit's texts (string table entries 61092 to 61100).
#pragma once

constexpr const char* SGIFUnknownVersion = "Unknown GIF version";                            // 61092
constexpr const char* SGIFWrongColorCount = "Wrong number of colors; must be a power of 2";  // 61096
constexpr const char* SGIFUnknownExtension = "Unrecognized extension block: %.2x";           // 61097
constexpr const char* SGIFNoSizeChange = "Cannot change the Size of a GIF image";            // 61099
constexpr const char* SGIFImageDescription = "CompuServe GIF Image";                         // 61100
