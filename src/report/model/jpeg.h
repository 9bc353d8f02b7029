#pragma once

#include <QByteArray>
#include <QImage>

// JPEG (JFIF) decoding and encoding through libjpeg. A damaged or truncated
// stream makes the functions throw EFormatError with libjpeg's message; libjpeg
// never ends the process.
namespace frjpeg {

// Decodes a JPEG file image; grey and colour (YCbCr, RGB, CMYK) pictures come
// back as RGB32 images. Pictures above `maxPixels` are refused before any
// pixel memory is taken.
QImage decode(const QByteArray& bytes, qint64 maxPixels = 32ll * 1024 * 1024);

// Encodes an image as a baseline JFIF file of the given quality (1-100).
QByteArray encode(const QImage& image, int quality = 90);

} // namespace frjpeg
