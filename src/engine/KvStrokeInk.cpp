#include "KvStrokeInk.h"

#include "KvCoreGraphicsScene.h"
#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvOutlineContact.h"
#include "KvPenTypes.h"

#include <QLineF>

#include <algorithm>
#include <optional>

using namespace KvPen;

namespace {

// The offset along one axis that brings the values in [low, high] near zero without rounding
// any of them: a bound when all lie within a factor of two of it (Sterbenz), zero otherwise.
double exactShift(double low, double high)
{
    if (low > 0 && high <= 2 * low)
        return low;
    if (high < 0 && low >= 2 * high)
        return high;
    return 0;
}

// `shown` minus `full`, as QPolygonF::subtracted gives it, worked out near the origin: far from
// it Qt's clipper takes several times as long. Points of the two come back exactly as they were.
QPolygonF subtractedNearOrigin(const QPolygonF &shown, const QPolygonF &full)
{
    const QRectF both = shown.boundingRect() | full.boundingRect();
    const QPointF shift(exactShift(both.left(), both.right()),
                        exactShift(both.top(), both.bottom()));
    if (shift.isNull())
        return shown.subtracted(full);
    return shown.translated(-shift).subtracted(full.translated(-shift)).translated(shift);
}

} // namespace

QList<KvGraphicsPolygonItem *> KvStrokeInk::piecesOnBoard(const KvGraphicsStroke *stroke) const
{
    // A piece the host took off the board is the host's now.
    QList<KvGraphicsPolygonItem *> pieces = stroke->items();
    pieces.erase(std::remove_if(pieces.begin(), pieces.end(),
                                [this](const KvGraphicsPolygonItem *piece) {
                                    return piece->QGraphicsItem::scene() != m_scene;
                                }),
                 pieces.end());
    return pieces;
}

void KvStrokeInk::showTemporaryItem(KvGraphicsStroke *stroke, const QLineF &bridge, double width)
{
    KvGraphicsPolygonItem *temporary = stroke->temporaryItem();
    if (temporary && temporary->QGraphicsItem::scene() == m_scene) {
        temporary->setPolygon(lineCapsulePolygon(bridge, width, width));
        return;
    }
    // The host took the capsule away: it keeps that one, and the stroke gets a new one.
    temporary = new KvGraphicsPolygonItem(bridge, width, width, nullptr);
    applyPenStyle(temporary);
    temporary->setData(TemporaryKey, kTemporaryItem);
    stroke->setTemporaryItem(temporary);
    m_scene->addBoardItem(temporary);
}

void KvStrokeInk::dropTemporaryItem(KvGraphicsStroke *stroke)
{
    KvGraphicsPolygonItem *temporary = stroke->temporaryItem();
    if (!temporary)
        return;
    if (temporary->QGraphicsItem::scene() != m_scene) {
        stroke->setTemporaryItem(nullptr);
        return;
    }
    // Deleted on any kind of board: nothing is left behind off the board.
    discardItem(temporary);
}

void KvStrokeInk::putGroupOnBoard(KvGraphicsStrokesGroup *group)
{
    m_scene->addBoardItem(group);
    for (KvGraphicsPolygonItem *piece : qAsConst(group->items())) {
        piece->setStrokesGroup(group);
        group->addToGroup(piece);
    }
}

void KvStrokeInk::addPiece(KvGraphicsStroke *stroke, const QPointF &pos, double width, bool first)
{
    // The first piece is a dot, round at both ends; later ones join it flat and end round.
    const QList<KvStrokeSample> samples = stroke->addPoint(pos, width, !first);
    KvGraphicsPolygonItem *piece = createSegmentItem(samples, first, true);
    addSegmentItem(piece, stroke);
    piece->setCorrespondingPoint(pos);
}

void KvStrokeInk::finishAt(KvGraphicsStroke *stroke, const QPointF &pos)
{
    const QList<KvStrokeSample> samples = stroke->finishAt(pos, m_settings.inkWidth());
    if (samples.isEmpty())
        return;
    KvGraphicsPolygonItem *piece = createSegmentItem(samples, false, true);
    addSegmentItem(piece, stroke);
    piece->setCorrespondingPoint(pos);
}

KvGraphicsPolygonItem *KvStrokeInk::createSegmentItem(const QList<KvStrokeSample> &samples,
                                                      bool startCap, bool endCap) const
{
    const QPolygonF outline = samplesOutlinePolygon(samples, startCap, endCap);
    auto *piece = new KvGraphicsPolygonItem(outline, nullptr);
    piece->setFullPolygon(outline);
    applyPenStyle(piece);
    return piece;
}

void KvStrokeInk::addSegmentItem(KvGraphicsPolygonItem *item, KvGraphicsStroke *stroke)
{
    // Translucent ink must not be painted twice where round-capped pieces overlap. The earlier
    // pieces' full outlines cover exactly the area of their displayed polygons together, and
    // unlike those they are never the bridged multi-part results of earlier cuts, which Qt's
    // clipper sometimes empties.
    // A stroke that scribbles over itself cuts a piece into more and more parts, and Qt's
    // clipper slows down steeply with them (minutes, far from the origin): past
    // kMaxCutPiecePoints the piece keeps what it has, and only there is ink painted twice.
    // Cutting a simple outline by one that does not reach it changes only how Qt's clipper writes
    // the same area down: such cuts (long pieces whose rects meet while they do not) are left out.
    if (!item->brush().isOpaque()) {
        QPolygonF shown = item->polygon();
        std::optional<bool> shownSimple;
        for (KvGraphicsPolygonItem *earlier : stroke->items()) {
            const QPolygonF &full = earlier->fullPolygon();
            if (!full.boundingRect().intersects(shown.boundingRect()))
                continue;
            if (!shownSimple)
                shownSimple = KvOutlineContact::isSimple(shown);
            if (*shownSimple && !KvOutlineContact::mayMeet(shown, full))
                continue;
            QPolygonF cut = subtractedNearOrigin(shown, full);
            if (cut.size() > kMaxCutPiecePoints)
                break;
            shown = std::move(cut);
            shownSimple.reset();
        }
        item->setPolygon(shown);
    }
    m_scene->addBoardItem(item);
    item->setStroke(stroke);
}

void KvStrokeInk::applyPenStyle(KvGraphicsPolygonItem *item) const
{
    QColor color = m_settings.inkColor();
    if (m_settings.stylus != PenStylus)
        color.setAlphaF(0.5);
    item->setColor(color);
    item->setData(StyleKey, kStyledPiece);
}

void KvStrokeInk::discardItem(QGraphicsItem *item)
{
    if (m_scene)
        m_scene->removeBoardItem(item, true);
    delete item;
}
