// Blits, pattern fills and single pixels.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/runtime/Format.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/gdi32/Raster.h"

namespace {

bool UsesSource(DWORD rop) {
  uint32_t code = rop >> 16 & 0xFF;
  return ((code >> 2) ^ code) & 0x33;
}

bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// How source pixels become destination values (indexes for an indexed destination, else RGB colours).
struct Converter {
  const BitmapObject* src;
  const BitmapObject* dst;
  COLORREF srcBk, dstBk, dstText;
  bool raw;  // same format: the stored value as it is

  uint32_t operator()(uint32_t v) const {
    if (src->MonoDdb() && !dst->MonoDdb()) {
      COLORREF c = v ? dstBk : dstText;
      return dst->Indexed() ? dst->ValueOf(c) : c;
    }
    if (dst->MonoDdb() && !src->MonoDdb()) return src->ColorOf(v) == srcBk ? 1 : 0;
    if (dst->Indexed()) return raw ? v : dst->ValueOf(src->ColorOf(v));
    return src->ColorOf(v);
  }
};

// The pattern of the context's brush as a destination value; null brushes paint as black.
uint32_t PatternValue(DeviceContext* dc, const BitmapObject* dst) {
  auto* brush = FindGdi<BrushObject>(CurrentObject(*dc, OBJ_BRUSH));
  COLORREF c = brush && brush->brush.lbStyle == BS_SOLID ? ResolveColor(dc, brush->brush.lbColor) : 0;
  return dst->Indexed() ? dst->ValueOf(c) : c;
}

// Source column (or row) of destination step i: nearest neighbour with centre sampling.
int Sample(int i, int destLength, int sourceLength) {
  return int((2 * int64_t(i) + 1) * sourceLength / (2 * int64_t(destLength)));
}

BOOL Blit(const char* name, HDC dest, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh,
          DWORD rop) {
  auto lock = DrawLock();
  auto* dctx = FindGdi<DeviceContext>(dest);
  bool needSource = UsesSource(rop);
  auto* sctx = needSource ? FindGdi<DeviceContext>(source) : nullptr;
  if (!dctx || (needSource && !sctx)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Target dt, st;
  TargetOf(dctx, dt);
  if (needSource) TargetOf(sctx, st);
  if (dt.window)
    LogCall(dt, name,
            RectText(x, y, w, h) + (needSource ? " <- " + RectText(sx, sy, sw, sh) : std::string()) +
                Format(" rop %.8X", {int64_t(rop)}));
  BitmapObject* dst = dt.bitmap;
  const BitmapObject* src = st.bitmap;
  if (!dst || !w || !h || (needSource && (!src || !sw || !sh))) return TRUE;

  bool flipX = (w < 0) != (sw < 0), flipY = (h < 0) != (sh < 0);
  int dx0 = w < 0 ? x + w : x, dy0 = h < 0 ? y + h : y;
  int sx0 = sw < 0 ? sx + sw : sx, sy0 = sh < 0 ? sy + sh : sy;
  int aw = std::abs(w), ah = std::abs(h), asw = std::abs(sw), ash = std::abs(sh);

  Converter convert{src, dst, 0, 0, 0, false};
  if (needSource) {
    convert.srcBk = ResolveColor(sctx, sctx->bkColor);
    convert.dstBk = ResolveColor(dctx, dctx->bkColor);
    convert.dstText = ResolveColor(dctx, dctx->textColor);
    convert.raw = dst->SameFormat(*src);
  }
  bool copyRaw = needSource && convert.raw && rop == SRCCOPY && src->MonoDdb() == dst->MonoDdb();
  uint32_t pattern = PatternValue(dctx, dst);
  uint32_t mask = dst->Indexed() ? (1u << dst->bits) - 1 : 0xFFFFFF;
  // A copy from a table bitmap stores one value per table entry: each is worked out once.
  std::vector<uint32_t> stored;
  if (needSource && !copyRaw && rop == SRCCOPY && src->Indexed()) {
    stored.resize(size_t(1) << src->bits);
    for (uint32_t v = 0; v < stored.size(); ++v) {
      uint32_t result = convert(v) & mask;
      stored[v] = dst->Indexed() ? result : dst->ValueOf(result);
    }
  }

  for (int j = 0; j < ah; ++j) {
    int ty = dy0 + j + dt.dy;
    int ky = needSource ? Sample(j, ah, ash) : 0;
    int py = (flipY ? sy0 + ash - 1 - ky : sy0 + ky) + st.dy;
    for (int i = 0; i < aw; ++i) {
      int tx = dx0 + i + dt.dx;
      if (!Inside(dt.clip, tx, ty)) continue;
      uint32_t s = 0;
      if (needSource) {
        int kx = Sample(i, aw, asw);
        int px = (flipX ? sx0 + asw - 1 - kx : sx0 + kx) + st.dx;
        if (!Inside(st.clip, px, py)) continue;
        uint32_t raw = src->Get(px, py);
        if (copyRaw) {
          dst->Put(tx, ty, raw);
          continue;
        }
        if (!stored.empty()) {
          dst->Put(tx, ty, stored[raw]);
          continue;
        }
        s = convert(raw);
      }
      uint32_t stored = dst->Get(tx, ty);
      uint32_t d = dst->Indexed() ? stored : dst->ColorOf(stored);
      uint32_t result = ApplyRop(rop, pattern, s, d) & mask;
      dst->Put(tx, ty, dst->Indexed() ? result : dst->ValueOf(result));
    }
  }
  return TRUE;
}

}  // namespace

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
  return Blit("BitBlt", dest, x, y, width, height, source, sx, sy, width, height, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh, DWORD rop) {
  return Blit("StretchBlt", dest, x, y, width, height, source, sx, sy, sw, sh, rop);
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  if (UsesSource(rop)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return Blit("PatBlt", dc, x, y, width, height, nullptr, 0, 0, 0, 0, rop);
}

COLORREF GetPixel(HDC dc, int x, int y) {
  auto lock = DrawLock();
  Target t;
  if (!TargetOf(FindGdi<DeviceContext>(dc), t) || !t.bitmap) return CLR_INVALID;
  x += t.dx, y += t.dy;
  if (!Inside(t.clip, x, y)) return CLR_INVALID;
  return t.bitmap->ColorOf(t.bitmap->Get(x, y));
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  auto lock = DrawLock();
  auto* context = FindGdi<DeviceContext>(dc);
  Target t;
  if (!TargetOf(context, t) || !t.bitmap) return CLR_INVALID;
  LogCall(t, "SetPixel", Format("%d,%d %s", {x, y, ColorText(color)}));
  x += t.dx, y += t.dy;
  if (!Inside(t.clip, x, y)) return CLR_INVALID;
  uint32_t value = t.bitmap->ValueOf(ResolveColor(context, color));
  t.bitmap->Put(x, y, value);
  return t.bitmap->ColorOf(value);
}
