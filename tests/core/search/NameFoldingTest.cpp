// Names folded for the search that forgives, and the edit distance it ranks by.
#include "core/search/NameFolding.h"
#include "core/search/EditDistance.h"
#include "support/TestMain.h"

#include <QRandomGenerator>

#include <algorithm>

using namespace orvena;

namespace {

// The distance the plain way: the whole table, a swap of neighbours one edit.
int plainDistance(const QList<uint>& a, const QList<uint>& b) {
    QList<QList<int>> d(a.size() + 1, QList<int>(b.size() + 1));
    for (qsizetype i = 0; i <= a.size(); ++i)
        for (qsizetype j = 0; j <= b.size(); ++j) {
            int& cell = d[i][j];
            if (i == 0 || j == 0) {
                cell = static_cast<int>(i + j);
                continue;
            }
            cell = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                             d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                cell = std::min(cell, d[i - 2][j - 2] + 1);
        }
    return d.back().back();
}

// A random word over a few letters, one of them outside ASCII, so that
// matches, swaps and multi-byte characters all come up often.
QString randomText(QRandomGenerator& random, int longest) {
    static const QString letters = QStringLiteral("ABCÆ");
    QString text;
    for (int n = random.bounded(longest + 1); n > 0; --n)
        text += letters[random.bounded(letters.size())];
    return text;
}

} // namespace

class NameFoldingTest : public QObject {
    Q_OBJECT
private slots:
    void fold_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folded");
        QTest::addColumn<QList<int>>("words"); // where words begin, in bytes
        auto row = [](const char* tag, const char* name, const char* folded, QList<int> words) {
            QTest::newRow(tag) << QString::fromUtf8(name) << QString::fromUtf8(folded) << words;
        };
        row("accent and blanks", "Cà del Poggio", "CADELPOGGIO", {0, 2, 5});
        row("apostrophe", "SANT'ANGELO", "SANTANGELO", {0, 4});
        row("typographic apostrophe, lower case", "sant’angelo", "SANTANGELO", {0, 4});
        row("dot, hyphen, several blanks", "S. Maria -  Nuova", "SMARIANUOVA", {0, 1, 6});
        row("grave as apostrophe", "Sant`Elia", "SANTELIA", {0, 4});
        row("upper-casing lengthens", "Straße", "STRASSE", {0});
        row("ligature and macron", "ﬁume Ōsaka", "FIUMEOSAKA", {0, 5});
        row("letters without a decomposition kept", "Ærøskøbing", "ÆRØSKØBING", {0});
        row("signs only", " '-. ’", "", {});
        row("digits and other signs kept", "Borgo (2)", "BORGO(2)", {0, 5});
    }

    // Upper case, accents gone, the left-out signs gone with the words' starts kept.
    void fold() {
        QFETCH(QString, name);
        QFETCH(QString, folded);
        QFETCH(QList<int>, words);
        NameFolder folder;
        FoldedShape shape;
        QCOMPARE(QString::fromStdString(folder.fold(name, &shape)), folded);
        std::uint64_t expected = 0;
        for (const int w : words)
            expected |= std::uint64_t{1} << w;
        QCOMPARE(shape.wordStarts, expected);
        // The same from the stored bytes, appended after other text.
        std::string out = "XY";
        QCOMPARE(folder.fold(name.toStdString(), out).wordStarts, expected);
        QCOMPARE(QString::fromStdString(out), "XY" + folded);
    }

    // Bytes that are not UTF-8 fold to something valid, never past the name.
    void foldBrokenBytes() {
        NameFolder folder;
        std::string out;
        folder.fold(std::string_view("a\xff\xc3", 3), out);
        QCOMPARE(QString::fromStdString(out), QStringLiteral("A\ufffd\ufffd"));
        QCOMPARE(QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size())).toStdString(),
                 out);
    }

    void upper_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("whole"); // valid UTF-8, upper-cased a character at a time
        for (const char* t : {"Straße ŉ ǰ ΐ ﬁ", "ς ı ǅ àèìòù", "𐐨 ½ Località"})
            QTest::newRow(t) << QByteArray(t) << true;
        QTest::newRow("cut short") << QByteArray("a\xe2\x82") << false;
        QTest::newRow("surrogate") << QByteArray("a\xed\xa0\x80") << false;
        QTest::newRow("overlong") << QByteArray("\xe0\x80\xafx") << false;
    }

    // A character at a time gives what QString::toUpper gives the whole text.
    void upper() {
        QFETCH(QByteArray, text);
        QFETCH(bool, whole);
        CharacterMemo memo(upperRule);
        QByteArray out("X");
        for (int twice = 0; twice < 2; ++twice) {
            out.truncate(1);
            QCOMPARE(appendUpper(text.toStdString(), out, memo), whole);
            QCOMPARE(out, whole ? "X" + QString::fromUtf8(text).toUpper().toUtf8() : "X");
        }
    }

    // The fast distance against the plain table, whole texts and runs of
    // words; texts in turn share their beginnings with the one before.
    void distanceAsThePlainWay() {
        QRandomGenerator random(21);
        for (int round = 0; round < 800; ++round) {
            const QString key = randomText(random, 9);
            const EditPattern pattern(key.toStdString());
            const QList<uint> k = key.toUcs4();
            EditPattern::Memo memo;
            QString text = randomText(random, 12);
            for (int next = 0; next < 5; ++next) {
                // Blanks give the text words; the next text keeps a beginning.
                text = text.left(random.bounded(text.size() + 1)) + randomText(random, 6);
                for (int i = 1; i < text.size(); i += 1 + random.bounded(4))
                    if (random.bounded(3) == 0) text.insert(i, u' ');
                NameFolder folder;
                FoldedShape shape;
                const std::string folded = folder.fold(text, &shape);
                const QList<uint> whole = QString::fromStdString(folded).toUcs4();
                QCOMPARE(pattern.distance(folded), plainDistance(k, whole));

                // Every run of whole words, the plain way.
                const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
                int best = plainDistance(k, whole);
                for (int first = 0; first < words.size(); ++first)
                    for (int last = first; last < words.size(); ++last)
                        best = std::min(
                            best,
                            plainDistance(
                                k, words.mid(first, last - first + 1).join(QString()).toUcs4()));
                const int limit = random.bounded(4);
                const int nearest = pattern.nearestRun(folded, shape.wordStarts, limit, &memo);
                QCOMPARE(nearest, !pattern.usable() || folded.empty() ? limit + 1
                                                                      : std::min(best, limit + 1));
                // The cheap test never turns away a text within reach.
                FoldedShape keyShape;
                folder.fold(key, &keyShape);
                if (best <= limit) QVERIFY(keyShape.mayReach(shape, best));
            }
        }
    }

    void distance_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("edits");
        auto row = [](const char* tag, const QString& key, const QString& text, int edits) {
            QTest::newRow(tag) << key << text << edits;
        };
        row("swap", "MONTECCHOI", "MONTECCHIO", 1);
        row("swap then replace", "CA", "ABC", 3);
        row("missing letter", "POGIO", "POGGIO", 1);
        row("key of 64", QString(64, u'A'), QString(63, u'A') + "B", 1);
        row("empty key", "", QStringLiteral("ÀB"), 2);
    }
    void distance() {
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(int, edits);
        QCOMPARE(EditPattern(key.toStdString()).distance(text.toStdString()), edits);
    }
};

ORVENA_TEST_MAIN(NameFoldingTest)
#include "NameFoldingTest.moc"
