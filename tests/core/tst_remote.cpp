#include "KvBoardInspection.h"
#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvLogRecorder.h"
#include "KvPenCore.h"
#include "KvPenObject.h"
#include "KvPenTypes.h"
#include "KvRecordingScene.h"
#include "KvSignalLog.h"
#include "KvTestMessages.h"

#include <QGraphicsView>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

const double kNoPressure = 0.0;
const QString kAlice = QStringLiteral("alice");
const QString kGoodUuid = QStringLiteral("6f1b6a57-52c4-4e36-9d53-3f30c7f61a2d");

// The strokes groups are the same, in the same order, piece for piece.
void compareGroups(const QList<KvGraphicsStrokesGroup *> &want,
                   const QList<KvGraphicsStrokesGroup *> &got)
{
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
            QCOMPARE(gotPiece->color(), wantPiece->color());
        }
    }
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
    for (const QPointF &point : path.mid(1))
        core.inputDeviceMove(point, kNoPressure);
    core.inputDeviceRelease();
}

// Each (core, touch id) draws a wave at the same time, moves interleaved, released in order.
void drawTogether(const QList<QPair<KvPenCore *, int>> &fingers)
{
    for (int i = 0; i <= 15; ++i) {
        for (int f = 0; f < fingers.size(); ++f) {
            const QPointF point = wave(QPointF(10 * f, 150 * f + 0.5), 15).at(i);
            if (i == 0)
                fingers.at(f).first->inputDevicePress(fingers.at(f).second, point, kNoPressure);
            else
                fingers.at(f).first->inputDeviceMove(fingers.at(f).second, point, kNoPressure);
        }
    }
    for (const auto &finger : fingers)
        finger.first->inputDeviceRelease(finger.second);
}

// A circle of radius 60 drawn once round in moves of 6.5 units, lifted a unit before its start.
QList<QPointF> circle()
{
    QList<QPointF> points;
    const double sweep = 2 * M_PI - 1.0 / 60;
    const int steps = 58;
    for (int i = 0; i <= steps; ++i) {
        const double angle = sweep * i / steps;
        points.append(QPointF(100 + 60 * std::cos(angle), 100 + 60 * std::sin(angle)));
    }
    return points;
}

// Whether the group's ink covers the point.
bool inked(const KvGraphicsStrokesGroup *group, const QPointF &point)
{
    return std::any_of(group->items().cbegin(), group->items().cend(), [&](const auto *piece) {
        return piece->mapToScene(piece->polygon()).containsPoint(point, Qt::WindingFill);
    });
}

QJsonObject with(QJsonObject data, const QJsonObject &extra)
{
    for (auto it = extra.begin(); it != extra.end(); ++it)
        data.insert(it.key(), it.value());
    return data;
}

// A live pen message of touch 1.
QJsonObject message(int mousetype, const QPointF &pos, const QJsonObject &extra = {})
{
    return with({{"x", pos.x()},
                 {"y", pos.y()},
                 {"mousetype", mousetype},
                 {"id", 1},
                 {"width", 6},
                 {"color", "#ff0000"},
                 {"pen", true},
                 {"uuid", kGoodUuid}},
                extra);
}

} // namespace

class tst_Remote : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void remoteOffSendsAndAcceptsNothing();
    void mirroredDrawing_data();
    void mirroredDrawing();
    void remoteHighlighterUsesSinglePointer();
    void releasesWithoutPress();

    void hostileLiveMessages_data();
    void hostileLiveMessages();
    void senderFloodIsBounded();
    void withoutSceneNothingIsDrawn();

    void wholeStrokeReplayBuildsTheGroup();
    void strokeEnds_data();
    void strokeEnds();
    void hostileWholeStrokes_data();
    void hostileWholeStrokes();
};

void tst_Remote::initTestCase()
{
    failOnUnexpectedWarnings();
    qRegisterMetaType<QJsonObject>("QJsonObject&");
}

void tst_Remote::remoteOffSendsAndAcceptsNothing()
{
    Board board;
    board.core.setIsCanRemote(false);
    QSignalSpy sent(&board.core, &KvPenCore::sig_sendRemoteData);
    drawMouse(board.core, wave(QPointF(0, 0), 5));
    QVERIFY(sent.isEmpty());
    QCOMPARE(board.snapshots.size(), 1);

    board.core.remoteData(kAlice, 2, message(0, QPointF(5, 5)));
    board.core.remoteData(kAlice, 2, message(2, QPointF()));
    QCOMPARE(board.core.findChildren<KvPenObject *>().size(), 1);
    QCOMPARE(board.snapshots.size(), 1);
    QCOMPARE(groupsOn(board.scene).size(), 1);

    board.core.paintPen({{"pos", "5,5"}});
    QCOMPARE(groupsOn(board.scene).size(), 2);
}

void tst_Remote::mirroredDrawing_data()
{
    QTest::addColumn<int>("stylus");
    QTest::addColumn<bool>("together"); // two touch strokes drawn at once
    QTest::addColumn<bool>("twoSenders"); // ... by two senders, both with touch id 1
    QTest::newRow("pen") << 0 << false << false;
    QTest::newRow("highlighter") << 2 << false << false;
    QTest::newRow("pen, two fingers") << 0 << true << false;
    QTest::newRow("two senders, equal touch ids") << 0 << true << true;
    QTest::newRow("eraser") << 1 << false << false;
}

// The senders' live messages replayed on the receiver give the same board and the same reports;
// their whole-stroke messages replayed on another board give the same strokes.
void tst_Remote::mirroredDrawing()
{
    QFETCH(int, stylus);
    QFETCH(bool, together);
    QFETCH(bool, twoSenders);
    Board alice;
    Board bob;
    Board receiver;
    alice.mirrorTo(&receiver.core, kAlice);
    bob.mirrorTo(&receiver.core, QStringLiteral("bob"));
    alice.core.setPenColor(QColor(200, 30, 30));
    alice.core.setPenWidth(8);
    alice.core.setMarkerColor(QColor(30, 200, 30));
    alice.core.setMarkerWidth(17);
    alice.core.setEraserWidth(20);
    bob.core.setPenColor(Qt::blue);
    bob.core.setPenWidth(4);

    if (stylus == 1) {
        drawMouse(alice.core, wave(QPointF(0, 0), 12));
        drawMouse(alice.core, wave(QPointF(0, 200), 12));
        alice.core.setStylus(1);
        drawMouse(alice.core,
                  {QPointF(40, -40), QPointF(40, 0), QPointF(40, 120), QPointF(40, 220)});
    } else if (together) {
        drawTogether(
            {{&alice.core, 1}, {twoSenders ? &bob.core : &alice.core, twoSenders ? 1 : 2}});
    } else {
        alice.core.setStylus(stylus);
        drawMouse(alice.core, wave(QPointF(0.5, 0.5), 20));
        alice.core.setMarkerWidth(5);
        alice.core.setPenWidth(3);
        drawMouse(alice.core, wave(QPointF(10, 80), 9));
    }

    const QList<KvGraphicsStrokesGroup *> drawn = groupsOn(alice.scene) + groupsOn(bob.scene);
    compareGroups(drawn, groupsOn(receiver.scene));
    QCOMPARE(boardViolations(receiver.scene), QStringList());
    QCOMPARE(receiver.snapshots, alice.snapshots + bob.snapshots);
    QCOMPARE(receiver.removals, alice.removals);
    QCOMPARE(receiver.erased, alice.erased);
    QCOMPARE(receiver.core.findChildren<KvPenObject *>().size(), twoSenders ? 3 : 2);
    if (stylus == 1) {
        // Both strokes were hit, each by several of its pieces.
        const QStringList removed = receiver.removals.first();
        QCOMPARE(QSet<QString>(removed.begin(), removed.end()).size(), 2);
        return;
    }

    // Whole-stroke messages rebuild the strokes on another board, with whole scene units.
    Board replay;
    for (const QJsonObject &snapshot : receiver.snapshots)
        replay.core.paintPen(snapshot);
    const QList<KvGraphicsStrokesGroup *> replayed = groupsOn(replay.scene);
    QCOMPARE(replayed.size(), drawn.size());
    for (int g = 0; g < drawn.size(); ++g) {
        QCOMPARE(replayed.at(g)->uuid(), drawn.at(g)->uuid());
        QCOMPARE(replayed.at(g)->stylus(), drawn.at(g)->stylus());
        QCOMPARE(replayed.at(g)->color().name(), drawn.at(g)->color().name());
        QVERIFY(replayed.at(g)->items().size() > 3);
    }
}

// A remote highlighter draws under the single pointer whatever the id, with its own settings.
void tst_Remote::remoteHighlighterUsesSinglePointer()
{
    Board board;
    const QJsonObject highlighter {{"pen", false}, {"width", 21}, {"color", "#00ff00"}};
    board.core.remoteData(kAlice, 2, message(0, QPointF(0, 0), highlighter));
    board.core.remoteData(kAlice, 2, message(1, QPointF(40, 0), with(highlighter, {{"id", 9}})));
    board.core.remoteData(kAlice, 2, message(2, QPointF(), with(highlighter, {{"id", 5}})));

    const KvToolSettings &settings
        = board.core.findChildren<KvPenObject *>().value(1)->toolSettings();
    QCOMPARE(settings.markerColor, QColor("#00ff00"));
    QCOMPARE(settings.penColor, QColor("#FFFFFF"));
    QCOMPARE(settings.penWidth, 10);
    QCOMPARE(groupsOn(board.scene).size(), 1);
    const KvGraphicsStrokesGroup *group = groupsOn(board.scene).first();
    QCOMPARE(group->stylus(), 2);
    QCOMPARE(group->penWidth(), 21);
    QCOMPARE(group->items().size(), 2);
    QCOMPARE(text(group->uuid()), kGoodUuid);
    QCOMPARE(boardViolations(board.scene), QStringList());
}

void tst_Remote::releasesWithoutPress()
{
    Board board;
    board.core.remoteData(kAlice, 2, message(2, QPointF(), {{"messageid", "m-1"}}));
    board.core.remoteData(kAlice, 3, message(2, QPointF(), {{"messageid", "m-2"}}));
    QCOMPARE(board.snapshots, (QList<QJsonObject> {QJsonObject {{"messageid", "m-1"}}}));
    QCOMPARE(board.removals, QList<QStringList> {QStringList()});
    QVERIFY(board.scene.items().isEmpty());
}

void tst_Remote::hostileLiveMessages_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QJsonArray>("messages");
    QTest::addColumn<int>("refusals"); // kvpen.remote lines of KvPenCore::remoteData
    QTest::addColumn<int>("groups");
    const auto at = [](int mousetype, const QJsonObject &extra = {}) {
        return message(mousetype, QPointF(500, 500),
                       with({{"uuid", "0e7d1f7c-8f42-4c8e-b6a1-52f3c3d0e9b4"}}, extra));
    };
    QTest::newRow("nan x") << 2 << QJsonArray {at(0, {{"x", qQNaN()}})} << 1 << 0;
    QTest::newRow("infinite y move")
        << 2 << QJsonArray {at(0), at(1, {{"y", -qInf()}}), at(2)} << 1 << 1;
    QTest::newRow("enormous eraser x") << 3 << QJsonArray {at(0, {{"x", 1e300}}), at(2)} << 1 << 0;
    QTest::newRow("clamped width") << 2 << QJsonArray {at(0, {{"width", -4}}), at(2)} << 1 << 1;
    QTest::newRow("unknown type") << 9 << QJsonArray {at(0)} << 1 << 0;
    QTest::newRow("unknown mousetype releases") << 2 << QJsonArray {at(0), at(17)} << 0 << 1;
    QTest::newRow("moves and release without press")
        << 2 << QJsonArray {at(1), at(1), at(2)} << 0 << 0;
    QTest::newRow("release twice") << 2 << QJsonArray {at(0), at(2), at(2)} << 0 << 1;
}

// A hostile sender's messages, amid another sender's stroke, leave that stroke undisturbed.
void tst_Remote::hostileLiveMessages()
{
    QFETCH(int, type);
    QFETCH(QJsonArray, messages);
    QFETCH(int, refusals);
    QFETCH(int, groups);
    Board board;
    Board reference;
    const QList<QPointF> path = wave(QPointF(0, 0), 10);
    const auto good = [&](int mousetype, const QPointF &point) {
        board.core.remoteData(QStringLiteral("good"), 2, message(mousetype, point));
        reference.core.remoteData(QStringLiteral("good"), 2, message(mousetype, point));
    };
    good(0, path.first());
    good(1, path.at(1));
    KvLogRecorder log;
    for (const QJsonValue &hostile : messages)
        board.core.remoteData(QStringLiteral("evil"), type, hostile.toObject());
    QCOMPARE(log.lines("kvpen.remote"),
             QVector<QString>(refusals, "kvpen.remote KvPenCore::remoteData").toList());
    for (const QPointF &point : path.mid(2))
        good(1, point);
    good(2, QPointF());

    QList<KvGraphicsStrokesGroup *> goodGroups = groupsOn(board.scene);
    QCOMPARE(goodGroups.size(), 1 + groups);
    goodGroups.erase(std::remove_if(goodGroups.begin(), goodGroups.end(),
                                    [](KvGraphicsStrokesGroup *group) {
                                        return text(group->uuid()) != kGoodUuid;
                                    }),
                     goodGroups.end());
    compareGroups(groupsOn(reference.scene), goodGroups);
    QCOMPARE(boardViolations(board.scene), QStringList());
}

void tst_Remote::senderFloodIsBounded()
{
    Board board;
    KvLogRecorder log;
    for (int i = 0; i < 300; ++i)
        board.core.remoteData(QString::number(i), 2, message(0, QPointF(i, 0)));
    QCOMPARE(board.core.findChildren<KvPenObject *>().size(), 1 + KvPen::kMaxRemoteSenders);
    QCOMPARE(log.lines().size(), 300 - KvPen::kMaxRemoteSenders);

    // Known senders go on drawing; one that finished makes room for a newcomer, who draws.
    board.core.remoteData(QStringLiteral("7"), 2, message(2, QPointF()));
    QCOMPARE(groupsOn(board.scene).size(), 1);
    board.core.remoteData(QStringLiteral("late"), 2, message(0, QPointF(5, 5)));
    board.core.remoteData(QStringLiteral("late"), 2, message(2, QPointF()));
    QCOMPARE(groupsOn(board.scene).size(), 2);
    QCOMPARE(board.core.findChildren<KvPenObject *>().size(), 1 + KvPen::kMaxRemoteSenders);

    // Participants who each draw a stroke and leave, more over a lesson than engines at once.
    Board lesson;
    for (int i = 0; i < 600; ++i) {
        const QJsonObject uuid {{"uuid", QUuid::createUuid().toString(QUuid::WithoutBraces)}};
        for (int step : {0, 1, 2})
            lesson.core.remoteData(QString::number(i), 2, message(step, QPointF(i, 20), uuid));
    }
    QCOMPARE(groupsOn(lesson.scene).size(), 600);
    QCOMPARE(boardViolations(lesson.scene), QStringList());

    // The longest key is taken, a longer one refused.
    Board other;
    const QString longest(KvPen::kMaxSenderKeyLength, QLatin1Char('k'));
    other.core.remoteData(longest, 2, message(0, QPointF()));
    other.core.remoteData(longest + "k", 2, message(0, QPointF()));
    QCOMPARE(other.core.findChildren<KvPenObject *>().size(), 2);
}

void tst_Remote::withoutSceneNothingIsDrawn()
{
    KvPenCore core;
    KvLogRecorder log;
    core.remoteData(kAlice, 2, message(0, QPointF(1, 1)));
    QCOMPARE(core.findChildren<KvPenObject *>().size(), 1);
    core.paintPen({{"pos", "30,40"}});
    QCOMPARE(
        log.lines(),
        (QStringList {"kvpen.remote KvPenCore::remoteData", "kvpen.remote KvPenCore::paintPen"}));
}

void tst_Remote::wholeStrokeReplayBuildsTheGroup()
{
    Board board;
    board.core.setPenColor(Qt::cyan);
    board.core.setPenWidth(3);
    board.core.setMarkerColor(Qt::magenta);
    board.core.setMarkerWidth(9);
    board.core.setStylus(1);
    KvSignalLog log(&board.core);
    const QString uuid = QStringLiteral("9b2e8c1d-0f6a-4e1b-8a52-0c6de3f1a777");
    // A sender's board twice as wide as this view: points and width are halved.
    QGraphicsView view(&board.scene);
    view.resize(400, 300);

    board.core.paintPen({{"pos", "0,0;24,0;48,0;72,0;96,7"},
                         {"boardWidth", 800},
                         {"width", 40},
                         {"type", 2},
                         {"color", "#FF102030"},
                         {"dataid", uuid},
                         {"zValue", "2"}});

    QCOMPARE(groupsOn(board.scene).size(), 1);
    const KvGraphicsStrokesGroup *group = groupsOn(board.scene).first();
    QCOMPARE(text(group->uuid()), uuid);
    QCOMPARE(group->stylus(), 2);
    QCOMPARE(group->zValue(), 2.0);
    QCOMPARE(group->penWidth(), 2);
    QCOMPARE(group->items().last()->getCorrespondingPoint(), QPointF(48, 3.5));
    const QRectF dot = group->items().first()->fullPolygon().boundingRect();
    QVERIFY2(qAbs(dot.width() - 20) < 0.3, qPrintable(QString::number(dot.width())));
    QColor translucent(0x10, 0x20, 0x30);
    translucent.setAlphaF(0.5);
    QCOMPARE(group->color(), translucent);
    QVERIFY(log.names.isEmpty());
    QCOMPARE(group->items().size(), 5);
    QCOMPARE(boardViolations(board.scene), QStringList());

    QCOMPARE(board.core.penColor(), QColor(Qt::cyan));
    QCOMPARE(board.core.penWidth(), 3);
    QCOMPARE(board.core.markerColor(), QColor(Qt::magenta));
    QCOMPARE(board.core.markerWidth(), 9);
    QCOMPARE(board.core.findChild<KvPenObject *>()->stylus(), 1);
}

void tst_Remote::strokeEnds_data()
{
    QTest::addColumn<bool>("complete");
    QTest::newRow("ending at the last committed piece") << false;
    QTest::newRow("completed to the lift point") << true;
}

// The sender, a board mirroring its live messages and one replaying its whole strokes, each
// with the option as given: a circle closes exactly when the ends are completed, on all three.
void tst_Remote::strokeEnds()
{
    QFETCH(bool, complete);
    Board sender, mirror, replica;
    sender.mirrorTo(&mirror.core, kAlice);
    QObject::connect(&sender.core, &KvPenCore::sig_penChanged, &replica.core, &KvPenCore::paintPen);
    for (Board *board : {&sender, &mirror, &replica})
        board->core.setCompleteStrokeEnds(complete);

    drawMouse(sender.core, circle());

    for (Board *board : {&sender, &mirror, &replica}) {
        QCOMPARE(groupsOn(board->scene).size(), 1);
        const KvGraphicsStrokesGroup *group = groupsOn(board->scene).first();
        // No background along the centre line, nor 1.5 units inside either edge (width 10).
        int gaps = 0;
        for (double angle = 0; angle < 360; angle += 0.25) {
            for (double radius : {56.5, 60.0, 63.5}) {
                const QPointF point(100 + radius * std::cos(qDegreesToRadians(angle)),
                                    100 + radius * std::sin(qDegreesToRadians(angle)));
                gaps += inked(group, point) ? 0 : 1;
            }
        }
        QCOMPARE(gaps == 0, complete);
        QCOMPARE(boardViolations(board->scene), QStringList());
    }
    const KvGraphicsStrokesGroup *drawn = groupsOn(sender.scene).first();
    QCOMPARE(drawn->items().last()->getCorrespondingPoint() == circle().last(), complete);
    QCOMPARE(groupsOn(mirror.scene).first()->items().size(), drawn->items().size());
}

void tst_Remote::hostileWholeStrokes_data()
{
    QTest::addColumn<QJsonObject>("data");
    QTest::addColumn<int>("refusals"); // kvpen.remote lines of KvPenCore::paintPen
    QTest::addColumn<int>("groups");
    QTest::newRow("board width nan")
        << QJsonObject {{"pos", "1,1"}, {"boardWidth", qQNaN()}} << 1 << 0;
    QTest::newRow("point out of range") << QJsonObject {{"pos", "1,1;1e39,5"}} << 1 << 0;
    QTest::newRow("enormous width")
        << QJsonObject {{"pos", "1,1"}, {"width", 1000000000}} << 1 << 1;
    QTest::newRow("z not finite") << QJsonObject {{"pos", "1,1"}, {"zValue", "inf"}} << 0 << 1;
}

// A hostile whole-stroke message adds at most its own group and leaves the engine as it was.
void tst_Remote::hostileWholeStrokes()
{
    QFETCH(QJsonObject, data);
    QFETCH(int, refusals);
    QFETCH(int, groups);
    Board board;
    QGraphicsView view(&board.scene);
    view.resize(800, 600);
    drawMouse(board.core, wave(QPointF(0, 0), 8));
    const QList<KvGraphicsStrokesGroup *> before = groupsOn(board.scene);

    KvLogRecorder log;
    board.core.paintPen(data);

    QCOMPARE(log.lines(), QVector<QString>(refusals, "kvpen.remote KvPenCore::paintPen").toList());
    const QList<KvGraphicsStrokesGroup *> after = groupsOn(board.scene);
    QCOMPARE(after.size(), before.size() + groups);
    QCOMPARE(after.mid(0, before.size()), before);
    QCOMPARE(boardViolations(board.scene), QStringList());
    for (KvGraphicsStrokesGroup *group : after)
        QVERIFY(qIsFinite(group->zValue()));
    QCOMPARE(board.core.penWidth(), 10);
    QCOMPARE(board.core.findChild<KvPenObject *>()->stylus(), 0);
}

QTEST_MAIN(tst_Remote)
#include "tst_remote.moc"
