#include "KvBoardPage.h"
#include "KvGraphicsItem.h"
#include "KvGraphicsItemDelegate.h"
#include "KvGraphicsScene.h"
#include "KvItem.h"
#include "KvLogRecorder.h"
#include "KvObjectCore.h"
#include "KvQtConvert.h"
#include "KvSelectionFrame.h"

#include <QDomDocument>
#include <QGraphicsRectItem>
#include <QGraphicsView>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <limits>

namespace {

// A minimal board item, the way a plug-in combines the host's interfaces (here before the
// graphics item, so that they sit below it in the object).
class BoardRect : public KvItem, public KvGraphicsItem, public QGraphicsRectItem
{
public:
    BoardRect()
        : QGraphicsRectItem(0, 0, 10, 10)
    {
        setUuid(QUuid::createUuid());
    }
    int type() const override { return UserType + 99; }
};

// A board item with a delegate that hears its changes, as a plug-in's selectable items are.
class DelegatedRect : public QObject, public BoardRect
{
public:
    explicit DelegatedRect(const QRectF &rect)
    {
        setRect(rect);
        setPen(Qt::NoPen);
        setDelegate(new KvGraphicsItemDelegate(this, this, {}));
    }

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant &value) override
    {
        return QGraphicsRectItem::itemChange(change, delegate()->itemChange(change, value));
    }
};

// A board group shaped as the plug-in's ink groups are: its children's own shapes, unmapped.
class BoardGroup : public QObject, public QGraphicsItemGroup, public KvItem, public KvGraphicsItem
{
public:
    BoardGroup() { setDelegate(new KvGraphicsItemDelegate(this, this, {})); }
    QPainterPath shape() const override
    {
        QPainterPath path;
        for (const QGraphicsItem *child : childItems())
            path.addPath(child->shape());
        return path;
    }
};

// The board items in the order the scene stacks them, bottom first.
QList<QGraphicsItem *> stacked(const QGraphicsScene &scene)
{
    QList<QGraphicsItem *> items = scene.items(Qt::AscendingOrder);
    items.erase(std::remove_if(items.begin(), items.end(),
                               [](QGraphicsItem *item) { return KvBoardPage::isPage(item); }),
                items.end());
    return items;
}

int topLevelCount(const QGraphicsScene &scene)
{
    const QList<QGraphicsItem *> items = scene.items();
    return int(std::count_if(items.cbegin(), items.cend(),
                             [](QGraphicsItem *item) { return !item->parentItem(); }));
}

} // namespace

class tst_GraphicsCore : public QObject
{
    Q_OBJECT

private slots:
    void numberText_data();
    void numberText();
    void malformedText_data();
    void malformedText();
    void domHelpers();
    void domTextIsQts_data();
    void domTextIsQts();

    void boardOrderAndRemoval();
    void removedItemsAreOwnedUntilTakenBack();
    void selectionFrameCopiesOnlyBoardItems();
    void hostileBaseDataIsIgnored();
    void indexDepthFitsTheBoard_data();
    void indexDepthFitsTheBoard();
    void pagesKeepTheStackingOrder_data();
    void pagesKeepTheStackingOrder();
    void itemWaitsForItsAreaBeforeAPage();
    void groupChildrenAreFoundWhereTheyAre_data();
    void groupChildrenAreFoundWhereTheyAre();

    void windowSwitchesLeaveTheBoardActive();
    void boardShownNowhereKeepsNoChanges_data();
    void boardShownNowhereKeepsNoChanges();
    void objectCoreKeepsSceneWeakly();
};

void tst_GraphicsCore::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("zero") << 0.0;
    QTest::newRow("negative zero") << -0.0;
    QTest::newRow("ink coordinate") << -1234.5678901234567;
    QTest::newRow("integer") << 123456789012.0;
    QTest::newRow("million") << 1e6;
    QTest::newRow("big integer with digits") << 1234567e6;
    QTest::newRow("hundred thousand") << 1e5;
    QTest::newRow("ten thousandth") << 1e-4;
    QTest::newRow("hundred thousandth") << -1.5e-5;
    QTest::newRow("huge") << 1.7976931348623157e308;
    QTest::newRow("exponent over 100") << 2.5e123;
    QTest::newRow("subnormal") << 5e-324;
    QTest::newRow("infinity") << qInf();
}

// Saved boards keep their text whoever writes the numbers: Qt's C locale form, to the character.
void tst_GraphicsCore::numberText()
{
    QFETCH(double, value);
    const QString expected = QLocale::c().toString(value, 'g', QLocale::FloatingPointShortest);
    QCOMPARE(KvQtConvert::numberToString(value), expected);
    QCOMPARE(KvQtConvert::pointFToString({value, 0.5}), expected + QLatin1String(",0.5"));
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

void tst_GraphicsCore::domHelpers()
{
    QDomDocument document;
    QDomElement root = document.createElement("board");
    QDomElement group;
    KvQtConvert::createDomElement(&document, &root, group, "strokesGroup");
    KvQtConvert::insertDomVariant(&document, &group, "type", 2);
    QCOMPARE(KvQtConvert::readDomString(&group, "type"), QStringLiteral("2"));
    QCOMPARE(KvQtConvert::readDomString(&group, "missing"), QString());
    // Only direct children count: a piece's value is not the group's.
    QCOMPARE(KvQtConvert::readDomString(&root, "type"), QString());
}

void tst_GraphicsCore::domTextIsQts_data()
{
    QTest::addColumn<QString>("xml");
    QTest::newRow("one text node") << "<v>1,2;3,4</v>";
    QTest::newRow("escaped text") << "<v>a &amp; b</v>";
    QTest::newRow("cdata") << "<v><![CDATA[1,2]]></v>";
    QTest::newRow("text and cdata") << "<v>1,<![CDATA[2]]></v>";
    QTest::newRow("text around an element") << "<v>1<w>2</w>3</v>";
    QTest::newRow("only an element") << "<v><w>2</w></v>";
    QTest::newRow("comment") << "<v>1<!-- c -->2</v>";
    QTest::newRow("empty") << "<v></v>";
    QTest::newRow("self-closing") << "<v/>";
}

void tst_GraphicsCore::domTextIsQts()
{
    QFETCH(QString, xml);
    QDomDocument document;
    QVERIFY(document.setContent(xml));
    const QDomElement element = document.documentElement();
    const QString text = KvQtConvert::domText(element);
    QCOMPARE(text, element.text());
    QCOMPARE(text.isNull(), element.text().isNull());
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

    // A child of an item on no board leaves its parent for the board, as with addItem().
    QGraphicsRectItem parent;
    auto *child = new QGraphicsRectItem(&parent);
    scene.addBoardItem(child);
    QCOMPARE(scene.getFastAccessItems(), (QList<QGraphicsItem *> {c, child}));
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

void tst_GraphicsCore::selectionFrameCopiesOnlyBoardItems()
{
    KvSelectionFrame frame;
    BoardRect item;
    QVERIFY(frame.checkContainsCopyItems({&item}));
    QVERIFY(!frame.checkContainsCopyItems({&item, new QGraphicsRectItem(&frame)}));
    QVERIFY(!frame.checkContainsCopyItems({}));
    QCOMPARE(frame.buttonsForFlags(KvInkControls),
             (QStringList {"delete", "copy", "lock", "color"}));
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
    KvLogRecorder log;
    item->importBaseData(data);
    QCOMPARE(log.lines(), QStringList {"kvpen.graphicscore KvGraphicsItem::importBase"});
    scene.addBoardItem(item);
    QCOMPARE(item->uuid(), uuid);
    QCOMPARE(item->pos(), QPointF());
    QCOMPARE(item->transform(), QTransform());
    QCOMPARE(item->zValue(), 0.0);
}

void tst_GraphicsCore::indexDepthFitsTheBoard_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<int>("minDepth");
    QTest::addColumn<int>("maxDepth");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("handwriting") << 10000 << QSizeF(12, 12) << 12 << 12 << false;
    QTest::newRow("handwriting, scene cleared") << 10000 << QSizeF(12, 12) << 12 << 12 << true;
    QTest::newRow("board-wide items") << 2000 << QSizeF(8000, 6000) << 1 << 3 << false;
}

// The depth follows what the board holds, whatever the fixed scene rect, and goes back down as
// the board empties, item by item or all at once.
void tst_GraphicsCore::indexDepthFitsTheBoard()
{
    QFETCH(int, items);
    QFETCH(QSizeF, size);
    QFETCH(int, minDepth);
    QFETCH(int, maxDepth);
    QFETCH(bool, cleared);
    KvGraphicsScene scene;
    scene.setSceneRect(0, 0, 8000, 6000);
    const int emptyDepth = scene.bspTreeDepth();
    QList<QGraphicsItem *> added;
    for (int i = 0; i < items; ++i) {
        auto *item = new QGraphicsRectItem(QRectF(QPointF(i % 100 * 80, i / 100 % 75 * 80), size));
        scene.addBoardItem(item);
        added.append(item);
    }
    // The last level comes once the board has settled.
    QTRY_VERIFY2(scene.bspTreeDepth() >= minDepth && scene.bspTreeDepth() <= maxDepth,
                 qPrintable(QString::number(scene.bspTreeDepth())));
    if (cleared) {
        scene.clear();
        QCOMPARE(scene.bspTreeDepth(), emptyDepth);
        return;
    }
    for (QGraphicsItem *item : qAsConst(added))
        scene.removeBoardItem(item, true);
    qDeleteAll(added);
    QTRY_COMPARE(scene.bspTreeDepth(), emptyDepth);
}

void tst_GraphicsCore::pagesKeepTheStackingOrder_data()
{
    QTest::addColumn<QPointF>("step");
    QTest::addColumn<int>("maxTopLevel");
    // Pages close at kItemsPerPage items, or where the next item would make them too wide.
    QTest::newRow("one place") << QPointF(0.5, 0.25) << 4;
    QTest::newRow("across the page") << QPointF(300, 7) << 14;
}

// Held on pages, the board stacks its items as top-level items would: in board order, an item
// coming back at its old place, an item of another z value by that value.
void tst_GraphicsCore::pagesKeepTheStackingOrder()
{
    QFETCH(QPointF, step);
    QFETCH(int, maxTopLevel);
    KvGraphicsScene scene;
    scene.setSceneRect(0, 0, 8000, 6000);
    QList<QGraphicsItem *> board;
    for (int i = 0; i < 50; ++i) {
        board.append(new DelegatedRect(QRectF(step * i, QSizeF(40, 40))));
        scene.addBoardItem(board.last());
    }
    QCOMPARE(stacked(scene), board);
    QVERIFY2(topLevelCount(scene) <= maxTopLevel,
             qPrintable(QString::number(topLevelCount(scene))));

    // An undo brings erased items back in another order, some onto pages made again.
    const QList<QGraphicsItem *> erased = board.mid(0, 12) + board.mid(20, 15);
    for (QGraphicsItem *item : erased)
        scene.removeBoardItem(item, false);
    for (int i = erased.size() - 1; i >= 0; --i)
        scene.addBoardItem(erased.at(i));
    QCOMPARE(stacked(scene), board);
    QCOMPARE(scene.getFastAccessItems(), board);

    board.at(3)->setZValue(1);
    QVERIFY(!board.at(3)->parentItem());
    QCOMPARE(stacked(scene).constLast(), board.at(3));
    board.at(3)->setZValue(0);
    QVERIFY(KvBoardPage::isPage(board.at(3)->parentItem()));
    QCOMPARE(stacked(scene), board);

    // Emptied pages go.
    for (QGraphicsItem *item : qAsConst(board))
        scene.removeBoardItem(item, true);
    QCOMPARE(scene.items().size(), 0);
    qDeleteAll(board);
}

// A group is put on the board before its pieces join it: it takes its page once the event loop
// runs, unless it is gone by then.
void tst_GraphicsCore::itemWaitsForItsAreaBeforeAPage()
{
    KvGraphicsScene scene;
    auto *settles = new DelegatedRect(QRectF());
    auto *deleted = new DelegatedRect(QRectF());
    scene.addBoardItem(settles);
    scene.addBoardItem(deleted);
    settles->setRect(0, 0, 10, 10);
    QVERIFY(!settles->parentItem());
    delete deleted;
    QTRY_VERIFY(KvBoardPage::isPage(settles->parentItem()));
}

void tst_GraphicsCore::groupChildrenAreFoundWhereTheyAre_data()
{
    QTest::addColumn<QPointF>("childPos");
    QTest::addColumn<bool>("contained");
    QTest::newRow("in place") << QPointF() << true;
    // The group's shape, made of the children's unmapped shapes, misses such a child.
    QTest::newRow("moved in the group") << QPointF(100, 0) << false;
}

// Whether or not the board lets Qt pass by a group's children, queries find every child where
// it is drawn, and nowhere else.
void tst_GraphicsCore::groupChildrenAreFoundWhereTheyAre()
{
    QFETCH(QPointF, childPos);
    QFETCH(bool, contained);
    KvGraphicsScene scene;
    scene.setSceneRect(0, 0, 8000, 6000);
    auto *group = new BoardGroup;
    auto *child = new QGraphicsRectItem(0, 0, 10, 10);
    child->setPos(childPos);
    group->addToGroup(child);
    scene.addBoardItem(group);
    QCOMPARE(group->flags().testFlag(QGraphicsItem::ItemContainsChildrenInShape), contained);

    const QPointF drawn = childPos + QPointF(5, 5);
    for (Qt::ItemSelectionMode mode : {Qt::IntersectsItemShape, Qt::IntersectsItemBoundingRect}) {
        QVERIFY(scene.items(drawn, mode).contains(child));
        QVERIFY(scene.items(QRectF(drawn, QSizeF(1, 1)), mode).contains(child));
        QVERIFY(!scene.items(QPointF(500, 500), mode).contains(child));
    }
    scene.removeBoardItem(group, true);
    delete group;
}

// Qt's own change of activation sorts every item of the scene; a board never goes through one.
void tst_GraphicsCore::windowSwitchesLeaveTheBoardActive()
{
    KvGraphicsScene scene;
    QVERIFY(scene.isActive());
    QGraphicsView view(&scene);
    for (QEvent::Type type : {QEvent::WindowActivate, QEvent::WindowDeactivate}) {
        QEvent event(type);
        QCoreApplication::sendEvent(view.viewport(), &event);
        QVERIFY(scene.isActive());
    }
}

void tst_GraphicsCore::boardShownNowhereKeepsNoChanges_data()
{
    QTest::addColumn<bool>("viewCameAndWent");
    QTest::newRow("never shown") << false;
    QTest::newRow("view closed") << true;
}

// Qt holds the changes of a scene without views for whoever listens to changed() next: on a
// relay's board that grew with every move drawn. The next listener hears only what follows.
void tst_GraphicsCore::boardShownNowhereKeepsNoChanges()
{
    QFETCH(bool, viewCameAndWent);
    KvGraphicsScene scene;
    scene.setSceneRect(0, 0, 1000, 1000);
    if (viewCameAndWent)
        QGraphicsView(&scene).show();
    for (int i = 0; i < 20; ++i) {
        auto *item = new QGraphicsRectItem(i * 40, 0, 20, 20);
        scene.addBoardItem(item);
        QCoreApplication::processEvents();
        item->moveBy(0, 30);
        QCoreApplication::processEvents();
    }
    qRegisterMetaType<QList<QRectF>>();
    QSignalSpy changes(&scene, &QGraphicsScene::changed);
    const QRectF touched(900, 900, 10, 10);
    scene.update(touched);
    QVERIFY(changes.wait());
    QCOMPARE(changes.constFirst().constFirst().value<QList<QRectF>>(), QList<QRectF> {touched});
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

QTEST_MAIN(tst_GraphicsCore)
#include "tst_graphicscore.moc"
