// The demo atlas on a PostgreSQL server of the test's own (with-postgres.sh)
// reads as it does from its files: every look-up, the export for GIS to the
// same bytes, the main window; a read-only role reads and exports; a server
// that goes away is told naming it, and the next action after its return
// works again.
#include "MapWindow.h"
#include "ServerAtlas.h"

#include "core/archive/AreaCalibrations.h"
#include "core/archive/AreaDatums.h"
#include "core/archive/WorkingPair.h"
#include "core/geo/LocalityChecks.h"
#include "core/geo/SheetLookup.h"
#include "core/geo/SheetOutlines.h"
#include "core/gis/GisExport.h"
#include "ui/windows/LocalityEditor.h"
#include "ui/windows/LocalitySearch.h"

#include <QDirIterator>
#include <QProcess>

using namespace orvena;
using namespace orvena::test;

namespace {

// The demo atlas with what the files keep beside AREA: a datum with an
// operation of its own, a datum alone, and a sheet calibrated by points.
void enrich(Workspace& ws) {
    WorkingPair pair(ws.folder.path());
    areadatums::store(pair, kNE, "EPSG:4265", QStringLiteral("INV:EPSG:1234"));
    areadatums::store(pair, sheet("SE"), "EPSG:4230");
    SheetPoints points;
    points.model = FitModel::Affine;
    points.points = {{0, 0, false, 45.9, 9.1},
                     {1600, 0, false, 45.9, 9.3},
                     {0, 1200, false, 45.7, 9.1},
                     {1600, 1200, false, 45.7, 9.3}};
    points.border = {{10, 10}, {1590, 10}, {1590, 1190}};
    areacalibrations::store(pair, sheet("NO"), points, {45.9, 9.1, 0, 165240, 0, 32760}, QString());
}

// The folder's two archives loaded onto a fresh database and taken out of
// the folder, the database named in its server setting: the connection.
QString moveToServer(Workspace& ws, const QString& role = QString()) {
    const QString database = loadOnServer(ws.folder.path());
    for (const char* file : {Archives::kAreaFile, Archives::kLocalityFile})
        QFile::rename(ws.file(file), ws.file(QString::fromLatin1(file) + ".su-server"));
    return useServer(ws.folder.path(), database, role);
}

QString text(const Sheet& s) {
    const StoredCalibration& c = s.calibration;
    QStringList parts{s.name};
    for (const auto& v : {c.cola, c.colo, c.pxlao, c.seclao, c.pxloo, c.secloo})
        parts << (v ? QString::number(*v, 'g', 17) : "-");
    for (const QString& link : s.links)
        parts << link;
    return (parts << s.datum.code << s.datum.operation).join('|');
}

QString text(const std::optional<Place>& p) {
    if (!p) return "-";
    QStringList parts{p->area, p->name};
    for (const QString& a : p->angles)
        parts << a;
    return (parts << QString::number(p->px.value_or(-1)) << QString::number(p->py.value_or(-1)))
        .join('|');
}

// Every look-up of the folder's atlas, one line each.
QStringList lookups(const QString& folder) {
    const SheetLookup l(folder);
    QStringList out;
    bool listed = true;
    out << text(l.sheet(kNE)) << text(l.sheet(kNE.toUpper(), &listed)) << QString::number(listed)
        << text(l.sheetCaseBlind(kNE.toUpper())) << l.sheetNames().join(',')
        << text(l.neighbour(l.sheet(kNE), Side::West)) << text(l.place(kNE, "VILLAFREDDA"))
        << text(l.place(kNE, "villafredda"));
    for (const QString& name : l.sheetNames())
        out << l.places(name).join(',') << l.places(name.toUpper()).join(',');
    for (const Place& p : l.placesNamed("villafredda"))
        out << text(p);
    for (const QString& name : l.sheetNames()) {
        const auto points = areacalibrations::readIn(folder, name);
        out << (points ? QString::number(points->points.size()) : "-");
        if (const auto a = anglesAtClick(folder, name, {15000, 9000, {}}))
            out << QStringList(a->begin(), a->end()).join(' ');
    }
    const SheetOutlines outlines = SheetOutlines::read(folder);
    for (const auto& p : demo::demoPlaces())
        out << outlines
                   .holding({p.lonDeg + p.lonMin / 60.0 + p.lonSec / 3600.0,
                             p.latDeg + p.latMin / 60.0 + p.latSec / 3600.0})
                   .join(',');
    return out;
}

// Every file under folder by its path there (but the archives and the
// setting), with its bytes.
QMap<QString, QByteArray> filesUnder(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next(), name = QDir(folder).relativeFilePath(path);
        if (!name.endsWith(".mdb") && !name.endsWith(".su-server") &&
            name != QLatin1String(atlasserver::kSettingFile))
            files.insert(name, fileBytes(path));
    }
    return files;
}

struct Ran {
    int exitCode = -1;
    QString said;
};

Ran run(const QString& folder, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(ORVENA_PROGRAM, args);
    if (!p.waitForFinished(180000)) return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError())};
}

} // namespace

class ServerReadsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { ORVENA_NEEDS_SERVER(); }
    void cleanup() {
        atlasserver::setFromCommandLine(QString());
        atlasserver::closeConnections();
    }

    // The same answers from the server as from the files, for every look-up;
    // and the sheet moves read through the indexes, never a whole table.
    void lookupsAsFromTheFiles() {
        Workspace files, server;
        enrich(files);
        enrich(server);
        const QStringList expected = lookups(files.folder.path());
        QVERIFY(expected.contains(text(SheetLookup(files.folder.path()).sheet(kNE))));
        QVERIFY2(expected[0].endsWith("EPSG:4265|INV:EPSG:1234"), qPrintable(expected[0]));
        const QString connection = moveToServer(server);
        QCOMPARE(lookups(server.folder.path()), expected);

        const QString database = connection.section('=', 1);
        for (const auto& [sql, index] :
             {std::pair<QString, QString>{"select * from area where orvena_nocase(AREA) COLLATE "
                                          "\"C\" = orvena_nocase('X') order by id",
                                          "area_area"},
              {"select LOCALITA from localita where orvena_nocase(AREA) COLLATE \"C\" = "
               "orvena_nocase('X') and AREA = 'X' order by orvena_nocase(LOCALITA) COLLATE \"C\" "
               "nulls first, id",
               "localita_area_localita"}}) {
            const QString plan =
                psql(database, "SET enable_seqscan = off; EXPLAIN (COSTS OFF) " + sql);
            QVERIFY2(plan.contains(index), qPrintable(plan));
        }
    }

    // "Esporta per GIS" of the atlas on the server writes the very bytes the
    // files' export writes, with every format; a read-only role exports too,
    // its server named by --archivio.
    void gisExportSameBytes_data() {
        QTest::addColumn<QString>("role");
        QTest::newRow("owner") << QString();
        QTest::newRow("read-only role") << kReader;
    }
    void gisExportSameBytes() {
        QFETCH(QString, role);
        Workspace ws;
        enrich(ws);
        QStringList args{"--esporta-gis", "gis", "--mbtiles", "--kmz", "--geotiff"};
        const Ran onFiles = run(ws.folder.path(), args);
        QCOMPARE(onFiles.exitCode, 0);
        const QMap<QString, QByteArray> expected = filesUnder(ws.folder.path());
        QVERIFY(expected.contains("gis/localita.geojson"));
        QVERIFY(expected.contains("gis/" + sheet("NO").section('.', 0, 0) + ".mbtiles"));
        QDir(ws.file("gis")).removeRecursively();

        const QString connection = moveToServer(ws, role);
        if (!role.isEmpty()) { // named on the command line instead
            QVERIFY(QFile::remove(ws.file(atlasserver::kSettingFile)));
            args << "--archivio" << connection;
        }
        const Ran onServer = run(ws.folder.path(), args);
        QCOMPARE(onServer.exitCode, 0);
        QCOMPARE(onServer.said, onFiles.said);
        const QMap<QString, QByteArray> exported = filesUnder(ws.folder.path());
        QCOMPARE(exported.keys(), expected.keys());
        for (const QString& name : expected.keys())
            QVERIFY2(exported[name] == expected[name], qPrintable(name));
    }

    // The main window on the atlas kept on the server, as on the files: the
    // sheet shown with its places in the list, the area box listing every
    // sheet, the neighbour opened by the arrow keys, every place in "Cerca".
    // A read-only role reads the same, and a change in the locality editor is
    // refused as on a read-only archive, nothing changed.
    void mainWindow_data() {
        QTest::addColumn<bool>("onServer");
        QTest::addColumn<QString>("role");
        QTest::newRow("file") << false << QString();
        QTest::newRow("server") << true << QString();
        QTest::newRow("server, read-only role") << true << kReader;
    }
    void mainWindow() {
        QFETCH(bool, onServer);
        QFETCH(QString, role);
        Workspace ws;
        const QString connection = onServer ? moveToServer(ws, role) : QString();
        MainWindow& w = ws.start();
        QCOMPARE(combo::lines(w.f1area).size(), int(demo::demoSheets().size()));
        Workspace::choose(w.f1area, sheet("NO"));
        QVERIFY(w.Image1->isVisible());
        QCOMPARE(combo::lines(w.cmbloc), placesOf(sheet("NO")));
        QCOMPARE(w.state().readoutEnabled, Flag::One);
        int presses = 0;
        w.f1area->setFocus();
        while (combo::text(w.f1area) == sheet("NO") && ++presses < 50)
            QTest::keyClick(&w, Qt::Key_Right);
        QCOMPARE(combo::text(w.f1area), sheet("NE"));
        QCOMPARE(combo::lines(w.cmbloc), placesOf(sheet("NE")));
        QCOMPARE(w.shownSheet().name, sheet("NE"));

        w.mnloccerca->trigger(); // "Cerca": every place listed, in the table's order
        auto* search = w.findChild<LocalitySearch*>(QStringLiteral("Form3"));
        QVERIFY(search);
        activated(search);
        QStringList listed;
        for (int i = 2; i < search->lineCount(); ++i)
            listed << search->lineText(i).simplified();
        QStringList places;
        for (const auto& p : demo::demoPlaces())
            places << (p.area + ' ' + p.name).simplified();
        QCOMPARE(listed, places);
        checkTold(ws, "");
        if (role.isEmpty()) return;

        w.mnlocagg->trigger();
        LocalityEditor* editor = w.localityEditor();
        QVERIFY(editor);
        Workspace::choose(editor->cmbarea, kNE);
        Workspace::choose(editor->cmbloc, "VILLAFREDDA");
        editor->angleBoxes()[0]->setText("46");
        editor->cmdmod->click();
        QCOMPARE(ws.dialogs.texts().size(), 1);
        QVERIFY2(ws.dialogs.texts()[0].contains("in sola lettura"),
                 qPrintable(ws.dialogs.texts()[0]));
        QVERIFY2(ws.dialogs.texts()[0].contains(connection.section(' ', 0, 0).section('=', 1)),
                 qPrintable(ws.dialogs.texts()[0]));
        QCOMPARE(psql(connection.section(' ', 0, 0).section('=', 1),
                      "SELECT LAGR FROM localita WHERE LOCALITA = 'VILLAFREDDA'"),
                 QString("45"));
    }

    // The server ended the program's connections: the next read says so,
    // naming the server; the one after it works again, nothing lost.
    void serverGoneAndBack() {
        Workspace ws;
        const QString connection = moveToServer(ws);
        const QStringList expected = lookups(ws.folder.path());
        QCOMPARE(psql(connection.section('=', 1),
                      "SELECT count(pg_terminate_backend(pid)) > 0 FROM pg_stat_activity WHERE "
                      "datname = current_database() AND pid <> pg_backend_pid()"),
                 QString("t"));
        const SheetLookup lookup(ws.folder.path());
        try {
            lookup.sheet(kNE);
            QFAIL("the lost connection was not told");
        } catch (const ArchiveError& e) {
            QVERIFY2(e.italianMessage().contains(connection.section('=', 1) + " su"),
                     qPrintable(e.italianMessage()));
        }
        QCOMPARE(lookups(ws.folder.path()), expected);
    }
};

ORVENA_TEST_MAIN(ServerReadsTest)
#include "ServerReadsTest.moc"
