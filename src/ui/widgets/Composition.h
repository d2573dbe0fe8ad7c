#pragma once

#include "core/base/PictureTiles.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QString>

#include <memory>
#include <vector>

namespace orvena {

// One thing painted over a sheet by a locality marking: a small picture (an
// arrow) at its own size, or a line of text. Positions are in pixels of the
// sheet at its natural size.
struct Mark {
    QImage picture; // the arrow; null for a line of text
    QPointF at;     // the picture's top-left corner, or the text's baseline origin
    QString text;
    QFont font;
    QColor colour;
    // A thin outline of this colour round the text's glyphs, under them, so that
    // the text reads on light and dark parts of a sheet alike; none when invalid.
    QColor halo;

    // The sheet's pixels this mark may change, worked out by Composition::add.
    QRect bounds() const { return box; }
    QRect box;
};

// A sheet with the marks painted over it so far: the recipe of a composed
// picture rather than its pixels. The sheet is held once, shared with whoever
// else holds it; the marks are a light list drawn over it only where needed.
//
// A composition may let go of its sheet's pixels and keep the file they came
// from (releaseSheet): it then decodes the file again when it is composed.
//
// A sheet too large to decode is held as its tiles instead (PictureTiles):
// it is then composed a part at a time, never whole.
class Composition {
public:
    Composition() = default;
    // file: where the sheet was decoded from, empty when unknown.
    Composition(QImage sheet, QString file);
    // A sheet drawn from tiles; file: where it came from.
    Composition(std::shared_ptr<const PictureTiles> tiles, QString file);

    // The decoded sheet; null for one drawn from tiles.
    const QImage& sheet() const { return sheet_; }
    const std::shared_ptr<const PictureTiles>& tiles() const { return tiles_; }
    const QString& file() const { return file_; }
    const std::vector<Mark>& marks() const { return marks_; }
    // The sheet's size in pixels, known even once its pixels are let go.
    QSize size() const { return size_; }
    // Nothing to compose: no sheet and no file to decode it from.
    bool isNull() const { return sheet_.isNull() && file_.isEmpty() && !tiles_; }

    void add(Mark mark);
    // The same sheet without any mark.
    Composition unmarked() const {
        Composition c = *this;
        c.marks_.clear();
        return c;
    }

    // Lets go of the sheet's pixels if the file can give them back (of the
    // tiles kept decoded, for a sheet drawn from tiles).
    void releaseSheet();
    // Decodes the sheet from its file again; false when that fails.
    bool reloadSheet();

    // The whole composed picture: a copy of the sheet with every mark painted
    // on it, or the sheet itself, shared, while nothing is marked. Decodes the
    // file again if the sheet was let go; null when there is nothing to compose
    // and for a sheet drawn from tiles.
    QImage compose() const;
    // The composed pixels of part (in sheet pixels, inside the sheet), painted
    // from the sheet held: the same pixels compose() gives there.
    QImage composePart(const QRect& part) const;
    // The composed pixels of area at the resolution nearest scale not below
    // it (a decoded sheet: at full size), the marks painted over them at that
    // resolution; covered is the part of the sheet the image shows.
    PictureTiles::Part composeScaled(const QRect& area, double scale) const;
    // The parts of area that marks may change, overlapping ones joined.
    std::vector<QRect> markedParts(const QRect& area) const;

private:
    QImage sheet_;
    std::shared_ptr<const PictureTiles> tiles_;
    QString file_;
    QSize size_;
    std::vector<Mark> marks_;
};

} // namespace orvena
