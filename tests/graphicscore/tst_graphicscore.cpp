#include "KvColorPopup.h"
#include "KvGraphicsItem.h"
#include "KvGraphicsItemDelegate.h"
#include "KvGraphicsScene.h"
#include "KvItem.h"
#include "KvObjectCore.h"
#include "KvQtConvert.h"
#include "KvSelectionFrame.h"

#include <QColorDialog>
#include <QDomDocument>
#include <QGraphicsRectItem>
#include <QSignalSpy>
#include <QtTest>

#include <limits>

namespace {

// A minimal board item, the way a plug-in combines the host's interfaces.
class BoardRect : public QGraphicsRectItem, public KvItem, public KvGraphicsItem
{
public:
    BoardRect()
        : QGraphicsRectItem(0, 0, 10, 10)
    {
        setUuid(QUuid::createUuid());
    }
    int type() const override { return UserType + 99; }
};

QString xmlText(const QDomElement &element)
{
    QString text;
    QTextStream stream(&text);
    element.save(stream, -1);
    return text;
}

} // namespace

class tst_GraphicsCore : public QObject
{
    Q_OBJECT

private slots:
    void textRoundTrip_data();
    void textRoundTrip();
    void malformedText_data();
    void malformedText();
    void numbersAreShortestAndExact();
    void domHelpers();

    void boardOrderAndRemoval();
    void removedItemsAreOwnedUntilTakenBack();
    void baseDataLandsOnBoard();
    void baseXmlRoundTrip();
    void hostileBaseDataIsIgnored();

    void delegateControlsFollowSelection();
    void selectionFrameEnclosesItems();
    void objectCoreKeepsSceneWeakly();
    void colorPopupReportsPicks();
};

void tst_GraphicsCore::textRoundTrip_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("colour") << QVariant(QColor(0xF8, 0xE7, 0x1C, 0x80)) << "#80F8E71C";
    QTest::newRow("point") << QVariant(QPointF(10.5, -3)) << "10.5,-3";
    QTest::newRow("polygon") << QVariant(QPolygonF({{0, 0}, {10, 0}, {10, 0.25}}))
                             << "0,0;10,0;10,0.25";
    QTest::newRow("empty polygon") << QVariant(QPolygonF()) << "";
    QTest::newRow("transform") << QVariant(QTransform().translate(5, 6).rotate(90))
                               << "0,1,0,-1,0,0,5,6,1";
    QTest::newRow("brush") << QVariant(QBrush(QColor(255, 0, 0), Qt::Dense4Pattern))
                           << "5,#FFFF0000";
    QPen pen(QBrush(QColor(0, 0, 255, 10)), 0.25, Qt::DashLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setCosmetic(true);
    QTest::newRow("pen") << QVariant(pen) << "2,0.25,#0A0000FF,32,128,1";
    QTest::newRow("no pen") << QVariant(QPen(Qt::NoPen)) << "0,1,#FF000000,16,64,0";
}

void tst_GraphicsCore::textRoundTrip()
{
    QFETCH(QVariant, value);
    QFETCH(QString, text);

    QCOMPARE(KvQtConvert::variantToString(value), text);
    switch (value.userType()) {
    case QMetaType::QColor:
        QCOMPARE(KvQtConvert::stringToColor(text), value.value<QColor>());
        break;
    case QMetaType::QPointF:
        QCOMPARE(KvQtConvert::stringToPointF(text), value.toPointF());
        break;
    case QMetaType::QPolygonF:
        QCOMPARE(KvQtConvert::stringToPolygonF(text), value.value<QPolygonF>());
        break;
    case QMetaType::QTransform:
        QCOMPARE(KvQtConvert::stringToTransform(text), value.value<QTransform>());
        break;
    case QMetaType::QBrush:
        QCOMPARE(KvQtConvert::stringToBrush(text), value.value<QBrush>());
        break;
    case QMetaType::QPen:
        QCOMPARE(KvQtConvert::stringToPen(text), value.value<QPen>());
        break;
    default:
        QFAIL("type not covered");
    }
}

void tst_GraphicsCore::malformedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("garbage") << "not a value";
    QTest::newRow("nan") << "nan,nan,nan,nan,nan,nan,nan,nan,nan";
    QTest::newRow("inf") << "inf,1;2,3";
    QTest::newRow("trailing separator") << "1,2;";
    QTest::newRow("three coordinates") << "1,2,3";
    QTest::newRow("huge exponent") << "1e999,0";
    QTest::newRow("bad colour") << "#GG000000";
    QTest::newRow("12-bit colour") << "#80F8E7A1C";
    QTest::newRow("gradient brush") << "15,#FF000000";
    QTest::newRow("negative pen width") << "1,-2,#FF000000,16,64,0";
    QTest::newRow("unknown cap") << "1,2,#FF000000,17,64,0";
}

void tst_GraphicsCore::malformedText()
{
    QFETCH(QString, text);
    QVERIFY(!KvQtConvert::stringToColor(text).isValid());
    QCOMPARE(KvQtConvert::stringToPointF(text), QPointF());
    QCOMPARE(KvQtConvert::stringToPolygonF(text), QPolygonF());
    QCOMPARE(KvQtConvert::stringToTransform(text), QTransform());
    QCOMPARE(KvQtConvert::stringToBrush(text), QBrush());
    QCOMPARE(KvQtConvert::stringToPen(text), QPen());
}

void tst_GraphicsCore::numbersAreShortestAndExact()
{
    const double values[]
        = {0.1, 1.0 / 3.0, -2.5e-300, 1e21, 123456789.125, std::numeric_limits<double>::max()};
    for (double value : values) {
        const QString text = KvQtConvert::numberToString(value);
        QCOMPARE(KvQtConvert::stringToPointF(text + "," + text), QPointF(value, value));
    }
    QCOMPARE(KvQtConvert::numberToString(0.1), QStringLiteral("0.1"));
    QCOMPARE(KvQtConvert::numberToString(1e21), QStringLiteral("1e+21"));
    QCOMPARE(KvQtConvert::colorToString(QColor()), QString());
}

void tst_GraphicsCore::domHelpers()
{
    QDomDocument document;
    QDomElement root = document.createElement("board");
    document.appendChild(root);
    QDomElement group;
    KvQtConvert::createDomElement(&document, &root, group, "strokesGroup");
    KvQtConvert::setAttributeDomString(&group, "id", "abc");
    KvQtConvert::insertDomVariant(&document, &group, "zValue", 0.5);
    KvQtConvert::insertDomVariant(&document, &group, "type", 2);
    KvQtConvert::insertDomString(&document, &group, "pos", "1,2;3,4");

    QCOMPARE(xmlText(root),
             QStringLiteral("<board><strokesGroup id=\"abc\"><zValue>0.5</zValue>"
                            "<type>2</type><pos>1,2;3,4</pos></strokesGroup></board>"));
    QCOMPARE(KvQtConvert::readDomString(&group, "type"), QStringLiteral("2"));
    QCOMPARE(KvQtConvert::readDomString(&group, "missing"), QString());
    // Only direct children count: a piece's value is not the group's.
    QCOMPARE(KvQtConvert::readDomString(&root, "type"), QString());
}

void tst_GraphicsCore::boardOrderAndRemoval()
{
    KvGraphicsScene scene;
    auto *a = new QGraphicsRectItem;
    auto *b = new QGraphicsRectItem;
    auto *c = new QGraphicsRectItem;
    auto *foreign = new QGraphicsRectItem;
    scene.addItem(foreign);
    scene.addBoardItem(b);
    scene.addBoardItem(a);
    scene.addBoardItem(c);
    scene.addBoardItem(a); // already on the board: keeps its place
    QCOMPARE(scene.getFastAccessItems(), (QList<QGraphicsItem *> {b, a, c}));

    scene.removeBoardItem(a, true);
    scene.removeBoardItem(a, true); // no longer on the board: a no-op
    QCOMPARE(scene.getFastAccessItems(), (QList<QGraphicsItem *> {b, c}));
    QVERIFY(scene.removedItems().isEmpty());
    delete a;

    delete b; // the host may delete a board item directly
    scene.addBoardItem(foreign);
    QCOMPARE(scene.getFastAccessItems(), (QList<QGraphicsItem *> {c}));
}

void tst_GraphicsCore::removedItemsAreOwnedUntilTakenBack()
{
    auto *scene = new KvGraphicsScene;
    auto *kept = new QGraphicsRectItem;
    auto *undone = new QGraphicsRectItem;
    auto *taken = new QGraphicsRectItem;
    for (auto *item : {kept, undone, taken})
        scene->addBoardItem(item);
    for (auto *item : {kept, undone, taken}) {
        scene->removeBoardItem(item, false);
        scene->removeBoardItem(item, false);
    }
    QCOMPARE(scene->removedItems().size(), 3);

    scene->addBoardItem(undone);
    QVERIFY(scene->takeRemovedItem(taken));
    QVERIFY(!scene->takeRemovedItem(taken));
    QCOMPARE(scene->removedItems(), QList<QGraphicsItem *> {kept});
    QCOMPARE(scene->getFastAccessItems(), QList<QGraphicsItem *> {undone});

    delete scene; // deletes `kept` and `undone`; the leak checker watches `taken`
    delete taken;
}

void tst_GraphicsCore::baseDataLandsOnBoard()
{
    BoardRect source;
    source.setPos(100, 50);
    source.setTransform(QTransform().rotate(30));
    source.setZValue(7);
    KvGraphicsItem::setLocked(&source, true);
    const QVariantMap data = source.getBaseExportData();

    KvGraphicsScene scene;
    auto *loaded = new BoardRect;
    loaded->importBaseData(data);
    QCOMPARE(loaded->uuid(), source.uuid());
    QCOMPARE(loaded->zValue(), 7.0);
    QVERIFY(KvGraphicsItem::isLocked(loaded));
    // Geometry waits for the board, so children joining before then keep their place.
    auto *child = new QGraphicsRectItem(0, 0, 1, 1);
    child->setPos(3, 4);
    auto *group = loaded;
    child->setParentItem(group);
    QCOMPARE(loaded->pos(), QPointF());

    scene.addBoardItem(loaded);
    QCOMPARE(loaded->pos(), source.pos());
    QCOMPARE(loaded->transform(), source.transform());
    QCOMPARE(child->scenePos(), source.mapToScene(QPointF(3, 4)));
}

void tst_GraphicsCore::baseXmlRoundTrip()
{
    BoardRect source;
    source.setPos(-12.25, 8);
    source.setTransform(QTransform().scale(2, 0.5));
    source.setZValue(0.5);
    QDomDocument document;
    QDomElement element = document.createElement("item");
    source.exportBaseXml(&document, &element);

    BoardRect loaded;
    loaded.importBaseXml(&document, &element);
    QCOMPARE(loaded.uuid(), source.uuid());
    QCOMPARE(loaded.pos(), source.pos());
    QCOMPARE(loaded.transform(), source.transform());
    QCOMPARE(loaded.zValue(), source.zValue());
    QVERIFY(!KvGraphicsItem::isLocked(&loaded));
}

void tst_GraphicsCore::hostileBaseDataIsIgnored()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QVariantMap data {{"uuid", "not-a-uuid"},
                            {"pos", QPointF(1e300, 1)},
                            {"transform", QVariant::fromValue(QTransform(nan, 0, 0, 1, 0, 0))},
                            {"zValue", "oops"}};
    KvGraphicsScene scene;
    auto *item = new BoardRect;
    const QUuid uuid = item->uuid();
    item->importBaseData(data);
    scene.addBoardItem(item);
    QCOMPARE(item->uuid(), uuid);
    QCOMPARE(item->pos(), QPointF());
    QCOMPARE(item->transform(), QTransform());
    QCOMPARE(item->zValue(), 0.0);
}

void tst_GraphicsCore::delegateControlsFollowSelection()
{
    KvGraphicsScene scene;
    auto *item = new QGraphicsRectItem(0, 0, 10, 10);
    scene.addBoardItem(item);
    auto *delegate = new KvGraphicsItemDelegate(item, &scene, KvInkControls);
    QSignalSpy started(delegate, &KvGraphicsItemDelegate::undoStepStarted);
    QSignalSpy committed(delegate, &KvGraphicsItemDelegate::undoStepCommitted);

    delegate->createControls();
    QVERIFY(!delegate->controlsVisible());
    delegate->showControls();
    QVERIFY(delegate->controlsVisible());
    QCOMPARE(scene.items().size(), 2);
    delegate->itemChange(QGraphicsItem::ItemSelectedHasChanged, false);
    QVERIFY(!delegate->controlsVisible());

    delegate->startUndoStep();
    delegate->commitUndoStep(0, 1);
    QCOMPARE(started.size(), 1);
    QCOMPARE(committed.takeFirst(), (QVariantList {0, 1}));

    delete delegate;
    QCOMPARE(scene.items(), QList<QGraphicsItem *> {item});
}

void tst_GraphicsCore::selectionFrameEnclosesItems()
{
    KvGraphicsScene scene;
    auto *a = new BoardRect;
    auto *b = new BoardRect;
    b->setPos(30, 40);
    scene.addBoardItem(a);
    scene.addBoardItem(b);
    auto *frame = new KvSelectionFrame;
    scene.addBoardItem(frame);
    frame->setEnclosedItems({a, b});
    QCOMPARE(frame->sceneBoundingRect().adjusted(0.5, 0.5, -0.5, -0.5), QRectF(-0.5, -0.5, 41, 51));
    QVERIFY(frame->checkContainsCopyItems({a, b}));
    QVERIFY(!frame->checkContainsCopyItems({a, new QGraphicsRectItem(frame)}));
    QCOMPARE(frame->buttonsForFlags(KvInkControls),
             (QStringList {"delete", "copy", "lock", "color"}));
    frame->hideFrameItems();
    QVERIFY(!frame->isVisible());
}

void tst_GraphicsCore::objectCoreKeepsSceneWeakly()
{
    KvObjectCore core;
    auto *scene = new KvGraphicsScene;
    core.currentSceneChanged(scene);
    QCOMPARE(core.scene(), scene);
    delete scene;
    QCOMPARE(core.scene(), nullptr);
}

void tst_GraphicsCore::colorPopupReportsPicks()
{
    KvColorPopup popup;
    QVERIFY(popup.windowFlags().testFlag(Qt::Popup));
    QSignalSpy picked(&popup, &KvColorPopup::colorChanged);
    popup.setDefalutColor(QColor("#D0021B"));
    QCOMPARE(popup.currentColor(), QColor("#D0021B"));
    QVERIFY(picked.isEmpty());

    // A pick in the embedded chooser, as its hue field reports it.
    auto *chooser = popup.findChild<QColorDialog *>();
    QVERIFY(chooser);
    chooser->setCurrentColor(QColor(10, 200, 30));
    QCOMPARE(picked.size(), 1);
    QCOMPARE(picked.first().first().value<QColor>(), QColor(10, 200, 30));
    // The compact chooser fits the pen popup's custom colour area.
    popup.resize(196, 215);
    QVERIFY(popup.minimumSizeHint().width() <= 196);
}

QTEST_MAIN(tst_GraphicsCore)
#include "tst_graphicscore.moc"
