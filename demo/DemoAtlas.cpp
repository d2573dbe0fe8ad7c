#include "DemoAtlas.h"

#include "Geography.h"
#include "GifWriter.h"
#include "SheetPainter.h"
#include "Sheets.h"
#include "core/archive/Archives.h"
#include "core/archive/Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

#include <cmath>
#include <exception>

namespace orvena::demo {

namespace {

std::vector<DemoSheet> buildSheets() {
    std::vector<DemoSheet> out;
    for (const SheetLayout& l : sheetLayouts())
        out.push_back({l.name, l.north, l.east, l.south, l.west});
    return out;
}

const SheetLayout* sheetOf(const Place& place) {
    for (const SheetLayout& l : sheetLayouts())
        if (l.contains(place.lat, place.lon)) return &l;
    return nullptr;
}

std::vector<DemoPlace> buildPlaces() {
    std::vector<DemoPlace> out;
    // Sheet by sheet, in the order of the sheets.
    for (const SheetLayout& l : sheetLayouts()) {
        for (const Place& p : places()) {
            if (sheetOf(p) != &l) continue;
            DemoPlace d;
            d.area = l.name;
            d.name = p.name;
            d.latDeg = p.lat / 3600;
            d.latMin = p.lat % 3600 / 60;
            d.latSec = p.lat % 60;
            d.lonDeg = p.lon / 3600;
            d.lonMin = p.lon % 3600 / 60;
            d.lonSec = p.lon % 60;
            // Positions are whole twips, as a click on the image gives them.
            d.px = std::nearbyint(l.calibration.twipsX(p.lon));
            d.py = std::nearbyint(l.calibration.twipsY(p.lat));
            out.push_back(d);
        }
    }
    return out;
}

QByteArray fileName(const QString& path) {
    return QFile::encodeName(QDir::toNativeSeparators(path));
}

QString writeAreaArchive(const QString& path) {
    if (QString error = createArchive(path, schema::kAreaTable); !error.isEmpty()) return error;
    SQLite::Database db(fileName(path).toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db,
                             "INSERT INTO AREA (AREA, COLA, COLO, PXLAO, SECLAO, PXLOO, SECLOO, "
                             "NORD, EST, SUD, OVEST) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const SheetLayout& l : sheetLayouts()) {
        const SheetCalibration& c = l.calibration;
        insert.bind(1, l.name.toStdString());
        insert.bind(2, double(c.cola));
        insert.bind(3, double(c.colo));
        insert.bind(4, c.pxlao);
        insert.bind(5, c.seclao);
        insert.bind(6, c.pxloo);
        insert.bind(7, c.secloo);
        insert.bind(8, l.north.toStdString());
        insert.bind(9, l.east.toStdString());
        insert.bind(10, l.south.toStdString());
        insert.bind(11, l.west.toStdString());
        insert.exec();
        insert.reset();
    }
    transaction.commit();
    return {};
}

QString writeLocalityArchive(const QString& path) {
    if (QString error = createArchive(path, schema::kLocalityTable); !error.isEmpty()) return error;
    SQLite::Database db(fileName(path).toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, "INSERT INTO localita (AREA, LOCALITA, LAGR, LAMN, LASE, LOGR, "
                                 "LOMN, LOSE, PX, PY) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const DemoPlace& p : demoPlaces()) {
        insert.bind(1, p.area.toStdString());
        insert.bind(2, p.name.toStdString());
        insert.bind(3, p.latDeg);
        insert.bind(4, p.latMin);
        insert.bind(5, p.latSec);
        insert.bind(6, p.lonDeg);
        insert.bind(7, p.lonMin);
        insert.bind(8, p.lonSec);
        insert.bind(9, p.px);
        insert.bind(10, p.py);
        insert.exec();
        insert.reset();
    }
    transaction.commit();
    return {};
}

// Reads a written sheet back as the viewer will, and compares it.
QString checkReadBack(const QString& path, const QImage& written, bool exact) {
    QImageReader reader(path);
    reader.setAutoDetectImageFormat(true);
    const QImage back = reader.read();
    if (back.isNull())
        return QStringLiteral("%1 cannot be read back: %2").arg(path, reader.errorString());
    if (back.size() != written.size())
        return QStringLiteral("%1 reads back as %2 x %3 pixels instead of %4 x %5")
            .arg(path)
            .arg(back.width())
            .arg(back.height())
            .arg(written.width())
            .arg(written.height());
    if (!exact) return {};
    const QImage a = back.convertToFormat(QImage::Format_RGB32);
    const QImage b = written.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if ((la[x] & 0xffffffU) != (lb[x] & 0xffffffU))
                return QStringLiteral("%1 reads back with other colours (first at %2, %3)")
                    .arg(path)
                    .arg(x)
                    .arg(y);
    }
    return {};
}

QString writeSheet(const SheetLayout& sheet, const QString& path) {
    const QImage image = paintSheet(sheet);
    switch (sheet.format) {
    case SheetFormat::Gif: {
        const QImage indexed = reduceTo256Colours(image);
        if (QString error = writeGif(path, indexed); !error.isEmpty()) return error;
        return checkReadBack(path, indexed, true);
    }
    case SheetFormat::Bmp: {
        QImageWriter writer(path, "bmp");
        if (!writer.write(image)) return QStringLiteral("%1: %2").arg(path, writer.errorString());
        return checkReadBack(path, image, true);
    }
    case SheetFormat::Jpeg: {
        QImageWriter writer(path, "jpeg");
        writer.setQuality(85);
        if (!writer.write(image)) return QStringLiteral("%1: %2").arg(path, writer.errorString());
        return checkReadBack(path, image, false);
    }
    }
    return {};
}

bool removeOld(const QString& path) {
    return !QFile::exists(path) || QFile::remove(path);
}

} // namespace

const std::vector<DemoSheet>& demoSheets() {
    static const std::vector<DemoSheet> sheets = buildSheets();
    return sheets;
}

const std::vector<DemoPlace>& demoPlaces() {
    static const std::vector<DemoPlace> list = buildPlaces();
    return list;
}

QString writeDemoAtlas(const QString& folder) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return QStringLiteral("drawing the demo sheets needs a running QGuiApplication");
    const QDir dir(folder);
    if (!dir.exists()) return QStringLiteral("the folder %1 does not exist").arg(folder);

    const QString archives[] = {dir.filePath(QString::fromLatin1(Archives::kAreaFile)),
                                dir.filePath(QString::fromLatin1(Archives::kLocalityFile)),
                                dir.filePath(QString::fromLatin1(Archives::kExchangeAreaFile)),
                                dir.filePath(QString::fromLatin1(Archives::kExchangeLocalityFile))};
    QStringList old;
    for (const QString& a : archives)
        old << a << a + QStringLiteral("-journal");
    for (const SheetLayout& l : sheetLayouts())
        old << dir.filePath(l.name);
    for (const QString& f : old)
        if (!removeOld(f)) return QStringLiteral("cannot replace %1").arg(f);

    for (const SheetLayout& l : sheetLayouts())
        if (QString error = writeSheet(l, dir.filePath(l.name)); !error.isEmpty()) return error;

    try {
        QString error = writeAreaArchive(archives[0]);
        if (error.isEmpty()) error = writeLocalityArchive(archives[1]);
        if (error.isEmpty()) error = createArchive(archives[2], schema::kAreaTable);
        if (error.isEmpty()) error = createArchive(archives[3], schema::kLocalityTable);
        if (!error.isEmpty()) return error;
    } catch (const std::exception& e) {
        return QStringLiteral("writing the archives in %1: %2")
            .arg(folder, QString::fromUtf8(e.what()));
    }
    return {};
}

QString writeLargeSheet(const QString& path, int width, int height) {
    if (width <= 0 || height <= 0)
        return QStringLiteral("a sheet cannot be %1 x %2 pixels").arg(width).arg(height);
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return QStringLiteral("not enough memory for a %1 x %2 sheet").arg(width).arg(height);

    // Paper with a grid every 100 pixels, a heavier one every 1000 and a few
    // diagonal "roads", filled line by line.
    constexpr uchar kPaper[3] = {0xf6, 0xf0, 0xe0};
    constexpr uchar kGrid[3] = {0xb7, 0x78, 0x45};
    constexpr uchar kHeavy[3] = {0x30, 0x30, 0x30};
    constexpr uchar kRoad[3] = {0xd6, 0x35, 0x2b};
    constexpr uchar kWater[3] = {0x2c, 0x6f, 0xb3};
    auto put = [](uchar* line, int x, const uchar* c) {
        line[3 * x] = c[0];
        line[3 * x + 1] = c[1];
        line[3 * x + 2] = c[2];
    };
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        const uchar* row = y % 1000 < 2 ? kHeavy : y % 100 == 0 ? kGrid : nullptr;
        if (row != nullptr) {
            for (int x = 0; x < width; ++x)
                put(line, x, row);
            continue;
        }
        for (int x = 0; x < width; ++x)
            put(line, x, kPaper);
        for (int x = 0; x < width; x += 100)
            put(line, x, x % 1000 == 0 ? kHeavy : kGrid);
        for (int x = 1; x < width; x += 1000)
            put(line, x, kHeavy);
        for (int k = -height; k < width; k += 1700) {
            const int x = k + y / 2;
            for (int d = 0; d < 4; ++d)
                if (x + d >= 0 && x + d < width) put(line, x + d, kRoad);
        }
        for (int k = 0; k < width + height; k += 2300) {
            const int x = k - y * 3 / 4;
            for (int d = 0; d < 3; ++d)
                if (x + d >= 0 && x + d < width) put(line, x + d, kWater);
        }
    }
    QImageWriter writer(path, "jpeg");
    writer.setQuality(85);
    if (!writer.write(image)) return QStringLiteral("%1: %2").arg(path, writer.errorString());
    return {};
}

} // namespace orvena::demo
