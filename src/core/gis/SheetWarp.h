#pragma once

// What the sheet's rasters for other map tools share: the sheet's pixels
// placed in a target system for GDAL's warper (by its world file or its
// model, through a PROJ operation), GDAL's session, the picture as a GDAL
// dataset and the border as a cutline.

#include "core/base/Progress.h"
#include "core/base/QuietGdal.h"
#include "core/geo/Datum.h"
#include "core/geo/SheetModel.h"

#include <QImage>
#include <QPointF>
#include <QString>

#include <cpl_port.h>
#include <gdal.h>
#include <gdalwarper.h>
#include <ogr_api.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace orvena::gis::warp {

// Pixels of the sheet <-> its own degrees <-> web mercator metres (or WGS 84
// degrees) <-> pixels of the tiles, for GDAL's warper.
// A sheet calibrated from its points goes through its model instead of the
// world file's six numbers.
struct Placement {
    std::array<double, 6> sheet;
    std::array<double, 6> sheetInverse;
    std::array<double, 6> tiles;
    std::array<double, 6> tilesInverse;
    const DatumTransform* toTarget; // the sheet's degrees to the target system
    const SheetModel* model = nullptr;

    // A pixel of the sheet to its own degrees (NaN where it has none).
    void toDegrees(double& x, double& y) const {
        if (!model) {
            GDALApplyGeoTransform(const_cast<double*>(sheet.data()), x, y, &x, &y);
            return;
        }
        const auto p = model->forward(x, y);
        x = p ? p->lon : NAN;
        y = p ? p->lat : NAN;
    }
    void toPixel(double& x, double& y) const {
        if (!model) {
            GDALApplyGeoTransform(const_cast<double*>(sheetInverse.data()), x, y, &x, &y);
            return;
        }
        const auto p = model->inverse({x, y});
        x = p ? p->x() : NAN;
        y = p ? p->y() : NAN;
    }
};

// GDAL's transformer over a Placement: the target's pixels to the sheet's
// and back.
int place(void* arg, int tilesToSheet, int count, double* x, double* y, double*, int* ok);

// A share of a Progress, for GDAL's progress callback.
struct Watch {
    const Progress* progress;
    double from;
    double share;
};
int CPL_STDCALL watch(double complete, const char*, void* arg);

// GDAL's drivers, its messages kept from the terminal and its cache bounded,
// for the time one file is written.
class GdalSession {
public:
    GdalSession();
    ~GdalSession();
    GdalSession(const GdalSession&) = delete;
    GdalSession& operator=(const GdalSession&) = delete;
    // GDAL's last message, or "errore di GDAL".
    static QString lastError();

private:
    GIntBig cache_;
};

using Dataset = GdalDataset;

// The picture as a GDAL dataset over its own pixels: red, green, blue and,
// when it has one, alpha, each a band 4 bytes apart; placed by sheet.
Dataset pictureDataset(QImage& picture, const std::array<double, 6>& sheet, bool* alpha);

// The border (the sheet's pixels) as an OGR polygon, closed; null when it
// cannot be made.
OGRGeometryH borderPolygon(const std::vector<QPointF>& border);

// GDAL's warper over red, green and blue, the source's alpha band when it has
// one, an alpha band in the target; bilinear, its memory bounded. The caller
// sets the transformer, the cutline and the rest, and frees it
// (GDALDestroyWarpOptions).
GDALWarpOptions* rgbWarp(GDALDatasetH source, GDALDatasetH target, bool sourceAlpha);

// Runs the warp over the target's width by height pixels, then frees the
// options and their approximating transformer; the cutline stays the caller's.
CPLErr runWarp(GDALWarpOptions* warp, int width, int height);

} // namespace orvena::gis::warp
