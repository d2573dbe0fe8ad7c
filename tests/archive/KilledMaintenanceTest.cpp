// An export or an import killed at random moments leaves every archive whole
// (integrity check) and holding either all it held before or all it holds
// after, both working files together.
#include "archive/Archives.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <SQLiteCpp/SQLiteCpp.h>

namespace {

constexpr int kPlaces = 60000;

qint64 count(const QString& path, const char* table) {
    // Read-write, so that a journal left by the killed process is rolled back.
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
    if (db.execAndGet("pragma integrity_check").getString() != "ok")
        qFatal("%s is damaged", qPrintable(path));
    return db.execAndGet(std::string("select count(*) from ") + table).getInt64();
}

// Counts of the four archives: areas, places, exchange areas, exchange places.
QList<qint64> state(const QString& folder) {
    const QDir d(folder);
    return {count(d.filePath("area.mdb"), "AREA"), count(d.filePath("localita.mdb"), "localita"),
            count(d.filePath("esparea.mdb"), "AREA"),
            count(d.filePath("esplocalita.mdb"), "localita")};
}

void copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files)) {
        QFile::remove(to + "/" + name);
        QFile::copy(from + "/" + name, to + "/" + name);
    }
}

} // namespace

class KilledMaintenanceTest : public QObject {
    Q_OBJECT
private slots:
    void killedAtRandomLosesNothing_data() {
        QTest::addColumn<QString>("work");
        QTest::newRow("import") << "import";
        QTest::newRow("export") << "export";
    }
    void killedAtRandomLosesNothing() {
        QFETCH(QString, work);
        orvena::test::TempFolder folder;
        const QString start = folder.file("start");
        QDir().mkpath(start);
        {
            orvena::Archives archives;
            QCOMPARE(archives.openAll(start), QString());
        }
        // Exchange files holding every place, working files holding a third:
        // an import adds two thirds, an export rewrites the exchange files.
        {
            SQLite::Database db((start + "/esplocalita.mdb").toStdString(), SQLite::OPEN_READWRITE);
            db.exec("with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
                    std::to_string(kPlaces) +
                    ") insert into localita select 'f' || (i % 100) || '.jpg', 'P' || i, 1, 2, "
                    "3, 4, 5, 6, NULL, NULL from n");
            db.exec("attach '" + (start + "/localita.mdb").toStdString() + "' as w");
            db.exec("insert into w.localita select * from localita where rowid % 3 = 0");
            db.exec("attach '" + (start + "/esparea.mdb").toStdString() + "' as xa");
            db.exec("insert into xa.AREA (AREA) select distinct AREA from localita");
        }
        const QString run = folder.file("run");
        copyFolder(start, run);
        const QList<qint64> before = state(run);
        QElapsedTimer whole;
        whole.start();
        QProcess complete;
        complete.start(VICTIM, {work, run});
        QVERIFY(complete.waitForFinished(60000) && complete.exitCode() == 0);
        // The moments to kill at fall anywhere within the time the work takes.
        const int duration = static_cast<int>(whole.elapsed());
        const QList<qint64> after = state(run);
        QVERIFY(before != after);

        int between = 0;
        for (int round = 0; round < 4; ++round) {
            copyFolder(start, run);
            QProcess victim;
            victim.start(VICTIM, {work, run});
            QVERIFY(victim.waitForReadyRead(10000));
            const int delay = QRandomGenerator::global()->bounded(duration);
            QTest::qWait(delay);
            victim.kill();
            victim.waitForFinished();
            const QList<qint64> now = state(run);
            QVERIFY2(now == before || now == after,
                     qPrintable(QStringLiteral("killed after %1 ms").arg(delay)));
            between += now == before ? 1 : 0;
        }
        qInfo("%s of %d ms: %d of 4 kills found the archives as before", qPrintable(work), duration,
              between);
    }
};

ORVENA_TEST_MAIN(KilledMaintenanceTest)
#include "KilledMaintenanceTest.moc"
