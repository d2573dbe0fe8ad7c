#include "core/base/Printing.h"

#include "core/base/Twips.h"

#include <QDir>
#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

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

QString writePdf(const PrintDocument& document, const QString& fileName) {
    QFile file(fileName);
    // A file of that name is never overwritten.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return QStringLiteral("impossibile creare il file %1 (%2)")
            .arg(fileName, file.errorString());
    bool painted = false;
    {
        QPdfWriter writer(&file);
        writer.setTitle(document.name);
        writer.setCreator(QStringLiteral("Orvena"));
        writer.setResolution(300);
        writer.setPageLayout(pdfPageLayout(document.orientation));
        painted = paintDocument(writer, document);
    }
    file.close();
    if (!painted || file.error() != QFileDevice::NoError || file.size() == 0) {
        const QString why = file.errorString();
        file.remove();
        return QStringLiteral("impossibile scrivere il file %1 (%2)").arg(fileName, why);
    }
    return QString();
}

PrintOutcome printAsPdf(const QList<PrintDocument>& documents, const QString& folder) {
    PrintOutcome outcome;
    const QDir dir(folder);
    for (const PrintDocument& d : documents) {
        const QString file = dir.absoluteFilePath(d.name + QStringLiteral(".pdf"));
        outcome.error = writePdf(d, file);
        if (!outcome.error.isEmpty()) return outcome;
        outcome.files << file;
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

void paintPictureFrom(QPainter& painter, const QSizeF& pageTwips, const QImage& picture,
                      QPointF source) {
    if (picture.isNull()) return;
    const QRectF placed(QPointF(1, 1) - source, QSizeF(picture.size()) * twips::kPerPixel);
    const QRectF shown = placed & QRectF(QPointF(0, 0), pageTwips);
    if (shown.isEmpty()) return;
    // The whole picture pixels under the page, and no more: a large sheet
    // never goes whole into the printer's document.
    const QRectF part((shown.topLeft() - placed.topLeft()) / twips::kPerPixel,
                      shown.size() / twips::kPerPixel);
    const QRect pixels = part.toAlignedRect() & picture.rect();
    if (pixels.isEmpty()) return;
    const QRectF target(placed.topLeft() + QPointF(pixels.topLeft()) * twips::kPerPixel,
                        QSizeF(pixels.size()) * twips::kPerPixel);
    painter.drawImage(target, picture.copy(pixels));
}

} // namespace orvena
