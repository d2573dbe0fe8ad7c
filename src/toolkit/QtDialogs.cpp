#include "toolkit/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>

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
