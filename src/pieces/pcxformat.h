#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// 8-bit ZSoft PCX pictures (the piece skin).
//
// Layout (little-endian):
//   offset   4  int16   Xmin      width  = Xmax - Xmin + 1
//   offset   6  int16   Ymin      height = Ymax - Ymin + 1
//   offset   8  int16   Xmax
//   offset  10  int16   Ymax
//   offset  66  uint16  bytes per line (row stride of the encoded indices)
//   offset 128          run-length encoded palette indices
//   last 768 bytes      palette: 256 x (red, green, blue)
// The other header fields (manufacturer, version, encoding, bits per pixel,
// planes, ...) and the 0x0C marker before the palette are not checked.
//
// Run-length code: a byte above 191 carries a run length in its low six
// bits and is followed by the index to repeat (length 0 repeats nothing but
// still consumes the value); any other byte is one index. The indices form
// one stream of stride x height; rows are taken top row first. A stride
// larger than the width is padding and is dropped; a stride of 0 or smaller
// than the width means rows of exactly `width` indices.
//
// Limits: refused when the file is shorter than the header and palette
// (896 bytes), when the width or height is 0 or negative, when a side is
// above maxSide, or when the image has more indices than the encoded data
// could possibly hold (63 per two bytes). Encoded data that stops early
// leaves the rest of the image at index 0; a run that passes the end of the
// image is cut there. The decoder never reads into the palette.

namespace pcx {
constexpr int headerSize = 128;
constexpr int paletteSize = 768;
constexpr int maxSide = 16384; // larger than any texture GL 1.x would take
} // namespace pcx

struct PcxImage
{
    int width = 0;
    int height = 0;
    QByteArray rgb; // width * height * 3 bytes, rows top first, no padding
};

struct PcxResult
{
    bool ok = false;
    QString error; // why the file was refused; empty when ok
    PcxImage image;
};

PcxResult decodePcx(QByteArrayView bytes);
