#pragma once

#include "toolkit/Dialogs.h"

class QFontMetrics;
class QSize;
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
    bool showHelp(const QString& helpFile) override;
    bool printPicture(const QImage& picture, double sourceX, double sourceY) override;
};

// The text of a message box made to fit within `room` (pixels) when wrapped
// at word boundaries in the given font: the longest quoted part ("...") is
// shortened in its middle with "…", or, without quotes, the text's end. A
// text that fits is returned unchanged.
QString fitMessage(const QString& text, const QFontMetrics& metrics, const QSize& room);

// "desc|pattern|desc|pattern" as a Qt name filter list "desc (pattern);;...".
QString qtNameFilters(const QString& barFilter);

} // namespace orvena
