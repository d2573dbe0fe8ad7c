#include "FullDisk.h"
#include "Records.h"
#include "TestMain.h"

#include "core/base/Printing.h"
#include "core/base/SafeSave.h"
#include "core/base/SaveBitmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

using namespace orvena;
using orvena::test::FullDisk;

namespace {

const QByteArray kEarlier = "prima";

// Writes target with one of the program's writers: an empty text, or its
// message.
QString writeWith(const QString& writer, const QString& target) {
    if (writer == "bytes") return saveWhole(target, QByteArray(100, 'x'));
    if (writer == "bitmap") {
        QImage picture(300, 200, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QString error;
        saveBitmap(picture, target, &error);
        return error;
    }
    return writePdf({"pagina", QPageLayout::Portrait,
                     [](QPainter& p, const QSizeF&) { p.drawText(100, 100, "prova"); }},
                    target);
}

} // namespace

class SafeSaveTest : public QObject {
    Q_OBJECT
private slots:
    void fullDiskKeepsTheEarlierFile_data() {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<bool>("earlier"); // a file of that name is there before
        // A hundred bytes stay in the writer's buffer until the file is
        // committed: the disk refuses them only then.
        QTest::newRow("bytes, refused at the last write") << "bytes" << true;
        QTest::newRow("bitmap") << "bitmap" << true;
        QTest::newRow("bitmap, a new file") << "bitmap" << false;
        QTest::newRow("PDF, a new file") << "pdf" << false;
    }
    // On a full disk nothing is reported written: the message names the file
    // and says why, a file that was there keeps its bytes and nothing is left
    // beside it.
    void fullDiskKeepsTheEarlierFile() {
        QFETCH(QString, writer);
        QFETCH(bool, earlier);
        FullDisk disk;
        const QString target = disk.file(writer == "pdf" ? "stampa.pdf" : "carta.bmp");
        if (earlier) QVERIFY(test::writeFile(target, kEarlier));
        const QStringList before = QDir(disk.path()).entryList(QDir::Files);
        disk.fill(16);
        const QString error = writeWith(writer, target);
        disk.release();
        QVERIFY2(error.contains(QDir::toNativeSeparators(target)) && error.contains(disk.reason()),
                 qPrintable(error));
        QCOMPARE(QFileInfo::exists(target), earlier);
        if (earlier) QCOMPARE(test::fileBytes(target), kEarlier);
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files), before);
        // With room again the same writer succeeds.
        if (writer == "pdf") QFile::remove(target);
        QCOMPARE(writeWith(writer, target), QString());
        QVERIFY(QFileInfo(target).size() > kEarlier.size());
    }

    // A link is followed to the file it names, also one that does not exist
    // yet; the link stays a link.
    void writesThroughLinks() {
        QTemporaryDir dir;
        const QString link = dir.filePath("collegamento.bmp");
        const QString file = dir.filePath("sotto/vero.bmp");
        QVERIFY(QDir(dir.path()).mkpath("sotto"));
        QVERIFY(QFile::link("sotto/vero.bmp", link));
        QCOMPARE(followLinks(link), QFileInfo(file).absoluteFilePath());
        QCOMPARE(saveWhole(link, "dati"), QString());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(test::fileBytes(file), "dati");
        QCOMPARE(QDir(dir.filePath("sotto")).entryList(QDir::Files), QStringList{"vero.bmp"});
    }
};

ORVENA_TEST_MAIN(SafeSaveTest)
#include "SafeSaveTest.moc"
