#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenCore.h"
#include "KvPenObject.h"
#include "KvRecordingScene.h"
#include "KvSignalLog.h"
#include "KvTestMessages.h"

#include <QGraphicsView>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

namespace {

const double kNoPressure = 0.0;
const QString kAlice = QStringLiteral("alice");

QString text(const QUuid &uuid)
{
    return uuid.toString(QUuid::WithoutBraces);
}

QList<KvGraphicsStrokesGroup *> groupsOn(const KvGraphicsScene &scene)
{
    QList<KvGraphicsStrokesGroup *> groups;
    for (QGraphicsItem *item : scene.getFastAccessItems()) {
        if (auto *group = dynamic_cast<KvGraphicsStrokesGroup *>(item))
            groups.append(group);
    }
    return groups;
}

// Items on the board that belong to no strokes group (open strokes, leftovers).
int looseItems(const QGraphicsScene &scene)
{
    int loose = 0;
    for (QGraphicsItem *item : scene.items()) {
        if (item->type() != KvGraphicsStrokesGroup::Type && !item->parentItem())
            ++loose;
    }
    return loose;
}

// Both boards hold the same strokes groups, in the same order, piece for piece.
void compareBoards(const KvGraphicsScene &expected, const KvGraphicsScene &actual)
{
    const QList<KvGraphicsStrokesGroup *> want = groupsOn(expected);
    const QList<KvGraphicsStrokesGroup *> got = groupsOn(actual);
    QCOMPARE(got.size(), want.size());
    for (int g = 0; g < want.size(); ++g) {
        QCOMPARE(got.at(g)->uuid(), want.at(g)->uuid());
        QCOMPARE(got.at(g)->stylus(), want.at(g)->stylus());
        QCOMPARE(got.at(g)->color(), want.at(g)->color());
        QCOMPARE(got.at(g)->penWidth(), want.at(g)->penWidth());
        QCOMPARE(got.at(g)->items().size(), want.at(g)->items().size());
        for (int p = 0; p < want.at(g)->items().size(); ++p) {
            const KvGraphicsPolygonItem *wantPiece = want.at(g)->items().at(p);
            const KvGraphicsPolygonItem *gotPiece = got.at(g)->items().at(p);
            QCOMPARE(gotPiece->polygon(), wantPiece->polygon());
            QCOMPARE(gotPiece->fullPolygon(), wantPiece->fullPolygon());
            QCOMPARE(gotPiece->color(), wantPiece->color());
            QCOMPARE(gotPiece->getCorrespondingPoint(), wantPiece->getCorrespondingPoint());
        }
    }
    QCOMPARE(looseItems(actual), looseItems(expected));
}

// One board with its core, recording what the core reports.
struct Board
{
    Board()
    {
        core.currentSceneChanged(&scene);
        QObject::connect(&core, &KvPenCore::sig_penChanged,
                         [this](const QJsonObject &data) { snapshots.append(data); });
        QObject::connect(&core, &KvPenCore::sig_removeItem,
                         [this](const QStringList &uuids) { removals.append(uuids); });
        QObject::connect(&core, &KvPenCore::sig_eraseItem,
                         [this](const QString &uuid) { erased.append(uuid); });
    }

    // Delivers every live message of this board to `receiver` under `key`, the way a host
    // does: the message id travels inside the message.
    void mirrorTo(KvPenCore *receiver, const QString &key)
    {
        QObject::connect(&core, &KvPenCore::sig_sendRemoteData,
                         [receiver, key](const QUuid &, int type, const QJsonObject &data,
                                         const QString &messageid) {
                             QJsonObject message = data;
                             message.insert("messageid", messageid);
                             receiver->remoteData(key, type, message);
                         });
    }

    KvRecordingScene scene;
    KvPenCore core;
    QList<QJsonObject> snapshots;
    QList<QStringList> removals;
    QStringList erased;
};

// A wavy path of `steps` moves starting at `start`.
QList<QPointF> wave(const QPointF &start, int steps)
{
    QList<QPointF> points;
    for (int i = 0; i <= steps; ++i)
        points.append(start + QPointF(7.0 * i, 12.0 * std::sin(i * 0.7)));
    return points;
}

void drawMouse(KvPenCore &core, const QList<QPointF> &path)
{
    core.inputDevicePress(path.first(), kNoPressure);
    for (int i = 1; i < path.size(); ++i)
        core.inputDeviceMove(path.at(i), kNoPressure);
    core.inputDeviceRelease();
}

QJsonObject message(int mousetype, const QPointF &pos, const QJsonObject &extra = {})
{
    QJsonObject data {{"x", pos.x()},
                      {"y", pos.y()},
                      {"mousetype", mousetype},
                      {"id", 1},
                      {"width", 6},
                      {"color", "#ff0000"},
                      {"pen", true},
                      {"uuid", "6f1b6a57-52c4-4e36-9d53-3f30c7f61a2d"}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        data.insert(it.key(), it.value());
    return data;
}

KvPenObject *remoteEngineOf(const KvPenCore &core, int index)
{
    const QList<KvPenObject *> engines = core.findChildren<KvPenObject *>();
    return index + 1 < engines.size() ? engines.at(index + 1) : nullptr;
}

} // namespace

class TestRemote : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void liveMessageContents_data();
    void liveMessageContents();
    void remoteOffSendsAndAcceptsNothing();

    void mirroredDrawing_data();
    void mirroredDrawing();
    void sendersWithEqualTouchIdsNeverMix();
    void remoteHighlighterUsesSinglePointer();
    void releasesWithoutPress();
    void unknownTypeOnlyMakesTheEngine();

    void hostileLiveMessages_data();
    void hostileLiveMessages();
    void senderFloodIsBounded();
    void liveMessageWithoutSceneIsDropped();

    void wholeStrokeReplayScale_data();
    void wholeStrokeReplayScale();
    void wholeStrokeReplayBuildsTheGroup();
    void wholeStrokeRoundTrip();
    void highlighterReplayDoesNotOverlap();
    void replayWithRepeatedLastPointMakesOneGroup();
    void replayWithoutViewIsUnscaled();
    void hostileWholeStrokes_data();
    void hostileWholeStrokes();
};

void TestRemote::initTestCase()
{
    failOnUnexpectedWarnings();
    qRegisterMetaType<QJsonObject>("QJsonObject&");
}

void TestRemote::liveMessageContents_data()
{
    QTest::addColumn<int>("stylus");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QJsonObject>("settings");
    const QStringList ink {"color", "id", "mousetype", "pen", "uuid", "width", "x", "y"};
    const QStringList eraser {"id", "mousetype", "uuid", "width", "x", "y"};
    QTest::newRow("pen") << 0 << -1 << 2 << ink
                         << QJsonObject {{"width", 7}, {"color", "#12ab34"}, {"pen", true}};
    QTest::newRow("pen touch") << 0 << 3 << 2 << ink
                               << QJsonObject {{"width", 7}, {"color", "#12ab34"}, {"pen", true}};
    QTest::newRow("highlighter") << 2 << -1 << 2 << ink
                                 << QJsonObject {
                                        {"width", 13}, {"color", "#f8e71c"}, {"pen", false}};
    QTest::newRow("eraser") << 1 << -1 << 3 << eraser << QJsonObject {{"width", 25}};
    QTest::newRow("unknown tool") << 9 << 4 << 3 << eraser << QJsonObject {{"width", 25}};
}

void TestRemote::liveMessageContents()
{
    QFETCH(int, stylus);
    QFETCH(int, id);
    QFETCH(int, type);
    QFETCH(QStringList, keys);
    QFETCH(QJsonObject, settings);
    Board board;
    board.core.setPenColor(QColor("#12AB34"));
    board.core.setPenWidth(7);
    board.core.setMarkerWidth(13);
    board.core.setEraserWidth(25.6);
    board.core.setStylus(stylus);
    QSignalSpy sent(&board.core, &KvPenCore::sig_sendRemoteData);

    const QList<QPointF> path {QPointF(1.5, 2.25), QPointF(30.5, 2), QPointF(60, -4.75)};
    if (id == -1) {
        drawMouse(board.core, path);
    } else {
        board.core.inputDevicePress(id, path.at(0), kNoPressure);
        board.core.inputDeviceMove(id, path.at(1), kNoPressure);
        board.core.inputDeviceMove(id, path.at(2), kNoPressure);
        board.core.inputDeviceRelease(id);
    }

    QCOMPARE(sent.size(), 4);
    const QUuid uuid = sent.first().at(0).value<QUuid>();
    for (int i = 0; i < 4; ++i) {
        const QList<QVariant> &signal = sent.at(i);
        QCOMPARE(signal.at(0).value<QUuid>(), uuid);
        QCOMPARE(signal.at(1).toInt(), type);
        const QJsonObject data = signal.at(2).toJsonObject();
        QCOMPARE(data.keys(), keys);
        const QPointF expected = i < 3 ? path.at(i) : QPointF();
        QVERIFY(data.value("x").isDouble() && data.value("y").isDouble());
        QCOMPARE(data.value("x").toDouble(), expected.x());
        QCOMPARE(data.value("y").toDouble(), expected.y());
        QCOMPARE(data.value("mousetype").toInt(-1), i == 0 ? 0 : i < 3 ? 1 : 2);
        QCOMPARE(data.value("id").toInt(0), id);
        QCOMPARE(data.value("uuid").toString(), text(uuid));
        for (auto it = settings.begin(); it != settings.end(); ++it)
            QCOMPARE(data.value(it.key()), it.value());
        const QString messageid = signal.at(3).toString();
        QCOMPARE(messageid.size(), i < 3 ? 0 : 36);
    }
    if (type == 2)
        QCOMPARE(board.snapshots.last().value("messageid").toString(),
                 sent.last().at(3).toString());
}

void TestRemote::remoteOffSendsAndAcceptsNothing()
{
    Board board;
    board.core.setIsCanRemote(false);
    QSignalSpy sent(&board.core, &KvPenCore::sig_sendRemoteData);
    drawMouse(board.core, wave(QPointF(0, 0), 5));
    QVERIFY(sent.isEmpty());
    QCOMPARE(board.snapshots.size(), 1);
    QCOMPARE(groupsOn(board.scene).size(), 1);

    board.core.remoteData(kAlice, 2, message(0, QPointF(5, 5)));
    board.core.remoteData(kAlice, 2, message(2, QPointF()));
    QCOMPARE(board.core.findChildren<KvPenObject *>().size(), 1);
    QCOMPARE(board.snapshots.size(), 1);
    QCOMPARE(groupsOn(board.scene).size(), 1);

    board.core.paintPen({{"pos", "5,5"}});
    QCOMPARE(groupsOn(board.scene).size(), 2);
}

void TestRemote::mirroredDrawing_data()
{
    QTest::addColumn<int>("stylus");
    QTest::addColumn<bool>("multiTouch");
    QTest::newRow("pen") << 0 << false;
    QTest::newRow("highlighter") << 2 << false;
    QTest::newRow("pen, two fingers") << 0 << true;
    QTest::newRow("eraser") << 1 << false;
}

void TestRemote::mirroredDrawing()
{
    QFETCH(int, stylus);
    QFETCH(bool, multiTouch);
    Board sender;
    Board receiver;
    sender.mirrorTo(&receiver.core, kAlice);
    sender.core.setPenColor(QColor(200, 30, 30));
    sender.core.setPenWidth(8);
    sender.core.setMarkerColor(QColor(30, 200, 30));
    sender.core.setMarkerWidth(17);
    sender.core.setEraserWidth(20);

    if (stylus == 1) {
        drawMouse(sender.core, wave(QPointF(0, 0), 12));
        drawMouse(sender.core, wave(QPointF(0, 200), 12));
        sender.core.setStylus(1);
        drawMouse(sender.core,
                  {QPointF(40, -40), QPointF(40, 0), QPointF(40, 40), QPointF(40, 120),
                   QPointF(40, 220)});
    } else if (multiTouch) {
        const QList<QPointF> first = wave(QPointF(0, 0), 15);
        const QList<QPointF> second = wave(QPointF(20, 100), 15);
        sender.core.inputDevicePress(1, first.first(), kNoPressure);
        sender.core.inputDevicePress(2, second.first(), kNoPressure);
        for (int i = 1; i < first.size(); ++i) {
            sender.core.inputDeviceMove(2, second.at(i), kNoPressure);
            sender.core.inputDeviceMove(1, first.at(i), kNoPressure);
        }
        sender.core.inputDeviceRelease(2);
        sender.core.inputDeviceRelease(1);
    } else {
        sender.core.setStylus(stylus);
        drawMouse(sender.core, wave(QPointF(0, 0), 20));
        sender.core.setMarkerWidth(5);
        sender.core.setPenWidth(3);
        drawMouse(sender.core, wave(QPointF(10, 80), 9));
    }

    compareBoards(sender.scene, receiver.scene);
    QCOMPARE(receiver.snapshots, sender.snapshots);
    QCOMPARE(receiver.removals, sender.removals);
    QCOMPARE(receiver.erased, sender.erased);
    if (stylus != 1) {
        QVERIFY(!groupsOn(receiver.scene).isEmpty());
    } else {
        // Both strokes were hit, each by several of its pieces.
        const QStringList removed = receiver.removals.first();
        QCOMPARE(QSet<QString>(removed.begin(), removed.end()).size(), 2);
    }
}

void TestRemote::sendersWithEqualTouchIdsNeverMix()
{
    Board alice;
    Board bob;
    Board receiver;
    alice.mirrorTo(&receiver.core, kAlice);
    bob.mirrorTo(&receiver.core, QStringLiteral("bob"));
    bob.core.setPenColor(Qt::blue);
    bob.core.setPenWidth(4);

    const QList<QPointF> alicePath = wave(QPointF(0, 0), 14);
    const QList<QPointF> bobPath = wave(QPointF(0, 300), 14);
    alice.core.inputDevicePress(1, alicePath.first(), kNoPressure);
    bob.core.inputDevicePress(1, bobPath.first(), kNoPressure);
    for (int i = 1; i < alicePath.size(); ++i) {
        bob.core.inputDeviceMove(1, bobPath.at(i), kNoPressure);
        alice.core.inputDeviceMove(1, alicePath.at(i), kNoPressure);
    }
    alice.core.inputDeviceRelease(1);
    bob.core.inputDeviceRelease(1);

    // The receiver's board holds alice's stroke, then bob's, each as drawn by its sender.
    Board expected;
    for (KvGraphicsStrokesGroup *group : groupsOn(alice.scene) + groupsOn(bob.scene)) {
        group->scene()->removeItem(group);
        expected.scene.addBoardItem(group);
    }
    compareBoards(expected.scene, receiver.scene);
    QCOMPARE(receiver.snapshots, alice.snapshots + bob.snapshots);
    QCOMPARE(receiver.core.findChildren<KvPenObject *>().size(), 3);
}

void TestRemote::remoteHighlighterUsesSinglePointer()
{
    Board board;
    const QJsonObject highlighter {{"pen", false}, {"width", 21}, {"color", "#00ff00"}};
    board.core.remoteData(kAlice, 2, message(0, QPointF(0, 0), highlighter));
    KvPenObject *engine = remoteEngineOf(board.core, 0);
    QVERIFY(engine);
    QCOMPARE(engine->stylus(), 2);
    QCOMPARE(engine->markerWidth(), 21);
    QCOMPARE(engine->markerColor(), QColor("#00ff00"));
    QCOMPARE(engine->penWidth(), 10);
    QCOMPARE(engine->penColor(), QColor("#FFFFFF"));

    QJsonObject otherId = highlighter;
    otherId.insert("id", 9);
    board.core.remoteData(kAlice, 2, message(1, QPointF(40, 0), otherId));
    board.core.remoteData(kAlice, 2, message(2, QPointF(), otherId));
    QCOMPARE(groupsOn(board.scene).size(), 1);
    KvGraphicsStrokesGroup *group = groupsOn(board.scene).first();
    QCOMPARE(group->stylus(), 2);
    QCOMPARE(group->penWidth(), 21);
    QCOMPARE(text(group->uuid()), message(0, {}).value("uuid").toString());
    QCOMPARE(looseItems(board.scene), 0);
    QCOMPARE(board.snapshots.size(), 1);
}

void TestRemote::releasesWithoutPress()
{
    Board board;
    QSignalSpy removed(&board.core, &KvPenCore::sig_removeItem);
    board.core.remoteData(kAlice, 2, message(2, QPointF(), {{"messageid", "m-1"}}));
    board.core.remoteData(kAlice, 3, message(2, QPointF(), {{"messageid", "m-2"}}));
    QCOMPARE(board.snapshots.size(), 1);
    QCOMPARE(board.snapshots.first(), (QJsonObject {{"messageid", "m-1"}}));
    QCOMPARE(removed.size(), 1);
    QVERIFY(removed.first().first().toStringList().isEmpty());
    QVERIFY(board.scene.items().isEmpty());
}

void TestRemote::unknownTypeOnlyMakesTheEngine()
{
    Board board;
    KvSignalLog log(&board.core);
    QTest::ignoreMessage(QtDebugMsg, "KvPenCore::remoteData refused: unknown type 9");
    board.core.remoteData(kAlice, 9, message(0, QPointF(5, 5)));
    KvPenObject *engine = remoteEngineOf(board.core, 0);
    QVERIFY(engine);
    QCOMPARE(engine->scene(), &board.scene);
    QVERIFY(log.names.isEmpty());
    QVERIFY(board.scene.items().isEmpty());
}

void TestRemote::hostileLiveMessages_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QJsonArray>("messages");
    QTest::addColumn<QStringList>("refusals");
    QTest::addColumn<int>("groups");

    const auto at = [](int mousetype, const QJsonObject &extra = {}) {
        return message(mousetype, QPointF(500, 500), extra);
    };
    QTest::newRow("nan x") << 2 << QJsonArray {at(0, {{"x", qQNaN()}})}
                           << QStringList {"KvPenCore::remoteData refused: position out of range "
                                           "nan 500"}
                           << 0;
    QTest::newRow("infinite y move")
        << 2 << QJsonArray {at(0), at(1, {{"y", -qInf()}}), at(2)}
        << QStringList {"KvPenCore::remoteData refused: position out of range 500 -inf"} << 1;
    QTest::newRow("enormous x")
        << 3 << QJsonArray {at(0, {{"x", 1e300}}), at(2)}
        << QStringList {"KvPenCore::remoteData refused: position out of range 1e+300 500"} << 0;
    QTest::newRow("enormous width")
        << 2 << QJsonArray {at(0, {{"width", 100000}}), at(2, {{"width", 100000}})}
        << QStringList {"KvPenCore::remoteData width clamped: 100000 "
                        "-> 500",
                        "KvPenCore::remoteData width clamped: 100000 "
                        "-> 500"}
        << 1;
    QTest::newRow("negative eraser width")
        << 3 << QJsonArray {at(0, {{"width", -40}})}
        << QStringList {"KvPenCore::remoteData width clamped: -40 -> 0"} << 0;
    QTest::newRow("width beyond int is no int")
        << 2 << QJsonArray {at(0, {{"width", 1e12}}), at(2)} << QStringList() << 1;
    QTest::newRow("text coordinates count as 0")
        << 2 << QJsonArray {at(0, {{"x", "12"}, {"y", QJsonArray {}}}), at(2)} << QStringList()
        << 1;
    QTest::newRow("malformed uuid")
        << 2 << QJsonArray {at(0, {{"uuid", "not a uuid"}}), at(2)} << QStringList() << 1;
    QTest::newRow("unknown mousetype releases")
        << 2 << QJsonArray {at(0), at(17)} << QStringList() << 1;
    QTest::newRow("moves and release without press")
        << 2 << QJsonArray {at(1), at(1), at(2)} << QStringList() << 0;
    QTest::newRow("release twice") << 2 << QJsonArray {at(0), at(2), at(2)} << QStringList() << 1;
    QTest::newRow("garbage values")
        << 2
        << QJsonArray {at(0, {{"pen", "yes"}, {"mousetype", "1"}, {"color", "no colour"}}), at(2)}
        << QStringList() << 0;
}

void TestRemote::hostileLiveMessages()
{
    QFETCH(int, type);
    QFETCH(QJsonArray, messages);
    QFETCH(QStringList, refusals);
    QFETCH(int, groups);
    Board board;
    Board reference;
    const QList<QPointF> path = wave(QPointF(0, 0), 10);
    board.core.remoteData(QStringLiteral("good"), 2, message(0, path.first()));
    reference.core.remoteData(QStringLiteral("good"), 2, message(0, path.first()));
    const QJsonObject goodUuid {{"uuid", "11111111-2222-3333-4444-555555555555"}};
    board.core.remoteData(QStringLiteral("good"), 2, message(1, path.at(1)));
    reference.core.remoteData(QStringLiteral("good"), 2, message(1, path.at(1)));

    for (const QString &refusal : refusals)
        QTest::ignoreMessage(QtDebugMsg, refusal.toLatin1());
    for (const QJsonValue &hostile : messages)
        board.core.remoteData(QStringLiteral("evil"), type, hostile.toObject());

    // The other sender's stroke goes on undisturbed.
    for (const QPointF &point : path.mid(2)) {
        board.core.remoteData(QStringLiteral("good"), 2, message(1, point));
        reference.core.remoteData(QStringLiteral("good"), 2, message(1, point));
    }
    board.core.remoteData(QStringLiteral("good"), 2, message(2, QPointF()));
    reference.core.remoteData(QStringLiteral("good"), 2, message(2, QPointF()));
    const QList<KvGraphicsStrokesGroup *> good = groupsOn(reference.scene);
    QCOMPARE(good.size(), 1);
    QCOMPARE(groupsOn(board.scene).size(), 1 + groups);
    bool found = false;
    for (KvGraphicsStrokesGroup *group : groupsOn(board.scene)) {
        if (group->penWidth() != 6 || group->items().size() != good.first()->items().size()
            || group->items().first()->getCorrespondingPoint() != path.first())
            continue;
        found = true;
        for (int p = 0; p < group->items().size(); ++p)
            QCOMPARE(group->items().at(p)->polygon(), good.first()->items().at(p)->polygon());
    }
    QVERIFY(found);
    QVERIFY(looseItems(board.scene) <= 2);
}

void TestRemote::senderFloodIsBounded()
{
    Board board;
    const int senders = 300;
    const int refused = senders - 256;
    for (int i = 0; i < refused; ++i)
        QTest::ignoreMessage(QtDebugMsg,
                             "KvPenCore::remoteData refused: no engine for another sender");
    for (int i = 0; i < senders; ++i)
        board.core.remoteData(QString::number(i), 2, message(0, QPointF(i, 0)));
    QCOMPARE(board.core.findChildren<KvPenObject *>().size(), 1 + 256);

    // Known senders go on drawing.
    board.core.remoteData(QStringLiteral("7"), 2, message(2, QPointF()));
    QCOMPARE(groupsOn(board.scene).size(), 1);
    QTest::ignoreMessage(QtDebugMsg, "KvPenCore::remoteData refused: no engine for another sender");
    board.core.remoteData(QString(2000, QLatin1Char('k')), 2, message(0, QPointF()));
}

void TestRemote::liveMessageWithoutSceneIsDropped()
{
    KvPenCore core;
    QTest::ignoreMessage(QtDebugMsg, "KvPenCore::remoteData refused: no scene");
    core.remoteData(kAlice, 2, message(0, QPointF(1, 1)));
    QCOMPARE(core.findChildren<KvPenObject *>().size(), 1);
}

void TestRemote::wholeStrokeReplayScale_data()
{
    QTest::addColumn<int>("viewWidth");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QJsonObject>("data");
    QTest::addColumn<QList<QPointF>>("points");
    QTest::addColumn<double>("width");

    const QJsonObject base {{"pos", "10.7,20.2"}, {"width", 4}, {"type", 0}};
    const auto with = [&base](const QJsonObject &extra) {
        QJsonObject data = base;
        for (auto it = extra.begin(); it != extra.end(); ++it)
            data.insert(it.key(), it.value());
        return data;
    };
    QTest::newRow("no board width") << 800 << 1.0 << base << QList<QPointF> {{10, 20}} << 4.0;
    QTest::newRow("board width 0")
        << 800 << 1.0 << with({{"boardWidth", 0}}) << QList<QPointF> {{10, 20}} << 4.0;
    QTest::newRow("sender twice as wide")
        << 960 << 1.0 << with({{"boardWidth", 1920}, {"pos", "100,50;160,50"}, {"width", 10}})
        << QList<QPointF> {{50, 25}, {80, 25}} << 5.0;
    QTest::newRow("halved width 2 keeps 4")
        << 960 << 1.0 << with({{"boardWidth", 1920}}) << QList<QPointF> {{5, 10}} << 4.0;
    QTest::newRow("scale 0.75 gives 3")
        << 960 << 1.0 << with({{"boardWidth", 1280}, {"pos", "100,40"}})
        << QList<QPointF> {{75, 30}} << 3.0;
    QTest::newRow("zoom 2") << 800 << 2.0 << with({{"pos", "100,100"}, {"width", 10}})
                            << QList<QPointF> {{50, 50}} << 5.0;
    QTest::newRow("zoom rounded to two decimals")
        << 800 << 0.504 << with({{"pos", "100,100"}, {"width", 10}}) << QList<QPointF> {{200, 200}}
        << 20.0;
    QTest::newRow("zoom rounding to 0 counts as 1")
        << 800 << 0.004 << with({{"pos", "100,100"}}) << QList<QPointF> {{100, 100}} << 4.0;
    QTest::newRow("offsets") << 800 << 1.0 << with({{"dx", 5}, {"dy", -30}})
                             << QList<QPointF> {{15, -9}} << 4.0;
    QTest::newRow("fractional offsets count as 0")
        << 800 << 1.0 << with({{"dx", 2.5}, {"dy", "7"}}) << QList<QPointF> {{10, 20}} << 4.0;
}

void TestRemote::wholeStrokeReplayScale()
{
    QFETCH(int, viewWidth);
    QFETCH(double, zoom);
    QFETCH(QJsonObject, data);
    QFETCH(QList<QPointF>, points);
    QFETCH(double, width);
    Board board;
    QGraphicsView view(&board.scene);
    view.resize(viewWidth, 600);
    view.setTransform(QTransform::fromScale(zoom, zoom));

    board.core.paintPen(data);

    QCOMPARE(groupsOn(board.scene).size(), 1);
    const QList<KvGraphicsPolygonItem *> pieces = groupsOn(board.scene).first()->items();
    QCOMPARE(pieces.size(), points.size());
    for (int i = 0; i < points.size(); ++i)
        QCOMPARE(pieces.at(i)->getCorrespondingPoint(), points.at(i));
    const QRectF dot = pieces.first()->fullPolygon().boundingRect();
    QVERIFY2(qAbs(dot.width() - width) < 0.3, qPrintable(QString::number(dot.width())));
}

void TestRemote::wholeStrokeReplayBuildsTheGroup()
{
    Board board;
    board.core.setPenColor(Qt::cyan);
    board.core.setPenWidth(3);
    board.core.setMarkerColor(Qt::magenta);
    board.core.setMarkerWidth(9);
    board.core.setStylus(1);
    KvSignalLog log(&board.core);
    const QString uuid = QStringLiteral("9b2e8c1d-0f6a-4e1b-8a52-0c6de3f1a777");

    board.core.paintPen({{"pos", "0,0;30,0;60,0"},
                         {"width", 6},
                         {"type", 2},
                         {"color", "#FF102030"},
                         {"dataid", uuid},
                         {"zValue", "2"},
                         {"firstY", 0},
                         {"messageid", "m"}});

    QCOMPARE(groupsOn(board.scene).size(), 1);
    KvGraphicsStrokesGroup *group = groupsOn(board.scene).first();
    QCOMPARE(text(group->uuid()), uuid);
    QCOMPARE(group->stylus(), 2);
    QCOMPARE(group->zValue(), 2.0);
    QCOMPARE(group->penWidth(), 2);
    QCOMPARE(group->color(),
             QColor::fromRgbF(QColor(0x10, 0x20, 0x30).redF(), QColor(0x10, 0x20, 0x30).greenF(),
                              QColor(0x10, 0x20, 0x30).blueF(), 0.5));
    QCOMPARE(group->items().size(), 3);
    QVERIFY(log.names.isEmpty());
    QCOMPARE(looseItems(board.scene), 0);

    QCOMPARE(board.core.penColor(), QColor(Qt::cyan));
    QCOMPARE(board.core.penWidth(), 3);
    QCOMPARE(board.core.markerColor(), QColor(Qt::magenta));
    QCOMPARE(board.core.markerWidth(), 9);
    QCOMPARE(board.core.findChild<KvPenObject *>()->stylus(), 1);
}

void TestRemote::wholeStrokeRoundTrip()
{
    Board sender;
    Board receiver;
    QGraphicsView senderView(&sender.scene);
    QGraphicsView receiverView(&receiver.scene);
    senderView.resize(1000, 700);
    receiverView.resize(1000, 700);
    sender.core.setPenWidth(5);
    drawMouse(sender.core, wave(QPointF(0.5, 0.5), 30));

    receiver.core.paintPen(sender.snapshots.first());

    const KvGraphicsStrokesGroup *original = groupsOn(sender.scene).first();
    QCOMPARE(groupsOn(receiver.scene).size(), 1);
    const KvGraphicsStrokesGroup *replayed = groupsOn(receiver.scene).first();
    QCOMPARE(replayed->uuid(), original->uuid());
    QCOMPARE(replayed->color(), original->color());
    QVERIFY(replayed->items().size() > 3);
    for (const KvGraphicsPolygonItem *piece : replayed->items()) {
        const QPointF point = piece->getCorrespondingPoint();
        QCOMPARE(point, QPointF(int(point.x()), int(point.y())));
    }
    QCOMPARE(replayed->items().first()->getCorrespondingPoint(), QPointF(0, 0));
}

void TestRemote::highlighterReplayDoesNotOverlap()
{
    Board board;
    board.core.paintPen(
        {{"pos", "0,0;12,0;24,0;36,0;48,0"}, {"width", 20}, {"type", 2}, {"color", "#FF00FF00"}});
    const QList<KvGraphicsPolygonItem *> pieces = groupsOn(board.scene).first()->items();
    QCOMPARE(pieces.size(), 5);
    for (int i = 0; i < pieces.size(); ++i) {
        QCOMPARE(pieces.at(i)->color().alpha(), 128);
        for (int j = 0; j < i; ++j) {
            const QPolygonF overlap = pieces.at(i)->polygon().intersected(pieces.at(j)->polygon());
            const QRectF bounds = overlap.boundingRect();
            QVERIFY(bounds.width() * bounds.height() < 1e-6 || overlap.size() < 3);
        }
    }
}

void TestRemote::replayWithRepeatedLastPointMakesOneGroup()
{
    Board board;
    board.core.paintPen({{"pos", "0,0;40,0;80,0;40,0"}, {"width", 4}});
    QCOMPARE(groupsOn(board.scene).size(), 1);
    const KvGraphicsStrokesGroup *group = groupsOn(board.scene).first();
    QCOMPARE(group->items().size(), 2);
    QCOMPARE(group->childItems().size(), 2);
    QCOMPARE(looseItems(board.scene), 0);
}

void TestRemote::replayWithoutViewIsUnscaled()
{
    Board board;
    board.core.paintPen({{"pos", "30,40"}, {"boardWidth", 3000}});
    QCOMPARE(groupsOn(board.scene).first()->items().first()->getCorrespondingPoint(),
             QPointF(30, 40));

    KvPenCore sceneless;
    QTest::ignoreMessage(QtDebugMsg, "KvPenCore::paintPen refused: no scene");
    sceneless.paintPen({{"pos", "30,40"}});
}

void TestRemote::hostileWholeStrokes_data()
{
    QTest::addColumn<QJsonObject>("data");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<int>("groups");

    QString flood;
    for (int i = 0; i < 1000000; ++i)
        flood += QStringLiteral("1,1;");
    QTest::newRow("a million points") << QJsonObject {{"pos", flood}}
                                      << "KvPenCore::paintPen refused: more than 10000 points" << 0;
    QTest::newRow("board width nan")
        << QJsonObject {{"pos", "1,1"}, {"boardWidth", qQNaN()}}
        << "KvPenCore::paintPen refused: board width out of range nan" << 0;
    QTest::newRow("negative board width")
        << QJsonObject {{"pos", "1,1"}, {"boardWidth", -100}}
        << "KvPenCore::paintPen refused: board width out of range -100" << 0;
    QTest::newRow("enormous board width")
        << QJsonObject {{"pos", "1,1"}, {"boardWidth", 1e12}}
        << "KvPenCore::paintPen refused: board width out of range 1e+12" << 0;
    QTest::newRow("point out of range")
        << QJsonObject {{"pos", "1,1;2e6,5"}}
        << "KvPenCore::paintPen refused: point out of range 2e6,5" << 0;
    QTest::newRow("float overflow")
        << QJsonObject {{"pos", "1e39,5"}}
        << "KvPenCore::paintPen refused: point out of range 1e39,5" << 0;
    QTest::newRow("nan text") << QJsonObject {{"pos", "nan,5"}}
                              << "KvPenCore::paintPen refused: point out of range nan,5" << 0;
    QTest::newRow("offset overflow") << QJsonObject {{"pos", "1,1"}, {"dx", 2147483647}}
                                     << "KvPenCore::paintPen refused: point out of range 1,1" << 0;
    QTest::newRow("enormous width") << QJsonObject {{"pos", "1,1"}, {"width", 1000000000}}
                                    << "KvPenCore::paintPen width clamped: 1000000000 -> 500" << 1;
    QTest::newRow("garbage parts") << QJsonObject {{"pos", "abc;;x,y;3,4,5"}} << QString() << 1;
    QTest::newRow("only garbage") << QJsonObject {{"pos", "abc;;"}} << QString() << 0;
    QTest::newRow("pos not text") << QJsonObject {{"pos", 12}} << QString() << 0;
    QTest::newRow("z not finite") << QJsonObject {{"pos", "1,1"}, {"zValue", "inf"}} << QString()
                                  << 1;
}

void TestRemote::hostileWholeStrokes()
{
    QFETCH(QJsonObject, data);
    QFETCH(QString, refusal);
    QFETCH(int, groups);
    Board board;
    QGraphicsView view(&board.scene);
    view.resize(800, 600);
    drawMouse(board.core, wave(QPointF(0, 0), 8));
    const QList<KvGraphicsStrokesGroup *> before = groupsOn(board.scene);

    if (!refusal.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, refusal.toLatin1());
    board.core.paintPen(data);

    const QList<KvGraphicsStrokesGroup *> after = groupsOn(board.scene);
    QCOMPARE(after.size(), before.size() + groups);
    QCOMPARE(after.mid(0, before.size()), before);
    QCOMPARE(looseItems(board.scene), 0);
    for (KvGraphicsStrokesGroup *group : after)
        QVERIFY(qIsFinite(group->zValue()));
    QCOMPARE(board.core.penWidth(), 10);
    QCOMPARE(board.core.findChild<KvPenObject *>()->stylus(), 0);
}

QTEST_MAIN(TestRemote)
#include "tst_remote.moc"
