#pragma once

#include <QByteArray>
#include <QImage>

// Largest picture decodeJpeg accepts by default, in pixels (width times
// height), so that a forged header cannot make it allocate gigabytes.
inline constexpr qint64 kMaxJpegPixels = qint64{64} * 1024 * 1024;

// Decodes a complete JPEG file held in memory (baseline or progressive;
// grayscale, YCbCr/RGB or CMYK) into an image of QImage::Format_RGB888.
//
// Returns a null QImage when the data is empty, is not a JPEG, is truncated or
// is damaged so that picture data had to be guessed, or when the picture has
// more than maxPixels pixels. It never terminates the process and prints
// nothing.
QImage decodeJpeg(const QByteArray& data, qint64 maxPixels = kMaxJpegPixels);
