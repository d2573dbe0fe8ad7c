#include "core/base/Printing.h"

#include "core/base/Twips.h"

#include "core/base/FileFailure.h"
#include "core/base/SafeSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>

namespace orvena {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kScreenDpi = kTwipsPerInch / twips::kPerPixel; // 96

QSizeF printableTwips(const QPageLayout& layout) {
    return layout.paintRect(QPageLayout::Inch).size() * kTwipsPerInch;
}

void paintInTwips(QPainter& painter, double dpiX, double dpiY, const QPageLayout& layout,
                  const PrintDocument& document) {
    const QSizeF page = printableTwips(layout);
    painter.scale(dpiX / kTwipsPerInch, dpiY / kTwipsPerInch);
    painter.setClipRect(QRectF(QPointF(0, 0), page));
    if (document.paint) document.paint(painter, page);
}

const QString kIncomplete = QStringLiteral("il file scritto è incompleto");

// Between the PDF writer and its file: passes every byte on and remembers a
// write that did not get through whole. With room >= 0 the disk takes only
// that many bytes more, as a nearly full one does.
class PdfSink : public QIODevice {
public:
    PdfSink(QIODevice& file, qint64 room)
        : file_(file)
        , room_(room) {
        open(QIODevice::WriteOnly);
    }
    bool failed() const { return failed_; }
    bool outOfRoom() const { return outOfRoom_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        const qint64 taken = room_ < 0 ? length : std::min(length, room_);
        const qint64 written = taken > 0 ? file_.write(data, taken) : 0;
        if (room_ >= 0 && written > 0) room_ -= written;
        if (written == length) return written;
        outOfRoom_ = taken < length;
        failed_ = true;
        return -1;
    }

private:
    QIODevice& file_;
    qint64 room_;
    bool failed_ = false;
    bool outOfRoom_ = false;
};

// Whether the file on the disk ends as a PDF file does, with "%%EOF".
bool endsWholePdf(const QString& path) {
    QFile written(path);
    if (!written.open(QIODevice::ReadOnly) || written.size() == 0) return false;
    written.seek(std::max<qint64>(0, written.size() - 32));
    return written.readAll().trimmed().endsWith("%%EOF");
}

} // namespace

QPageLayout pdfPageLayout(QPageLayout::Orientation orientation) {
    return QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

bool paintDocument(QPagedPaintDevice& device, const PrintDocument& document) {
    device.setPageOrientation(document.orientation);
    QPainter painter;
    if (!painter.begin(&device)) return false;
    paintInTwips(painter, device.logicalDpiX(), device.logicalDpiY(), device.pageLayout(),
                 document);
    return painter.end();
}

QString writePdf(const PrintDocument& document, const QString& fileName, qint64 room) {
    const auto cannot = [&fileName](const char* what, const QString& why) {
        return QStringLiteral("impossibile %1 il file %2 (%3)")
            .arg(QLatin1String(what), QDir::toNativeSeparators(fileName), why);
    };
    // Written through a SafeSave that replaces nothing: the file appears
    // whole, or not at all, and a file of that name is never overwritten.
    SafeSave part(fileName, SafeSave::Existing::Keep);
    if (!part.create()) return cannot("creare", part.reason());
    bool painted = false;
    PdfSink sink(part, room);
    {
        QPdfWriter writer(&sink);
        writer.setTitle(document.name);
        writer.setCreator(QStringLiteral("Orvena"));
        writer.setResolution(300);
        writer.setPageLayout(pdfPageLayout(document.orientation));
        painted = paintDocument(writer, document);
    }
    // The writer does not tell a write that failed; the sink and the file do.
    if (sink.outOfRoom()) {
        part.cancel();
        return cannot("scrivere", diskFullReason());
    }
    if (!part.check(painted && !sink.failed())) return cannot("scrivere", part.reason());
    // A whole PDF file ends with its end-of-file mark.
    if (!endsWholePdf(part.temporary())) {
        part.cancel();
        return cannot("scrivere", kIncomplete);
    }
    if (!part.commit()) return cannot("creare", part.reason());
    return QString();
}

PrintOutcome printAsPdf(const QList<PrintDocument>& documents, const QString& folder, qint64 room) {
    PrintOutcome outcome;
    const QDir dir(folder);
    for (const PrintDocument& d : documents) {
        const QString file = dir.absoluteFilePath(d.name + QStringLiteral(".pdf"));
        outcome.error = writePdf(d, file, room);
        if (!outcome.error.isEmpty()) {
            // A print is all its pages or none.
            for (const QString& written : std::as_const(outcome.files))
                QFile::remove(written);
            outcome.files.clear();
            return outcome;
        }
        outcome.files << file;
        if (room >= 0) room = std::max<qint64>(0, room - QFileInfo(file).size());
    }
    outcome.kind = PrintOutcome::Kind::WrittenAsPdf;
    return outcome;
}

QImage paintPage(const PrintDocument& document) {
    const QPageLayout layout = pdfPageLayout(document.orientation);
    const QSize size = (printableTwips(layout) / twips::kPerPixel).toSize();
    QImage page(size, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    paintInTwips(painter, kScreenDpi, kScreenDpi, layout, document);
    return page;
}

void paintPartFrom(QPainter& painter, const QSizeF& pageTwips, QSize size,
                   const std::function<QImage(const QRect&)>& partOf, QPointF source) {
    if (size.isEmpty()) return;
    const QRectF placed(QPointF(1, 1) - source, QSizeF(size) * twips::kPerPixel);
    const QRectF shown = placed & QRectF(QPointF(0, 0), pageTwips);
    if (shown.isEmpty()) return;
    // The whole picture pixels under the page, and no more: a large sheet
    // never goes whole into the printer's document.
    const QRectF part((shown.topLeft() - placed.topLeft()) / twips::kPerPixel,
                      shown.size() / twips::kPerPixel);
    const QRect pixels = part.toAlignedRect() & QRect(QPoint(0, 0), size);
    if (pixels.isEmpty()) return;
    const QRectF target(placed.topLeft() + QPointF(pixels.topLeft()) * twips::kPerPixel,
                        QSizeF(pixels.size()) * twips::kPerPixel);
    painter.drawImage(target, partOf(pixels));
}

void paintPictureFrom(QPainter& painter, const QSizeF& pageTwips, const QImage& picture,
                      QPointF source) {
    if (picture.isNull()) return;
    paintPartFrom(
        painter, pageTwips, picture.size(), [&picture](const QRect& r) { return picture.copy(r); },
        source);
}

} // namespace orvena
