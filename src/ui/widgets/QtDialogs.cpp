#include "ui/widgets/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QUrl>

#include <algorithm>

namespace orvena {

namespace {
QWidget* activeParent() {
    return QApplication::activeWindow();
}

bool fits(const QString& text, const QFontMetrics& metrics, const QSize& room) {
    const QRect needed =
        metrics.boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap, text);
    return needed.width() <= room.width() && needed.height() <= room.height();
}

// The part of text to shorten: the longest quoted name, or the whole text.
std::pair<qsizetype, qsizetype> longestQuoted(const QString& text) {
    qsizetype bestStart = 0, bestLength = -1;
    for (qsizetype open = text.indexOf(QLatin1Char('"')); open >= 0;) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), open + 1);
        if (close < 0) break;
        if (close - open - 1 > bestLength) {
            bestStart = open + 1;
            bestLength = close - open - 1;
        }
        open = text.indexOf(QLatin1Char('"'), close + 1);
    }
    if (bestLength < 0) return {0, text.size()};
    return {bestStart, bestLength};
}

} // namespace

QString fitMessage(const QString& text, const QFontMetrics& metrics, const QSize& room) {
    if (fits(text, metrics, room)) return text;
    const auto [start, length] = longestQuoted(text);
    const bool quoted = start > 0 || length < text.size();
    const QString before = text.left(start);
    const QString part = text.mid(start, length);
    const QString after = text.mid(start + length);
    const QString ellipsis(QChar(0x2026));
    const auto shortened = [&](qsizetype keep) {
        if (!quoted) return part.left(keep) + ellipsis;
        return before + part.left(keep - keep / 2) + ellipsis + part.right(keep / 2) + after;
    };
    // The longest shortening that fits.
    qsizetype low = 0, high = length;
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (fits(shortened(middle), metrics, room))
            low = middle;
        else
            high = middle - 1;
    }
    return shortened(low);
}

int QtDialogs::message(const QString& text, Buttons buttons, DefaultButton preset) {
    QMessageBox box(activeParent());
    box.setWindowTitle(QStringLiteral(" "));
    // The box stays within the screen however long a name in the text is:
    // the text may take half its height, in lines no wider than the box
    // wraps them (a little over 400 pixels), or half the screen's width.
    const QScreen* screen =
        box.parentWidget() ? box.parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QSize half = screen ? screen->availableGeometry().size() / 2 : QSize(640, 480);
    const QSize room(std::min(half.width(), 400), half.height());
    // Names typed or stored by users are shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(fitMessage(text, box.fontMetrics(), room));
    const bool declines = preset == DefaultButton::Decline;
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(declines ? QMessageBox::Cancel : QMessageBox::Ok);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(declines ? QMessageBox::No : QMessageBox::Yes);
        break;
    }
    const int pressed = box.exec();
    if (pressed == QMessageBox::Ok) return AnswerOk;
    if (pressed == QMessageBox::Yes) return AnswerYes;
    if (pressed == QMessageBox::No) return AnswerNo;
    if (pressed == QMessageBox::Cancel) return AnswerCancel;
    // Closed by its frame: the answer that does nothing.
    if (buttons == Buttons::OkCancel) return AnswerCancel;
    return buttons == Buttons::YesNo ? AnswerNo : AnswerOk;
}

QString qtNameFilters(const QString& barFilter) {
    const QStringList parts = barFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const qsizetype paren = description.indexOf(QLatin1Char('('));
        if (paren >= 0) description = description.left(paren).trimmed();
        QString pattern = parts[i + 1];
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(description, pattern);
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<QString> QtDialogs::openFile(const QString& title, const QString& filter,
                                           const QString& folder) {
    const QString f =
        QFileDialog::getOpenFileName(activeParent(), title, folder, qtNameFilters(filter));
    if (f.isEmpty()) return std::nullopt;
    return f;
}

std::optional<QStringList> QtDialogs::openFiles(const QString& title, const QString& filter,
                                               const QString& folder) {
    const QStringList f =
        QFileDialog::getOpenFileNames(activeParent(), title, folder, qtNameFilters(filter));
    if (f.isEmpty()) return std::nullopt;
    return f;
}

std::optional<QString> QtDialogs::saveFile(const QString& title, const QString& filter,
                                           const QString& folder) {
    const QString f =
        QFileDialog::getSaveFileName(activeParent(), title, folder, qtNameFilters(filter), nullptr,
                                     QFileDialog::DontConfirmOverwrite);
    if (f.isEmpty()) return std::nullopt;
    return f;
}

std::optional<QString> QtDialogs::chooseFolder(const QString& title, const QString& folder) {
    const QString f = QFileDialog::getExistingDirectory(activeParent(), title, folder);
    if (f.isEmpty()) return std::nullopt;
    return f;
}

bool QtDialogs::showHelp(const QString& helpFile) {
    return helpViewer_ && helpViewer_(helpFile);
}

PrintOutcome QtDialogs::print(const QList<PrintDocument>& documents, const QString& pdfFolder) {
    QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
    if (printerInfo.isNull() && !QPrinterInfo::availablePrinters().isEmpty())
        printerInfo = QPrinterInfo::availablePrinters().constFirst();
    if (printerInfo.isNull()) return printAsPdf(documents, pdfFolder);
    for (const PrintDocument& d : documents) {
        QPrinter printer(printerInfo, QPrinter::HighResolution);
        printer.setDocName(d.name);
        if (!paintDocument(printer, d))
            return {PrintOutcome::Kind::Failed,
                    {},
                    QStringLiteral("la stampante %1 non risponde").arg(printerInfo.printerName())};
    }
    return {PrintOutcome::Kind::Printed, {}, {}};
}

} // namespace orvena
