#include "KvBoardInspection.h"
#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvLogRecorder.h"
#include "KvPenObject.h"
#include "KvRecordingScene.h"
#include "KvTestMessages.h"

#include <QGraphicsView>
#include <QSignalSpy>
#include <QtTest>

using Call = KvRecordingScene::Call;

namespace {
int inkItemsOn(const QGraphicsScene &scene)
{
    const QList<QGraphicsItem *> items = scene.items();
    return std::count_if(items.cbegin(), items.cend(), [](QGraphicsItem *item) {
        return dynamic_cast<KvGraphicsPolygonItem *>(item) != nullptr;
    });
}

// The eraser takes a group off the board for good, once per hit piece.
Call erased(QGraphicsItem *group)
{
    return {Call::Remove, group, false};
}
} // namespace

class tst_Eraser : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    void init()
    {
        m_scene = new KvRecordingScene;
        m_scene->setSceneRect(0, 0, 400, 300);
        m_view = new QGraphicsView(m_scene);
        m_view->setFrameShape(QFrame::NoFrame);
        m_view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_view->setTransformationAnchor(QGraphicsView::NoAnchor);
        m_view->resize(400, 300);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view));
        m_engine = new KvPenObject;
        m_engine->setScene(m_scene);
    }

    void cleanup()
    {
        delete m_engine;
        delete m_view;
        delete m_scene;
    }

    void pressErasesByBoundingRect_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("eraserWidth");
        QTest::addColumn<QPointF>("press");
        QTest::addColumn<QList<int>>("hitGroups");

        // Group 0 runs diagonally from (0, 0) to (50, 50), its bounding rect to x = 55; group 1
        // is five pieces along y = 150 from x = 15 to 95.
        QTest::newRow("off the ink, inside its bounding rect")
            << 1.0 << 30 << QPointF(45, 5) << QList<int> {0};
        QTest::newRow("clear of the bounding rect") << 1.0 << 30 << QPointF(80, 5) << QList<int>();
        QTest::newRow("zoom 1 reaches") << 1.0 << 30 << QPointF(67, 5) << QList<int> {0};
        QTest::newRow("zoom 2 halves the reach") << 2.0 << 30 << QPointF(67, 5) << QList<int>();
        QTest::newRow("zoom 0.5 doubles the reach")
            << 0.5 << 15 << QPointF(68, 5) << QList<int> {0};
        QTest::newRow("same width at zoom 1 misses") << 1.0 << 15 << QPointF(68, 5) << QList<int>();
        QTest::newRow("three pieces of one group")
            << 1.0 << 30 << QPointF(60, 150) << QList<int> {1, 1, 1};
    }

    void pressErasesByBoundingRect()
    {
        QFETCH(double, zoom);
        QFETCH(int, eraserWidth);
        QFETCH(QPointF, press);
        QFETCH(QList<int>, hitGroups);
        const QList<KvGraphicsStrokesGroup *> board {
            draw({{0, 0}, {100, 100}}),
            draw({{20, 150}, {40, 150}, {60, 150}, {80, 150}, {100, 150}})};
        QCOMPARE(board[1]->items().size(), 5);
        setZoom(zoom);
        m_engine->setStylus(1);
        m_engine->toolSettings().eraserWidth = eraserWidth;
        QSignalSpy erasedSpy(m_engine, &KvPenObject::sig_eraseItem);

        QVERIFY(m_engine->inputDevicePress(press, QUuid::createUuid(), -1));

        QList<Call> calls;
        QStringList uuids;
        for (int index : hitGroups) {
            calls += erased(board[index]);
            uuids += text(board[index]->uuid());
        }
        QCOMPARE(m_scene->calls, calls);
        QCOMPARE(m_engine->removedItemUuids(), uuids);
        QCOMPARE(erasedSpy.size(), uuids.size());
        for (int i = 0; i < uuids.size(); ++i)
            QCOMPARE(erasedSpy[i][0].toString(), uuids[i]);
        QVERIFY(cursor() && !cursor()->isVisible());
    }

    void dragErasesAlongItsPath()
    {
        KvGraphicsStrokesGroup *crossed = draw({{150, 100}, {250, 100}});
        KvGraphicsStrokesGroup *aside = draw({{300, 250}, {380, 250}});
        m_engine->setStylus(1);
        QSignalSpy erasedSpy(m_engine, &KvPenObject::sig_eraseItem);

        m_engine->inputDevicePress(QPointF(175, 20), QUuid(), -1);
        QVERIFY(m_scene->calls.isEmpty());
        QVERIFY(m_engine->inputDeviceMove(QPointF(175, 180), QUuid(), -1));
        QCOMPARE(m_scene->calls, QList<Call> {erased(crossed)});
        QCOMPARE(aside->scene(), m_scene);
        QCOMPARE(erasedSpy.size(), 1);
        QCOMPARE(erasedSpy[0][0].toString(), text(crossed->uuid()));
        QVERIFY(cursor()->isVisible());
        QCOMPARE(cursor()->geometry(), QRect(160, 165, 30, 30));

        QJsonObject snapshot;
        QVERIFY(m_engine->inputDeviceRelease(QUuid(), snapshot, -1));
        QVERIFY(snapshot.isEmpty() && !cursor()->isVisible());
        QCOMPARE(m_engine->removedItemUuids(), QStringList {text(crossed->uuid())});
        // Any press starts a new gesture.
        m_engine->setStylus(0);
        m_engine->inputDevicePress(QPointF(10, 10), QUuid::createUuid(), -1);
        QVERIFY(m_engine->removedItemUuids().isEmpty());
    }

    void openInkIsNeverErased()
    {
        KvGraphicsStrokesGroup *finished = draw({{100, 112}, {160, 112}});
        const QUuid open = QUuid::createUuid();
        m_engine->inputDevicePress(QPointF(100, 100), open, 1);
        m_engine->inputDeviceMove(QPointF(160, 100), open, 1);
        const int inkBefore = inkItemsOn(*m_scene);
        m_scene->calls.clear();

        m_engine->setStylus(1);
        m_engine->inputDevicePress(QPointF(120, 100), QUuid(), 2);
        QCOMPARE(m_scene->calls, QList<Call> {erased(finished)});
        QCOMPARE(inkItemsOn(*m_scene), inkBefore - finished->items().size());
        m_engine->setStylus(0);
        QJsonObject snapshot;
        QVERIFY(m_engine->inputDeviceRelease(open, snapshot, 1));
        QCOMPARE(groupsOn(*m_scene).size(), 1);
        QCOMPARE(groupsOn(*m_scene)[0]->uuid(), open);
    }

    void onePointerOwnsTheEraser()
    {
        KvGraphicsStrokesGroup *group = draw({{200, 200}, {260, 200}});
        m_engine->setStylus(1);
        QJsonObject snapshot;
        m_engine->inputDevicePress(QPointF(20, 20), QUuid(), 1);
        m_engine->inputDevicePress(QPointF(220, 200), QUuid(), 2);
        m_engine->inputDeviceMove(QPointF(240, 200), QUuid(), 2);
        m_engine->inputDeviceRelease(QUuid(), snapshot, 2);
        QVERIFY(m_scene->calls.isEmpty());

        m_engine->inputDeviceRelease(QUuid(), snapshot, 1);
        m_engine->inputDevicePress(QPointF(225, 200), QUuid(), 2);
        QCOMPARE(m_scene->calls, QList<Call> {erased(group)});
    }

    void cursorIsSharedAndComposed()
    {
        KvPenObject remote;
        remote.setScene(m_scene);
        remote.setStylus(1);
        m_engine->setStylus(1);
        m_engine->inputDevicePress(QPointF(10, 10), QUuid(), -1);
        m_engine->inputDeviceMove(QPointF(50, 60), QUuid(), -1);
        QWidget *shared = cursor();
        QVERIFY(shared);
        QCOMPARE(m_view->viewport()->property("EraserCursorWidget").value<QWidget *>(), shared);

        remote.toolSettings().eraserWidth = 20;
        remote.inputDevicePress(QPointF(300, 200), QUuid(), -1);
        remote.inputDeviceMove(QPointF(320, 220), QUuid(), -1);
        QCOMPARE(m_view->viewport()->findChildren<QWidget *>("m_wdEraserCursor").size(), 1);
        QCOMPARE(shared->geometry(), QRect(310, 210, 20, 20));
    }

    void cursorSizeFollowsZoom_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("eraserWidth");
        QTest::addColumn<int>("size");

        QTest::newRow("zoom 1") << 1.0 << 30 << 30;
        QTest::newRow("zoom 2") << 2.0 << 30 << 30;
        QTest::newRow("zoom 0.5") << 0.5 << 30 << 30;
        QTest::newRow("odd width") << 1.0 << 25 << 25;
        // The scene width 16.67 is truncated before it is scaled back.
        QTest::newRow("zoom 1.5 truncates") << 1.5 << 25 << 24;
    }

    void cursorSizeFollowsZoom()
    {
        QFETCH(double, zoom);
        QFETCH(int, eraserWidth);
        QFETCH(int, size);
        setZoom(zoom);
        m_engine->setStylus(1);
        m_engine->toolSettings().eraserWidth = eraserWidth;
        const QPointF pointer(100, 80);
        m_engine->inputDevicePress(QPointF(90, 80), QUuid(), -1);
        m_engine->inputDeviceMove(pointer, QUuid(), -1);

        const int radius = size / 2;
        QCOMPARE(cursor()->size(), QSize(size, size));
        QCOMPARE(cursor()->pos(), m_view->mapFromScene(pointer) - QPoint(radius, radius));
    }

    void areaEraseCancelsDrawingAndRefusesInput()
    {
        const QUuid first = QUuid::createUuid();
        m_engine->inputDevicePress(QPointF(100, 100), first, 1);
        m_engine->inputDeviceMove(QPointF(150, 100), first, 1);
        m_engine->inputDevicePress(QPointF(100, 200), QUuid::createUuid(), 2);
        QList<Call> expected;
        for (const Call &call : qAsConst(m_scene->calls))
            expected.append({Call::Remove, call.item, true});
        m_scene->calls.clear();

        m_engine->setEraseArea(QRectF(350, 20, 40, 10));
        const auto byItem = [](const Call &a, const Call &b) {
            return a.item < b.item;
        };
        std::sort(expected.begin(), expected.end(), byItem);
        std::sort(m_scene->calls.begin(), m_scene->calls.end(), byItem);
        QCOMPARE(m_scene->calls, expected);
        QCOMPARE(inkItemsOn(*m_scene), 0);
        QJsonObject snapshot;
        QVERIFY(!m_engine->inputDevicePress(QPointF(10, 10), QUuid::createUuid(), 3));
        QVERIFY(!m_engine->inputDeviceMove(QPointF(150, 110), first, 1));
        QVERIFY(!m_engine->inputDeviceRelease(first, snapshot, 1));

        m_engine->setEndErase();
        QVERIFY(!cursor()->isVisible());
        QVERIFY(!m_engine->inputDeviceMove(QPointF(150, 110), first, 1));
        QVERIFY(m_engine->inputDevicePress(QPointF(10, 10), QUuid::createUuid(), 3));
    }

    void areaEraseUsesRectWidthAlongItsPath()
    {
        // Centres are in view coordinates; at zoom 2 the scene is half as far.
        setZoom(2);
        KvGraphicsStrokesGroup *nearCentre = draw({{58, 22}});
        KvGraphicsStrokesGroup *onThePath = draw({{100, 33}});
        KvGraphicsStrokesGroup *belowThePath = draw({{150, 45}});
        QSignalSpy erasedSpy(m_engine, &KvPenObject::sig_eraseItem);

        // 40 view pixels across: 10 scene units of reach around (50, 20); the height is not used.
        m_engine->setEraseArea(QRectF(80, 35, 40, 10));
        QCOMPARE(m_scene->calls, QList<Call> {erased(nearCentre)});
        m_engine->setEraseArea(QRectF(280, 35, 40, 10));
        QCOMPARE(m_scene->calls, (QList<Call> {erased(nearCentre), erased(onThePath)}));
        QCOMPARE(belowThePath->scene(), m_scene);
        QCOMPARE(erasedSpy.size(), 2);

        m_engine->setEndErase();
        QCOMPARE(m_engine->removedItemUuids(),
                 QStringList({text(nearCentre->uuid()), text(onThePath->uuid())}));
    }

    void eraseScrollItemCancelsStrokes()
    {
        KvGraphicsStrokesGroup *kept = draw({{20, 250}, {80, 250}});
        m_engine->setStylus(1);
        m_engine->inputDevicePress(QPointF(300, 20), QUuid(), -1);
        m_engine->inputDeviceMove(QPointF(320, 20), QUuid(), -1);
        QVERIFY(cursor()->isVisible());
        m_engine->setStylus(0);
        const QUuid open = QUuid::createUuid();
        // The eraser's single pointer was never released: the touch press tries to complete it.
        KvLogRecorder log;
        m_engine->inputDevicePress(QPointF(100, 100), open, 5);
        QCOMPARE(log.lines(), QStringList {"kvpen.engine KvPenObject::inputDeviceRelease"});
        m_engine->inputDeviceMove(QPointF(140, 100), open, 5);
        m_scene->calls.clear();

        m_engine->eraseScrollItem();
        QCOMPARE(m_scene->calls.size(), 3);
        for (const Call &call : qAsConst(m_scene->calls))
            QVERIFY(call.kind == Call::Remove && call.temporary);
        QCOMPARE(inkItemsOn(*m_scene), kept->items().size());
        QVERIFY(!cursor()->isVisible());
        QVERIFY(!m_engine->inputDeviceMove(QPointF(160, 100), open, 5));
        // The eraser was given up as well: another pointer erases at once.
        m_engine->setStylus(1);
        m_engine->inputDevicePress(QPointF(50, 250), QUuid(), 9);
        QCOMPARE(m_scene->calls.last(), erased(kept));
    }

private:
    // Draws a finished stroke with pointer 77 and forgets the board calls it made.
    KvGraphicsStrokesGroup *draw(const QList<QPointF> &points)
    {
        const QUuid uuid = QUuid::createUuid();
        m_engine->inputDevicePress(points.first(), uuid, 77);
        for (const QPointF &point : points.mid(1))
            m_engine->inputDeviceMove(point, uuid, 77);
        QJsonObject snapshot;
        m_engine->inputDeviceRelease(uuid, snapshot, 77);
        m_scene->calls.clear();
        return groupsOn(*m_scene).last();
    }

    QWidget *cursor() const
    {
        return m_view->viewport()->findChild<QWidget *>(QStringLiteral("m_wdEraserCursor"));
    }

    void setZoom(double zoom) { m_view->setTransform(QTransform::fromScale(zoom, zoom)); }

    KvRecordingScene *m_scene = nullptr;
    QGraphicsView *m_view = nullptr;
    KvPenObject *m_engine = nullptr;
};

QTEST_MAIN(tst_Eraser)
#include "tst_eraser.moc"
