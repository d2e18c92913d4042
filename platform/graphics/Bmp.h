// The Windows BMP file format: reading (BITMAPINFOHEADER and its V4/V5
// forms, OS/2 BITMAPCOREHEADER; 1, 4, 8, 16, 24, 32 bits; BI_RGB,
// BI_BITFIELDS, BI_RLE8, BI_RLE4; bottom-up and top-down) and writing in
// the form Windows writes (bottom-up, BI_RGB, palette for <= 8 bits).
//
// Damaged input raises EInvalidGraphic with a message that says what is
// wrong; the reader never reads outside the bytes it is given.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "platform/graphics/Gdi.h"

namespace bmp {

// Largest width or height accepted, and largest pixel count (a 16384 x
// 16384 picture): a bigger one is treated as damaged.
constexpr int kMaxSide = 32768;
constexpr std::int64_t kMaxPixels = 16384LL * 16384LL;
// RLE pictures, whose size the stream's length does not bound: 4096 x 4096.
constexpr std::int64_t kMaxRlePixels = 4096LL * 4096LL;

// A whole file, from its BITMAPFILEHEADER ("BM"). The caller owns the
// result (a DIB section: 1/4/8 bits with their palette, 16 bits 5-5-5 or
// 5-6-5, 24 or 32 bits; other bit fields become 32 bits).
win::HBITMAP ReadFile(std::span<const std::uint8_t> file);
// A packed DIB: info header, masks or colour table, then the bits.
win::HBITMAP ReadPackedDib(std::span<const std::uint8_t> dib);
// The byte length a file claims in its header (bfSize), so that a reader
// of a stream knows how much belongs to the picture; 0 when the header
// gives no usable length. EInvalidGraphic when it is not a BMP header.
std::uint32_t FileSizeFromHeader(std::span<const std::uint8_t> first14);

// The file Windows writes for the bitmap.
std::vector<std::uint8_t> WriteFile(const win::BitmapObject& bitmap);

}  // namespace bmp
