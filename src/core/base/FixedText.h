#pragma once

#include <QString>

namespace orvena {

// A text of fixed length N: blank-padded on assignment and cut at N.
template <int N> class FixedText {
public:
    FixedText()
        : text_(N, QLatin1Char(' ')) {}
    FixedText(const QString& s) { assign(s); } // NOLINT: assignment semantics wanted
    FixedText& operator=(const QString& s) {
        assign(s);
        return *this;
    }
    const QString& text() const { return text_; }
    operator const QString&() const { return text_; } // NOLINT
    friend bool operator==(const FixedText& a, const FixedText& b) { return a.text_ == b.text_; }

private:
    void assign(const QString& s) { text_ = s.left(N).leftJustified(N, QLatin1Char(' ')); }
    QString text_;
};

using Text50 = FixedText<50>;

} // namespace orvena
