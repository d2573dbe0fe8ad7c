#include "ArchiveTest.h"

#include "archive/Schema.h"
#include "archive/SqlTexts.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <SQLiteCpp/SQLiteCpp.h>

using orvena::Archives;

namespace {

const QStringList kFiles = {QStringLiteral("area.mdb"), QStringLiteral("localita.mdb"),
                            QStringLiteral("esplocalita.mdb"), QStringLiteral("esparea.mdb")};

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

// The names of the tables and indexes stored in a database file.
QStringList objectsIn(const QString& path) {
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement query(db, "select name from sqlite_master order by name");
    QStringList names;
    while (query.executeStep())
        names << QString::fromStdString(query.getColumn(0).getString());
    return names;
}

const QStringList kAreaObjects = {QStringLiteral("AREA"), QStringLiteral("AREA_AREA")};
const QStringList kLocalityObjects = {QStringLiteral("localita"),
                                      QStringLiteral("localita_AREA_LOCALITA"),
                                      QStringLiteral("localita_LOCALITA")};

} // namespace

void ArchiveTest::missingArchivesAreCreated() {
    orvena::test::TempFolder folder;
    QObject owner;
    Archives archives(&owner);
    QCOMPARE(archives.openAll(folder.path()), QString());

    QCOMPARE(filesIn(folder.path()),
             QStringList({"area.mdb", "esparea.mdb", "esplocalita.mdb", "localita.mdb"}));
    QCOMPARE(objectsIn(folder.file("area.mdb")), kAreaObjects);
    QCOMPARE(objectsIn(folder.file("esparea.mdb")), kAreaObjects);
    QCOMPARE(objectsIn(folder.file("localita.mdb")), kLocalityObjects);
    QCOMPARE(objectsIn(folder.file("esplocalita.mdb")), kLocalityObjects);

    const std::array<orvena::RecordView*, 4> views = {archives.Data1, archives.Data2,
                                                      archives.Data3, archives.Data4};
    const char* boxes[] = {"d1ovest", "d2py", "d3localita", "d4secloo"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(views[i]->objectName(), QStringLiteral("Data%1").arg(i + 1));
        QCOMPARE(views[i]->parent(), &owner);
        QVERIFY(views[i]->isOpen());
        QVERIFY(views[i]->box(boxes[i]) != nullptr);
        views[i]->setRecordSource(i % 3 == 0 ? orvena::sql::kAreaAll : orvena::sql::kLocalityAll);
        views[i]->refresh();
        QVERIFY(views[i]->eof());
    }
}

void ArchiveTest::existingArchivesOpenAndGainIndexes() {
    orvena::test::TempFolder folder;
    QCOMPARE(orvena::createArchive(folder.file("area.mdb"), orvena::schema::kAreaTable), QString());
    QCOMPARE(orvena::createArchive(folder.file("esparea.mdb"), orvena::schema::kAreaTable),
             QString());
    {
        // An archive written without indexes, holding one record.
        SQLite::Database db(folder.file("localita.mdb").toStdString(),
                            SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(orvena::schema::kCreateLocality);
        db.exec("insert into localita (AREA, LOCALITA, PX) values ('Foglio', 'ROMA', 1440)");
    }
    QCOMPARE(objectsIn(folder.file("localita.mdb")), QStringList{"localita"});

    Archives archives;
    QCOMPARE(archives.openAll(folder.path()), QString());
    QCOMPARE(objectsIn(folder.file("localita.mdb")), kLocalityObjects);
    QCOMPARE(objectsIn(folder.file("esplocalita.mdb")), kLocalityObjects);

    archives.Data2->setRecordSource(orvena::sql::kLocalityOfArea, {QStringLiteral("Foglio")});
    archives.Data2->refresh();
    QCOMPARE(archives.Data2->field(QStringLiteral("PX")), QVariant(1440.0));
    QCOMPARE(archivetest::walk(*archives.Data2, "d2loc"), QStringList{"ROMA"});
}
