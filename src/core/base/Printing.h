#pragma once

#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>

class QPagedPaintDevice;
class QPainter;

namespace orvena {

// One document for the printer: a name, the orientation of its page and what
// is painted on the page.
struct PrintDocument {
    // Also the name of its PDF file (without ".pdf") when no printer exists.
    QString name;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    // Paints the page. The painter measures in twips from the top-left corner
    // of the page's printable area and is clipped to that area, whose size
    // in twips is pageTwips.
    std::function<void(QPainter& painter, const QSizeF& pageTwips)> paint;
};

// What became of documents given to the printer.
struct PrintOutcome {
    enum class Kind { Printed, WrittenAsPdf, Failed };
    Kind kind = Kind::Failed;
    QStringList files; // the PDF files written, full paths
    QString error;     // why it failed, in Italian
};

// The page the program prints on when it writes a PDF file: A4 with margins
// of 10 mm, as an office printer's printable area.
QPageLayout pdfPageLayout(QPageLayout::Orientation orientation);

// Paints the document on a paged device (a printer, a PDF writer), in twips.
// False when the device cannot be painted on.
bool paintDocument(QPagedPaintDevice& device, const PrintDocument& document);

// Writes the document as a one-page PDF file, replacing nothing that is
// already there: an empty text on success, otherwise why not, in Italian,
// naming the file. The file appears only whole: it is written under a
// temporary name, checked (every byte written, the end-of-file mark at its
// end) and then renamed; a failure leaves no file. room >= 0 (for the tests)
// lets the disk take only that many bytes more, as a nearly full one does.
QString writePdf(const PrintDocument& document, const QString& fileName, qint64 room = -1);

// Writes each document as the PDF file folder/name.pdf: the outcome lists the
// files, or says why the first that failed could not be written, and then
// none of them is left. room is shared by the files, as on one disk.
PrintOutcome printAsPdf(const QList<PrintDocument>& documents, const QString& folder,
                        qint64 room = -1);

// The printable area of the document's PDF page as a white picture at 15
// twips a pixel, with the document painted on it: what the PDF file shows.
QImage paintPage(const PrintDocument& document);

// Paints picture (15 twips a pixel) with its point source, in twips, at page
// point (1, 1): the page shows the picture from that point on, right and
// down, cut at the page's edges. Only the part that shows is painted.
// paintPartFrom() does the same for a picture of size given a part at a time:
// partOf(pixels) gives the pixels of that part (inside the picture).
void paintPartFrom(QPainter& painter, const QSizeF& pageTwips, QSize size,
                   const std::function<QImage(const QRect&)>& partOf, QPointF source);
void paintPictureFrom(QPainter& painter, const QSizeF& pageTwips, const QImage& picture,
                      QPointF source);

} // namespace orvena
