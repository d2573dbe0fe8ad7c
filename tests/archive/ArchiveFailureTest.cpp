#include "ArchiveTest.h"

#include "archive/ArchiveFailure.h"

#include <QtTest>
#include <sqlite3.h>

using orvena::ArchiveError;

void ArchiveTest::failureMessage_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("expected");
    const QString inUse = QStringLiteral("L'archivio localita.mdb è in uso da un altro programma.");
    const QString damaged = QStringLiteral("L'archivio localita.mdb è danneggiato.");
    QTest::newRow("busy") << SQLITE_BUSY << inUse;
    QTest::newRow("extended busy") << SQLITE_BUSY_SNAPSHOT << inUse;
    QTest::newRow("corrupt") << SQLITE_CORRUPT << damaged;
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
