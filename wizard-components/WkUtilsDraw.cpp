// Keyed stretching of bitmaps through masks.
#include "platform/winapi/Palettes.h"
#include "wizard-components/WkUtils.h"

void StretchBitmapRectTransparent(TCanvas* dest, int x, int y, int width, int height, const RECT& source,
                                  TBitmap* bitmap, TColor transparent) {
  StretchBitmapKeyed(dest, bitmap, transparent, x, y, width, height, source.left, source.top,
                     source.right - source.left, source.bottom - source.top);
}

void StretchBitmapKeyed(TCanvas* dest, TBitmap* bitmap, TColor transparent, int x, int y, int width, int height, int sx,
                        int sy, int sw, int sh) {
  if (width < 1) width = bitmap->Width();
  if (height < 1) height = bitmap->Height();
  if (sw < 1 || sh < 1) {
    sx = sy = 0;
    sw = bitmap->Width();
    sh = bitmap->Height();
  }
  bool mono = bitmap->Monochrome();
  if (!mono) SetStretchBltMode(dest->Handle(), STRETCH_DELETESCANS);
  TCanvas* canvas = bitmap->Canvas();
  TNotifyEvent saved = bitmap->OnChange;
  bitmap->OnChange = nullptr;
  canvas->Lock();
  try {
    if (transparent == clNone) {
      StretchBlt(dest->Handle(), x, y, width, height, canvas->Handle(), sx, sy, sw, sh, dest->CopyMode());
    } else {
      if (transparent == clDefault) transparent = canvas->Pixels(0, bitmap->Height() - 1);
      COLORREF key = mono ? 0xFFFFFF : COLORREF(ColorToRGB(transparent));
      KeyedStretchBlt(dest->Handle(), x, y, width, height, canvas->Handle(), sx, sy, sw, sh, bitmap->Palette(), key);
    }
  } catch (...) {
    canvas->Unlock();
    bitmap->OnChange = saved;
    throw;
  }
  canvas->Unlock();
  bitmap->OnChange = saved;
}

COLORREF PaletteRelativeColor(TColor color) { return COLORREF(ColorToRGB(color)) | 0x02000000u; }

void KeyedStretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                     HPALETTE palette, COLORREF key) {
  HDC imageDc = CreateCompatibleDC(dest), maskDc = CreateCompatibleDC(dest), inverseDc = CreateCompatibleDC(dest),
      backDc = CreateCompatibleDC(dest);
  HBITMAP mask = CreateBitmap(sw, sh, 1, 1, nullptr), inverse = CreateBitmap(sw, sh, 1, 1, nullptr);
  HBITMAP back = CreateCompatibleBitmap(dest, width, height), image = CreateCompatibleBitmap(dest, sw, sh);
  HGDIOBJ oldImage = SelectObject(imageDc, AsGdiObject(image)), oldMask = SelectObject(maskDc, AsGdiObject(mask)),
          oldInverse = SelectObject(inverseDc, AsGdiObject(inverse)), oldBack = SelectObject(backDc, AsGdiObject(back));
  HPALETTE oldPalettes[4] = {};
  if (palette) {
    oldPalettes[0] = SelectPalette(dest, palette, TRUE);
    RealizePalette(dest);
    oldPalettes[1] = SelectPalette(imageDc, palette, FALSE);
    RealizePalette(imageDc);
    oldPalettes[2] = SelectPalette(maskDc, palette, FALSE);
    RealizePalette(maskDc);
    oldPalettes[3] = SelectPalette(backDc, palette, TRUE);
    RealizePalette(backDc);
  }
  SetMapMode(source, GetMapMode(dest));
  SetMapMode(imageDc, GetMapMode(dest));

  BitBlt(imageDc, 0, 0, sw, sh, source, sx, sy, SRCCOPY);
  COLORREF oldBk = SetBkColor(imageDc, PaletteRelativeColor(TColor(key)));
  BitBlt(maskDc, 0, 0, sw, sh, imageDc, 0, 0, SRCCOPY);  // key pixels become 1
  SetBkColor(imageDc, oldBk);
  BitBlt(inverseDc, 0, 0, sw, sh, maskDc, 0, 0, NOTSRCCOPY);
  BitBlt(backDc, 0, 0, width, height, dest, x, y, SRCCOPY);
  StretchBlt(backDc, 0, 0, width, height, maskDc, 0, 0, sw, sh, SRCAND);  // keeps the background under the key
  BitBlt(imageDc, 0, 0, sw, sh, inverseDc, 0, 0, SRCAND);                 // clears the key in the image
  StretchBlt(backDc, 0, 0, width, height, imageDc, 0, 0, sw, sh, SRCPAINT);
  BitBlt(dest, x, y, width, height, backDc, 0, 0, SRCCOPY);

  if (palette) {
    SelectPalette(dest, oldPalettes[0], TRUE);
    SelectPalette(imageDc, oldPalettes[1], FALSE);
    SelectPalette(maskDc, oldPalettes[2], FALSE);
    SelectPalette(backDc, oldPalettes[3], TRUE);
  }
  SelectObject(imageDc, oldImage);
  SelectObject(maskDc, oldMask);
  SelectObject(inverseDc, oldInverse);
  SelectObject(backDc, oldBack);
  for (HBITMAP b : {mask, inverse, back, image}) DeleteObject(b);
  for (HDC dc : {imageDc, maskDc, inverseDc, backDc}) DeleteDC(dc);
}
