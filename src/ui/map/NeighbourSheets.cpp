#include "ui/map/NeighbourSheets.h"

#include "core/archive/AreaCalibrations.h"
#include "core/base/PicturePreview.h"
#include "ui/map/MapView.h"

#include <QDir>
#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>

namespace orvena {

NeighbourSheets::NeighbourSheets(MapView& view, QString folder)
    : QWidget(view.parentWidget())
    , view_(view)
    , folder_(std::move(folder))
    , lookup_(folder_) {
    setObjectName(QStringLiteral("fogliCollegati"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    if (parentWidget()) {
        setGeometry(parentWidget()->rect());
        parentWidget()->installEventFilter(this);
    }
    stackUnder(&view_);
    view_.installEventFilter(this);
    connect(&view_, &MapView::sheetShown, this, &NeighbourSheets::sheetChanged);
}

void NeighbourSheets::setOn(bool on) {
    if (on == on_) return;
    on_ = on;
    if (!on) {
        neighbours_.clear(); // their pictures go with them
        planned_ = false;
    }
    setVisible(on);
}

void NeighbourSheets::sheetChanged() {
    planned_ = false;
    if (on_) update();
}

bool NeighbourSheets::wantsPicture(const Neighbour& n) const {
    if (n.unreadable || !n.join.isValid()) return false;
    if (n.picture.isNull()) return true;
    const QSize wanted = wantedSize(n);
    return wanted.width() > n.picture.width() || n.picture.width() >= 4 * wanted.width();
}

bool NeighbourSheets::busy() const {
    if (!on_) return false;
    if (!planned_) return true;
    return std::any_of(neighbours_.begin(), neighbours_.end(),
                       [this](const Neighbour& n) { return !n.placed || wantsPicture(n); });
}

QStringList NeighbourSheets::drawn() const {
    QStringList names;
    if (!planned_) return names;
    for (const Neighbour& n : neighbours_)
        if (n.join.isValid() && !n.picture.isNull()) names << n.sheet.name;
    return names;
}

void NeighbourSheets::queueStep() {
    if (queued_) return;
    queued_ = true;
    QTimer::singleShot(0, this, [this] {
        queued_ = false;
        step();
    });
}

// One piece of work at a time, so the window answers meanwhile: the names,
// then each neighbour placed, then each picture decoded.
void NeighbourSheets::step() {
    if (!on_) return;
    if (!planned_) {
        plan();
    } else if (auto n = std::find_if(neighbours_.begin(), neighbours_.end(),
                                      [](const Neighbour& n) { return !n.placed; });
               n != neighbours_.end()) {
        place(*n);
    } else if (auto d = std::find_if(neighbours_.begin(), neighbours_.end(),
                                     [this](const Neighbour& n) { return wantsPicture(n); });
               d != neighbours_.end()) {
        d->picture = readScaledPicture(QDir(folder_).filePath(d->sheet.name), wantedSize(*d));
        d->unreadable = d->picture.isNull();
    }
    update();
    if (busy()) queueStep();
}

// The sheets linked to the one shown, and the corners their links reach
// (the north sheet's east, else the east sheet's north, and so on). A
// picture already decoded for a sheet still beside the shown one is kept.
void NeighbourSheets::plan() {
    std::vector<Neighbour> before = std::move(neighbours_);
    neighbours_.clear();
    planned_ = true;
    plannedSize_ = view_.composition().size();
    const Sheet& shown = view_.shownSheet();
    if (!shown.exists()) return;
    const auto add = [&](const Sheet& s) {
        if (!s.exists() || s.name == shown.name) return;
        for (const Neighbour& n : neighbours_)
            if (n.sheet.name == s.name) return;
        Neighbour n;
        n.sheet = s;
        for (Neighbour& b : before)
            if (b.sheet.name == s.name) n.picture = std::move(b.picture);
        neighbours_.push_back(std::move(n));
    };
    try {
        std::array<Sheet, 4> side;
        for (const Side s : {Side::North, Side::East, Side::South, Side::West}) {
            side[std::size_t(s)] = lookup_.neighbour(shown, s);
            add(side[std::size_t(s)]);
        }
        for (const auto& [a, b] : {std::pair{Side::North, Side::East},
                                  {Side::North, Side::West},
                                  {Side::South, Side::East},
                                  {Side::South, Side::West}}) {
            const Sheet& first = side[std::size_t(a)];
            const Sheet& second = side[std::size_t(b)];
            Sheet corner = first.exists() ? lookup_.neighbour(first, b) : Sheet{};
            if (!corner.exists() && second.exists()) corner = lookup_.neighbour(second, a);
            add(corner);
        }
    } catch (const std::exception&) {
        // An archive that cannot be read now: the neighbours found so far.
    }
}

void NeighbourSheets::place(Neighbour& n) const {
    n.placed = true;
    n.size = pictureSize(QDir(folder_).filePath(n.sheet.name));
    const auto points = areacalibrations::readIn(folder_, n.sheet.name);
    SheetModel model;
    if (points && !points->points.empty())
        model = SheetModel::fit(*points, datumFromCode(n.sheet.datum.code).value_or(Datum::Wgs84));
    const SheetFrame frame(n.sheet, n.size, model);
    n.join = joinSheets(view_.sheetFrame(), frame, points ? points->border : std::vector<QPointF>{});
    if (!n.join.isValid()) n.picture = QImage();
}

// The size a neighbour is decoded at: as many of its pixels as the view
// shows of it, rounded up to a power of two of its own, within kMaxPixels.
QSize NeighbourSheets::wantedSize(const Neighbour& n) const {
    if (n.size.isEmpty()) return {};
    const double needed = std::abs(shownToHere().m11()) * n.join.scale;
    double f = needed >= 1.0 ? 1.0 : std::exp2(std::ceil(std::log2(std::max(needed, 1e-3))));
    while (f > 1e-3 && double(n.size.width()) * n.size.height() * f * f > double(kMaxPixels))
        f /= 2;
    return QSize(std::max(1, int(std::ceil(n.size.width() * f))),
                 std::max(1, int(std::ceil(n.size.height() * f))));
}

QTransform NeighbourSheets::shownToHere() const {
    const QSize sheet = view_.composition().size();
    if (sheet.isEmpty()) return {};
    const double sx = view_.stretch() ? double(view_.width()) / sheet.width() : 1.0;
    const double sy = view_.stretch() ? double(view_.height()) / sheet.height() : 1.0;
    return QTransform::fromScale(sx, sy) * QTransform::fromTranslate(view_.x(), view_.y());
}

bool NeighbourSheets::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type t = event->type();
    if (watched == parentWidget() && t == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    } else if (watched == &view_ && on_ &&
               (t == QEvent::Move || t == QEvent::Resize || t == QEvent::Show ||
                t == QEvent::Hide)) {
        update();
    }
    return QWidget::eventFilter(watched, event);
}

void NeighbourSheets::paintEvent(QPaintEvent* event) {
    if (!on_) return;
    if (planned_ && view_.composition().size() != plannedSize_) planned_ = false;
    if (busy()) queueStep();
    if (!planned_ || view_.isHidden() || view_.composition().size().isEmpty()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QTransform here = shownToHere();
    for (const Neighbour& n : neighbours_) {
        if (!n.join.isValid() || n.picture.isNull()) continue;
        const QPolygonF border = here.map(n.join.border);
        if (!border.boundingRect().intersects(QRectF(event->rect()))) continue;
        p.save();
        QPainterPath clip;
        clip.addPolygon(border);
        p.setClipPath(clip);
        const double fx = double(n.picture.width()) / n.size.width();
        const double fy = double(n.picture.height()) / n.size.height();
        // Cells of a mesh overlap by a pixel of the picture, so no seam shows.
        const double mx = n.join.pieces.size() > 1 ? 1.0 / fx : 0.0;
        const double my = n.join.pieces.size() > 1 ? 1.0 / fy : 0.0;
        const QRectF image(QPointF(0, 0), QSizeF(n.size));
        for (const JoinPiece& piece : n.join.pieces) {
            const QRectF target = piece.source.adjusted(-mx, -my, mx, my) & image;
            p.setTransform(piece.toShown * here);
            p.drawImage(target, n.picture,
                        QRectF(target.x() * fx, target.y() * fy, target.width() * fx,
                               target.height() * fy));
        }
        p.restore();
    }
}

} // namespace orvena
