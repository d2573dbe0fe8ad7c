#pragma once

// TIFF sheets (strips or tiles; uncompressed, LZW, Deflate or JPEG inside;
// classic or BigTIFF; GeoTIFF alike) and PNG sheets read through GDAL, loaded
// at its first call. Picture.cpp hands them here; GIF, BMP and JPEG stay with it.

#include <QImage>
#include <QSize>
#include <QString>

namespace orvena {

// "tiff" when the file starts as a TIFF (classic or BigTIFF, either byte
// order), "png" as a PNG; empty otherwise.
QByteArray rasterFormat(const QString& fileName);

struct RasterHeader {
    bool opened = false; // GDAL took the file as its format
    QSize size;          // its first picture, in pixels
    bool whole = false;  // every block of its pixels lies within the file
    QString error;       // GDAL's own words when it did not open (not for the user)
};

// The header of a TIFF or PNG and, when blocks is set, whether a TIFF's
// blocks all lie within the file (whole stays false otherwise), without
// decoding any.
RasterHeader rasterHeader(const QString& fileName, bool blocks = true);

// Decodes the first picture of a TIFF or PNG into 32-bit pixels (ARGB32 when it has
// an alpha band), row bands at a time: a band GDAL cannot read marks the
// picture damaged and stays white. A null picture when the file does not open
// or the picture is over the allocation limit. With scaledTo given, the
// picture comes at that size, in one read (GDAL takes an overview of the
// file's when it has one).
QImage readRaster(const QString& fileName, qint64 limitBytes, bool* damaged, QString* error,
                  QSize scaledTo = {});

} // namespace orvena
