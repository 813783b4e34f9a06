#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStroke.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenItemDelegate.h"
#include "KvRecordingScene.h"
#include "KvTestMessages.h"

#include <QGraphicsRectItem>
#include <QGraphicsSceneMouseEvent>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A group on the board with pieces added the way the engine adds them: children of the group,
// members of one stroke, listed in child order.
KvGraphicsStrokesGroup *addGroup(KvGraphicsScene *board, const QList<QPolygonF> &polygons,
                                 const QColor &colour = Qt::white, int stylus = 0)
{
    auto *group = new KvGraphicsStrokesGroup(colour, stylus);
    board->addBoardItem(group);
    auto *stroke = polygons.isEmpty() ? nullptr : new KvGraphicsStroke;
    for (const QPolygonF &polygon : polygons) {
        auto *piece = new KvGraphicsPolygonItem(polygon);
        group->addToGroup(piece);
        piece->setStrokesGroup(group);
        piece->setStroke(stroke);
        group->items().append(piece);
    }
    return group;
}

QPolygonF square(double x, double y)
{
    return QPolygonF(QRectF(x, y, 10, 10));
}

// A left-button event of a drag that started at (5, 5).
void sendMouse(QGraphicsScene *scene, QEvent::Type type, const QPointF &pos)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(pos);
    event.setLastScenePos(pos);
    event.setButtonDownScenePos(Qt::LeftButton, QPointF(5, 5));
    event.setButton(Qt::LeftButton);
    event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
    QCoreApplication::sendEvent(scene, &event);
}

} // namespace

class tst_StrokesGroup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    void construction()
    {
        KvGraphicsStrokesGroup group(Qt::red, 2);
        QCOMPARE(group.type(), 0x1000e);
        QCOMPARE(static_cast<KvGraphicsItem &>(group).type(), 0x1000e);
        QCOMPARE(group.color(), QColor(Qt::red)); // only setColor applies the stylus's alpha
        for (const auto &[key, value] : {std::pair<int, QVariant>(0, -1000), {4, 3}, {10, true}})
            QCOMPARE(group.data(key), value);
        auto *delegate = qobject_cast<KvPenItemDelegate *>(group.delegate());
        QVERIFY(delegate && delegate->parent() == &group && delegate->item() == &group);
        QCOMPARE(int(delegate->flags()), 0x1000);
    }

    void setColorByStylus_data()
    {
        QTest::addColumn<int>("stylus");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QColor>("expected");
        QColor halfRed(Qt::red);
        halfRed.setAlphaF(0.5);
        QTest::newRow("highlighter, opaque") << 2 << QColor(Qt::red) << halfRed;
        QTest::newRow("pen, translucent") << 0 << QColor(255, 0, 0, 100) << QColor(Qt::red);
        QTest::newRow("highlighter, transparent")
            << 2 << QColor(Qt::transparent) << QColor(Qt::transparent);
    }
    void setColorByStylus()
    {
        QFETCH(int, stylus);
        QFETCH(QColor, colour);
        QFETCH(QColor, expected);
        KvRecordingScene board;
        auto *group = addGroup(&board, {square(0, 0), square(20, 0)}, Qt::white, stylus);
        auto *other = new QGraphicsRectItem(0, 0, 5, 5);
        other->setBrush(Qt::green);
        group->addToGroup(other);

        group->setColor(colour);
        QCOMPARE(group->color(), expected);
        for (KvGraphicsPolygonItem *piece : group->items()) {
            QCOMPARE(piece->color(), expected);
            QCOMPARE(piece->brush().color(), expected);
        }
        QCOMPARE(other->brush().color(), QColor(Qt::green));
    }

    void shapeBySelection()
    {
        KvRecordingScene board;
        QVERIFY(addGroup(&board, {})->shape().isEmpty());

        auto *group = addGroup(&board, {square(0, 0), square(30, 5)});
        const auto pieces = group->items();
        pieces[1]->setTransform(QTransform::fromTranslate(100, 0));
        QPainterPath childShapes;
        childShapes.addPath(pieces[0]->shape());
        childShapes.addPath(pieces[1]->shape()); // as the child reports it, not mapped
        QCOMPARE(group->shape(), childShapes);

        group->setSelected(true);
        QPainterPath bounds;
        bounds.addRect(group->boundingRect());
        QCOMPARE(group->shape(), bounds);
    }

    // Pressing selects and opens an undo step, releasing commits it; a locked group is not
    // moved, nor selected again by the move.
    void dragOpensAndCommitsUndoStep_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::newRow("unlocked") << false;
        QTest::newRow("locked") << true;
    }
    void dragOpensAndCommitsUndoStep()
    {
        QFETCH(bool, locked);
        KvRecordingScene board;
        auto *group = addGroup(&board, {square(0, 0)});
        KvGraphicsItem::setLocked(group, locked);
        QSignalSpy started(group->delegate(), &KvGraphicsItemDelegate::undoStepStarted);
        QSignalSpy committed(group->delegate(), &KvGraphicsItemDelegate::undoStepCommitted);

        sendMouse(&board, QEvent::GraphicsSceneMousePress, {5, 5});
        QCOMPARE(started.count(), 1);
        QVERIFY(committed.isEmpty());
        QVERIFY(group->isSelected());
        QVERIFY(group->delegate()->controlsVisible());
        group->setSelected(false);
        QVERIFY(!group->delegate()->controlsVisible());

        sendMouse(&board, QEvent::GraphicsSceneMouseMove, {20, 30});
        QCOMPARE(group->isSelected(), !locked);
        QCOMPARE(group->pos(), locked ? QPointF(0, 0) : QPointF(15, 25));
        sendMouse(&board, QEvent::GraphicsSceneMouseRelease, {20, 30});
        QCOMPARE(committed, (QList<QVariantList> {{0, 1}}));
        QCOMPARE(started.count(), 1);
    }

    void deepCopyOfMovedTransformedGroup()
    {
        KvRecordingScene board;
        auto *group = addGroup(&board, {square(0, 0), square(12, 3), square(25, -4)},
                               QColor(248, 231, 28, 128), 2);
        const auto pieces = group->items();
        pieces[1]->setTransform(QTransform().rotate(10));
        pieces[2]->setTransform(QTransform::fromTranslate(4, -3).rotate(5));
        group->addToGroup(new KvGraphicsPolygonItem(square(50, 50))); // not listed: not copied
        group->setColor(Qt::yellow);
        const QTransform transform = QTransform().rotate(30).scale(2, 1.5);
        group->setPos(30, 40);
        group->setTransform(transform);
        group->setZValue(7);
        group->setData(1, QStringLiteral("role one"));

        std::unique_ptr<KvGraphicsStrokesGroup> copy(
            dynamic_cast<KvGraphicsStrokesGroup *>(group->deepCopy()));
        QVERIFY(copy);
        QCOMPARE(group->pos(), QPointF(30, 40));
        QCOMPARE(group->transform(), transform);
        QVERIFY(copy->uuid() != group->uuid());
        QCOMPARE(copy->color(), group->color());
        QCOMPARE(copy->stylus(), 2);
        QCOMPARE(copy->pos(), group->pos());
        QCOMPARE(copy->transform(), transform);
        QCOMPARE(copy->zValue(), 7.0);
        QCOMPARE(copy->data(1), group->data(1));
        QVERIFY(!copy->scene());

        const auto copies = copy->items();
        QCOMPARE(copies.size(), 3);
        QCOMPARE(copy->childItems().size(), 3);
        KvGraphicsStroke *stroke = copies[0]->stroke();
        QVERIFY(stroke && stroke != pieces[0]->stroke());
        QCOMPARE(stroke->items(), copies);
        board.addBoardItem(copy.get());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(copies[i]->parentItem(), copy.get());
            QCOMPARE(copies[i]->strokesGroup(), copy.get());
            QCOMPARE(copies[i]->color(), pieces[i]->color());
            QCOMPARE(copies[i]->polygon(), pieces[i]->polygon());
            QCOMPARE(copies[i]->pos(), QPointF()); // saved forms carry the transform only
            QCOMPARE(copies[i]->transform(), pieces[i]->transform());
            QCOMPARE(copies[i]->sceneTransform(), pieces[i]->sceneTransform());
        }
        board.removeBoardItem(copy.get(), true);
    }
};

QTEST_MAIN(tst_StrokesGroup)
#include "tst_strokesgroup.moc"
