#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsScene.h"
#include "KvGraphicsStroke.h"
#include "KvLogRecorder.h"
#include "KvTestMessages.h"

#include <QGraphicsItemGroup>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
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

using Pieces = QList<KvGraphicsPolygonItem *>;

QPolygonF square(double x, double y, double side)
{
    return QPolygonF(QRectF(x, y, side, side));
}

// The scene's rect (0, 0, 100, 100) on black, antialiasing off.
QImage render(QGraphicsScene &scene)
{
    QImage image(100, 100, QImage::Format_ARGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    scene.render(&painter, QRectF(0, 0, 100, 100), QRectF(0, 0, 100, 100));
    return image;
}

// Closed polygons of 3 to 40 random points within `scale` of (x, 0).
QList<QPolygonF> randomPolygons(double x, double scale)
{
    QRandomGenerator random(7);
    QList<QPolygonF> polygons;
    for (int i = 0; i < 300; ++i) {
        QPolygonF polygon;
        for (int n = 3 + random.bounded(38); n > 0; --n)
            polygon << QPointF(x + random.bounded(2.0 * scale) - scale, random.bounded(scale));
        polygon << polygon.first();
        polygons.append(polygon);
    }
    return polygons;
}

QPen translucentOutline(double width = 1.0, Qt::PenJoinStyle join = Qt::BevelJoin)
{
    KvGraphicsPolygonItem piece(square(0, 0, 1));
    piece.setColor(QColor(255, 200, 0, 100));
    QPen pen = piece.pen();
    pen.setWidthF(width);
    pen.setJoinStyle(join);
    return pen;
}

bool sameBits(const QRectF &a, const QRectF &b)
{
    return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

} // namespace

Q_DECLARE_METATYPE(QList<QPolygonF>)

class tst_PolygonItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    void setStrokeNullSameOrAnother()
    {
        bool deleted = false;
        bool otherDeleted = false;
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
            QCOMPARE(stroke->items(), Pieces {&item});
            // Re-joining moves the item to the end.
            other.setStroke(stroke);
            item.setStroke(stroke);
            QCOMPARE(stroke->items(), (Pieces {&other, &item}));
        }
        QCOMPARE(stroke->items(), Pieces {&other});
        // Moving the last member to another stroke deletes the one it leaves.
        KvGraphicsStroke *another = new TrackedStroke(&otherDeleted);
        other.setStroke(another);
        QVERIFY(deleted && !otherDeleted);
        QCOMPARE(another->items(), Pieces {&other});
    }

    void strokeLifetime()
    {
        // Pieces as children of a group on a board: the last one to go takes the stroke along.
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
            const Pieces pieces = stroke->items();
            delete pieces.first();
            QVERIFY(!deleted);
            QCOMPARE(stroke->items(), pieces.mid(1));
        }
        QVERIFY(deleted);

        // A stroke deleted while it still lists a piece leaves no dangling pointer behind.
        KvGraphicsPolygonItem item(square(0, 0, 10));
        auto *listing = new KvGraphicsStroke;
        item.setStroke(listing);
        delete listing;
        QVERIFY(!item.stroke());
    }

    void subtract()
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

        KvLogRecorder log;
        item.subtract(nullptr);
        QCOMPARE(log.lines(), QStringList {"kvpen.engine KvGraphicsPolygonItem::subtract"});
        QCOMPARE(item.polygon().boundingRect(), QRectF(0, 0, 5, 10));
    }

    // Erasing and cutting test bounding rects: a piece's must be Qt's, to the last bit.
    void boundingRectIsQts_data()
    {
        QTest::addColumn<QList<QPolygonF>>("polygons");
        QTest::addColumn<QPen>("pen");
        const QPolygonF capsule = lineCapsulePolygon(QLineF(10, 10, 40, 25), 10, 10);
        const QPolygonF cut
            = capsule.subtracted(lineCapsulePolygon(QLineF(40, 25, 70, 20), 10, 10));
        QTest::newRow("highlighter pieces")
            << QList<QPolygonF> {capsule, cut} << translucentOutline();
        QTest::newRow("random, wide pen") << randomPolygons(0, 50) << translucentOutline(7.5);
        QTest::newRow("random, far out") << randomPolygons(-1.6e7, 300) << translucentOutline();
        const QPolygonF tinyEdges
            = QVector<QPointF> {{0, 0}, {5, 0}, {5, 1e-13}, {5, 2e-13}, {0, 0}};
        QTest::newRow("open, tiny edges, a point")
            << QList<QPolygonF> {QVector<QPointF> {{0, 0}, {10, 10}, {20, 0}}, tinyEdges,
                                 QVector<QPointF> {{3, 4}}}
            << translucentOutline();
        QTest::newRow("mitre joins")
            << QList<QPolygonF> {capsule, cut} << translucentOutline(3, Qt::MiterJoin);
    }

    void boundingRectIsQts()
    {
        QFETCH(QList<QPolygonF>, polygons);
        QFETCH(QPen, pen);
        for (const QPolygonF &polygon : polygons) {
            KvGraphicsPolygonItem piece(polygon);
            piece.setPen(pen);
            QGraphicsPolygonItem plain(polygon);
            plain.setPen(pen);
            QVERIFY2(sameBits(piece.boundingRect(), plain.boundingRect()),
                     qPrintable(QStringLiteral("%1 points").arg(polygon.size())));
            QCOMPARE(piece.shape(), plain.shape());
        }
    }

    void fullPolygonList()
    {
        KvGraphicsPolygonItem item(square(0, 0, 10));
        QVERIFY(item.fullPolygonList().isEmpty());
        item.setFullPolygon(QPolygonF());
        QCOMPARE(item.fullPolygonList(), QList<QPolygonF> {QPolygonF()});
        const QList<QPolygonF> parts {square(0, 0, 4), square(6, 0, 4)};
        item.setFullPolygonList(parts);
        QCOMPARE(item.fullPolygonList(), parts);
        QCOMPARE(item.fullPolygon(), QPolygonF());
        item.setFullPolygon(square(0, 0, 10));
        QCOMPARE(item.fullPolygonList(), QList<QPolygonF> {square(0, 0, 10)});
    }

    void deepCopy()
    {
        KvGraphicsScene board;
        auto *parent = new QGraphicsRectItem;
        parent->setPos(100, 50);
        parent->setRotation(90);
        board.addItem(parent);
        auto *item = new KvGraphicsPolygonItem(square(0, 0, 10), parent);
        item->setPos(3, 4);
        item->setColor(QColor(10, 20, 30, 128));
        item->setFullPolygon(square(0, 0, 12));
        auto *group = reinterpret_cast<KvGraphicsStrokesGroup *>(quintptr(0x10)); // only compared
        item->setStrokesGroup(group);
        item->setStroke(new KvGraphicsStroke);

        QScopedPointer<KvItem> copied(item->deepCopy());
        auto *copy = dynamic_cast<KvGraphicsPolygonItem *>(copied.data());
        QVERIFY(copy);
        QVERIFY(!copy->parentItem());
        QCOMPARE(copy->polygon(), item->polygon());
        QCOMPARE(copy->color(), item->color());
        QCOMPARE(copy->transform(), item->sceneTransform());
        QCOMPARE(copy->strokesGroup(), group);
        QVERIFY(!copy->stroke());
        QCOMPARE(item->stroke()->items(), Pieces {item});
        QCOMPARE(copy->fullPolygon(), square(0, 0, 12));
        QVERIFY(copy->uuid() != item->uuid());

        // Copying onto an item that is in a stroke takes it out, and the emptied stroke goes.
        bool deleted = false;
        copy->setStroke(new TrackedStroke(&deleted));
        item->copyItemParameters(copy);
        QVERIFY(!copy->stroke() && deleted);
    }

    void erasing()
    {
        QGraphicsScene scene;
        auto *item = new KvGraphicsPolygonItem(square(10, 10, 80));
        item->setColor(Qt::red);
        scene.addItem(item);
        QVERIFY(!item->scene()); // not a board
        QCOMPARE(item->erasepath(), item->shape());
        item->startErase();
        QVERIFY(item->erasepath().isEmpty());

        // One polygon that runs round twice: painted even-odd, its inner square is a hole; the
        // erase path joins the polygons with the winding rule.
        QPolygonF ring = square(20, 20, 40);
        ring << square(30, 30, 20);
        item->erase({ring, square(70, 70, 10)});
        QCOMPARE(item->erasepath().fillRule(), Qt::WindingFill);
        QVERIFY(item->erasepath().contains(QPointF(75, 75)));
        QVERIFY(!item->erasepath().contains(QPointF(65, 65)));
        const QRgb red = qRgb(255, 0, 0);
        const QRgb black = qRgb(0, 0, 0);
        QImage image = render(scene);
        QCOMPARE(image.pixel(25, 25), red);
        QCOMPARE(image.pixel(40, 40), black);
        QCOMPARE(image.pixel(75, 75), red);
        QCOMPARE(image.pixel(15, 15), black);

        item->endErase();
        QVERIFY(item->erasePolygons().isEmpty());
        QCOMPARE(render(scene).pixel(40, 40), red);
    }
};

QTEST_MAIN(tst_PolygonItem)
#include "tst_polygonitem.moc"
