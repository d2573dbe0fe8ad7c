#pragma once

#include "toolkit/Dialogs.h"

class QWidget;

namespace orvena {

// The dialog seam as the user sees it: Qt's message boxes, file dialogs, the
// desktop's viewer for the help file and the default printer.
class QtDialogs : public Dialogs {
public:
    int message(const QString& text, Buttons buttons) override;
    std::optional<QString> openFile(const QString& title, const QString& filter,
                                    const QString& folder) override;
    std::optional<QString> saveFile(const QString& title, const QString& filter,
                                    const QString& folder) override;
    std::optional<QString> chooseFolder(const QString& title, const QString& folder) override;
    bool showHelp(const QString& helpFile) override;
    bool printPicture(const QImage& picture, double sourceX, double sourceY) override;
};

// "desc|pattern|desc|pattern" as a Qt name filter list "desc (pattern);;...".
QString qtNameFilters(const QString& barFilter);

} // namespace orvena
