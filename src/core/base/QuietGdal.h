#pragma once

#include <QFile>
#include <QString>

#include <cpl_error.h>
#include <gdal.h>

#include <memory>
#include <mutex>

namespace orvena {

// GDAL's drivers registered once; its messages kept from the terminal while
// one file is read, and the failure it reports kept for the caller to say.
class QuietGdal {
public:
    QuietGdal() {
        static std::once_flag registered;
        std::call_once(registered, [] { GDALAllRegister(); });
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~QuietGdal() { CPLPopErrorHandler(); }
    QuietGdal(const QuietGdal&) = delete;
    QuietGdal& operator=(const QuietGdal&) = delete;
    static bool failed() { return CPLGetLastErrorType() >= CE_Failure; }
    static QString message() { return QString::fromUtf8(CPLGetLastErrorMsg()); }
};

// A GDAL dataset, closed when it goes.
struct GdalDatasetClose {
    void operator()(void* ds) const { GDALClose(ds); }
};
using GdalDataset = std::unique_ptr<void, GdalDatasetClose>;

// A raster opened for reading by the drivers named (a null-ended list).
inline GdalDataset openGdalRaster(const QString& fileName, const char* const* drivers) {
    return GdalDataset(GDALOpenEx(QFile::encodeName(fileName).constData(),
                                  GDAL_OF_RASTER | GDAL_OF_READONLY, drivers, nullptr, nullptr));
}

} // namespace orvena
