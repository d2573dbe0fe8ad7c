// .map calibration files: one written by hand after the published format,
// Rome 1940 longitudes, each malformed line refused by name, and a sheet's
// model written and read back.
#include "core/gis/OziMap.h"
#include "support/TestMain.h"

#include <QTest>

#include <cmath>

using namespace orvena;
using namespace orvena::gis;

namespace {

// A file as the format describes it: a header of eight lines, the projection,
// thirty point lines (unused ones blank), its setup and the frame.
QByteArray handWritten(const QByteArray& datum, const QByteArray& projection,
                       const QList<QByteArray>& points,
                       const QByteArray& setup = "Projection Setup,,,,,,,,,,") {
    QByteArray text = "OziExplorer Map Data File Version 2.2\r\nValfonda\r\nC:\\Carte\\valfonda.jpg"
                      "\r\n1 ,Map Code,\r\n" +
                      datum +
                      ",WGS 84,   0.0000,   0.0000,WGS 84\r\nReserved 1\r\nReserved 2\r\n"
                      "Magnetic Variation,,,E\r\nMap Projection," +
                      projection + ",PolyCal,No,AutoCalOnly,No,BSBUseWPX,No\r\n";
    for (int i = 0; i < 30; ++i) {
        const QByteArray name = "Point" + QByteArray::number(i + 1).rightJustified(2, '0');
        text += name +
                (i < points.size() ? points[i]
                                   : ",xy,     ,     ,in, deg,    ,        ,N,    ,       "
                                     " ,E, grid,   ,           ,           ,N") +
                "\r\n";
    }
    return text + setup +
           "\r\nMap Feature = MF ; Map Comment = MC     These follow if they exist\r\n"
           "MM0,Yes\r\nMMPNUM,4\r\nMMPXY,1,10,12\r\nMMPXY,2,990,12\r\nMMPXY,3,990,790\r\n"
           "MMPXY,4,10,790\r\nMMPLL,1,  9.000000,  45.500000\r\nIWH,Map Image Width/Height,1000,"
           "800\r\n";
}

const QList<QByteArray> kLatLon = {
    ",xy,  10,  12,in, deg,  45,  30.000,N,   9,   0.000,E, grid,   ,           ,           ,N",
    ",xy, 990, 790,in, deg,  45,  20.500,N,   9,  15.250,E, grid,   ,           ,           ,N",
    ",xy, 990,  12,in, deg,  45,  30.000,N,   9,  15.250,E, grid,   ,           ,           ,N"};

const QList<QByteArray> kGrid = {
    ",xy,   0,   0,in, deg,    ,        ,N,    ,        ,E, grid, 33, 400000.0, 4650000.0,N",
    ",xy,1000,   0,in, deg,    ,        ,N,    ,        ,E, grid, 33, 402000.0, 4650000.0,N",
    ",xy,   0, 800,in, deg,    ,        ,N,    ,        ,E, grid, 33, 400000.0, 4648400.0,N"};

// A file written by hand: its datum and projection, its points in the grid
// (or in degrees), what it is read as and its setup line.
struct HandWritten {
    const char* tag;
    QByteArray datum, projection;
    bool inGrid;
    Datum expected;
    int grid;
    QByteArray setup = "Projection Setup,,,,,,,,,,";
};

} // namespace

Q_DECLARE_METATYPE(Datum)
Q_DECLARE_METATYPE(SheetPoints)

class OziMapTest : public QObject {
    Q_OBJECT
private slots:
    // Fields read as the format defines them: degrees and decimal minutes
    // with their hemisphere, or easting and northing with the UTM zone; the
    // pixel is its corner; the frame from MMPXY.
    void readsAFileWrittenByHand_data() {
        const QByteArray utm = "(UTM) Universal Transverse Mercator", lonLat = "Latitude/Longitude";
        test::addRows<HandWritten>({
            {"latitude and longitude, WGS 84", "WGS 84", lonLat, false, Datum::Wgs84, 0},
            // Longitudes from Greenwich: Roma 40 as it is counted in Greenwich.
            {"Rome 1940", "Rome 1940", lonLat, false, Datum::Roma40, 0},
            {"UTM on European 1950", "European 1950", utm, true, Datum::Ed50, 23033},
            {"UTM from the longitudes", "WGS 84", utm, false, Datum::Wgs84, 32632},
            {"Transverse Mercator as Gauss-Boaga", "Rome 1940", "Transverse Mercator", true,
             Datum::Roma40, 3004, "Projection Setup, 0.0, 15.0, 0.9996, 2520000.00, 0.00,,,,,,"},
            {"Italy Grid", "Rome 1940", "(ITA1) Italy Grid", true, Datum::Roma40, 3003},
        });
    }
    void readsAFileWrittenByHand() {
        QFETCH(HandWritten, row);
        const OziMapRead read = parseOziMap(
            handWritten(row.datum, row.projection, row.inGrid ? kGrid : kLatLon, row.setup));
        QVERIFY2(read.map, qPrintable(read.error));
        QCOMPARE(read.map->image, "C:\\Carte\\valfonda.jpg");
        QCOMPARE(read.map->datum, row.expected);
        QCOMPARE(read.map->points.grid, row.grid);
        QCOMPARE(read.map->points.model, FitModel::Affine);
        QCOMPARE(read.map->points.points.size(), std::size_t(3));
        const TiePoint second = row.inGrid
                                    ? TiePoint{1000, 0, true, 4650000, 402000}
                                    : TiePoint{990, 790, false, 45 + 20.5 / 60, 9 + 15.25 / 60};
        const TiePoint& p = read.map->points.points[1];
        QCOMPARE(p.x, second.x);
        QCOMPARE(p.inGrid, second.inGrid);
        QVERIFY(std::abs(p.north - second.north) < 1e-12 && std::abs(p.east - second.east) < 1e-12);
        QCOMPARE(read.map->points.border,
                 (std::vector<QPointF>{{10, 12}, {990, 12}, {990, 790}, {10, 790}}));
    }

    // A malformed line refuses the whole file, named by its number and key.
    void refusesAMalformedLineByName() {
        // The text replaced, its replacement and the error's beginning.
        const char* const lines[][3] = {
            {"OziExplorer Map Data File", "Mappa", "riga 1 (intestazione)"},
            {"WGS 84,WGS 84", "Tokyo,WGS 84", "riga 5 (datum): datum «Tokyo» non supportato"},
            {"Latitude/Longitude", "Bonne", "riga 9 (Map Projection): proiezione «Bonne»"},
            {"xy,  10", "xy,  1O", "riga 10 (Point01): «1O» non è un numero"},
            {"15.250,E", "15.250,X", "riga 11 (Point02): «X» non è E o W"},
            {", grid,   ,           ,           ,N\r\nPoint02", "\r\nPoint02",
             "riga 10 (Point01): servono 17"},
            {"MMPXY,2,990,12", "MMPXY,2,990", "riga 45 (MMPXY): servono 4 campi"}};
        for (const auto& [from, to, error] : lines) {
            QByteArray text = handWritten("WGS 84", "Latitude/Longitude", kLatLon);
            const qsizetype at = text.indexOf(from);
            QVERIFY2(at >= 0, from);
            text.replace(at, qstrlen(from), to);
            const OziMapRead read = parseOziMap(text);
            QVERIFY2(!read.map, error);
            QVERIFY2(read.error.startsWith(QString::fromUtf8(error)), qPrintable(read.error));
        }
    }

    // Written from a sheet's model and read back, the file gives the same
    // model; longitudes from Monte Mario are written from Greenwich.
    void writtenAndReadBack_data() {
        QTest::addColumn<SheetPoints>("points");
        QTest::addColumn<Datum>("datum");
        QTest::addColumn<QByteArray>("datumLine");
        const auto geographic = [](FitModel model, int n) {
            SheetPoints s{model, 0, {}, {{5, 5}, {995, 5}, {995, 795}, {5, 795}}};
            for (int i = 0; i < n; ++i)
                s.points.push_back({100.0 * (i % 4) + 7 * i, 200.0 * (i / 4) + 3 * i * i, false,
                                    45.5 - 0.0002 * (200.0 * (i / 4) + 3 * i * i) + 1e-6 * i * i,
                                    9.0 + 0.0003 * (100.0 * (i % 4) + 7 * i)});
            return s;
        };
        SheetPoints utm = geographic(FitModel::Affine, 4);
        utm.grid = 23032;
        QTest::newRow("affine, UTM") << utm << Datum::Ed50 << QByteArray("European 1950,");
        QTest::newRow("polynomial, Monte Mario") << geographic(FitModel::Polynomial2, 8)
                                                 << Datum::Roma40Rome << QByteArray("Rome 1940,");
        QTest::newRow("spline, WGS 84")
            << geographic(FitModel::ThinPlateSpline, 12) << Datum::Wgs84 << QByteArray("WGS 84,");
    }
    void writtenAndReadBack() {
        QFETCH(SheetPoints, points);
        QFETCH(Datum, datum);
        const SheetModel model = SheetModel::fit(points, datum);
        QVERIFY2(model.isValid(), qPrintable(model.error()));
        const QByteArray text = oziMapText("foglio.jpg", model, QSize(1000, 800), points.border);
        QFETCH(QByteArray, datumLine);
        QVERIFY(text.contains("\r\n" + datumLine));
        const OziMapRead read = parseOziMap(text);
        QVERIFY2(read.map, qPrintable(read.error));
        QCOMPARE(read.map->image, "foglio.jpg");
        QCOMPARE(read.map->points.border, points.border);
        SheetPoints again = read.map->points;
        again.model = points.model;
        const SheetModel back = SheetModel::fit(again, read.map->datum);
        QVERIFY2(back.isValid(), qPrintable(back.error()));
        for (const QPointF at : {QPointF(0, 0), QPointF(512, 333), QPointF(1000, 800)}) {
            auto a = model.forward(at.x(), at.y()), b = back.forward(at.x(), at.y());
            QVERIFY(a && b);
            // Monte Mario is 12°27'08.4" east of Greenwich.
            if (datum == Datum::Roma40Rome) a->lon += 12 + 27 / 60.0 + 8.4 / 3600;
            QVERIFY2(std::abs(a->lon - b->lon) < 1e-7 && std::abs(a->lat - b->lat) < 1e-7,
                     qPrintable(QStringLiteral("%1 %2").arg(a->lon - b->lon).arg(a->lat - b->lat)));
        }
    }
};

ORVENA_TEST_MAIN(OziMapTest)
#include "OziMapTest.moc"
