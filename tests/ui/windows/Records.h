#pragma once

#include "core/archive/RecordView.h"

#include <QStringList>

namespace orvena::test {

// Every record of the view's source in its order, as the texts of the given
// fields joined by '|'.
inline QStringList records(RecordView* v, const char* source, const QStringList& fields) {
    QStringList out;
    v->setRecordSource(source);
    v->refresh();
    for (; !v->eof(); v->moveNext()) {
        QStringList texts;
        for (const QString& f : fields)
            texts << v->text(f);
        out << texts.join(u'|');
    }
    return out;
}

// Adds one record per line of "a|b|..." texts for the fields.
inline void addRecords(RecordView* v, const QStringList& fields, const QStringList& lines) {
    for (const QString& line : lines) {
        v->addNew();
        for (int i = 0; i < fields.size(); ++i)
            v->setField(fields[i], line.section(u'|', i, i));
        v->update();
    }
}

} // namespace orvena::test
