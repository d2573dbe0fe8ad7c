#pragma once

#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// Building a window's controls at their places in twips, named as the program
// names them. Heights of labels, boxes and combo boxes are the program's usual
// ones; buttons take theirs.
namespace orvena::controls {

inline constexpr int kLabelHeight = 240;
inline constexpr int kBoxHeight = 285;
inline constexpr int kComboHeight = 315;

void place(QWidget* w, const char* name, int left, int top, int width, int height);
QLabel* label(QWidget* parent, const char* name, const QString& caption, int left, int top,
              int width);
QLineEdit* box(QWidget* parent, const char* name, int left, int top, int width);
// An editable combo box whose only "click" is a choice in its list: leaving it
// with a typed text chooses nothing.
QComboBox* combo(QWidget* parent, const char* name, int left, int top, int width);
// A button that is pressed by the mouse or the space bar, never by Return as
// a window's default.
QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top,
                    int width, int height);

} // namespace orvena::controls
