#include "Records.h"
#include "TestMain.h"

#include "core/geo/SetupChecks.h"
#include "core/geo/SheetFiles.h"

#include <QDir>
#include <QTemporaryDir>

using namespace orvena;
using orvena::test::fileBytes;
using orvena::test::writeFile;

class SetupChecksTest : public QObject {
    Q_OBJECT
private slots:
    void bareFileName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        const auto row = [](const char* tag, const char* path, const char* name) {
            QTest::newRow(tag) << QString::fromUtf8(path) << QString::fromUtf8(name);
        };
        row("backslashes", "C:\\carte\\foglio12.gif", "foglio12.gif");
        row("slashes", "/home/carte/foglio12.gif", "foglio12.gif");
        row("both", "C:/carte\\vecchie/foglio 3.jpg", "foglio 3.jpg");
        row("no folder stays whole", "foglio12.gif", "foglio12.gif");
        row("quotes kept", "/c/sant'anna \"1\".bmp", "sant'anna \"1\".bmp");
        row("a folder only", "/home/carte/", "");
    }
    void bareFileName() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(orvena::bareFileName(path), name);
    }

    void copyReplacing_data() {
        QTest::addColumn<QString>("case_"); // a new file, or one replaced; no source; a folder
        for (const char* c : {"new", "replace", "no source", "folder"})
            QTest::newRow(c) << QString(c);
    }
    void copyReplacing() {
        QFETCH(QString, case_);
        const bool ok = case_ == "new" || case_ == "replace";
        QTemporaryDir dir;
        const QString source = dir.filePath("scelta.jpg");
        const QString target = dir.filePath("cartina.jpg");
        const QByteArray chosen(3 * 1024 * 1024 + 17, 'x'); // more than one chunk
        if (case_ != "no source") QVERIFY(writeFile(source, chosen));
        if (case_ == "replace" || case_ == "no source") QVERIFY(writeFile(target, "vecchia"));
        if (case_ == "folder") QVERIFY(QDir(dir.path()).mkdir("cartina.jpg"));

        const QString error = orvena::copyReplacing(source, target);
        QCOMPARE(error.isEmpty(), ok);
        if (ok) {
            QCOMPARE(fileBytes(target), chosen);
            QVERIFY(haveSameContent(source, target));
            QVERIFY(!isSameFile(source, target));
        }
        if (case_ == "no source") QCOMPARE(fileBytes(target), QByteArray("vecchia"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                 ok ? 2 : 1); // no temporary left behind
    }
};

ORVENA_TEST_MAIN(SetupChecksTest)
#include "SetupChecksTest.moc"
