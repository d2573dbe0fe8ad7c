// The menu entries Esporta, Importa, Compatta Data Base, Esporta per GIS… and
// Esporta KMZ per GPS… on the demo atlas.
#include "MapWindow.h"
#include "ReadOnlyFolder.h"

#include "core/archive/Compaction.h"

#include <QDir>
#include <QMenu>
#include <QMenuBar>

using namespace orvena;
using namespace orvena::test;

namespace {

const QString kExported = QStringLiteral("Esportazione archivi terminata. Sono stati creati gli "
                                         "archivi esparea.mdb e esplocalita.mdb.");
const QString kImported = QStringLiteral("Importazione terminata correttamente.");
const QString kCompacted = QStringLiteral("Data Base compattati.");

// The one message the entry showed, checking the hourglass was down for it.
QString lastMessage(Workspace& ws) {
    if (ws.dialogs.shown().isEmpty()) return {};
    const auto& shown = ws.dialogs.shown().back();
    if (shown.hourglassBusy) return QStringLiteral("(hourglass up)");
    return ws.dialogs.takeTexts().join(QLatin1Char('\n'));
}

} // namespace

class ArchiveMaintenanceTest : public QObject {
    Q_OBJECT
private slots:
    // Export, a sheet's places deleted by another tool, import: they are back,
    // without positions, and the main window shows them. A datum code this
    // program does not know, in the exchange file, is copied as it is and
    // named.
    void exportAndImportBringPlacesBack() {
        Workspace ws;
        MainWindow& w = ws.start();
        const std::string someSheet = "(select AREA from localita order by rowid limit 1)";
        const QString file = ws.file("localita.mdb");
        const qint64 places = queryNumber(file, "select count(*) from localita");
        w.mnesporta->trigger();
        QCOMPARE(lastMessage(ws), kExported);
        QCOMPARE(queryNumber(ws.file("esplocalita.mdb"), "select count(*) from localita"), places);
        execSql(file, "delete from localita where AREA = " + someSheet);
        QVERIFY(queryNumber(file, "select count(*) from localita") < places);
        execSql(ws.file("esparea.mdb"),
                "create table AREA_DATUM (AREA TEXT NOT NULL PRIMARY KEY, DATUM TEXT);"
                "insert into AREA_DATUM values ('valfonda_ne.bmp', 'EPSG:9999'), "
                "('valfonda_se.jpg', 'EPSG:4230')");
        w.mnimporta->trigger();
        QCOMPARE(lastMessage(ws), kImported + " Datum sconosciuti copiati così come sono: "
                                              "valfonda_ne.bmp (datum sconosciuto: EPSG:9999).");
        QCOMPARE(queryRows(ws.file("area.mdb"), "select AREA, DATUM from AREA_DATUM order by AREA"),
                 (QStringList{"valfonda_ne.bmp|EPSG:9999", "valfonda_se.jpg|EPSG:4230"}));
        QCOMPARE(queryNumber(file, "select count(*) from localita"), places);
        QVERIFY(queryNumber(file, "select count(*) from localita where PX is null") > 0);
        QCOMPARE(w.Data2->recordSource(), sql::kLocalityOrderedByArea);
    }

    // The four archives are compacted with their copies beside them, and each
    // view is back on its file with the record source it had.
    void compactionKeepsViewsAndLeavesCopies() {
        Workspace ws;
        MainWindow& w = ws.start();
        Workspace::choose(w.f1area, w.f1area->itemText(0));
        const char* sources[4];
        std::size_t sizes[4];
        RecordView* views[4] = {w.Data1, w.Data2, w.Data3, w.Data4};
        for (int i = 0; i < 4; ++i) {
            views[i]->refresh();
            sources[i] = views[i]->recordSource();
            sizes[i] = views[i]->resultSize();
        }
        w.mncomprdb->trigger();
        QCOMPARE(lastMessage(ws), kCompacted);
        for (int i = 0; i < 4; ++i) {
            QVERIFY(views[i]->isOpen());
            QCOMPARE(views[i]->recordSource(), sources[i]);
            QCOMPARE(views[i]->resultSize(), sizes[i]);
            QVERIFY(QFile::exists(ws.file(compactedCopyName(views[i]->fileName()))));
        }
    }

    // An archive another program holds: the message names it, the success
    // message never appears, and compaction still does the other three.
    void archiveInUseIsNamed() {
        for (const auto& [entry, opening] :
             {std::pair{"mnesporta", "Esportazione non riuscita. "},
              {"mnimporta", "Importazione non riuscita. "},
              {"mncomprdb", "Data Base compattati, tranne esparea.mdb. "}}) {
            Workspace ws;
            MainWindow& w = ws.start();
            SQLite::Database holder(ws.file("esparea.mdb").toStdString(), SQLite::OPEN_READWRITE);
            holder.exec("BEGIN EXCLUSIVE");
            w.findChild<QAction*>(QString::fromLatin1(entry))->trigger();
            const QString message = lastMessage(ws);
            QVERIFY2(message.startsWith(QString::fromUtf8(opening)), qPrintable(message));
            QVERIFY2(message.contains("L'archivio esparea.mdb è in uso da un altro programma."),
                     qPrintable(message));
            if (QByteArray(entry) == "mncomprdb")
                QVERIFY(QFile::exists(ws.file("esplocalitacomp.mdb")) &&
                        !QFile::exists(ws.file("espareacomp.mdb")));
        }
    }

    // In a read-only atlas no archive can be compacted: the message says so
    // and why, rather than "compacted, except" all four.
    void readOnlyAtlasCompactsNothing() {
        Workspace ws;
        const ReadOnlyFolder readOnly(ws.folder.path());
        MainWindow& w = ws.start();
        ws.dialogs.takeTexts();
        w.mncomprdb->trigger();
        const QString message = lastMessage(ws);
        QVERIFY2(message.startsWith("Nessun Data Base è stato compattato. L'archivio area.mdb è in "
                                    "sola lettura o mancano i permessi per scriverlo.") &&
                     message.endsWith("Gli archivi sono rimasti com'erano."),
                 qPrintable(message));
    }

    // The last entry of "Area" asks for a folder and exports there; the map shown
    // stays as it was.
    void gisExportEntry() {
        Workspace ws;
        MainWindow& w = ws.start();
        const auto area = w.menuBar()->findChild<QMenu*>(QStringLiteral("mnarea"))->actions();
        QCOMPARE(area.last(), w.mnesportagis);
        QCOMPARE(w.mnesportagis->text(), "Esporta per GIS…");
        QVERIFY(w.mnesportagis->isEnabled());
        Workspace::choose(w.f1area, "valfonda_se.jpg");

        ws.dialogs.queueFile(std::nullopt);
        w.mnesportagis->trigger();
        QVERIFY(ws.dialogs.texts().isEmpty());
        QVERIFY(!QFileInfo::exists(ws.file("valfonda_se.jgw")));

        ws.dialogs.queueFile(ws.file("scelta"));
        w.mnesportagis->trigger();
        QCOMPARE(ws.dialogs.fileDialogs(), 2);
        QCOMPARE(ws.dialogs.shown().size(), 1);
        QVERIFY(lastMessage(ws).startsWith("Esportazione per GIS completata."));
        QVERIFY(QFileInfo::exists(ws.file("valfonda_se.jgw")));
        QVERIFY(QFileInfo::exists(ws.file("scelta/localita.geojson")));
        QCOMPARE(w.shownSheet().name, "valfonda_se.jpg");

        // The entry before it writes the sheets' tiles too.
        ws.dialogs.queueFile(ws.file("telefono"));
        w.mnesportambtiles->trigger();
        QVERIFY(lastMessage(ws).endsWith("Fogli in MBTiles: 4"));
        QVERIFY(QFileInfo::exists(ws.file("telefono/valfonda_se.mbtiles")));
    }

    // "Esporta KMZ per GPS…" writes the sheet shown; with none shown it asks
    // whether to write every sheet.
    void kmzEntry_data() {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("the sheet shown")
            << "valfonda_se.jpg" << 0 << QStringList{"valfonda_se.kmz"};
        QTest::newRow("none shown, every sheet")
            << QString() << int(AnswerYes)
            << QStringList{"valfonda_ne.kmz", "valfonda_no.kmz", "valfonda_se.kmz",
                           "valfonda_so.kmz"};
        QTest::newRow("none shown, declined") << QString() << int(AnswerNo) << QStringList();
    }
    void kmzEntry() {
        QFETCH(QString, sheet);
        QFETCH(int, answer);
        QFETCH(QStringList, written);
        Workspace ws;
        MainWindow& w = ws.start();
        if (!sheet.isEmpty()) Workspace::choose(w.f1area, sheet);
        ws.dialogs.takeTexts();
        if (answer != 0) ws.dialogs.queueAnswer(answer);
        ws.dialogs.queueFile(ws.file("gps"));
        w.mnesportakmz->trigger();
        QCOMPARE(ws.dialogs.fileDialogs(), written.isEmpty() ? 0 : 1);
        QCOMPARE(QDir(ws.file("gps")).entryList(QStringList{"*.kmz"}), written);
        QStringList shown;
        for (const auto& s : ws.dialogs.shown())
            shown << (s.hourglassBusy ? QStringLiteral("(hourglass up)") : s.text);
        if (sheet.isEmpty())
            QCOMPARE(shown.value(0),
                     "Nessun foglio è mostrato. Esportare in KMZ tutti i fogli calibrati?");
        QCOMPARE(shown.size(), (sheet.isEmpty() ? 1 : 0) + (written.isEmpty() ? 0 : 1));
        if (!written.isEmpty())
            QVERIFY2(
                shown.last().startsWith("Esportazione per GIS completata.") &&
                    shown.last().endsWith(QStringLiteral("Fogli in KMZ: %1").arg(written.size())),
                qPrintable(shown.last()));
    }
};

ORVENA_TEST_MAIN(ArchiveMaintenanceTest)
#include "ArchiveMaintenanceTest.moc"
