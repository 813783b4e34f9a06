#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvLogRecorder.h"
#include "KvPenCore.h"
#include "KvPenSelectFrame.h"
#include "KvRecordingScene.h"
#include "KvTestMessages.h"

#include <QGraphicsRectItem>
#include <QPointer>
#include <QTest>

#include <memory>

class tst_Selection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }
    void init();
    void cleanup();

    void delegateAndControlsOnlyForStrokesGroups();
    void oneFrameIsReused();
    void frameDeletedWithItsSceneIsMadeAgain();
    void frameIsTheHostFrame();

private:
    QList<KvPenSelectFrame *> framesOnBoard() const;
    KvGraphicsStrokesGroup *addGroup(const QRectF &rect);

    std::unique_ptr<KvRecordingScene> scene;
    std::unique_ptr<KvPenCore> core;
};

void tst_Selection::init()
{
    scene = std::make_unique<KvRecordingScene>();
    core = std::make_unique<KvPenCore>();
    core->currentSceneChanged(scene.get());
}

void tst_Selection::cleanup()
{
    core.reset();
    scene.reset();
}

QList<KvPenSelectFrame *> tst_Selection::framesOnBoard() const
{
    QList<KvPenSelectFrame *> frames;
    for (QGraphicsItem *item : scene->items()) {
        if (auto *frame = dynamic_cast<KvPenSelectFrame *>(item))
            frames.append(frame);
    }
    return frames;
}

// A group holding one rectangular piece, on the board.
KvGraphicsStrokesGroup *tst_Selection::addGroup(const QRectF &rect)
{
    auto *group = new KvGraphicsStrokesGroup;
    auto *piece = new KvGraphicsPolygonItem(QPolygonF(rect));
    group->addToGroup(piece);
    group->setItems({piece});
    scene->addBoardItem(group);
    return group;
}

void tst_Selection::delegateAndControlsOnlyForStrokesGroups()
{
    KvGraphicsStrokesGroup *group = addGroup(QRectF(0, 0, 10, 10));
    group->setVisible(false);
    auto *foreign = new QGraphicsRectItem(0, 0, 5, 5);
    foreign->setVisible(false);
    scene->addItem(foreign);
    const int itemCount = scene->items().size();
    QVERIFY(group->delegate());
    QCOMPARE(core->getItemDelegate(group), group->delegate());
    for (QGraphicsItem *other : QList<QGraphicsItem *> {foreign, group->items().first(), nullptr}) {
        QCOMPARE(core->getItemDelegate(other), nullptr);
        core->showFrame(other);
    }
    QVERIFY(!foreign->isVisible());
    QVERIFY(!group->delegate()->hasControls());
    QCOMPARE(scene->items().size(), itemCount);

    core->showFrame(group);
    QVERIFY(group->isVisible());
    QVERIFY(group->delegate()->hasControls());
    QVERIFY(group->delegate()->controlsVisible());
}

void tst_Selection::oneFrameIsReused()
{
    KvGraphicsStrokesGroup *first = addGroup(QRectF(0, 0, 10, 10));
    KvGraphicsStrokesGroup *second = addGroup(QRectF(100, 50, 20, 30));
    scene->calls.clear();
    core->hideFrameItems();
    QVERIFY(framesOnBoard().isEmpty());
    QVERIFY(scene->calls.isEmpty());

    core->showFrameItems({first});
    QCOMPARE(framesOnBoard().size(), 1);
    KvPenSelectFrame *frame = framesOnBoard().first();
    QVERIFY(frame->isVisible());
    QCOMPARE(frame->items(), QList<QGraphicsItem *> {first});
    QCOMPARE(frame->sceneBoundingRect().center(), first->sceneBoundingRect().center());

    const QList<QGraphicsItem *> both {first, second};
    core->showFrameItems(both);
    QCOMPARE(framesOnBoard(), QList<KvPenSelectFrame *> {frame});
    QCOMPARE(frame->items(), both);
    QCOMPARE(frame->enclosedItems(), both);
    QCOMPARE(frame->rect(), first->sceneBoundingRect() | second->sceneBoundingRect());

    core->hideFrameItems();
    QVERIFY(!frame->isVisible());
    QCOMPARE(frame->scene(), scene.get());
    core->showFrameItems({first});
    QVERIFY(frame->isVisible());
    QCOMPARE(framesOnBoard().size(), 1);

    // The frame goes to the board through the host on every call.
    const KvRecordingScene::Call add {KvRecordingScene::Call::Add, frame, false};
    QCOMPARE(scene->calls, (QList<KvRecordingScene::Call> {add, add, add}));
    QVERIFY(!core->isMainShowFrames());
}

void tst_Selection::frameDeletedWithItsSceneIsMadeAgain()
{
    core->showFrameItems({});
    QPointer<KvPenSelectFrame> oldFrame = framesOnBoard().first();
    scene.reset();
    QVERIFY(oldFrame.isNull());
    core->hideFrameItems();

    scene = std::make_unique<KvRecordingScene>();
    core->currentSceneChanged(scene.get());
    core->showFrameItems({addGroup(QRectF(0, 0, 10, 10))});
    QCOMPARE(framesOnBoard().size(), 1);
    QVERIFY(framesOnBoard().first()->isVisible());

    KvPenCore sceneless;
    KvLogRecorder log;
    sceneless.showFrameItems({});
    sceneless.hideFrameItems();
    QCOMPARE(log.lines(), QStringList {"kvpen.engine KvPenCore::showFrameItems"});
}

void tst_Selection::frameIsTheHostFrame()
{
    const KvPenSelectFrame frame;
    const KvSelectionFrame hostFrame;
    QCOMPARE(frame.metaObject()->className(), "KvPenSelectFrame");
    QVERIFY(frame.inherits("KvSelectionFrame"));
    QVERIFY(frame.items().isEmpty());
    for (const int flags :
         {int(KvNoControls), int(KvInkControls), int(KvRotateControl | KvDeleteButton)})
        QCOMPARE(frame.buttonsForFlags(QFlags<KvGraphicsFlag>(flags)),
                 hostFrame.buttonsForFlags(QFlags<KvGraphicsFlag>(flags)));
}

QTEST_MAIN(tst_Selection)
#include "tst_selection.moc"
