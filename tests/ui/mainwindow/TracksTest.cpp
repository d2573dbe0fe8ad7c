#include "MapWindow.h"

#include "app/TrackArguments.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/WorkingPair.h"

#include "core/geo/Geodesic.h"
#include "core/geo/SheetPosition.h"
#include "core/geo/TrackStats.h"
#include "core/state/ViewGeometry.h"
#include "ui/mainwindow/TrackMenus.h"
#include "ui/map/RulerLayer.h"
#include "ui/map/TrackLayer.h"
#include "ui/windows/TrackList.h"
#include "ui/windows/TrackProfile.h"

#include <QLabel>
#include <QProcess>
#include <QTableWidget>

#include <cmath>

using namespace orvena;
using namespace orvena::test;

namespace {

const QColor kFirstColour(220, 20, 60);

// Seconds of arc of a demo position.
constexpr int sec(int deg, int min) {
    return deg * 3600 + min * 60;
}

const demo::SheetLayout& layoutOf(const QString& name) {
    for (const auto& l : demo::sheetLayouts())
        if (l.name == name) return l;
    qFatal("no layout");
}

// A GPX 1.1 file: a track east along 45°25' from 9°36' (on the north-west
// sheet) to 9°54', then south along 9°54' to 45°22' (on the north-east
// sheet), 20 minutes a leg, up
// 50 m and down 30 m; a waypoint there, one named as a place of that sheet
// where it lies, one far from every sheet.
QString writeWalk(Workspace& ws, const QString& existingPlace, int placeLat, int placeLon) {
    const QString path = ws.file(QStringLiteral("walk.gpx"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    const auto deg = [](int seconds) { return QString::number(seconds / 3600.0, 'f', 9); };
    QString text = QStringLiteral(
        "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\" "
        "xmlns=\"http://www.topografix.com/GPX/1/1\">\n");
    const auto wpt = [&](int lat, int lon, const QString& name) {
        text += QStringLiteral("<wpt lat=\"%1\" lon=\"%2\"><name>%3</name></wpt>\n")
                    .arg(deg(lat), deg(lon), name);
    };
    wpt(sec(45, 26), sec(9, 45), QStringLiteral("Rifugio"));
    wpt(placeLat, placeLon, existingPlace);
    wpt(sec(44, 0), sec(8, 0), QStringLiteral("Lontano"));
    text += QStringLiteral("<trk><name>Giro</name><trkseg>\n");
    const QStringList times = {QStringLiteral("08:00"), QStringLiteral("08:20"),
                               QStringLiteral("08:40")};
    const QStringList elevations = {QStringLiteral("100"), QStringLiteral("150"),
                                    QStringLiteral("120")};
    int i = 0;
    for (const auto& [lat, lon] : {std::pair{sec(45, 25), sec(9, 36)},
                                   {sec(45, 25), sec(9, 54)}, {sec(45, 22), sec(9, 54)}}) {
        text += QStringLiteral("<trkpt lat=\"%1\" lon=\"%2\"><ele>%3</ele>"
                               "<time>2024-05-01T%4:00Z</time></trkpt>\n")
                    .arg(deg(lat), deg(lon), elevations[i], times[i]);
        ++i;
    }
    text += QStringLiteral("</trkseg></trk></gpx>\n");
    f.write(text.toUtf8());
    return path;
}

// The mean place across a line of the pixels painted in the track's colour
// that were not so before: along a row (vertical line) or a column.
std::optional<double> lineCentre(const QImage& clean, const QImage& drawn, QPoint near,
                                 bool alongRow) {
    double sum = 0;
    int n = 0;
    for (int d = -8; d <= 8; ++d) {
        const QPoint p = near + (alongRow ? QPoint(d, 0) : QPoint(0, d));
        const QColor c = drawn.pixelColor(p);
        if (drawn.pixel(p) == clean.pixel(p)) continue;
        if (std::abs(c.red() - kFirstColour.red()) + std::abs(c.green() - kFirstColour.green()) +
                std::abs(c.blue() - kFirstColour.blue()) > 90)
            continue;
        sum += (alongRow ? p.x() : p.y()) + 0.5;
        ++n;
    }
    if (n == 0) return std::nullopt;
    return sum / n;
}

// PROJ's geod between two positions in seconds of arc: metres.
double geodMetres(double lat1, double lon1, double lat2, double lon2) {
    QProcess geod;
    geod.start(QStringLiteral("geod"),
               {QStringLiteral("+ellps=WGS84"), QStringLiteral("-I"), QStringLiteral("-f"),
                QStringLiteral("%.9f"), QStringLiteral("-F"), QStringLiteral("%.6f")});
    geod.write(QStringLiteral("%1 %2 %3 %4\n")
                   .arg(lat1 / 3600, 0, 'f', 9)
                   .arg(lon1 / 3600, 0, 'f', 9)
                   .arg(lat2 / 3600, 0, 'f', 9)
                   .arg(lon2 / 3600, 0, 'f', 9)
                   .toLatin1());
    geod.closeWriteChannel();
    if (!geod.waitForFinished(30000)) return qQNaN();
    return QString::fromLatin1(geod.readAllStandardOutput()).split(u'\t').value(2).toDouble();
}

// Positions in seconds of arc (latitude, longitude) from WGS 84 to the
// geographic system code as cs2cs takes them, with PROJ's choice of operation
// for the extent of the sheet laid out as l (the one a sheet in that datum
// takes); as they are for "EPSG:4326".
QList<QPointF> inDatum(const QString& code, const demo::SheetLayout& l,
                       const QList<QPointF>& wgs84) {
    if (code == QStringLiteral("EPSG:4326")) return wgs84;
    QProcess cs2cs;
    cs2cs.start(QStringLiteral("cs2cs"),
                {QStringLiteral("-f"), QStringLiteral("%.10f"), QStringLiteral("--bbox"),
                 QStringLiteral("%1,%2,%3,%4")
                     .arg(l.lonWest / 3600.0, 0, 'f', 6)
                     .arg(l.latSouth / 3600.0, 0, 'f', 6)
                     .arg(l.lonEast / 3600.0, 0, 'f', 6)
                     .arg(l.latNorth / 3600.0, 0, 'f', 6),
                 QStringLiteral("EPSG:4326"), code});
    for (const QPointF& p : wgs84)
        cs2cs.write(QStringLiteral("%1 %2\n").arg(p.x() / 3600, 0, 'f', 10).arg(p.y() / 3600, 0, 'f', 10).toLatin1());
    cs2cs.closeWriteChannel();
    QList<QPointF> out;
    if (!cs2cs.waitForFinished(30000)) return out;
    for (const QString& line : QString::fromLatin1(cs2cs.readAllStandardOutput()).split(u'\n'))
        if (const QStringList v = line.simplified().split(u' '); v.size() >= 2)
            out << QPointF(v[0].toDouble() * 3600, v[1].toDouble() * 3600);
    return out;
}

} // namespace

class TracksTest : public QObject {
    Q_OBJECT
private slots:
    void trackOverTheSheet_data() {
        QTest::addColumn<QString>("datum");     // of the north-east sheet
        QTest::addColumn<QString>("westDatum"); // of the north-west one
        QTest::newRow("WGS 84") << QStringLiteral("EPSG:4326") << QStringLiteral("EPSG:4326");
        QTest::newRow("ED50 beside Roma 40")
            << QStringLiteral("EPSG:4230") << QStringLiteral("EPSG:4265");
        QTest::newRow("Roma 40 beside WGS 84")
            << QStringLiteral("EPSG:4265") << QStringLiteral("EPSG:4326");
    }

    // Opened with a bad file beside it, the track is drawn on each sheet it
    // crosses where the sheet's calibration puts its points once cs2cs has
    // taken them to the sheet's datum (within a pixel, at zoom 100 and a step
    // in), listed with its figures, brings its start's sheet when clicked, and
    // goes with its file. The bad file is told by name.
    void trackOverTheSheet() {
        QFETCH(QString, datum);
        QFETCH(QString, westDatum);
        Workspace ws;
        const QString ne = sheet("NE");
        const QString no = sheet("NO");
        {
            WorkingPair pair(ws.folder.path());
            for (const auto& [name, code] : {std::pair{ne, datum}, std::pair{no, westDatum}})
                if (code != QStringLiteral("EPSG:4326")) areadatums::store(pair, name, code);
        }
        // In the sheets' graticules (seconds, latitude first): on the
        // north-east sheet a point of the east leg and one of the south leg,
        // on the north-west one the start and a point of the east leg.
        const QList<QPointF> own = inDatum(
            datum, layoutOf(ne),
            {QPointF(sec(45, 25), sec(9, 50)), QPointF(sec(45, 23) + 30, sec(9, 54))});
        const QList<QPointF> west = inDatum(
            westDatum, layoutOf(no),
            {QPointF(sec(45, 25), sec(9, 36)), QPointF(sec(45, 25), sec(9, 38))});
        QCOMPARE(own.size() + west.size(), 4);
        MainWindow& w = ws.start();
        auto* tracks = w.findChild<TrackMenus*>();
        QVERIFY(tracks);
        Workspace::choose(w.f1area, ne);
        const QString walk = writeWalk(ws, QStringLiteral("X"), sec(45, 0), sec(9, 0));
        QFile bad(ws.file(QStringLiteral("rotto.kml")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("<kml><Document><Placemark>");
        bad.close();
        const QImage clean = w.Image1->grab().toImage();

        tracks->openFiles({ws.file(QStringLiteral("rotto.kml")), walk});
        QCOMPARE(ws.dialogs.texts().size(), 1);
        QVERIFY(ws.dialogs.texts()[0].startsWith(QStringLiteral("Il file \"rotto.kml\"")));
        TrackList& list = tracks->list();
        QVERIFY(list.isVisible());
        QCOMPARE(list.lista->rowCount(), 1);
        QCOMPARE(list.lista->item(0, 0)->text(), QStringLiteral("Giro"));
        const double east = geodesic::inverse({sec(9, 36) / 3600.0, sec(45, 25) / 3600.0},
                                              {sec(9, 54) / 3600.0, sec(45, 25) / 3600.0})
                                .metres;
        const double south = geodesic::inverse({sec(9, 54) / 3600.0, sec(45, 25) / 3600.0},
                                               {sec(9, 54) / 3600.0, sec(45, 22) / 3600.0})
                                 .metres;
        QStringList cells;
        for (int column = 1; column < list.lista->columnCount(); ++column)
            cells << list.lista->item(0, column)->text();
        QCOMPARE(cells, QStringList({QStringLiteral("walk.gpx"), lengthText(east + south),
                                     QStringLiteral("0:40:00"), QStringLiteral("0:40:00"),
                                     QStringLiteral("50 m"), QStringLiteral("30 m"),
                                     QStringLiteral("150 m"), QStringLiteral("100 m")}));

        const demo::SheetCalibration& c = layoutOf(ne).calibration;
        for (const int zoomSteps : {0, 1}) {
            if (zoomSteps) w.cmding_Click();
            const double scale = double(w.Image1->width()) / 1600;
            const QImage drawn = w.Image1->grab().toImage();
            const QImage base =
                zoomSteps ? [&] {
                    tracks->tracks().setVisible(0, 0, false);
                    QImage hidden = w.Image1->grab().toImage();
                    tracks->tracks().setVisible(0, 0, true);
                    return hidden;
                }()
                          : clean;
            // The east leg at 9°50', the south leg at 45°23'30".
            const double y = c.pixelY(own[0].x()) * scale;
            const double x = c.pixelX(own[1].y()) * scale;
            const auto across = lineCentre(base, drawn, QPoint(int(c.pixelX(own[0].y()) * scale), int(y)), false);
            const auto along = lineCentre(base, drawn, QPoint(int(x), int(c.pixelY(own[1].x()) * scale)), true);
            QVERIFY2(across && std::abs(*across - y) <= 1.0, qPrintable(QString::number(across.value_or(-1)) + " / " + QString::number(y)));
            QVERIFY2(along && std::abs(*along - x) <= 1.0, qPrintable(QString::number(along.value_or(-1)) + " / " + QString::number(x)));
        }

        // The profile's range: its figures, and the leg highlighted on the map,
        // wider than the track; closing the profile takes it away.
        list.lista->setCurrentCell(0, 0);
        list.cmdprofilo->click();
        TrackProfile* profile = tracks->profile();
        QVERIFY(profile && profile->isVisible());
        QVERIFY(profile->lbltratto->text().startsWith(QStringLiteral("Traccia intera: ")));
        profile->chooseRange(0, east);
        QCOMPARE(profile->range(), std::optional(std::pair<std::size_t, std::size_t>(0, 1)));
        QCOMPARE(profile->lbltratto->text(),
                 QStringLiteral("Tratto: %1 · 0:20:00 · salita 50 m · media %2 km/h")
                     .arg(lengthText(east),
                          QString::number(east / 1200 * 3.6, 'f', 1).replace(u'.', u',')));
        const QPoint besideLine(int(c.pixelX(own[0].y()) * w.Image1->width() / 1600),
                                int(c.pixelY(own[0].x()) * w.Image1->width() / 1600) + 3);
        const auto yellowAt = [&] {
            const QColor at = w.Image1->grab().toImage().pixelColor(besideLine);
            return at.red() > 200 && at.green() > 180 && at.blue() < 120;
        };
        QVERIFY(yellowAt());
        profile->close();
        QVERIFY(!yellowAt());

        // Its start is shown at the window's reference point from another
        // sheet, on the north-west sheet, where the east leg is drawn too.
        Workspace::choose(w.f1area, sheet("SO"));
        list.lista->setCurrentCell(0, 2);
        emit list.lista->cellClicked(0, 2);
        QCOMPARE(combo::text(w.f1area), no);
        const demo::SheetCalibration& cw = layoutOf(no).calibration;
        QVERIFY(std::abs(w.Image1->left() + cw.twipsX(west[0].y()) - view::kReferenceX) < 1);
        QVERIFY(std::abs(w.Image1->top() + cw.twipsY(west[0].x()) - view::kReferenceY) < 1);
        const QImage drawnWest = w.Image1->grab().toImage();
        tracks->tracks().setVisible(0, 0, false);
        const QImage cleanWest = w.Image1->grab().toImage();
        tracks->tracks().setVisible(0, 0, true);
        const auto westLeg = lineCentre(cleanWest, drawnWest,
                                        QPoint(int(cw.pixelX(west[1].y())), int(cw.pixelY(west[1].x()))), false);
        QVERIFY2(westLeg && std::abs(*westLeg - cw.pixelY(west[1].x())) <= 1.0,
                 qPrintable(QString::number(westLeg.value_or(-1)) + " / " + QString::number(cw.pixelY(west[1].x()))));

        list.cmdchiudi_Click();
        QCOMPARE(list.lista->rowCount(), 0);
        QVERIFY(tracks->tracks().empty());
        QCOMPARE(w.Image1->grab().toImage(), cleanWest);
    }

    // "--traccia FILE..." beside a place name: the files up to the next
    // option or the first argument that is no track file; without a place
    // the first track's start is shown.
    void commandLineTracks() {
        const auto split = [](const char* line) {
            const TrackArguments a =
                takeTrackArguments(QString::fromUtf8(line).split(u' ', Qt::SkipEmptyParts));
            return a.others.join(u'+') + u'/' + a.files.join(u'+');
        };
        QCOMPARE(split("VILLAFREDDA --traccia a.gpx b.KMZ"), "VILLAFREDDA/a.gpx+b.KMZ");
        QCOMPARE(split("--traccia a.gpx VILLAFREDDA"), "VILLAFREDDA/a.gpx");
        QCOMPARE(split("--traccia a.geojson --traccia c.kml"), "/a.geojson+c.kml");
        QCOMPARE(split("--traccia"), "/");
        QCOMPARE(split("MONTE ROSSO"), "MONTE+ROSSO/");

        Workspace ws;
        MainWindow& w = ws.start();
        openCommandLineTracks(w, {writeWalk(ws, QStringLiteral("X"), 0, 0)}, false);
        QCOMPARE(combo::text(w.f1area), sheet("NO"));
        QVERIFY(ws.dialogs.texts().isEmpty());
    }

    // Waypoints become places of the sheets that hold them, once: a name the
    // sheet has is skipped, a point on no sheet is counted off; a second
    // import adds nothing. The place's angles and position are the sheet's.
    void waypointsBecomePlaces() {
        Workspace ws;
        MainWindow& w = ws.start();
        auto* tracks = w.findChild<TrackMenus*>();
        const QString ne = sheet("NE");
        const demo::DemoPlace* existing = nullptr;
        for (const auto& p : demo::demoPlaces())
            if (p.area == ne && !existing) existing = &p;
        QVERIFY(existing);
        const int lat = existing->latDeg * 3600 + existing->latMin * 60 + existing->latSec;
        const int lon = existing->lonDeg * 3600 + existing->lonMin * 60 + existing->lonSec;
        tracks->openFiles({writeWalk(ws, existing->name.toLower(), lat, lon)});
        const QString report = QStringLiteral(
            "Località aggiunte: %1. Già presenti sul foglio: %2. Fuori da ogni foglio calibrato: 1.");
        tracks->importWaypoints(0);
        tracks->importWaypoints(0);
        const QStringList told = ws.dialogs.texts();
        QCOMPARE(told.size(), 2);
        QVERIFY2(told[0].startsWith(report.arg(1).arg(1)), qPrintable(told[0]));
        QVERIFY(told[0].contains(QStringLiteral("RIFUGIO (%1)").arg(ne)));
        QVERIFY(told[0].contains(QStringLiteral("Fuori dai fogli: LONTANO")));
        QVERIFY2(told[1].startsWith(report.arg(0).arg(2)), qPrintable(told[1]));

        const demo::SheetCalibration& c = layoutOf(ne).calibration;
        const QStringList rows = queryRows(
            ws.file(QStringLiteral("localita.mdb")),
            "select AREA, LAGR, LAMN, LASE, LOGR, LOMN, LOSE, PX, PY from localita "
            "where LOCALITA = ?",
            {QStringLiteral("RIFUGIO")});
        QCOMPARE(rows.size(), 1);
        const QStringList f = rows[0].split(u'|');
        QCOMPARE(f.mid(0, 7).join(u'|'), ne + QStringLiteral("|45|26|0|9|45|0"));
        QVERIFY(std::abs(f[7].toDouble() - c.twipsX(sec(9, 45))) <= 1);
        QVERIFY(std::abs(f[8].toDouble() - c.twipsY(sec(45, 26))) <= 1);
    }

    // "Vai a coordinate": the sheet holding the position, with the point at
    // the reference point; a position on no sheet or a text that is none is
    // told, the sheet shown stays.
    void goToCoordinates() {
        Workspace ws;
        MainWindow& w = ws.start();
        auto* tracks = w.findChild<TrackMenus*>();
        const QString no = sheet("NO");
        Workspace::choose(w.f1area, sheet("SE"));
        QVERIFY(tracks->goTo(QStringLiteral("45 25 0 N, 9 30 0 E")));
        QCOMPARE(combo::text(w.f1area), no);
        const demo::SheetCalibration& c = layoutOf(no).calibration;
        QVERIFY(std::abs(w.Image1->left() + c.twipsX(sec(9, 30)) - view::kReferenceX) < 1);
        QVERIFY(std::abs(w.Image1->top() + c.twipsY(sec(45, 25)) - view::kReferenceY) < 1);
        QVERIFY(ws.dialogs.texts().isEmpty());

        QVERIFY(!tracks->goTo(QStringLiteral("41.9, 12.5")));
        QVERIFY(!tracks->goTo(QStringLiteral("Roma")));
        QCOMPARE(ws.dialogs.texts(),
                 QStringList({QStringLiteral(
                                  "Nessun foglio calibrato contiene il punto 41.9000000, "
                                  "12.5000000."),
                              QStringLiteral("\"Roma\" non è una posizione: scrivere latitudine e "
                                             "longitudine, per esempio 45.4716670, 9.1796525 "
                                             "oppure 45 28 18 N, 9 10 47 E.")}));
        QCOMPARE(combo::text(w.f1area), no);
    }

    // The ruler between two places of a sheet measures what geod measures
    // between their positions; Esc ends it.
    void rulerBetweenTwoPlaces() {
        Workspace ws;
        MainWindow& w = ws.start();
        auto* tracks = w.findChild<TrackMenus*>();
        const QString ne = sheet("NE");
        Workspace::choose(w.f1area, ne);
        std::vector<demo::DemoPlace> two;
        for (const auto& p : demo::demoPlaces())
            if (p.area == ne && two.size() < 2) two.push_back(p);
        QCOMPARE(two.size(), std::size_t(2));
        tracks->mnmisura->trigger();
        QVERIFY(tracks->lblmisura->isVisible());
        for (const auto& p : two)
            emit w.Image1->pointClicked(p.px, p.py);
        const auto seconds = [](const demo::DemoPlace& p) {
            return std::pair(p.latDeg * 3600.0 + p.latMin * 60 + p.latSec,
                             p.lonDeg * 3600.0 + p.lonMin * 60 + p.lonSec);
        };
        const auto [lat1, lon1] = seconds(two[0]);
        const auto [lat2, lon2] = seconds(two[1]);
        const double expected = geodMetres(lat1, lon1, lat2, lon2);
        const double measured = tracks->ruler().ruler().figures().metres;
        // The places' positions are whole twips: a fifteenth of a pixel.
        QVERIFY2(std::abs(measured - expected) < 1.0,
                 qPrintable(QStringLiteral("%1 / %2").arg(measured).arg(expected)));
        QVERIFY(tracks->lblmisura->text().startsWith(QStringLiteral("Totale ")));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!tracks->mnmisura->isChecked());
        QVERIFY(!tracks->lblmisura->isVisible());
        QVERIFY(tracks->ruler().ruler().empty());
    }
};

ORVENA_TEST_MAIN(TracksTest)
#include "TracksTest.moc"
