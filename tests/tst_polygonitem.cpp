#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsScene.h"
#include "KvGraphicsStroke.h"
#include "KvTestMessages.h"

#include <QGraphicsItemGroup>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPointer>
#include <QTest>

namespace {

// A stroke that reports its own deletion.
class TrackedStroke : public KvGraphicsStroke
{
public:
    explicit TrackedStroke(bool *deleted)
        : m_deleted(deleted)
    {
        *m_deleted = false;
    }
    ~TrackedStroke() override { *m_deleted = true; }

private:
    bool *m_deleted;
};

QPolygonF square(double x, double y, double side)
{
    return QPolygonF(QRectF(x, y, side, side));
}

// Renders the scene's rect (0, 0, 100, 100) onto black, antialiasing off.
QImage render(QGraphicsScene &scene)
{
    QImage image(100, 100, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    scene.render(&painter, QRectF(0, 0, 100, 100), QRectF(0, 0, 100, 100));
    return image;
}

} // namespace

class TestPolygonItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    void newItem();
    void lineConstructor();
    void setColor_data();
    void setColor();
    void sceneCast();

    void strokeSharedByTwoPieces_data();
    void strokeSharedByTwoPieces();
    void setStrokeNullOrSame();
    void setStrokeMovesToAnotherStroke();
    void strokeDeletedWithScene();
    void strokeDeletedWhileListingItems();

    void subtract();
    void deepCopy();
    void copyItemParametersLeavesTargetStroke();

    void erasePath();
    void erasePainting();
};

void TestPolygonItem::newItem()
{
    const QPolygonF triangle({QPointF(0, 0), QPointF(10, 0), QPointF(0, 10)});
    KvGraphicsPolygonItem item(triangle);
    QCOMPARE(item.polygon(), triangle);
    QCOMPARE(item.type(), 5);
    QCOMPARE(item.color(), QColor(255, 255, 255, 255));
    QCOMPARE(item.brush(), QBrush(Qt::white, Qt::SolidPattern));
    QCOMPARE(item.pen().style(), Qt::NoPen);
    QCOMPARE(item.fillRule(), Qt::WindingFill);
    QVERIFY(item.acceptTouchEvents());
    QCOMPARE(item.data(4), QVariant(2));
    QVERIFY(!item.uuid().isNull());
    QCOMPARE(item.data(5), QVariant(item.uuid()));
    QVERIFY(item.fullPolygon().isEmpty());
    QVERIFY(item.fullPolygonList().isEmpty());
    QCOMPARE(item.getCorrespondingPoint(), QPointF(0, 0));
    QVERIFY(!item.stroke());
    QVERIFY(!item.strokesGroup());

    const QUuid uuid = QUuid::createUuid();
    item.setUuid(uuid);
    QCOMPARE(item.data(5), QVariant(uuid));
    QVERIFY(KvGraphicsPolygonItem(triangle).uuid() != uuid);

    item.setFullPolygon(triangle);
    QCOMPARE(item.fullPolygonList(), QList<QPolygonF> {triangle});
}

void TestPolygonItem::lineConstructor()
{
    const QLineF line(5, 5, 40, 20);
    KvGraphicsPolygonItem item(line, 2, 6);
    QCOMPARE(item.polygon(), lineCapsulePolygon(line, 2, 6));
    QCOMPARE(item.fillRule(), Qt::WindingFill);
}

void TestPolygonItem::setColor_data()
{
    QTest::addColumn<double>("alpha");
    QTest::addColumn<double>("outlineAlpha"); // negative: no outline

    QTest::newRow("opaque") << 1.0 << -1.0;
    QTest::newRow("0.9 halved") << 0.9 << 0.45;
    QTest::newRow("0.8 halved") << 0.8 << 0.4;
    QTest::newRow("0.7 by five") << 0.7 << 0.14;
    QTest::newRow("0.6 by five") << 0.6 << 0.12;
    QTest::newRow("0.5 by thirty") << 0.5 << 0.5 / 30;
    QTest::newRow("0.2 by thirty") << 0.2 << 0.2 / 30;
    QTest::newRow("0.1 by five") << 0.1 << 0.02;
    QTest::newRow("transparent") << 0.0 << 0.0;
}

void TestPolygonItem::setColor()
{
    QFETCH(double, alpha);
    QFETCH(double, outlineAlpha);

    QColor colour(248, 231, 28);
    colour.setAlphaF(alpha);
    KvGraphicsPolygonItem item(square(0, 0, 10));
    item.setColor(colour);

    QCOMPARE(item.color(), colour);
    QCOMPARE(item.brush(), QBrush(colour, Qt::SolidPattern));
    if (outlineAlpha < 0) {
        QCOMPARE(item.pen().style(), Qt::NoPen);
        return;
    }
    QColor outline = colour;
    outline.setAlphaF(outlineAlpha);
    QCOMPARE(item.pen(), QPen(outline));
    QCOMPARE(item.pen().color().rgb(), colour.rgb());
}

void TestPolygonItem::sceneCast()
{
    KvGraphicsScene board;
    QGraphicsScene plain;
    auto *onBoard = new KvGraphicsPolygonItem(square(0, 0, 10));
    auto *onPlain = new KvGraphicsPolygonItem(square(0, 0, 10));
    board.addItem(onBoard);
    plain.addItem(onPlain);
    QCOMPARE(onBoard->scene(), static_cast<KvCoreGraphicsScene *>(&board));
    QVERIFY(!onPlain->scene());
}

void TestPolygonItem::strokeSharedByTwoPieces_data()
{
    QTest::addColumn<bool>("firstLeavesFirst");
    QTest::newRow("first piece deleted first") << true;
    QTest::newRow("last piece deleted first") << false;
}

void TestPolygonItem::strokeSharedByTwoPieces()
{
    QFETCH(bool, firstLeavesFirst);
    bool deleted = false;
    auto *stroke = new TrackedStroke(&deleted);
    auto *first = new KvGraphicsPolygonItem(square(0, 0, 10));
    auto *second = new KvGraphicsPolygonItem(square(5, 0, 10));
    first->setStroke(stroke);
    second->setStroke(stroke);
    QCOMPARE(stroke->items(), (QList<KvGraphicsPolygonItem *> {first, second}));

    KvGraphicsPolygonItem *leaving = firstLeavesFirst ? first : second;
    KvGraphicsPolygonItem *staying = firstLeavesFirst ? second : first;
    delete leaving;
    QVERIFY(!deleted);
    QCOMPARE(stroke->items(), QList<KvGraphicsPolygonItem *> {staying});
    delete staying;
    QVERIFY(deleted);
}

void TestPolygonItem::setStrokeNullOrSame()
{
    bool deleted = false;
    KvGraphicsStroke *stroke = new TrackedStroke(&deleted);
    KvGraphicsPolygonItem other(square(0, 0, 10));
    {
        KvGraphicsPolygonItem item(square(0, 0, 10));
        item.setStroke(stroke);
        item.setStroke(nullptr);
        QCOMPARE(item.stroke(), stroke);

        // Re-joining as the only member must not delete the stroke on the way.
        item.setStroke(stroke);
        QVERIFY(!deleted);
        QCOMPARE(stroke->items(), QList<KvGraphicsPolygonItem *> {&item});

        other.setStroke(stroke);
        item.setStroke(stroke);
        QCOMPARE(stroke->items(), (QList<KvGraphicsPolygonItem *> {&other, &item}));
    }
    QCOMPARE(stroke->items(), QList<KvGraphicsPolygonItem *> {&other});
    QVERIFY(!deleted);
}

void TestPolygonItem::setStrokeMovesToAnotherStroke()
{
    bool firstDeleted = false;
    bool secondDeleted = false;
    auto *first = new TrackedStroke(&firstDeleted);
    KvGraphicsStroke *second = new TrackedStroke(&secondDeleted);
    KvGraphicsPolygonItem item(square(0, 0, 10));
    item.setStroke(first);
    item.setStroke(second);
    QVERIFY(firstDeleted);
    QCOMPARE(item.stroke(), second);
    QCOMPARE(second->items(), QList<KvGraphicsPolygonItem *> {&item});
}

void TestPolygonItem::strokeDeletedWithScene()
{
    // Pieces as children of a group on a board: the board's teardown takes the stroke along.
    bool deleted = false;
    auto *stroke = new TrackedStroke(&deleted);
    {
        KvGraphicsScene board;
        auto *group = new QGraphicsItemGroup;
        board.addItem(group);
        for (int i = 0; i < 3; ++i) {
            auto *piece = new KvGraphicsPolygonItem(square(10 * i, 0, 10));
            piece->setStroke(stroke);
            group->addToGroup(piece);
        }
        delete stroke->items().at(1);
        QCOMPARE(stroke->items().size(), 2);
    }
    QVERIFY(deleted);
}

void TestPolygonItem::strokeDeletedWhileListingItems()
{
    KvGraphicsPolygonItem item(square(0, 0, 10));
    auto *stroke = new KvGraphicsStroke;
    item.setStroke(stroke);
    delete stroke;
    QVERIFY(!item.stroke());
}

void TestPolygonItem::subtract()
{
    KvGraphicsPolygonItem item(square(0, 0, 10));
    item.setFullPolygon(item.polygon());
    KvGraphicsPolygonItem overlapping(square(5, 0, 10));
    KvGraphicsPolygonItem apart(square(30, 30, 10));

    item.subtract(&apart);
    QCOMPARE(item.polygon(), square(0, 0, 10));

    item.subtract(&overlapping);
    QCOMPARE(item.polygon().boundingRect(), QRectF(0, 0, 5, 10));
    QVERIFY(item.polygon().containsPoint(QPointF(2, 5), Qt::OddEvenFill));
    QVERIFY(!item.polygon().containsPoint(QPointF(7, 5), Qt::OddEvenFill));
    QCOMPARE(item.fullPolygon(), square(0, 0, 10));

    QTest::ignoreMessage(QtDebugMsg, "KvGraphicsPolygonItem::subtract null item");
    item.subtract(nullptr);
    QCOMPARE(item.polygon().boundingRect(), QRectF(0, 0, 5, 10));
}

void TestPolygonItem::deepCopy()
{
    KvGraphicsScene board;
    auto *parent = new QGraphicsRectItem;
    parent->setPos(100, 50);
    parent->setRotation(90);
    board.addItem(parent);
    auto *item = new KvGraphicsPolygonItem(square(0, 0, 10), parent);
    item->setPos(3, 4);
    item->setZValue(7);
    item->setColor(QColor(10, 20, 30, 128));
    item->setFullPolygon(square(0, 0, 12));
    item->setCorrespondingPoint(QPointF(1, 2));
    item->setData(0, 0);
    item->startErase();
    auto *group = reinterpret_cast<KvGraphicsStrokesGroup *>(quintptr(0x10)); // only compared
    item->setStrokesGroup(group);
    item->setStroke(new KvGraphicsStroke);

    QScopedPointer<KvItem> copied(item->deepCopy());
    auto *copy = dynamic_cast<KvGraphicsPolygonItem *>(copied.data());
    QVERIFY(copy);
    QVERIFY(!copy->parentItem());
    QCOMPARE(copy->polygon(), item->polygon());
    QCOMPARE(copy->color(), item->color());
    QCOMPARE(copy->pen(), item->pen());
    QCOMPARE(copy->zValue(), 7.0);
    QCOMPARE(copy->transform(), item->sceneTransform());
    QCOMPARE(copy->strokesGroup(), group);
    QVERIFY(!copy->stroke());
    QCOMPARE(item->stroke()->items(), QList<KvGraphicsPolygonItem *> {item});
    QCOMPARE(copy->fullPolygon(), square(0, 0, 12));
    QCOMPARE(copy->fullPolygonList(), QList<QPolygonF> {square(0, 0, 12)});
    QCOMPARE(copy->data(0), QVariant(0));
    QVERIFY(copy->uuid() != item->uuid());
    QCOMPARE(copy->data(5), QVariant(copy->uuid()));
    QCOMPARE(copy->getCorrespondingPoint(), QPointF(0, 0));
    QCOMPARE(copy->erasepath(), copy->shape());
}

void TestPolygonItem::copyItemParametersLeavesTargetStroke()
{
    bool deleted = false;
    KvGraphicsPolygonItem source(square(0, 0, 10));
    KvGraphicsPolygonItem target(square(0, 0, 10));
    target.setStroke(new TrackedStroke(&deleted));
    source.copyItemParameters(&target);
    QVERIFY(!target.stroke());
    QVERIFY(deleted);
}

void TestPolygonItem::erasePath()
{
    KvGraphicsPolygonItem item(square(0, 0, 50));
    QCOMPARE(item.erasepath(), item.shape());
    item.startErase();
    QVERIFY(item.erasepath().isEmpty());

    const QList<QPolygonF> pieces {square(0, 0, 10), square(20, 0, 10)};
    item.erase(pieces);
    QCOMPARE(item.erasePolygons(), pieces);
    const QPainterPath path = item.erasepath();
    QCOMPARE(path.fillRule(), Qt::WindingFill);
    QVERIFY(path.contains(QPointF(25, 5)));
    QVERIFY(!path.contains(QPointF(15, 5)));

    item.endErase();
    QVERIFY(item.erasePolygons().isEmpty());
    QCOMPARE(item.erasepath(), item.shape());
}

void TestPolygonItem::erasePainting()
{
    QGraphicsScene scene;
    auto *item = new KvGraphicsPolygonItem(square(10, 10, 80));
    item->setColor(Qt::red);
    scene.addItem(item);
    const QRgb red = qRgb(255, 0, 0);
    const QRgb black = qRgb(0, 0, 0);
    QCOMPARE(render(scene).pixel(50, 50), red);

    // One polygon that runs round twice: drawn even-odd, its inner square is a hole.
    QPolygonF ring = square(20, 20, 40);
    ring << square(30, 30, 20);
    item->startErase();
    item->erase({ring, square(70, 70, 10)});
    QImage image = render(scene);
    QCOMPARE(image.pixel(25, 25), red);
    QCOMPARE(image.pixel(40, 40), black);
    QCOMPARE(image.pixel(75, 75), red);
    QCOMPARE(image.pixel(15, 15), black);
    QCOMPARE(image.pixel(85, 50), black);

    item->endErase();
    image = render(scene);
    QCOMPARE(image.pixel(15, 15), red);
    QCOMPARE(image.pixel(40, 40), red);
}

QTEST_MAIN(TestPolygonItem)
#include "tst_polygonitem.moc"
