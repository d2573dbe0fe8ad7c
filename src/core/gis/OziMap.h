#pragma once

// Calibration files of the .map format many map viewers exchange: read into
// a sheet's reference points, and written from a sheet's model.
//
//   line 1  "OziExplorer Map Data File Version 2.2"
//   line 2  title;  line 3  the image file;  line 5  the datum ("WGS 84",
//   "Rome 1940" with longitudes from Greenwich, "European 1950")
//   "Map Projection,<name>,..."  Latitude/Longitude, UTM, Transverse
//           Mercator (with its "Projection Setup" line) or (ITA1)/(ITA2)
//           Italy Grid (Gauss-Boaga west and east)
//   "PointNN,xy,x,y,in,deg,lat deg,lat min,N|S,lon deg,lon min,E|W,grid,zone,
//           easting,northing,N|S"  up to 30, unused ones without x and y
//   "MMPXY,n,x,y"  the corners of the sheet's printed frame
//
// A point's x and y are read as the corner of that pixel (as GDAL's reader
// takes them), so they are the positions of TiePoint as they stand.

#include "core/archive/AreaCalibrations.h"
#include "core/geo/Datum.h"
#include "core/geo/SheetModel.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <optional>

namespace orvena::gis {

struct OziMap {
    QString title;
    QString image; // as line 3 holds it
    Datum datum = Datum::Wgs84;
    SheetPoints points; // the model the points call for, in the map's grid
};

struct OziMapRead {
    std::optional<OziMap> map;
    QString error; // in Italian, naming the line: "riga 12 (Point03): ..."
};

// Parses the text of a .map file. Refuses the whole file at its first
// malformed line; a file with fewer than two points, a datum or projection
// this program does not know, or a grid point where the map has no grid is
// refused too.
OziMapRead parseOziMap(const QByteArray& text);
// The file at path; its error names the file when it cannot be read.
OziMapRead readOziMap(const QString& path);

// The .map text of a sheet (image is its file name, size its picture's):
// points in the model's grid (latitude and longitude for the graticule;
// longitudes from Greenwich, Roma 40 as "Rome 1940"), on whole pixels: for an
// affine model the image's four corners, otherwise the lattice or points
// GDAL fits back into the same model (SheetModel::controlPoints). The
// border's corners as MMPXY and MMPLL. Empty when the model cannot place the
// points or has no .map form (longitudes from Monte Mario).
QByteArray oziMapText(const QString& image, const SheetModel& model, QSize size,
                      const std::vector<QPointF>& border);

// "valfonda.gif" -> "valfonda.map".
QString oziMapFileName(const QString& imageName);

} // namespace orvena::gis
