#include "ArchiveTest.h"

#include "archive/ArchiveFailure.h"
#include "archive/SqlTexts.h"
#include "support/TempFolder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtTest>
#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

using orvena::ArchiveError;

void ArchiveTest::failureMessage_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");
    const QString inUse = QStringLiteral("L'archivio localita.mdb è in uso da un altro programma.");
    const QString damaged = QStringLiteral("L'archivio localita.mdb è danneggiato.");
    QTest::newRow("busy") << SQLITE_BUSY << inUse;
    QTest::newRow("locked") << SQLITE_LOCKED << inUse;
    QTest::newRow("extended busy") << SQLITE_BUSY_SNAPSHOT << inUse;
    QTest::newRow("corrupt") << SQLITE_CORRUPT << damaged;
    QTest::newRow("not a database") << SQLITE_NOTADB << damaged;
    QTest::newRow("read-only journal")
        << SQLITE_READONLY_ROLLBACK
        << "L'archivio localita.mdb è in sola lettura o mancano i permessi per scriverlo.";
    QTest::newRow("disk full")
        << SQLITE_FULL << "L'archivio localita.mdb non può essere scritto: il disco è pieno.";
    QTest::newRow("cannot open")
        << SQLITE_CANTOPEN
        << "L'archivio localita.mdb non può essere aperto: manca o la cartella non è accessibile.";
    QTest::newRow("other") << SQLITE_MISMATCH
                           << "L'archivio localita.mdb non può essere usato: errore imprevisto "
                              "(codice 20).";
}

void ArchiveTest::failureMessage() {
    QFETCH(int, code);
    QFETCH(QString, expected);
    // A path shows as its file name.
    QCOMPARE(orvena::failureMessage(QStringLiteral("/tmp/x/localita.mdb"), code), expected);
    const ArchiveError error(QStringLiteral("localita.mdb"), code, "engine");
    QCOMPARE(error.italianMessage(), expected);
    QCOMPARE(error.code(), code);
}

void ArchiveTest::engineFailureNamesTheArchive_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");
    QTest::newRow("write lock of another connection")
        << "lock" << SQLITE_BUSY << "L'archivio localita.mdb è in uso da un altro programma.";
    QTest::newRow("table page overwritten")
        << "page" << SQLITE_CORRUPT << "L'archivio localita.mdb è danneggiato.";
}

void ArchiveTest::engineFailureNamesTheArchive() {
    QFETCH(QString, damage);
    QFETCH(int, code);
    QFETCH(QString, expected);
    orvena::test::TempFolder folder;
    orvena::Archives archives;
    QCOMPARE(archives.openAll(folder.path()), QString());
    orvena::RecordView& view = *archives.Data2;
    view.transaction([&] {
        for (int i = 0; i < 300; ++i) {
            view.addNew();
            view.setField(QStringLiteral("AREA"), QStringLiteral("Foglio"));
            view.setField(QStringLiteral("LOCALITA"), QStringLiteral("Luogo %1").arg(i));
            view.update();
        }
    });
    archives.closeAll();

    if (damage == QLatin1String("page")) {
        // The schema (page 1) reads fine; the table's first page is garbage.
        QFile file(folder.file("localita.mdb"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(4096));
        file.write(QByteArray(4096, '\xff'));
    }
    QCOMPARE(archives.openAll(folder.path()), QString());
    std::unique_ptr<SQLite::Database> other;
    if (damage == QLatin1String("lock")) {
        other = std::make_unique<SQLite::Database>(folder.file("localita.mdb").toStdString(),
                                                   SQLite::OPEN_READWRITE);
        other->exec("BEGIN EXCLUSIVE");
    }
    view.setRecordSource(orvena::sql::kLocalityOfAreaOrdered, {QStringLiteral("Foglio")});
    QElapsedTimer timer;
    timer.start();
    try {
        view.refresh();
        archivetest::walk(view, "d2loc");
        QFAIL("no failure");
    } catch (const ArchiveError& e) {
        QCOMPARE(e.code() & 0xff, code);
        QCOMPARE(e.fileName(), QStringLiteral("localita.mdb"));
        QCOMPARE(e.italianMessage(), expected);
        QCOMPARE(QString::fromUtf8(e.what()), expected);
    }
    // A lock held elsewhere is reported after a short wait, not after seconds.
    QVERIFY2(timer.elapsed() < 4000, qPrintable(QString::number(timer.elapsed())));
}
