// DIB sections as the bitmap classes make and read them.
#pragma once
#include <string>
#include <vector>

#include "platform/winapi/Bitmaps.h"

struct TDibLayout {
  BITMAPINFOHEADER header{};   // positive height: rows bottom-up
  DWORD masks[3] = {0, 0, 0};  // with BI_BITFIELDS
  std::vector<RGBQUAD> table;  // 8 bits or fewer: 2^n entries
};

size_t DibStride(int width, int bits);
// A DIB section of the layout; `pixels` receives its memory. EOutOfResources "Out of system resources" when
// it cannot be made.
HBITMAP MakeDibSection(const TDibLayout& layout, uint8_t** pixels);
// The layout and bottom-up rows (none: the layout only) of any bitmap at its own depth (a device-dependent
// bitmap through GetDIBits). False for a handle that is no bitmap.
bool ReadDib(HBITMAP bitmap, TDibLayout& layout, std::string* rows);
