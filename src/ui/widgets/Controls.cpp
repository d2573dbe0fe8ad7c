#include "ui/widgets/Controls.h"

#include "core/base/Twips.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvena::controls {

void place(QWidget* w, const char* name, int left, int top, int width, int height) {
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(twips::toPixels(left), twips::toPixels(top), twips::toPixels(width),
                   twips::toPixels(height));
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, int left, int top,
              int width) {
    auto* l = new QLabel(caption, parent);
    place(l, name, left, top, width, kLabelHeight);
    return l;
}

QLineEdit* box(QWidget* parent, const char* name, int left, int top, int width) {
    auto* e = new QLineEdit(parent);
    place(e, name, left, top, width, kBoxHeight);
    return e;
}

QComboBox* combo(QWidget* parent, const char* name, int left, int top, int width) {
    auto* c = new QComboBox(parent);
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    // Qt takes leaving the box with a text that names a line as choosing that
    // line; only a choice in the list (by mouse or keys) is a choice here.
    QObject::disconnect(c->lineEdit(), &QLineEdit::editingFinished, c, nullptr);
    c->setMaxVisibleItems(20);
    place(c, name, left, top, width, kComboHeight);
    return c;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, int left, int top,
                    int width, int height) {
    auto* b = new QPushButton(caption, parent);
    b->setAutoDefault(false);
    place(b, name, left, top, width, height);
    return b;
}

} // namespace orvena::controls
