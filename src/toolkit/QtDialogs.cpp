#include "toolkit/QtDialogs.h"

#include "toolkit/Twips.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPainter>
#include <QPrinter>
#include <QUrl>

namespace orvena {

namespace {
QWidget* activeParent() {
    return QApplication::activeWindow();
}
} // namespace

int QtDialogs::message(const QString& text, Buttons buttons) {
    QMessageBox box(activeParent());
    box.setWindowTitle(QStringLiteral(" "));
    box.setText(text);
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
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

std::optional<QString> QtDialogs::saveFile(const QString& title, const QString& filter,
                                           const QString& folder) {
    const QString f =
        QFileDialog::getSaveFileName(activeParent(), title, folder, qtNameFilters(filter));
    if (f.isEmpty()) return std::nullopt;
    return f;
}

std::optional<QString> QtDialogs::chooseFolder(const QString& title, const QString& folder) {
    const QString f = QFileDialog::getExistingDirectory(activeParent(), title, folder);
    if (f.isEmpty()) return std::nullopt;
    return f;
}

bool QtDialogs::showHelp(const QString& helpFile) {
    const QFileInfo info(helpFile);
    if (!info.isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

bool QtDialogs::printPicture(const QImage& picture, double sourceX, double sourceY) {
    QPrinter printer;
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // The page is measured in twips, like the map.
    const double perTwip = printer.resolution() / 1440.0;
    painter.scale(perTwip * twips::kPerPixel, perTwip * twips::kPerPixel);
    const QPointF source(twips::toPixelsF(sourceX), twips::toPixelsF(sourceY));
    painter.drawImage(QPointF(1.0 / twips::kPerPixel, 1.0 / twips::kPerPixel), picture,
                      QRectF(source, QSizeF(picture.size()) - QSizeF(source.x(), source.y())));
    return painter.end();
}

} // namespace orvena
