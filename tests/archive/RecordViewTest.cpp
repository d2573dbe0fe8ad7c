#include "ArchiveTest.h"

#include "archive/SqlTexts.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"

#include <SQLiteCpp/SQLiteCpp.h>

using orvena::ArchiveError;
using orvena::Archives;
using orvena::RecordView;
namespace sql = orvena::sql;

namespace archivetest {

void addArea(RecordView& view, const QString& name) {
    view.addNew();
    view.setField(QStringLiteral("AREA"), name);
    view.update();
}

QStringList walk(RecordView& view, const char* box) {
    QStringList seen;
    if (view.resultSize() == 0) return seen;
    view.moveFirst();
    while (!view.eof()) {
        seen << view.box(box)->property("text").toString();
        view.moveNext();
    }
    return seen;
}

} // namespace archivetest

using namespace archivetest;

namespace {

// A working folder with the four archives open.
struct OpenArchives {
    orvena::test::TempFolder folder;
    Archives archives;
    OpenArchives() {
        const QString problem = archives.openAll(folder.path());
        if (!problem.isEmpty()) qFatal("openAll: %s", qPrintable(problem));
    }
};

} // namespace

void ArchiveTest::walkDeletingCurrentVisitsEveryOtherOnce_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("deleteEvery");
    QTest::addColumn<bool>("inTransaction");
    QTest::newRow("few, every third") << 10 << 3 << false;
    QTest::newRow("several blocks, every third") << 600 << 3 << true;
    QTest::newRow("several blocks, all") << 600 << 1 << true;
}

void ArchiveTest::walkDeletingCurrentVisitsEveryOtherOnce() {
    QFETCH(int, count);
    QFETCH(int, deleteEvery);
    QFETCH(bool, inTransaction);
    OpenArchives a;
    RecordView& view = *a.archives.Data1;
    QStringList names;
    view.transaction([&] {
        for (int i = 0; i < count; ++i) {
            names << QStringLiteral("S%1").arg(i, 4, 10, QLatin1Char('0'));
            addArea(view, names.last());
        }
    });

    view.setRecordSource(sql::kAreaOrderedByName);
    view.refresh();
    QStringList seen, kept;
    bool deletedShowsEmpty = true;
    const auto walkAndDelete = [&] {
        view.moveFirst();
        for (int i = 0; !view.eof(); ++i) {
            const QString name = view.text(QStringLiteral("AREA"));
            seen << name;
            if (i % deleteEvery == 0) {
                view.edit();
                view.remove();
                deletedShowsEmpty &= view.text(QStringLiteral("AREA")).isEmpty();
            } else {
                kept << name;
            }
            view.moveNext();
        }
    };
    if (inTransaction)
        view.transaction(walkAndDelete);
    else
        walkAndDelete();
    QVERIFY(deletedShowsEmpty);
    QCOMPARE(seen, names);
    // Walking the same result again passes over the deleted records.
    if (kept.isEmpty())
        QVERIFY_THROWS_EXCEPTION(ArchiveError, view.moveFirst());
    else
        QCOMPARE(walk(view, "d1area"), kept);

    view.refresh();
    QCOMPARE(view.resultSize(), std::size_t(kept.size()));
    QCOMPARE(walk(view, "d1area"), kept);
}

void ArchiveTest::recordAddedDuringWalkWaitsForRefresh() {
    OpenArchives a;
    RecordView& view = *a.archives.Data1;
    for (const char* name : {"B", "C", "A"})
        addArea(view, QString::fromLatin1(name));

    view.setRecordSource(sql::kAreaOrderedByName);
    view.refresh();
    view.moveFirst();
    QCOMPARE(view.text(QStringLiteral("AREA")), QStringLiteral("A"));
    // "A" holds the highest key: deleting it lets the engine give that key to
    // the record added next, which must still not appear in this walk.
    view.remove();
    addArea(view, QStringLiteral("Z"));
    view.moveNext();
    QCOMPARE(view.text(QStringLiteral("AREA")), QStringLiteral("B"));
    addArea(view, QStringLiteral("Y"));
    QCOMPARE(view.text(QStringLiteral("AREA")), QStringLiteral("B"));
    view.moveNext();
    QCOMPARE(view.text(QStringLiteral("AREA")), QStringLiteral("C"));
    view.moveNext();
    QVERIFY(view.eof());
    QCOMPARE(walk(view, "d1area"), QStringList({"B", "C"}));

    view.refresh();
    QCOMPARE(walk(view, "d1area"), QStringList({"B", "C", "Y", "Z"}));
}

void ArchiveTest::filterIgnoresCaseWalkDoesNot() {
    OpenArchives a;
    RecordView& view = *a.archives.Data1;
    addArea(view, QStringLiteral("Foglio"));
    addArea(view, QStringLiteral("Altro"));

    // The engine's equality ignores letter case; the walk's comparison does not.
    view.setRecordSource(sql::kAreaByName, {QStringLiteral("foglio")});
    view.refresh();
    const QStringList found = walk(view, "d1area");
    QCOMPARE(found, QStringList{QStringLiteral("Foglio")});
    QVERIFY(!found.contains(QStringLiteral("foglio")));
}

namespace {

// Names that would change a query's meaning if they were pasted into its text.
const QStringList& trickyNames() {
    static const QStringList names = {
        QStringLiteral("Sheet \"North\""),   QStringLiteral("\""),
        QStringLiteral("x\" or \"1\"=\"1"),  QStringLiteral("Sant'Anna"),
        QStringLiteral("Città di Castello"), QStringLiteral("AREA"),
        QStringLiteral("localita")};
    return names;
}

} // namespace

void ArchiveTest::namesAreBoundNotPasted_data() {
    QTest::addColumn<QString>("name");
    for (const QString& name : trickyNames())
        QTest::newRow(qPrintable(name)) << name;
}

void ArchiveTest::namesAreBoundNotPasted() {
    QFETCH(QString, name);
    OpenArchives a;
    RecordView& areas = *a.archives.Data1;
    RecordView& places = *a.archives.Data2;
    for (const QString& other : trickyNames() + QStringList{QStringLiteral("Plain")}) {
        addArea(areas, other);
        places.addNew();
        places.setField(QStringLiteral("AREA"), other);
        places.setField(QStringLiteral("LOCALITA"), other);
        places.update();
    }

    for (const char* source :
         {sql::kAreaByName, sql::kAreaByNameCommandLine, sql::kAreaNeighbour}) {
        areas.setRecordSource(source, {name});
        areas.refresh();
        QCOMPARE(walk(areas, "d1area"), QStringList{name});
    }
    places.setRecordSource(sql::kLocalityOfAreaByName, {name, name});
    places.refresh();
    QCOMPARE(walk(places, "d2loc"), QStringList{name});
    places.setRecordSource(sql::kLocalityByName, {name});
    places.refresh();
    QCOMPARE(walk(places, "d2area"), QStringList{name});
}

void ArchiveTest::emptyResult_data() {
    QTest::addColumn<bool>("filtered");
    QTest::newRow("empty table") << false;
    QTest::newRow("filter without match") << true;
}

void ArchiveTest::emptyResult() {
    QFETCH(bool, filtered);
    OpenArchives a;
    RecordView& view = *a.archives.Data1;
    if (filtered) {
        addArea(view, QStringLiteral("Foglio"));
        view.setRecordSource(sql::kAreaByName, {QStringLiteral("Altro")});
    } else {
        view.setRecordSource(sql::kAreaList);
    }
    view.refresh();
    QVERIFY(view.eof());
    QCOMPARE(view.resultSize(), std::size_t(0));
    QCOMPARE(view.text(QStringLiteral("AREA")), QString());
    QVERIFY_THROWS_EXCEPTION(ArchiveError, view.moveFirst());
    QVERIFY_THROWS_EXCEPTION(ArchiveError, view.moveNext());
    QVERIFY_THROWS_EXCEPTION(ArchiveError, view.field(QStringLiteral("AREA")));
    QVERIFY_THROWS_EXCEPTION(ArchiveError, view.edit());
    // Unknown fields and sources that are not a "select *" are refused too.
    view.addNew();
    QVERIFY_THROWS_EXCEPTION(ArchiveError, view.setField(QStringLiteral("NOME"), 1));
    QVERIFY_THROWS_EXCEPTION(ArchiveError, view.field(QStringLiteral("NOME")));
    QVERIFY_THROWS_EXCEPTION(ArchiveError, view.setRecordSource("delete from AREA"));
}

void ArchiveTest::writtenValuesTakeTheColumnKind_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("text");

    QTest::newRow("digits into real") << "COLA" << QVariant("12") << QVariant(12.0) << "12";
    QTest::newRow("decimal into real") << "colo" << QVariant("0.1") << QVariant(0.1) << "0.1";
    QTest::newRow("double into real") << "COLA" << QVariant(9652.5) << QVariant(9652.5) << "9652.5";
    QTest::newRow("digits into integer")
        << "SECLAO" << QVariant("-45") << QVariant(qlonglong(-45)) << "-45";
    QTest::newRow("whole decimal into integer")
        << "PXLAO" << QVariant("3000.0") << QVariant(qlonglong(3000)) << "3000";
    QTest::newRow("int into integer") << "PXLOO" << QVariant(7) << QVariant(qlonglong(7)) << "7";
    QTest::newRow("word into integer") << "SECLOO" << QVariant("abc") << QVariant("abc") << "abc";
    QTest::newRow("digits into text") << "NORD" << QVariant("0012") << QVariant("0012") << "0012";
    QTest::newRow("null") << "EST" << QVariant() << QVariant() << "";
}

void ArchiveTest::writtenValuesTakeTheColumnKind() {
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QVariant, stored);
    QFETCH(QString, text);
    OpenArchives a;
    RecordView& view = *a.archives.Data1;
    addArea(view, QStringLiteral("First"));
    view.setRecordSource(sql::kAreaAll);
    view.refresh();
    view.edit();
    view.setField(field, value);
    view.update();

    // Read back at once (the write must not leave an old copy behind) and
    // after running the query again.
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) view.refresh();
        const QVariant read = view.field(field);
        QCOMPARE(read.typeId(), stored.typeId());
        QCOMPARE(read, stored);
        QCOMPARE(view.text(field), text);
        QCOMPARE(view.text(QStringLiteral("AREA")), QStringLiteral("First"));
    }
}

void ArchiveTest::failedTransactionLeavesArchiveUnchanged() {
    OpenArchives a;
    RecordView& view = *a.archives.Data1;
    addArea(view, QStringLiteral("Kept"));
    view.setRecordSource(sql::kAreaAll);
    view.refresh();
    QVERIFY_THROWS_EXCEPTION(ArchiveError, view.transaction([&] {
        view.remove();
        addArea(view, QStringLiteral("Half"));
        view.setField(QStringLiteral("missing"), 1);
    }));
    view.refresh();
    QCOMPARE(walk(view, "d1area"), QStringList{QStringLiteral("Kept")});
}

ORVENA_TEST_MAIN(ArchiveTest)
