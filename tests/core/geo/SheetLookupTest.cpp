#include "Records.h"
#include "TestMain.h"
#include "Workspace.h"

#include "core/geo/SheetLookup.h"

using namespace orvena;
using namespace orvena::test;

namespace {

// A stored AREA record as a row: its fields, and what the look-up gives for
// the name asked: the calibration ("-" for a value that reads as nothing),
// whether it is usable, and the west link.
struct StoredSheet {
    const char* tag;
    QVariantMap fields;
    QString asked;
    QString calibration;
    bool usable;
    QString west;
};

QString text(const std::optional<double>& v) {
    return v ? QString::number(*v, 'g', 9) : QStringLiteral("-");
}

} // namespace

class SheetLookupTest : public QObject {
    Q_OBJECT
private slots:
    // Every stored number is read by one rule: the text a bound box shows
    // (a real in single precision), then the number in it with '.'.
    void sheetAsStored_data() {
        const QVariantMap full{{"AREA", "a.jpg"},   {"COLA", 24.25},    {"COLO", 0.1},
                               {"PXLAO", 450},      {"SECLAO", 163800}, {"PXLOO", 300},
                               {"SECLOO", "33000"}, {"OVEST", "b.jpg"}};
        QVariantMap text = full, zero = full, never = full;
        text["PXLAO"] = "quattro";
        zero["COLO"] = 0;
        for (const char* f : {"COLA", "COLO", "PXLAO", "SECLAO", "PXLOO", "SECLOO"})
            never[f] = QVariant();
        test::addRows<StoredSheet>({
            {"calibrated", full, "a.jpg", "24.25 0.1 450 163800 300 33000", true, "b.jpg"},
            {"a reference value not a number", text, "a.jpg", "24.25 0.1 - 163800 300 33000",
             false, "b.jpg"},
            {"zero scale", zero, "a.jpg", "24.25 0 450 163800 300 33000", false, "b.jpg"},
            {"never calibrated", never, "a.jpg", "- - - - - -", false, "b.jpg"},
            {"letter case differs", full, "A.JPG", "", false, ""},
        });
    }

    void sheetAsStored() {
        QFETCH(StoredSheet, row);
        Workspace ws(Workspace::Content::Empty);
        ws.start();
        RecordView* areas = ws.archives.Data1;
        areas->addNew();
        for (auto it = row.fields.cbegin(); it != row.fields.cend(); ++it)
            areas->setField(it.key(), it.value());
        areas->update();

        bool listed = false;
        const Sheet s = SheetLookup(ws.folder.path()).sheet(row.asked, &listed);
        QVERIFY(listed);
        QCOMPARE(s.exists(), !row.calibration.isEmpty());
        if (!s.exists()) return;
        const StoredCalibration& c = s.calibration;
        QCOMPARE(QStringList({text(c.cola), text(c.colo), text(c.pxlao), text(c.seclao),
                              text(c.pxloo), text(c.secloo)})
                     .join(u' '),
                 row.calibration);
        QCOMPARE(c.usable(), row.usable);
        QCOMPARE(s.link(Side::West), row.west);
        QCOMPARE(s.link(Side::North), QString());
    }

    // The places of a sheet by their names, its own only; one place with its
    // angles and position; places of a name across sheets.
    void places() {
        Workspace ws(Workspace::Content::Empty);
        ws.start();
        for (const char* area : {"a.jpg", "A.JPG", "b.jpg"})
            for (const char* name : {"Zeta", "Alfa"})
                addLocality(ws.archives.Data2, area, name, 3140.5, "x");
        const SheetLookup lookup(ws.folder.path());
        QCOMPARE(lookup.places("a.jpg"), (QStringList{"Alfa", "Zeta"}));
        const auto p = lookup.place("A.JPG", "Zeta");
        QVERIFY(p && !lookup.place("a.jpg", "ZETA"));
        QCOMPARE(p->area, "A.JPG");
        QCOMPARE(p->angles, (std::array<QString, 6>{"45", "20", "10", "9", "50", "5"}));
        QCOMPARE(p->px, 3140.5);
        QVERIFY(!p->py);
        QCOMPARE(lookup.placesNamed("alfa").size(), std::size_t(3));
        QCOMPARE(lookup.sheetNames(), QStringList());
    }
};

ORVENA_TEST_MAIN(SheetLookupTest)
#include "SheetLookupTest.moc"
