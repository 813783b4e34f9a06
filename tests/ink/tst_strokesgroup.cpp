#include "KvBoardInspection.h"
#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStroke.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvLogRecorder.h"
#include "KvPenCore.h"
#include "KvPenItemDelegate.h"
#include "KvPenObject.h"
#include "KvPenTypes.h"
#include "KvQtConvert.h"
#include "KvRecordingScene.h"
#include "KvTestMessages.h"

#include <QDomDocument>
#include <QGraphicsRectItem>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

const QString kKnownUuidText = QStringLiteral("0b5c3f9e-1d2a-4c6b-8e7f-a1b2c3d4e5f6");
const QUuid kKnownUuid = QUuid::fromString(kKnownUuidText);
const QColor kHighlighter(248, 231, 28);

// A board with the engine that saves and loads it.
struct Board
{
    Board() { engine.setScene(&scene); }
    KvRecordingScene scene;
    KvPenObject engine;
};

// A piece of a host's own kind, with a shape of its own.
class RoundPiece : public KvGraphicsPolygonItem
{
public:
    using KvGraphicsPolygonItem::KvGraphicsPolygonItem;
    QPainterPath shape() const override
    {
        QPainterPath path;
        path.addEllipse(polygon().boundingRect());
        return path;
    }
};

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

QPolygonF triangle(double x, double y)
{
    return QPolygonF(QVector<QPointF> {{x, y}, {x + 10, y}, {x + 10, y + 5}});
}

// The children's shapes as they report them, not mapped, one after another.
QPainterPath childShapes(const QGraphicsItem *group)
{
    QPainterPath shapes;
    for (const QGraphicsItem *child : group->childItems())
        shapes.addPath(child->shape());
    return shapes;
}

// A group built the way the engine builds one: on the board, pieces added and listed, each
// with its full outline and input point.
KvGraphicsStrokesGroup *addGroup(KvGraphicsScene *board, int stylus, const QColor &colour,
                                 const QList<QPolygonF> &polygons)
{
    auto *group = new KvGraphicsStrokesGroup(colour, stylus);
    board->addBoardItem(group);
    KvGraphicsStroke *stroke = polygons.isEmpty() ? nullptr : new KvGraphicsStroke;
    for (const QPolygonF &polygon : polygons) {
        auto *piece = new KvGraphicsPolygonItem(polygon);
        piece->setFullPolygon(polygon.united(QPolygonF(polygon.boundingRect())));
        piece->setCorrespondingPoint(polygon.first() + QPointF(0.5, -0.25));
        group->addToGroup(piece);
        piece->setStrokesGroup(group);
        piece->setStroke(stroke);
        group->items().append(piece);
    }
    group->setColor(colour);
    group->setPenWidth(10); // neither saved form carries it
    return group;
}

KvGraphicsStrokesGroup *addKnownGroup(KvGraphicsScene *board)
{
    auto *group = addGroup(board, 0, Qt::red, {triangle(0, 0)});
    group->setUuid(kKnownUuid);
    group->setPos(10, 20);
    group->setTransform(QTransform(0, 1, -1, 0, 0, 0));
    group->setZValue(3);
    return group;
}

// Three groups: a moved, rotated and locked pen stroke, a highlighter, and a pen stroke whose
// list order differs from its child order and one of whose pieces has a projective transform.
void addSampleBoard(KvGraphicsScene *board)
{
    auto *moved = addGroup(board, 0, Qt::red, {triangle(0, 0), triangle(8, 2)});
    moved->setPos(120, -40);
    moved->setTransform(QTransform().rotate(33).scale(1.5, 0.5));
    moved->setZValue(4);
    KvGraphicsItem::setLocked(moved, true);
    auto *marker = addGroup(board, 2, kHighlighter, {triangle(5, 5), triangle(12, 6)});
    marker->items().first()->setTransform(QTransform::fromTranslate(3, 1));
    marker->setPos(-7.25, 3);
    auto *reordered
        = addGroup(board, 0, Qt::blue, {triangle(0, 30), triangle(10, 31), triangle(20, 32)});
    const auto pieces = reordered->items();
    reordered->setItems({pieces[2], pieces[0], pieces[1]});
    // A projective piece transform with a translation comes back as it was, not recomputed.
    pieces[1]->setTransform(QTransform(1.1, 0.2, 1e-3, -0.3, 0.9, 2e-3, 12345.678, -9876.54321, 1));
    // Qt calls this one the identity (isIdentity() compares fuzzily); it is saved as it is.
    pieces[2]->setTransform(QTransform(1, 0, 0, 0, 1, 0, 1e-13, 0, 1));
}

using XmlWalk = void (KvPenObject::*)(QDomDocument *, QDomElement *, const QString &);

QString xmlOf(KvPenObject *engine, XmlWalk walk = &KvPenObject::exportSceneXml)
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("board"));
    document.appendChild(root);
    (engine->*walk)(&document, &root, QString());
    return document.toString(-1);
}

void importXml(KvPenObject *engine, const QString &text)
{
    QDomDocument document;
    QVERIFY(document.setContent(text));
    QDomElement root = document.documentElement();
    engine->importSceneXml(&document, &root, QString());
}

QVariantMap pieceMap(const QPolygonF &polygon, const QVariant &index = 0)
{
    return {{"polygon", QVariant::fromValue(polygon)},
            {"pen", QVariant::fromValue(QPen(Qt::NoPen))},
            {"brush", QVariant::fromValue(QBrush(Qt::red))},
            {"transform", QTransform()},
            {"zValue", 0.0},
            {"fillRule", 1},
            {"index", index}};
}

QVariantMap withValue(QVariantMap map, const QString &key, const QVariant &value)
{
    map.insert(key, value);
    return map;
}

QVariant withForeignKeys(const QVariant &pieces)
{
    QVariantList entries = pieces.toList();
    for (QVariant &entry : entries) {
        QVariantMap piece = entry.toMap();
        for (const char *key : {"a", "pencil", "q", "zz"})
            piece.insert(key, QTransform::fromScale(3, 3));
        entry = piece;
    }
    return entries;
}

// The board as a user sees it at 2x, antialiased: through QGraphicsScene::render, or grabbed
// from a plain QGraphicsView.
QImage atTwiceTheSize(QGraphicsScene *scene, bool view)
{
    const QRectF area(0, 0, 240, 120);
    if (view) {
        QGraphicsView plain(scene);
        plain.setRenderHint(QPainter::Antialiasing);
        plain.setFrameShape(QFrame::NoFrame);
        plain.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        plain.setSceneRect(area);
        plain.setTransform(QTransform::fromScale(2, 2));
        plain.resize(480, 240);
        return plain.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    }
    QImage image(480, 240, QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene->render(&painter, QRectF(image.rect()), area);
    return image;
}

// The pixels at least 1.5 units inside the group's pieces, at 2x.
QList<QRgb> inside(const QImage &image, const KvGraphicsStrokesGroup *group)
{
    QImage mask(image.size(), QImage::Format_Grayscale8);
    mask.fill(Qt::white);
    {
        QPainter painter(&mask);
        painter.scale(2, 2);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        for (const KvGraphicsPolygonItem *piece : group->items())
            painter.drawPolygon(piece->mapToScene(piece->polygon()), Qt::WindingFill);
    }
    QList<QRgb> pixels;
    for (int y = 3; y < mask.height() - 3; ++y) {
        for (int x = 3; x < mask.width() - 3; ++x) {
            bool interior = true;
            for (int dy = -3; dy <= 3 && interior; ++dy) {
                for (int dx = -3; dx <= 3 && interior; ++dx)
                    interior = qGray(mask.pixel(x + dx, y + dy)) == 0;
            }
            if (interior)
                pixels.append(image.pixel(x, y));
        }
    }
    return pixels;
}

// The value of one channel below which `percent` of the pixels lie.
int percentile(QList<QRgb> pixels, int (*channel)(QRgb), int percent)
{
    std::sort(pixels.begin(), pixels.end(),
              [channel](QRgb a, QRgb b) { return channel(a) < channel(b); });
    return channel(pixels.at((pixels.size() - 1) * percent / 100));
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
        auto *group = addGroup(&board, stylus, Qt::white, {square(0, 0), square(20, 0)});
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

    // A group's shape is its children's shapes added in order; the children after two pieces
    // without a pen: t a translucent piece (with its outline pen), p a lone point, e no points,
    // r an item of another kind, o a piece of a host's kind with its own shape, s a closed
    // outline.
    void shapeBySelection_data()
    {
        QTest::addColumn<QString>("children");
        QTest::newRow("pieces only") << QString();
        QTest::newRow("closed outline last") << QStringLiteral("tpeors");
        QTest::newRow("lone point, then nothing") << QStringLiteral("trpe");
    }
    void shapeBySelection()
    {
        QFETCH(QString, children);
        KvRecordingScene board;
        QVERIFY(addGroup(&board, 0, Qt::white, {})->shape().isEmpty());

        auto *group = addGroup(&board, 0, Qt::white, {square(0, 0), square(30, 5)});
        group->items().at(1)->setTransform(QTransform::fromTranslate(100, 0));
        for (const QChar kind : children) {
            QGraphicsItem *child = nullptr;
            if (kind == QLatin1Char('r')) {
                child = new QGraphicsRectItem(0, 0, 5, 5);
            } else {
                const QPolygonF polygon = kind == QLatin1Char('t') ? triangle(50, 0)
                    : kind == QLatin1Char('p')                     ? QPolygonF({{3, 4}})
                    : kind == QLatin1Char('s')                     ? square(60, 60)
                                                                   : QPolygonF();
                auto *piece = kind == QLatin1Char('o') ? new RoundPiece(triangle(70, 0))
                                                       : new KvGraphicsPolygonItem(polygon);
                if (kind == QLatin1Char('t'))
                    piece->setColor(QColor(255, 0, 0, 128));
                child = piece;
            }
            group->addToGroup(child);
        }
        // Built, then kept: both alike.
        for (int ask = 0; ask < 2; ++ask) {
            QPainterPath shapes = childShapes(group);
            QPainterPath shape = group->shape();
            QCOMPARE(shape, shapes);
            QCOMPARE(shape.controlPointRect(), shapes.controlPointRect());
            // What is added to it next starts where it would have.
            shape.lineTo(1, 2);
            shapes.lineTo(1, 2);
            QCOMPARE(shape, shapes);
        }

        group->setSelected(true);
        QPainterPath bounds;
        bounds.addRect(group->boundingRect());
        QCOMPARE(group->shape(), bounds);
    }

    // A shape asked for before a change is not the one given after it.
    void shapeFollowsChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("piece joins") << QStringLiteral("join");
        QTest::newRow("piece leaves") << QStringLiteral("leave");
        QTest::newRow("piece deleted") << QStringLiteral("delete");
        QTest::newRow("piece turned translucent") << QStringLiteral("recolour");
        QTest::newRow("piece cut") << QStringLiteral("cut");
        QTest::newRow("other group changed") << QStringLiteral("other");
    }
    void shapeFollowsChanges()
    {
        QFETCH(QString, change);
        KvRecordingScene board;
        auto *group = addGroup(&board, 0, Qt::white, {square(0, 0), square(30, 5)});
        auto *other = addGroup(&board, 0, Qt::white, {square(0, 0), square(30, 5)});
        const QPainterPath before = group->shape();
        QCOMPARE(other->shape(), before);
        KvGraphicsPolygonItem *first = group->items().first();
        if (change == QLatin1String("join")) {
            group->addToGroup(new KvGraphicsPolygonItem(square(60, 60)));
        } else if (change == QLatin1String("leave")) {
            group->removeFromGroup(first);
        } else if (change == QLatin1String("delete")) {
            group->items().removeFirst();
            delete first;
        } else if (change == QLatin1String("recolour")) {
            first->setColor(QColor(255, 0, 0, 128)); // outlined from now on
        } else if (change == QLatin1String("cut")) {
            KvGraphicsPolygonItem knife(QPolygonF(QRectF(5, -5, 20, 30)));
            first->subtract(&knife);
        } else {
            other->addToGroup(new KvGraphicsPolygonItem(square(60, 60)));
            QCOMPARE(group->shape(), before);
            group = other;
        }
        QVERIFY(group->shape() != before);
        QCOMPARE(group->shape(), childShapes(group));
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
        auto *group = addGroup(&board, 0, Qt::white, {square(0, 0)});
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
        auto *group = addGroup(&board, 2, QColor(248, 231, 28, 128),
                               {square(0, 0), square(12, 3), square(25, -4)});
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

    void recordOfKnownGroup()
    {
        Board board;
        board.scene.addBoardItem(new QGraphicsRectItem(0, 0, 5, 5));
        auto *group = addKnownGroup(&board.scene);
        // A child not in the list; joining keeps it in place, so it takes the inverse rotation.
        group->addToGroup(new KvGraphicsPolygonItem(triangle(40, 0)));
        group->setColor(Qt::red);
        group->items().first()->setTransform(QTransform::fromTranslate(1, 2));

        QList<KvSaveDataItem> records;
        board.engine.exportScene(records, QStringLiteral("ignored"));
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].uuid, kKnownUuidText);
        QCOMPARE(records[0].type, 0x1000e);
        QCOMPARE(records[0].name, QStringLiteral("Strokes"));
        const QVariantList pieces {
            withValue(pieceMap(triangle(0, 0)), "transform", QTransform::fromTranslate(1, 2)),
            withValue(pieceMap(triangle(40, 0), -1), "transform", QTransform(0, -1, 1, 0, 0, 0))};
        const QVariantMap expected {{"uuid", kKnownUuidText},
                                    {"pos", QPointF(10, 20)},
                                    {"transform", QTransform(0, 1, -1, 0, 0, 0)},
                                    {"zValue", 3.0},
                                    {"locked", false},
                                    {"polygons", pieces},
                                    {"color", QColor(Qt::red)}};
        QCOMPARE(records[0].data, expected);
    }

    void xmlOfKnownGroup()
    {
        Board board;
        addKnownGroup(&board.scene);
        QCOMPARE(xmlOf(&board.engine),
                 QStringLiteral("<board><strokesGroup>"
                                "<uuid>0b5c3f9e-1d2a-4c6b-8e7f-a1b2c3d4e5f6</uuid>"
                                "<pos>10,20</pos><transform>0,1,0,-1,0,0,0,0,1</transform>"
                                "<zValue>3</zValue><locked>false</locked>"
                                "<polygonItem><polygon>0,0;10,0;10,5</polygon>"
                                "<polygonfull>0,0;10,0;10,5;0,5;0,0</polygonfull>"
                                "<pen>0,1,#FF000000,16,64,0</pen><brush>1,#FFFF0000</brush>"
                                "<fillRule>1</fillRule><index>0</index>"
                                "<transform>1,0,0,0,1,0,0,0,1</transform><zValue>0</zValue>"
                                "</polygonItem>"
                                "<color>#FFFF0000</color><type>0</type>"
                                "</strokesGroup></board>"));
    }

    void pointInfoAndSnapshot()
    {
        Board board;
        auto *marker = addGroup(&board.scene, 2, kHighlighter, {triangle(0, -8), triangle(10, 0)});
        marker->setUuid(kKnownUuid);
        marker->setPenWidth(12);
        marker->setZValue(0.5);
        marker->setPos(3.5, -2);
        marker->items().prepend(nullptr);
        auto *empty = addGroup(&board.scene, 0, Qt::red, {});
        empty->setZValue(1);

        // Top-most first.
        QCOMPARE(xmlOf(&board.engine, &KvPenObject::exportOriginalPointInfoXml),
                 "<board><strokesGroup id=\"" + empty->uuid().toString(QUuid::WithoutBraces)
                     + "\"><polygonItem><pos></pos></polygonItem><zValue>1</zValue>"
                       "<color>#FFFF0000</color><type>0</type><width>10</width></strokesGroup>"
                       "<strokesGroup id=\"0b5c3f9e-1d2a-4c6b-8e7f-a1b2c3d4e5f6\">"
                       "<polygonItem><pos>0.5,-8.25;10.5,-0.25</pos></polygonItem>"
                       "<zValue>0.5</zValue><color>#80F8E71C</color><type>2</type>"
                       "<width>12</width></strokesGroup></board>");

        // The whole-stroke message takes the listed pieces' points, in list order.
        QJsonObject json {{"messageid", "m-1"}};
        marker->setSnaphotData(json);
        QCOMPARE(json.value("pos"), QJsonValue("0.5,-8.25;10.5,-0.25"));
        QCOMPARE(json.value("dx"), QJsonValue(3.5));
        QCOMPARE(marker->getSnaphotData(), json);
    }

    void loadsNeedTheHostBoard()
    {
        KvCoreGraphicsScene plainBoard;
        KvPenObject engine;
        engine.setScene(&plainBoard);
        engine.importScene({{"", 0x1000e, "Strokes", {}}}, QString());
        QVERIFY(plainBoard.items().isEmpty());
    }

    // The sample board saved in one format and loaded on a fresh board. Both keep identity,
    // stylus, common data, and the pieces in list order where they were; neither keeps the pen
    // width or the input points. Records lose the full outlines, and a record without the key
    // that names a highlighter loads as the plain record always did: an opaque pen. XML colours
    // keep 8 bits per channel. Keys other writers add to a piece, before, between and after the
    // known ones, change nothing.
    void roundTrip_data()
    {
        QTest::addColumn<bool>("xml");
        QTest::addColumn<bool>("plainRecords");
        QTest::addColumn<bool>("foreignKeys");
        QTest::newRow("record") << false << false << false;
        QTest::newRow("plain record") << false << true << false;
        QTest::newRow("record with other keys") << false << false << true;
        QTest::newRow("xml") << true << false << false;
    }
    void roundTrip()
    {
        QFETCH(bool, xml);
        QFETCH(bool, plainRecords);
        QFETCH(bool, foreignKeys);
        Board saved;
        Board loaded;
        addSampleBoard(&saved.scene);
        if (xml) {
            importXml(&loaded.engine, xmlOf(&saved.engine));
        } else {
            QList<KvSaveDataItem> records;
            saved.engine.exportScene(records, QString());
            for (KvSaveDataItem &record : records) {
                QCOMPARE(record.data.contains("type"), record.data.value("type") == 2);
                if (plainRecords)
                    record.data.remove("type");
                if (foreignKeys)
                    record.data["polygons"] = withForeignKeys(record.data.value("polygons"));
            }
            loaded.engine.importScene(records, QString());
        }
        const auto loadedGroups = groupsOn(loaded.scene);
        const auto savedGroups = groupsOn(saved.scene);
        QCOMPARE(loadedGroups.size(), savedGroups.size());
        for (int g = 0; g < savedGroups.size(); ++g) {
            KvGraphicsStrokesGroup *group = loadedGroups[g];
            KvGraphicsStrokesGroup *savedGroup = savedGroups[g];
            QCOMPARE(group->uuid(), savedGroup->uuid());
            QCOMPARE(group->pos(), savedGroup->pos());
            QCOMPARE(group->transform(), savedGroup->transform());
            QCOMPARE(group->zValue(), savedGroup->zValue());
            QCOMPARE(KvGraphicsItem::isLocked(group), KvGraphicsItem::isLocked(savedGroup));
            QCOMPARE(group->penWidth(), 2);
            QCOMPARE(group->stylus(), plainRecords ? 0 : savedGroup->stylus());
            QCOMPARE(group->color().rgba(),
                     savedGroup->color().rgba() | (plainRecords ? 0xff000000 : 0));
            QCOMPARE(group->items().size(), savedGroup->items().size());
            for (int p = 0; p < group->items().size(); ++p) {
                const KvGraphicsPolygonItem *piece = group->items()[p];
                const KvGraphicsPolygonItem *savedPiece = savedGroup->items()[p];
                QCOMPARE(piece->polygon(), savedPiece->polygon());
                QCOMPARE(piece->transform(), savedPiece->transform());
                QCOMPARE(piece->mapToScene(piece->polygon()),
                         savedPiece->mapToScene(savedPiece->polygon()));
                QCOMPARE(piece->fillRule(), savedPiece->fillRule());
                QCOMPARE(piece->stroke(), group->items().first()->stroke());
                QCOMPARE(piece->color(), group->color());
                QCOMPARE(piece->fullPolygon(), xml ? savedPiece->fullPolygon() : QPolygonF());
            }
        }
        QCOMPARE(boardViolations(loaded.scene), QStringList());
        if (xml)
            QCOMPARE(xmlOf(&loaded.engine), xmlOf(&saved.engine));
    }

    // A highlighter stroke that winds back over itself, drawn here, mirrored live, replayed
    // whole and loaded from XML, looks like one sheet of its colour at 2x: no seams between the
    // pieces, no darker crossing, and inside it the colour of one fill on the page.
    void highlighterIsOneSheet_data()
    {
        QTest::addColumn<QString>("origin");
        QTest::addColumn<bool>("view");
        for (const char *origin : {"drawn", "mirrored live", "replayed whole", "loaded from XML"}) {
            QTest::addRow("%s, rendered", origin) << origin << false;
            QTest::addRow("%s, in a view", origin) << origin << true;
        }
    }
    void highlighterIsOneSheet()
    {
        QFETCH(QString, origin);
        QFETCH(bool, view);
        const QColor colour(0x33, 0x66, 0xcc);
        KvGraphicsScene drawn, mirrored, replayed;
        KvPenCore sender, mirror, replica;
        sender.currentSceneChanged(&drawn);
        mirror.currentSceneChanged(&mirrored);
        replica.currentSceneChanged(&replayed);
        connect(&sender, &KvPenCore::sig_sendRemoteData,
                [&](const QUuid &, int type, const QJsonObject &data, const QString &messageid) {
                    QJsonObject message = data;
                    message.insert("messageid", messageid);
                    mirror.remoteData("sender", type, message);
                });
        connect(&sender, &KvPenCore::sig_penChanged, &replica, &KvPenCore::paintPen);
        sender.setStylus(KvPen::MarkerStylus);
        sender.setMarkerColor(colour);
        sender.setMarkerWidth(20);
        sender.inputDevicePress(QPointF(20, 40), 1);
        for (int step = 1; step <= 90; ++step)
            sender.inputDeviceMove(QPointF(20 + step * 2.2, 60 - 30 * std::cos(step / 9.0)), 1);
        for (int step = 1; step <= 70; ++step)
            sender.inputDeviceMove(QPointF(218 - step * 2.6, 50 + 0.4 * step), 1);
        sender.inputDeviceRelease();
        Board loaded;
        importXml(&loaded.engine, xmlOf(sender.findChild<KvPenObject *>()));
        const QMap<QString, KvGraphicsScene *> boards {{"drawn", &drawn},
                                                       {"mirrored live", &mirrored},
                                                       {"replayed whole", &replayed},
                                                       {"loaded from XML", &loaded.scene}};
        KvGraphicsScene *board = boards.value(origin);
        board->setBackgroundBrush(Qt::white);
        QCOMPARE(groupsOn(*board).size(), 1);

        const QImage image = atTwiceTheSize(board, view);
        const QList<QRgb> pixels = inside(image, groupsOn(*board).first());
        QVERIFY(pixels.size() > 10000);
        QImage page(1, 1, QImage::Format_ARGB32);
        page.fill(Qt::white);
        QPainter(&page).fillRect(page.rect(), groupsOn(*board).first()->items().first()->brush());
        using Channel = int (*)(QRgb);
        for (Channel channel : {Channel(qRed), Channel(qGreen), Channel(qBlue)}) {
            const int spread = percentile(pixels, channel, 99) - percentile(pixels, channel, 1);
            QVERIFY2(spread <= 3, qPrintable(QString::number(spread)));
            QCOMPARE(percentile(pixels, channel, 50), channel(page.pixel(0, 0)));
        }
    }

    // Each row loads one hostile group, from a record or from the XML inside a group element,
    // amid records and nodes that the walks skip. Only ink kinds are loaded as a stylus.
    void malformedInput_data()
    {
        QTest::addColumn<QVariant>("input");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<bool>("refused");
        const QVariantMap sound = pieceMap(triangle(0, 0));
        const auto record = [](const QVariantList &entries) {
            return QVariant(QVariantMap {{"polygons", entries}, {"color", QColor(Qt::red)}});
        };
        const auto bad = [&](const QString &key, const QVariant &value) {
            return record({withValue(sound, key, value)});
        };
        const auto badXml = [](const QString &values) {
            return QVariant("<polygonItem>" + values + "</polygonItem>");
        };
        const int most = KvPen::kMaxPiecesPerGroup;
        const QVariant nanPoint
            = QVariant::fromValue(QPolygonF(QVector<QPointF> {{0, 0}, {qQNaN(), 1}}));
        const QString soundXml = "<polygonItem><polygon>0,0;10,0;10,5</polygon></polygonItem>";
        // A polygon of `points` points, the first `far` out, in either form.
        const auto polygonOf = [](int points, double far) {
            QPolygonF polygon(QVector<QPointF>(points, QPointF(1, 1)));
            polygon[0] = QPointF(far, -far);
            return polygon;
        };
        const auto xmlPolygon = [](const QPolygonF &polygon) {
            return QVariant("<polygonItem><polygon>" + KvQtConvert::polygonFToString(polygon)
                            + "</polygon></polygonItem>");
        };
        const double far = KvPen::kMaxCoordinate;
        const double beyond = std::nextafter(far, 2 * far);

        QTest::newRow("record: farthest point") << bad("polygon", polygonOf(3, far)) << 1 << false;
        QTest::newRow("record: beyond it") << bad("polygon", polygonOf(3, beyond)) << 0 << true;
        QTest::newRow("record: most points")
            << bad("polygon", polygonOf(KvPen::kMaxPointsPerPiece, 1)) << 1 << false;
        QTest::newRow("xml: more points")
            << xmlPolygon(polygonOf(KvPen::kMaxPointsPerPiece + 1, 1)) << 0 << true;
        QTest::newRow("xml: beyond the farthest point")
            << xmlPolygon(polygonOf(3, beyond)) << 0 << true;
        QTest::newRow("record: polygons not a list")
            << QVariant(QVariantMap {{"polygons", "x"}}) << 0 << false;
        QTest::newRow("record: entry not a map") << record({5, sound}) << 2 << false;
        QTest::newRow("record: wrong types") << bad("polygon", "junk") << 1 << false;
        QTest::newRow("record: NaN point")
            << record({sound, withValue(sound, "polygon", nanPoint)}) << 1 << true;
        QTest::newRow("record: singular transform")
            << bad("transform", QTransform(0, 0, 0, 0, 0, 0)) << 0 << true;
        QTest::newRow("record: far transform")
            << bad("transform", QTransform::fromScale(1e7, 1)) << 0 << true;
        QTest::newRow("record: infinite transform")
            << bad("transform", QTransform::fromTranslate(qInf(), 0)) << 0 << true;
        QTest::newRow("record: NaN z") << bad("zValue", qQNaN()) << 0 << true;
        QTest::newRow("record: fill rule") << bad("fillRule", 7) << 0 << true;
        QTest::newRow("record: pen width")
            << bad("pen", QVariant::fromValue(QPen(Qt::red, qInf()))) << 0 << true;
        QTest::newRow("record: too many pieces")
            << record(QVector<QVariant>(most + 2, sound).toList()) << most << true;
        QTest::newRow("xml: empty piece") << QVariant("<polygonItem/>") << 1 << false;
        QTest::newRow("xml: other children")
            << QVariant("<x/>text<!-- c -->" + soundXml) << 1 << false;
        QTest::newRow("xml: malformed polygon")
            << badXml("<polygon>0,0;x,1</polygon>") << 0 << true;
        QTest::newRow("xml: malformed full polygon")
            << badXml("<polygonfull>0,0,3</polygonfull>") << 0 << true;
        QTest::newRow("xml: NaN point") << badXml("<polygon>0,0;nan,1</polygon>") << 0 << true;
        QTest::newRow("xml: singular transform")
            << badXml("<transform>0,0,0,0,0,0,0,0,1</transform>") << 0 << true;
        QTest::newRow("xml: infinite z") << badXml("<zValue>inf</zValue>") << 0 << true;
        QTest::newRow("xml: fill rule") << badXml("<fillRule>3</fillRule>") << 0 << true;
        QTest::newRow("xml: eraser stylus") << QVariant(soundXml + "<type>1</type>") << 1 << true;
        QTest::newRow("xml: too many pieces")
            << QVariant(soundXml.repeated(most + 1)) << most << true;
    }
    void malformedInput()
    {
        QFETCH(QVariant, input);
        QFETCH(int, pieces);
        QFETCH(bool, refused);
        Board board;
        KvGraphicsStrokesGroup *existing = addKnownGroup(&board.scene);
        const bool xml = input.type() == QVariant::String;
        KvLogRecorder log;
        if (xml)
            importXml(&board.engine,
                      "<board><other/>text<g><strokesGroup/></g><strokesGroup>" + input.toString()
                          + "</strokesGroup></board>");
        else
            board.engine.importScene(
                {{"x", 7, "Other", {}}, {"not a uuid", 0x1000e, "Strokes", input.toMap()}},
                QString());
        const auto groups = groupsOn(board.scene);
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[0], existing);
        QCOMPARE(existing->items().size(), 1);
        QCOMPARE(existing->uuid(), kKnownUuid);
        QVERIFY(!groups[1]->uuid().isNull());
        QCOMPARE(groups[1]->items().size(), pieces);
        QCOMPARE(groups[1]->childItems().size(), pieces);
        QCOMPARE(groups[1]->stylus(), 0);
        const QString function = xml ? "importItemXml" : "importItem";
        QCOMPARE(log.lines(),
                 refused ? QStringList {"kvpen.io KvGraphicsStrokesGroup::" + function}
                         : QStringList());
    }
};

QTEST_MAIN(tst_StrokesGroup)
#include "tst_strokesgroup.moc"
