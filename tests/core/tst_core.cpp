#include "KvBoardInspection.h"
#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvLogRecorder.h"
#include "KvPenCore.h"
#include "KvPenObject.h"
#include "KvPenSelectFrame.h"
#include "KvRecordingScene.h"
#include "KvSignalLog.h"
#include "KvTestMessages.h"

#include <QGraphicsRectItem>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

const QString kSend = QStringLiteral("sig_sendRemoteData");
const QString kPenChanged = QStringLiteral("sig_penChanged");
const QString kRemoveItem = QStringLiteral("sig_removeItem");
const QString kEraseItem = QStringLiteral("sig_eraseItem");
const double kNoPressure = 0.0;

QUuid uuidOf(const QSignalSpy &sent, int index)
{
    return sent.at(index).at(0).value<QUuid>();
}

QJsonObject dataOf(const QSignalSpy &spy, int index, int argument = 0)
{
    return spy.at(index).at(argument).toJsonObject();
}

} // namespace

class tst_Core : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void construction();

    void inputScripts_data();
    void inputScripts();

    void eraserGestureReportsRemovedGroups();

    void delegateAndControlsOnlyForStrokesGroups();
    void oneFrameIsReused();
    void frameDeletedWithItsSceneIsMadeAgain();

private:
    void drawDot(const QPointF &pos);
    QList<KvPenSelectFrame *> framesOnBoard() const;
    KvGraphicsStrokesGroup *addGroup(const QRectF &rect);
    bool play(const QString &step, const QPointF &pos);

    std::unique_ptr<KvRecordingScene> scene;
    std::unique_ptr<KvPenCore> core;
    std::unique_ptr<KvSignalLog> log;
};

void tst_Core::initTestCase()
{
    failOnUnexpectedWarnings();
    // sig_penChanged hands out its object by reference; QSignalSpy copies it under this name.
    qRegisterMetaType<QJsonObject>("QJsonObject&");
}

void tst_Core::init()
{
    scene = std::make_unique<KvRecordingScene>();
    core = std::make_unique<KvPenCore>();
    core->currentSceneChanged(scene.get());
    log = std::make_unique<KvSignalLog>(core.get());
}

void tst_Core::cleanup()
{
    log.reset();
    core.reset();
    scene.reset();
}

// A single-pointer pen dot on the board, outside the signal log.
void tst_Core::drawDot(const QPointF &pos)
{
    core->inputDevicePress(pos, kNoPressure);
    core->inputDeviceRelease();
    log->names.clear();
}

void tst_Core::construction()
{
    QCOMPARE(core->surportTypeList(), (QList<int> {0, 2, 1}));
    QCOMPARE(core->itemTypeList(), QList<int> {65550});
    const QList<KvPenObject *> engines = core->findChildren<KvPenObject *>();
    QCOMPARE(engines.size(), 1);
    QCOMPARE(engines.first()->scene(), scene.get());
    core->setEraserWidth(12.9);
    QCOMPARE(core->eraserWidth(), 12.0);
    core->setEraserWidth(qQNaN());
    QCOMPARE(core->eraserWidth(), 0.0);
}

// Steps separated by spaces: p<id>, m<id>, r<id> press, move and release a touch; P, M, R the
// single pointer; E eraseScrollItem, S sendEraseScrollItem, F foucesMouseRelease. An input step
// ending in '!' must return false, the others true.
bool tst_Core::play(const QString &step, const QPointF &pos)
{
    const int id = step.mid(1).remove('!').toInt();
    switch (step.at(0).toLatin1()) {
    case 'p':
        return core->inputDevicePress(id, pos, kNoPressure);
    case 'm':
        return core->inputDeviceMove(id, pos, kNoPressure);
    case 'r':
        return core->inputDeviceRelease(id);
    case 'P':
        return core->inputDevicePress(pos, kNoPressure);
    case 'M':
        return core->inputDeviceMove(pos, kNoPressure);
    case 'R':
        return core->inputDeviceRelease();
    case 'E':
        core->eraseScrollItem();
        return true;
    case 'S':
        core->sendEraseScrollItem();
        return true;
    case 'F':
        core->foucesMouseRelease();
        return true;
    }
    return false;
}

void tst_Core::inputScripts_data()
{
    QTest::addColumn<int>("stylus");
    QTest::addColumn<QString>("script");
    // Per step, the signals in order: s sent, c penChanged, x removeItem, e eraseItem; - none.
    QTest::addColumn<QString>("signalNames");
    // Per live message, its stroke: equal letters share a uuid, others do not; - a null uuid.
    QTest::addColumn<QString>("strokes");
    QTest::addColumn<int>("groups");
    const auto row = [](const char *name, int stylus, const char *script, const char *signalNames,
                        const char *strokes, int groups) {
        QTest::newRow(name) << stylus << QString(script) << QString(signalNames) << QString(strokes)
                            << groups;
    };
    row("pen", 0, "P M M R M", "s s s sc -", "AAAA", 1);
    row("highlighter", 2, "P M M R M", "s s s sc -", "AAAA", 1);
    row("eraser", 1, "P M M R M", "s s s sx -", "AAAA", 0);
    row("unknown tool", 7, "p4 m4 m4 r4", "s s s s", "AAAA", 0);
    row("pen touch", 0, "p3 m3 m3 r3", "s s s sc", "AAAA", 1);
    row("without press", 0, "M R! r3! m5!", "- - - s", "-", 0);
    row("interleaved touches", 0, "p1 p2 m2 m1 r2 r1", "s s s s sc sc", "ABBABA", 2);
    row("repeated touch press", 0, "p4 p4 m4 r4 r4!", "s s s sc -", "ABBB", 2);
    row("a touch release ends the pointer press", 0, "p1 p2 r1 M r2", "s s sc - sc", "ABAB", 2);
    row("a touch press ends the pointer stroke silently", 0, "P M p1 r1", "s s s sc", "AABB", 2);
    row("erase-scroll ended by touch releases", 0, "p2 p1 m1 E r2 r1 p9 r9", "s s s - sce sce s sc",
        "ABBABCC", 1);
    row("erase-scroll ended by sendEraseScrollItem", 0, "p2 p1 m1 E S r1! M p9 r9",
        "s s s - sese - - s sc", "ABBBACC", 1);
    row("erase-scroll outlives a forced release", 0, "p2 p1 m1 E F p9 r9 p9 r9",
        "s s s - scesce s sce s sc", "ABBBACCDD", 2);
    row("erase-scroll without touches", 0, "E S p9 r9", "- - s sc", "AA", 1);
    row("forced release", 0, "F P R F p1 P p5 p2 F R! r5!", "- s sc - s s s s scscscsc - -",
        "AABCDECBED", 5);
}

// Each entry point's signals in order, the exact live messages, and what reaches the board.
void tst_Core::inputScripts()
{
    QFETCH(int, stylus);
    QFETCH(QString, script);
    QFETCH(QString, signalNames);
    QFETCH(QString, strokes);
    QFETCH(int, groups);
    core->setPenColor(QColor("#12AB34"));
    core->setPenWidth(7);
    core->setMarkerWidth(13);
    core->setEraserWidth(25.6);
    core->setStylus(stylus);
    const bool ink = stylus == 0 || stylus == 2;
    QStringList keys {"color", "id", "mousetype", "pen", "uuid", "width", "x", "y"};
    if (!ink)
        keys = QStringList {"id", "mousetype", "uuid", "width", "x", "y"};
    const QJsonObject settings = stylus == 0
        ? QJsonObject {{"width", 7}, {"color", "#12ab34"}, {"pen", true}}
        : stylus == 2 ? QJsonObject {{"width", 13}, {"color", "#f8e71c"}, {"pen", false}}
                      : QJsonObject {{"width", 25}};
    QSignalSpy sent(core.get(), &KvPenCore::sig_sendRemoteData);
    QSignalSpy changed(core.get(), &KvPenCore::sig_penChanged);
    QSignalSpy erased(core.get(), &KvPenCore::sig_eraseItem);

    const QStringList steps = script.split(' ');
    const QStringList expected = signalNames.split(' ');
    QCOMPARE(steps.size(), expected.size());
    QHash<QChar, QUuid> uuids;
    int lastSent = -1;
    int snapshots = 0;
    int erasures = 0;
    for (int i = 0; i < steps.size(); ++i) {
        const QString &step = steps.at(i);
        const int id = step.mid(1).remove('!').toInt();
        const QPointF pos(20.5 * i, 30.25 * id - 4.75);
        int mousetype = QStringLiteral("pm").indexOf(step.at(0).toLower());
        if (mousetype == -1)
            mousetype = 2; // releases carry the position (0, 0)
        log->names.clear();
        QCOMPARE(play(step, pos), !step.endsWith('!'));
        if (step == "E")
            QVERIFY(scene->items().isEmpty());
        QString letters;
        for (const QString &name : log->names) {
            if (name == kSend) {
                letters += 's';
                ++lastSent;
                const QChar stroke = lastSent < strokes.size() ? strokes.at(lastSent) : '?';
                const QUuid uuid = uuidOf(sent, lastSent);
                if (stroke == '-')
                    QVERIFY(uuid.isNull());
                else if (uuids.contains(stroke))
                    QCOMPARE(uuid, uuids.value(stroke));
                else
                    QVERIFY(!uuid.isNull() && !uuids.values().contains(uuid));
                uuids.insert(stroke, uuid);
                QCOMPARE(sent.at(lastSent).at(1).toInt(), ink ? 2 : 3);
                QCOMPARE(sent.at(lastSent).at(3).toString().size(), mousetype == 2 ? 36 : 0);
                const QJsonObject data = dataOf(sent, lastSent, 2);
                QCOMPARE(data.keys(), keys);
                QJsonObject want = settings;
                want.insert("uuid", text(uuid));
                want.insert("mousetype", mousetype);
                want.insert("x", mousetype == 2 ? 0 : pos.x());
                want.insert("y", mousetype == 2 ? 0 : pos.y());
                if (QString("pmrPMR").contains(step.at(0))) // forced releases go by any id
                    want.insert("id", step.at(0).isLower() ? id : -1);
                for (auto it = want.begin(); it != want.end(); ++it)
                    QCOMPARE(data.value(it.key()), it.value());
            } else if (name == kPenChanged) {
                // A finished stroke carries the messageid and uuid of the release before it.
                letters += 'c';
                const QJsonObject snapshot = dataOf(changed, snapshots++);
                QCOMPARE(snapshot.value("messageid").toString(),
                         sent.at(lastSent).at(3).toString());
                if (snapshot.size() == 1)
                    continue; // the release finished no stroke
                QCOMPARE(snapshot.value("dataid").toString(), text(uuidOf(sent, lastSent)));
                QCOMPARE(snapshot.value("type").toInt(), stylus);
                QList<QUuid> onBoard;
                for (const KvGraphicsStrokesGroup *group : groupsOn(*scene))
                    onBoard.append(group->uuid());
                QVERIFY(onBoard.contains(uuidOf(sent, lastSent)));
            } else if (name == kEraseItem) {
                letters += 'e';
                QCOMPARE(erased.at(erasures++).at(0).toString(), text(uuidOf(sent, lastSent)));
            } else {
                letters += 'x';
            }
        }
        QVERIFY2(letters == (expected.at(i) == "-" ? QString() : expected.at(i)),
                 qPrintable(step + ": " + letters));
    }
    QCOMPARE(sent.size(), strokes.size());
    QCOMPARE(groupsOn(*scene).size(), groups);
    QCOMPARE(boardViolations(*scene, 0), QStringList());
}

void tst_Core::eraserGestureReportsRemovedGroups()
{
    drawDot(QPointF(50, 50));
    const QString dot = text(groupsOn(*scene).first()->uuid());
    QSignalSpy erased(core.get(), &KvPenCore::sig_eraseItem);
    QSignalSpy removed(core.get(), &KvPenCore::sig_removeItem);
    core->setStylus(1);

    QVERIFY(core->inputDevicePress(QPointF(50, 50), kNoPressure));
    QVERIFY(core->inputDeviceRelease());
    QCOMPARE(log->names, (QStringList {kSend, kEraseItem, kSend, kRemoveItem}));
    QCOMPARE(erased.first().first().toString(), dot);
    QCOMPARE(removed.first().first().toStringList(), QStringList {dot});
    QVERIFY(groupsOn(*scene).isEmpty());
}

QList<KvPenSelectFrame *> tst_Core::framesOnBoard() const
{
    QList<KvPenSelectFrame *> frames;
    for (QGraphicsItem *item : scene->items()) {
        if (auto *frame = dynamic_cast<KvPenSelectFrame *>(item))
            frames.append(frame);
    }
    return frames;
}

// A group holding one rectangular piece, on the board.
KvGraphicsStrokesGroup *tst_Core::addGroup(const QRectF &rect)
{
    auto *group = new KvGraphicsStrokesGroup;
    auto *piece = new KvGraphicsPolygonItem(QPolygonF(rect));
    group->addToGroup(piece);
    group->setItems({piece});
    scene->addBoardItem(group);
    return group;
}

void tst_Core::delegateAndControlsOnlyForStrokesGroups()
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

void tst_Core::oneFrameIsReused()
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

void tst_Core::frameDeletedWithItsSceneIsMadeAgain()
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

QTEST_MAIN(tst_Core)
#include "tst_core.moc"
