// Colour reduction and bitmap streaming: a bitmap as a Windows BMP file of 1, 4, 8 or 24 bits per pixel in a
// memory stream, true-colour pictures reduced to an 8-bit palette by one of six methods.
#pragma once
#include <memory>

#include "platform/components/Graphics.h"
#include "platform/runtime/Streams.h"

enum ReductionMethod {
  rmPopularity,    // the wanted number of the most frequent colours
  rmMedianCut,     // up to 256 colours by median cut over a 4-bit-per-channel histogram
  rmLevels784,     // 224 fixed colours: 7 red x 8 green x 4 blue levels
  rmLevels666,     // 216 fixed colours: 6 levels per channel
  rmChannelCycle,  // three 64-step ramps; each pixel keeps one channel, in turn
  rmGrayscale,     // 256 greys
};

// The method used when none is given.
constexpr ReductionMethod DefaultReductionMethod = rmPopularity;

// Builds the nearest-level maps of the fixed palettes once; InitPictureUnits runs it, and the methods that
// use the maps see to it themselves.
void InitColorReduction();

// A new stream at position 0 holding a whole BMP file of the bitmap at the depth (1, 4, 8 or 24). A bitmap
// already at the depth saves itself as it is, unless the method is rmGrayscale. Depths 1, 4 and 24 are read
// out of the bitmap (colours mapped as GetDIBits maps them; rmGrayscale at 24 turns each pixel grey); depth 8
// reduces a 24-bit read-out by the method. EInvalidGraphic "Bitmap image is not valid" for a bitmap without a
// handle; another depth stops through RaiseNotImplemented.
std::unique_ptr<TMemoryStream> BitmapToDibStream(TBitmap* bitmap, int depth, ReductionMethod method);
// BitmapToDibStream with DefaultReductionMethod at the least depth for the colours: 1 for at most 2, 4 for at
// most 16, 8 for at most 256, 24 above.
std::unique_ptr<TMemoryStream> BitmapToDibStreamForColors(TBitmap* bitmap, int colors);
TPixelFormat BitmapPixelFormat(TBitmap* bitmap);
