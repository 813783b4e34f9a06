#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStroke.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenItemDelegate.h"
#include "KvRecordingScene.h"
#include "KvTestMessages.h"

#include <QGraphicsRectItem>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A group whose mouse handlers a test may call directly.
class ExposedGroup : public KvGraphicsStrokesGroup
{
public:
    using KvGraphicsStrokesGroup::KvGraphicsStrokesGroup;
    using KvGraphicsStrokesGroup::mouseMoveEvent;
};

// Adds pieces the way the engine does: children of the group, members of one stroke, listed.
QList<KvGraphicsPolygonItem *> addPieces(KvGraphicsStrokesGroup *group,
                                         const QList<QPolygonF> &polygons)
{
    auto *stroke = new KvGraphicsStroke;
    for (const QPolygonF &polygon : polygons) {
        auto *piece = new KvGraphicsPolygonItem(polygon);
        group->addToGroup(piece);
        piece->setStrokesGroup(group);
        piece->setStroke(stroke);
        group->items().append(piece);
    }
    return group->items();
}

QPolygonF square(double x, double y, double side = 10)
{
    return QPolygonF(QRectF(x, y, side, side));
}

void sendMouse(QGraphicsScene *scene, QEvent::Type type, const QPointF &pos,
               const QPointF &pressPos)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(pos);
    event.setLastScenePos(pos);
    event.setButtonDownScenePos(Qt::LeftButton, pressPos);
    event.setButton(Qt::LeftButton);
    event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
    QCoreApplication::sendEvent(scene, &event);
}

QImage render(QGraphicsScene *scene)
{
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    scene->render(&painter, QRectF(), QRectF(0, 0, 64, 64));
    return image;
}

} // namespace

class TestStrokesGroup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    void construction()
    {
        KvGraphicsStrokesGroup group(Qt::red, 2);
        QCOMPARE(group.type(), 0x1000e);
        QCOMPARE(static_cast<KvGraphicsItem &>(group).type(), 0x1000e);
        QCOMPARE(group.penWidth(), 2);
        QVERIFY(group.getSnaphotData().isEmpty());
        QVERIFY(group.items().isEmpty());
        QCOMPARE(group.data(0), QVariant(-1000));
        QCOMPARE(group.data(4), QVariant(3));
        QCOMPARE(group.data(5), QVariant(group.uuid()));
        QCOMPARE(group.data(10), QVariant(true));
        QVERIFY(!group.uuid().isNull());
        QCOMPARE(group.flags(),
                 QGraphicsItem::ItemSendsGeometryChanges | QGraphicsItem::ItemIsSelectable
                     | QGraphicsItem::ItemIsMovable);
        QVERIFY(group.acceptTouchEvents());
        auto *delegate = qobject_cast<KvPenItemDelegate *>(group.delegate());
        QVERIFY(delegate);
        QCOMPARE(delegate->parent(), &group);
        QCOMPARE(delegate->item(), &group);
        QCOMPARE(int(delegate->flags()), 0x1000);
        QCOMPARE(group.exportName(), QStringLiteral("strokesGroup"));
    }

    void constructorKeepsColour_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<int>("stylus");
        QTest::newRow("translucent highlighter") << QColor(248, 231, 28, 128) << 2;
        QTest::newRow("opaque highlighter") << QColor(248, 231, 28) << 2;
        QTest::newRow("translucent pen") << QColor(255, 0, 0, 100) << 0;
    }
    void constructorKeepsColour()
    {
        QFETCH(QColor, colour);
        QFETCH(int, stylus);
        QCOMPARE(KvGraphicsStrokesGroup(colour, stylus).color(), colour);
    }

    void setColorByStylus_data()
    {
        QTest::addColumn<int>("stylus");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QColor>("expected");
        QColor halfRed(Qt::red);
        halfRed.setAlphaF(0.5);
        QTest::newRow("highlighter, opaque") << 2 << QColor(Qt::red) << halfRed;
        QTest::newRow("highlighter, translucent") << 2 << QColor(255, 0, 0, 30) << halfRed;
        QTest::newRow("pen, translucent") << 0 << QColor(255, 0, 0, 100) << QColor(Qt::red);
        QTest::newRow("pen, transparent")
            << 0 << QColor(Qt::transparent) << QColor(Qt::transparent);
        QTest::newRow("highlighter, transparent")
            << 2 << QColor(Qt::transparent) << QColor(Qt::transparent);
    }
    void setColorByStylus()
    {
        QFETCH(int, stylus);
        QFETCH(QColor, colour);
        QFETCH(QColor, expected);
        KvGraphicsStrokesGroup group(Qt::white, stylus);
        const auto pieces = addPieces(&group, {square(0, 0), square(20, 0)});
        auto *other = new QGraphicsRectItem(0, 0, 5, 5);
        other->setBrush(Qt::green);
        group.addToGroup(other);

        group.setColor(colour);
        QCOMPARE(group.color(), expected);
        for (KvGraphicsPolygonItem *piece : pieces) {
            QCOMPARE(piece->color(), expected);
            QCOMPARE(piece->brush().color(), expected);
        }
        QCOMPARE(other->brush().color(), QColor(Qt::green));
    }

    void shapeBySelection()
    {
        KvRecordingScene scene;
        auto *group = new KvGraphicsStrokesGroup;
        scene.addBoardItem(group);
        QVERIFY(group->shape().isEmpty());

        const auto pieces = addPieces(group, {square(0, 0), square(30, 5)});
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

    void paintsNoSelectionOutline()
    {
        KvRecordingScene scene;
        scene.setSceneRect(0, 0, 64, 64);
        auto *group = new KvGraphicsStrokesGroup(Qt::red);
        scene.addBoardItem(group);
        addPieces(group, {square(16, 16, 32)});
        group->setColor(Qt::red);
        const QImage unselected = render(&scene);
        QCOMPARE(unselected.pixelColor(32, 32), QColor(Qt::red));

        group->setSelected(true);
        group->delegate()->hideControls(); // only the group itself is compared
        QCOMPARE(render(&scene), unselected);
    }

    void selectionReachesDelegate()
    {
        KvRecordingScene scene;
        auto *group = new KvGraphicsStrokesGroup;
        scene.addBoardItem(group);
        addPieces(group, {square(0, 0)});
        group->setSelected(true);
        QVERIFY(group->delegate()->controlsVisible());
        group->setSelected(false);
        QVERIFY(!group->delegate()->controlsVisible());
    }

    void dragOpensAndCommitsUndoStep_data()
    {
        QTest::addColumn<bool>("locked");
        QTest::addColumn<QPointF>("expectedPos");
        QTest::newRow("unlocked") << false << QPointF(15, 25);
        QTest::newRow("locked") << true << QPointF(0, 0);
    }
    void dragOpensAndCommitsUndoStep()
    {
        QFETCH(bool, locked);
        QFETCH(QPointF, expectedPos);
        KvRecordingScene scene;
        auto *group = new KvGraphicsStrokesGroup;
        scene.addBoardItem(group);
        addPieces(group, {square(0, 0)});
        KvGraphicsItem::setLocked(group, locked);
        QSignalSpy started(group->delegate(), &KvGraphicsItemDelegate::undoStepStarted);
        QSignalSpy committed(group->delegate(), &KvGraphicsItemDelegate::undoStepCommitted);

        sendMouse(&scene, QEvent::GraphicsSceneMousePress, {5, 5}, {5, 5});
        QCOMPARE(started.count(), 1);
        QVERIFY(committed.isEmpty());
        QVERIFY(group->isSelected());
        sendMouse(&scene, QEvent::GraphicsSceneMouseMove, {20, 30}, {5, 5});
        sendMouse(&scene, QEvent::GraphicsSceneMouseRelease, {20, 30}, {5, 5});
        QCOMPARE(committed, (QList<QVariantList> {{0, 1}}));
        QCOMPARE(started.count(), 1);
        QCOMPARE(group->pos(), expectedPos);
    }

    void lockedGroupIgnoresMove()
    {
        KvRecordingScene scene;
        auto *group = new ExposedGroup;
        scene.addBoardItem(group);
        KvGraphicsItem::setLocked(group, true);
        QGraphicsSceneMouseEvent move(QEvent::GraphicsSceneMouseMove);
        move.setButtons(Qt::LeftButton);
        move.setScenePos({40, 40});
        move.ignore();
        group->mouseMoveEvent(&move);
        QVERIFY(!move.isAccepted());
        QVERIFY(!group->isSelected());
        QCOMPARE(group->pos(), QPointF());
    }

    void deepCopyOfMovedTransformedGroup()
    {
        KvRecordingScene scene;
        auto *group = new KvGraphicsStrokesGroup(QColor(248, 231, 28, 128), 2);
        scene.addBoardItem(group);
        const auto pieces = addPieces(group, {square(0, 0), square(12, 3), square(25, -4)});
        pieces[1]->setTransform(QTransform().rotate(10));
        pieces[2]->setTransform(QTransform::fromTranslate(4, -3).rotate(5));
        auto *unlisted = new KvGraphicsPolygonItem(square(50, 50));
        group->addToGroup(unlisted);
        group->setColor(Qt::yellow);
        group->setPos(30, 40);
        group->setTransform(QTransform().rotate(30).scale(2, 1.5));
        group->setZValue(7);
        group->setData(1, QStringLiteral("role one"));
        group->setPenWidth(14);
        QJsonObject snapshot;
        group->setSnaphotData(snapshot);

        std::unique_ptr<KvGraphicsStrokesGroup> copy(
            dynamic_cast<KvGraphicsStrokesGroup *>(group->deepCopy()));
        QVERIFY(copy);
        QCOMPARE(group->pos(), QPointF(30, 40));
        QCOMPARE(group->transform(), QTransform().rotate(30).scale(2, 1.5));
        QVERIFY(copy->uuid() != group->uuid());
        QCOMPARE(copy->color(), group->color());
        QCOMPARE(copy->stylus(), 2);
        QCOMPARE(copy->pos(), group->pos());
        QCOMPARE(copy->transform(), group->transform());
        QCOMPARE(copy->zValue(), 7.0);
        QCOMPARE(copy->data(1), group->data(1));
        QCOMPARE(copy->penWidth(), 2);
        QVERIFY(copy->getSnaphotData().isEmpty());
        QVERIFY(!copy->scene());

        const auto copies = copy->items();
        QCOMPARE(copies.size(), 3);
        QCOMPARE(copy->childItems().size(), 3); // the unlisted child stays behind
        KvGraphicsStroke *stroke = copies[0]->stroke();
        QVERIFY(stroke && stroke != pieces[0]->stroke());
        QCOMPARE(stroke->items(), copies);
        scene.addBoardItem(copy.get());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(copies[i]->parentItem(), copy.get());
            QCOMPARE(copies[i]->strokesGroup(), copy.get());
            QCOMPARE(copies[i]->color(), pieces[i]->color());
            QCOMPARE(copies[i]->pos(), QPointF()); // saved forms carry the transform only
            QCOMPARE(copies[i]->transform(), pieces[i]->transform());
            const QPolygonF expected = pieces[i]->mapToScene(pieces[i]->polygon());
            const QPolygonF actual = copies[i]->mapToScene(copies[i]->polygon());
            QCOMPARE(actual.size(), expected.size());
            for (int p = 0; p < expected.size(); ++p) {
                QVERIFY2(QLineF(actual[p], expected[p]).length() < 1e-9,
                         qPrintable(QStringLiteral("piece %1 point %2").arg(i).arg(p)));
            }
        }
        scene.removeBoardItem(copy.get(), true);
    }
};

QTEST_MAIN(TestStrokesGroup)
#include "tst_strokesgroup.moc"
