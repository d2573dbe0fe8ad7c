// A plain viewer, the yardstick of the program's start: Qt's widgets and
// libjpeg-turbo only, a JPEG decoded whole into 32-bit pixels and its top left
// corner painted in a window. At its first paint it prints "painted" and its
// peak memory in KiB (VmHWM), then ends.
//
//   plain_viewer file.jpg
#include "ProcessMemory.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <turbojpeg.h>

#include <cstdio>

namespace {

QImage decode(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray jpeg = file.readAll();
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.constData());
    const auto size = static_cast<unsigned long>(jpeg.size());
    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, ss = 0, cs = 0;
    QImage image;
    if (tjDecompressHeader3(tj, data, size, &w, &h, &ss, &cs) == 0) {
        image = QImage(w, h, QImage::Format_RGB32);
        if (tjDecompress2(tj, data, size, image.bits(), w, int(image.bytesPerLine()), h, TJPF_BGRX,
                          0) != 0)
            image = QImage();
    }
    tjDestroy(tj);
    return image;
}

class Viewer : public QWidget {
public:
    explicit Viewer(QImage image)
        : image_(std::move(image)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).drawImage(QPoint(0, 0), image_, rect());
        if (painted_) return;
        painted_ = true;
        std::printf("painted %ld\n", orvena::bench::statusKb("VmHWM:"));
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

private:
    QImage image_;
    bool painted_ = false;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) return 2;
    QImage image = decode(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) return 1;
    Viewer viewer(std::move(image));
    viewer.resize(1024, 768);
    viewer.show();
    return app.exec();
}
