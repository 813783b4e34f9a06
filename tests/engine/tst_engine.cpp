#include "KvBoardInspection.h"
#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStroke.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvLogRecorder.h"
#include "KvPenObject.h"
#include "KvRecordingScene.h"
#include "KvTestMessages.h"

#include <QPainter>
#include <QPainterPath>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using Call = KvRecordingScene::Call;
using Points = QList<QPointF>;
using Pieces = QList<KvGraphicsPolygonItem *>;

namespace {
KvGraphicsPolygonItem *piece(QGraphicsItem *item)
{
    return dynamic_cast<KvGraphicsPolygonItem *>(item);
}

// The pieces of open strokes among `items`.
Pieces groupless(const QList<QGraphicsItem *> &items)
{
    Pieces pieces;
    for (QGraphicsItem *item : items) {
        KvGraphicsPolygonItem *polygon = piece(item);
        if (polygon && !polygon->strokesGroup() && polygon->stroke()
            && polygon->data(KvPen::TemporaryKey) != KvPen::kTemporaryItem)
            pieces.append(polygon);
    }
    return pieces;
}

enum HostAction {
    DeletePiece,
    RemovePiece,
    DeleteCapsule,
    RemoveCapsule,
    ClearBoard,
    SwitchBoards,
    DeleteBoard
};

double area(const QPainterPath &path)
{
    double sum = 0;
    for (const QPolygonF &polygon : path.toFillPolygons()) {
        for (int i = 0; i + 1 < polygon.size(); ++i)
            sum += polygon[i].x() * polygon[i + 1].y() - polygon[i + 1].x() * polygon[i].y();
    }
    return qAbs(sum) / 2;
}

QPainterPath path(const QPolygonF &polygon)
{
    QPainterPath result;
    result.addPolygon(polygon);
    return result;
}

// The pieces as each paints itself, translucent, on a white page.
QImage paintedPieces(const QList<QPolygonF> &pieces)
{
    QImage image(1000, 800, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 255, 128));
    for (const QPolygonF &piece : pieces)
        painter.drawPolygon(piece, Qt::WindingFill);
    return image;
}

Points wave()
{
    Points points {{0, 0}};
    for (int step = 1; step <= 12; ++step)
        points.append(QPointF(step * 12, 40 * qSin(step / 2.0)));
    return points;
}
} // namespace

class tst_Engine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    void init()
    {
        m_scene = new KvRecordingScene;
        m_engine = new KvPenObject;
        m_engine->setScene(m_scene);
    }

    void cleanup()
    {
        delete m_engine;
        delete m_scene;
    }

    void strokeLifecycle_data()
    {
        QTest::addColumn<int>("stylus");
        QTest::addColumn<int>("width");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<Points>("moves"); // after a press at the origin
        QTest::addColumn<QList<int>>("piecesAfterEachMove");

        // The sum counts the distance from the end of the committed ink at every move, so a
        // pointer that comes back is not a path length.
        QTest::newRow("pen: exactly 10 then past")
            << 0 << 10 << QColor(Qt::red) << Points {{10, 0}, {1, 0}} << QList<int> {1, 2};
        QTest::newRow("marker: jitter returning to the anchor")
            << 2 << 24 << QColor(0, 0, 255) << Points {{5, 0}, {0, 0}, {5, 0}, {0, 0}}
            << QList<int> {1, 1, 1, 1};
        QTest::newRow("translucent pen: jitter around the anchor sums up")
            << 0 << 6 << QColor(0, 128, 0, 100) << Points {{4, 0}, {-4, 0}, {4, 0}}
            << QList<int> {1, 1, 2};
        QTest::newRow("pen: sum restarts after a commit")
            << 0 << 6 << QColor(Qt::red) << Points {{12, 0}, {14, 0}, {16, 0}, {18, 0}, {40, 0}}
            << QList<int> {2, 2, 3, 3, 4};
    }

    // Press, moves and release of one pointer: a dot and a capsule, pieces committed by summed
    // distance, then one group in their place.
    void strokeLifecycle()
    {
        QFETCH(int, stylus);
        QFETCH(int, width);
        QFETCH(QColor, color);
        QFETCH(Points, moves);
        QFETCH(QList<int>, piecesAfterEachMove);
        useTool(stylus, width, color);
        const QUuid uuid = QUuid::createUuid();
        QVERIFY(m_engine->inputDevicePress(QPointF(0, 0), uuid, -1));
        QCOMPARE(m_scene->calls.size(), 2);
        KvGraphicsPolygonItem *dot = piece(m_scene->calls[0].item);
        KvGraphicsPolygonItem *capsule = piece(m_scene->calls[1].item);
        QCOMPARE(dot->polygon(),
                 samplesOutlinePolygon({{QPointF(0, 0), double(width)}}, true, true));
        QCOMPARE(dot->fullPolygon(), dot->polygon());
        QCOMPARE(capsule->data(-2), QVariant(QStringLiteral("temp_item")));
        QColor pieceColor = color;
        if (stylus == 2)
            pieceColor.setAlphaF(0.5);
        for (KvGraphicsPolygonItem *item : {dot, capsule}) {
            QCOMPARE(item->brush().color(), pieceColor);
            QCOMPARE(item->data(0), QVariant(0));
        }

        KvGraphicsStroke *stroke = dot->stroke();
        for (int i = 0; i < moves.size(); ++i) {
            const int callsBefore = m_scene->calls.size();
            QVERIFY(m_engine->inputDeviceMove(moves[i], uuid, -1));
            QCOMPARE(stroke->items().size(), piecesAfterEachMove[i]);
            const QList<Call> added = m_scene->calls.mid(callsBefore);
            QCOMPARE(added.size(), piecesAfterEachMove[i] - (i ? piecesAfterEachMove[i - 1] : 1));
            if (!added.isEmpty())
                QCOMPARE(stroke->items().last()->getCorrespondingPoint(), moves[i]);
            // The capsule spans from the end of the committed ink to the pointer.
            const QLineF bridge(stroke->lastSmoothedSample().position, moves[i]);
            QCOMPARE(capsule->polygon(), lineCapsulePolygon(bridge, width, width));
        }

        const Pieces pieces = stroke->items();
        const int callsBefore = m_scene->calls.size();
        QJsonObject snapshot {{"caller", 1}};
        QVERIFY(m_engine->inputDeviceRelease(uuid, snapshot, -1));
        KvGraphicsStrokesGroup *group = groupsOn(*m_scene).value(0);
        QCOMPARE(m_scene->calls.mid(callsBefore),
                 (QList<Call> {{Call::Remove, capsule, true}, {Call::Add, group, false}}));
        QCOMPARE(group->uuid(), uuid);
        QCOMPARE(group->stylus(), stylus);
        QCOMPARE(group->color(), color); // the tool's colour, not the pieces' half-alpha one
        QCOMPARE(group->penWidth(), width);
        QCOMPARE(group->items(), pieces);
        QCOMPARE(boardViolations(*m_scene, 0), QStringList());
        QCOMPARE(snapshot.value("dataid").toString(), text(uuid));
        QCOMPARE(snapshot.value("caller").toInt(), 1);
        QCOMPARE(group->getSnaphotData(), snapshot);
        // The pointer's last position survives, but its stroke does not.
        QVERIFY(!m_engine->inputDeviceMove(QPointF(90, 0), uuid, -1));
    }

    void releaseWithoutStrokeOnlyLogs()
    {
        m_engine->inputDevicePress(QPointF(0, 0), QUuid::createUuid(), 4);
        m_engine->inputDevicePress(QPointF(50, 0), QUuid::createUuid(), 2);
        m_engine->inputDevicePress(QPointF(0, 50), QUuid::createUuid(), -1);
        QJsonObject snapshot;
        QVERIFY(m_engine->inputDeviceRelease(QUuid::createUuid(), snapshot, -1));
        const int callsBefore = m_scene->calls.size();

        // Touch strokes are still open, so the mouse's input kind stays: the next touch press
        // tries to complete a mouse stroke that is gone.
        KvLogRecorder log;
        QVERIFY(m_engine->inputDevicePress(QPointF(0, 90), QUuid::createUuid(), 9));
        QVERIFY(m_engine->inputDeviceRelease(QUuid::createUuid(), snapshot, 7));
        QCOMPARE(log.lines(),
                 QVector<QString>(2, "kvpen.engine KvPenObject::inputDeviceRelease").toList());
        QCOMPARE(groupsOn(*m_scene).size(), 1);
        QCOMPARE(m_scene->calls.size(), callsBefore + 2); // the new dot and capsule
        QCOMPARE(boardViolations(*m_scene, 3), QStringList());
    }

    void touchPointersDrawIndependently()
    {
        const QUuid top = QUuid::createUuid();
        const QUuid bottom = QUuid::createUuid();
        m_engine->inputDevicePress(QPointF(0, 0), top, 1);
        m_engine->inputDevicePress(QPointF(0, 100), bottom, 2);
        for (int x = 20; x <= 100; x += 20) {
            m_engine->inputDeviceMove(QPointF(x, 0), top, 1);
            m_engine->inputDeviceMove(QPointF(x, 100), bottom, 2);
        }
        QCOMPARE(boardViolations(*m_scene, 2), QStringList());
        QJsonObject snapshot;
        QVERIFY(m_engine->inputDeviceRelease(bottom, snapshot, 2));
        QVERIFY(m_engine->inputDeviceMove(QPointF(120, 0), top, 1));
        QVERIFY(m_engine->inputDeviceRelease(top, snapshot, 1));

        const QList<KvGraphicsStrokesGroup *> made = groupsOn(*m_scene);
        QCOMPARE(made.size(), 2);
        for (KvGraphicsStrokesGroup *group : made) {
            const bool isTop = group->uuid() == top;
            QVERIFY(isTop || group->uuid() == bottom);
            QCOMPARE(group->items().size(), isTop ? 7 : 6);
            for (KvGraphicsPolygonItem *item : group->items())
                QCOMPARE(item->sceneBoundingRect().center().y() < 50, isTop);
        }
    }

    void pressFinishesOpenStroke_data()
    {
        QTest::addColumn<int>("firstId");
        QTest::addColumn<int>("secondId");
        QTest::newRow("mouse, then touch") << -1 << 5;
        QTest::newRow("mouse twice") << -1 << -1;
        QTest::newRow("same touch id twice") << 1 << 1;
    }

    void pressFinishesOpenStroke()
    {
        QFETCH(int, firstId);
        QFETCH(int, secondId);
        const QUuid first = QUuid::createUuid();
        const QUuid second = QUuid::createUuid();
        m_engine->inputDevicePress(QPointF(0, 0), first, firstId);
        m_engine->inputDeviceMove(QPointF(30, 0), first, firstId);
        m_engine->inputDevicePress(QPointF(0, 60), second, secondId);

        QCOMPARE(groupsOn(*m_scene).size(), 1);
        QCOMPARE(groupsOn(*m_scene)[0]->uuid(), first);
        QCOMPARE(groupsOn(*m_scene)[0]->items().size(), 2);
        QCOMPARE(boardViolations(*m_scene, 1), QStringList());
        QJsonObject snapshot;
        QVERIFY(m_engine->inputDeviceRelease(second, snapshot, secondId));
        QCOMPARE(groupsOn(*m_scene).size(), 2);
    }

    void translucentPiecesDoNotOverlap_data()
    {
        QTest::addColumn<int>("stylus");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<int>("width");
        QTest::addColumn<Points>("points");

        const QColor yellow(0xF8, 0xE7, 0x1C);
        QTest::newRow("marker") << 2 << yellow << 20 << wave();
        QTest::newRow("translucent pen") << 0 << QColor(255, 0, 0, 200) << 20 << wave();
        QTest::newRow("opaque pen, not cut") << 0 << QColor(255, 0, 0) << 20 << wave();
        // Cutting against the earlier pieces' cut polygons once emptied the last piece here.
        QTest::newRow("marker doubling back over itself")
            << 2 << yellow << 28
            << Points {{0, 20.75}, {4, 21.5}, {8, 21}, {16, 21}, {24, 21.25}, {13, 31}};
    }

    void translucentPiecesDoNotOverlap()
    {
        QFETCH(int, stylus);
        QFETCH(QColor, color);
        QFETCH(int, width);
        QFETCH(Points, points);
        useTool(stylus, width, color);
        m_engine->inputDevicePress(points.first(), QUuid(), -1);
        for (const QPointF &point : points.mid(1))
            m_engine->inputDeviceMove(point, QUuid(), -1);
        QJsonObject snapshot;
        m_engine->inputDeviceRelease(QUuid(), snapshot, -1);

        const bool cut = color.alpha() < 255 || stylus == 2;
        const Pieces pieces = groupsOn(*m_scene).value(0)->items();
        QVERIFY(pieces.size() > 4);
        double overlap = 0;
        for (int i = 0; i < pieces.size(); ++i) {
            const QPolygonF shown = pieces[i]->polygon();
            QVERIFY2(area(path(shown)) > 1, qPrintable(QString::number(i)));
            QCOMPARE(shown != pieces[i]->fullPolygon(), cut && i > 0);
            for (int j = 0; j < i; ++j)
                overlap += area(path(shown).intersected(path(pieces[j]->polygon())));
        }
        QCOMPARE(overlap < 0.5, cut);
    }

    // A piece is cut only by earlier pieces that reach it; it paints exactly as if every
    // earlier piece whose bounding rect meets it had cut it.
    void cutPiecesPaintAsFullyCut_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<Points>("points");
        Points zigzag;
        for (int row = 0; row < 12; ++row)
            zigzag << QPointF(row % 2 ? 900 : 0, row * 60)
                   << QPointF(row % 2 ? 0 : 900, row * 60 + 50);
        QTest::newRow("long diagonals side by side") << 24 << zigzag;
        Points spiral;
        for (int step = 0; step < 60; ++step)
            spiral << QPointF(400 + 8 * step * qCos(step * 0.7), 400 + 8 * step * qSin(step * 0.7));
        QTest::newRow("wide spiral of sharp turns") << 40 << spiral;
    }

    void cutPiecesPaintAsFullyCut()
    {
        QFETCH(int, width);
        QFETCH(Points, points);
        useTool(2, width, QColor(0xF8, 0xE7, 0x1C));
        const KvGraphicsStrokesGroup *group = m_engine->createGroupFromPoints(points);
        QVERIFY(group);
        QList<QPolygonF> shown;
        QList<QPolygonF> fullyCut;
        const Pieces pieces = group->items();
        for (int i = 0; i < pieces.size(); ++i) {
            shown.append(pieces[i]->polygon());
            QPolygonF cut = pieces[i]->fullPolygon();
            for (int j = 0; j < i; ++j) {
                const QPolygonF &earlier = pieces[j]->fullPolygon();
                if (!earlier.boundingRect().intersects(cut.boundingRect()))
                    continue;
                const QPolygonF next = cut.subtracted(earlier);
                if (next.size() > KvPen::kMaxCutPiecePoints)
                    break;
                cut = next;
            }
            fullyCut.append(cut);
        }
        QCOMPARE(paintedPieces(shown), paintedPieces(fullyCut));
    }

    // Far from the origin a translucent stroke is cut as it is near it.
    void farInkIsCutAsNearInk()
    {
        useTool(2, 20, QColor(0xF8, 0xE7, 0x1C));
        Points near;
        for (int step = 0; step < 40; ++step)
            near << QPointF(100 + 90 * qSin(step * 1.3), 100 + 40 * qCos(step * 0.7) + step);
        const QPointF far(7e6, -31920);
        Points shifted;
        for (const QPointF &point : near)
            shifted << point + far;
        const Pieces nearPieces = m_engine->createGroupFromPoints(near)->items();
        const Pieces farPieces = m_engine->createGroupFromPoints(shifted)->items();
        QCOMPARE(farPieces.size(), nearPieces.size());
        for (int i = 0; i < nearPieces.size(); ++i) {
            const QPolygonF expected = nearPieces[i]->polygon().translated(far);
            const QPolygonF cut = farPieces[i]->polygon();
            QCOMPARE(cut.size(), expected.size());
            for (int p = 0; p < cut.size(); ++p)
                QVERIFY2(QLineF(cut[p], expected[p]).length() < 1e-6,
                         qPrintable(QString::number(i)));
        }
    }

    // A highlighter scribbling over itself cuts each new piece by more and more earlier ones.
    // Qt's clipper, given such cut pieces again, once took minutes for this stroke of a remote
    // participant; the cut pieces now stay small, so the stroke keeps up and loads back.
    void scribbleOverItselfStaysSmall()
    {
        useTool(2, 20, QColor(0xF8, 0xE7, 0x1C));
        const Points scribble {
            {105, 100}, {165, 0},   {205, 150}, {5, 0},     {165, 0},   {295, 1100}, {5, 110},
            {165, 140}, {205, 150}, {105, 100}, {205, 150}, {105, 100}, {5, 1},      {5, 110},
            {165, 140}, {205, 150}, {165, 0},   {205, 150}, {165, 0},   {165, 0},    {5, 1100},
            {5, 110},   {165, 140}, {205, 150}, {105, 100}, {165, 0},   {165, 0},    {5, 11000},
            {165, 0},   {5, 0},     {165, 1},   {205, 150}, {205, 150}, {105, 100},  {5, 1},
            {165, 140}, {205, 150}, {105, 100}, {205, 150}, {105, 101}};
        Points shifted;
        for (const QPointF &point : scribble)
            shifted.append(point - QPointF(0, 31920));
        const KvGraphicsStrokesGroup *group = m_engine->createGroupFromPoints(shifted);
        QVERIFY(group);
        int largest = 0;
        for (const KvGraphicsPolygonItem *piece : group->items())
            largest = qMax(largest, piece->polygon().size());
        QVERIFY2(largest <= KvPen::kMaxCutPiecePoints, qPrintable(QString::number(largest)));
    }

    void inputWithoutSceneIsRefused()
    {
        KvPenObject engine;
        KvLogRecorder log;
        QVERIFY(!engine.inputDevicePress(QPointF(0, 0), QUuid::createUuid(), -1));
        QVERIFY(!m_engine->inputDevicePress(QPointF(qInf(), 0), QUuid::createUuid(), -1));
        QVERIFY(m_scene->calls.isEmpty());
        QCOMPARE(log.lines(),
                 QVector<QString>(2, "kvpen.engine KvPenObject::inputDevicePress").toList());
    }

    // Ink is refused where a piece of it would reach beyond the board's range, with one line
    // per refused call; the stroke goes on past a refused move.
    void inkRange_data()
    {
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<bool>("taken");
        const double edge = KvPen::kMaxCoordinate - KvPen::kMaxRemoteWidth;
        QTest::newRow("at the edge") << QPointF(edge, -edge) << true;
        QTest::newRow("beyond") << QPointF(std::nextafter(edge, 2 * edge), 0) << false;
        QTest::newRow("ten million") << QPointF(-1e7, 1e7) << true;
    }
    void inkRange()
    {
        QFETCH(QPointF, point);
        QFETCH(bool, taken);
        useTool(0, 10, Qt::red);
        KvLogRecorder log;
        QJsonObject snapshot;
        QVERIFY(m_engine->inputDevicePress(QPointF(0, 0), QUuid::createUuid(), 3));
        QCOMPARE(m_engine->inputDeviceMove(point, QUuid(), 3), taken);
        QVERIFY(m_engine->inputDeviceMove(QPointF(0, 30), QUuid(), 3));
        QVERIFY(m_engine->inputDeviceRelease(QUuid::createUuid(), snapshot, 3));
        QCOMPARE(m_engine->inputDevicePress(point, QUuid::createUuid(), 4), taken);
        QCOMPARE(m_engine->inputDeviceRelease(QUuid::createUuid(), snapshot, 4), true);
        const QStringList refusals {"kvpen.engine KvPenObject::inputDeviceMove",
                                    "kvpen.engine KvPenObject::inputDevicePress",
                                    "kvpen.engine KvPenObject::inputDeviceRelease"};
        QCOMPARE(log.lines(), taken ? QStringList() : refusals);
        const QRectF range(-KvPen::kMaxCoordinate, -KvPen::kMaxCoordinate,
                           2 * KvPen::kMaxCoordinate, 2 * KvPen::kMaxCoordinate);
        for (KvGraphicsStrokesGroup *group : groupsOn(*m_scene)) {
            for (KvGraphicsPolygonItem *piece : group->items())
                QVERIFY(range.contains(piece->sceneBoundingRect()));
        }
        QCOMPARE(groupsOn(*m_scene).size(), taken ? 2 : 1);
    }

    // Whatever the host does to the board under an open stroke, the engine touches nothing it
    // freed and keeps nothing it took; the stroke ends with what is still on the board.
    void hostTakesInkMidStroke_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("pieces"); // of the finished group, on the board it ends on
        QTest::newRow("delete a piece") << int(DeletePiece) << 4;
        QTest::newRow("remove a piece") << int(RemovePiece) << 4;
        QTest::newRow("delete the capsule") << int(DeleteCapsule) << 5;
        QTest::newRow("remove the capsule") << int(RemoveCapsule) << 5;
        QTest::newRow("clear the board") << int(ClearBoard) << 2;
        QTest::newRow("switch boards") << int(SwitchBoards) << 3;
        QTest::newRow("delete the board") << int(DeleteBoard) << 0;
    }
    void hostTakesInkMidStroke()
    {
        QFETCH(int, action);
        QFETCH(int, pieces);
        KvLogRecorder log;
        const QUuid uuid = QUuid::createUuid();
        QJsonObject snapshot;
        m_engine->inputDevicePress(QPointF(0, 0), uuid, -1);
        for (double x : {15, 30})
            m_engine->inputDeviceMove(QPointF(x, 0), uuid, -1);
        const Pieces open = groupless(m_scene->items());
        QCOMPARE(open.size(), 3);
        KvGraphicsPolygonItem *capsule = nullptr;
        for (QGraphicsItem *item : m_scene->items()) {
            if (item->data(KvPen::TemporaryKey) == KvPen::kTemporaryItem)
                capsule = piece(item);
        }
        QVERIFY(capsule);
        std::unique_ptr<QGraphicsItem> taken;
        KvRecordingScene other;
        KvGraphicsScene *finalBoard = m_scene;
        switch (action) {
        case DeletePiece:
            delete open.first();
            break;
        case RemovePiece:
            m_scene->removeItem(open.first());
            taken.reset(open.first());
            break;
        case DeleteCapsule:
            delete capsule;
            break;
        case RemoveCapsule:
            m_scene->removeItem(capsule);
            taken.reset(capsule);
            break;
        case ClearBoard:
            m_scene->clear();
            break;
        case SwitchBoards:
            m_engine->setScene(&other);
            break;
        case DeleteBoard:
            delete m_scene;
            m_scene = nullptr;
            finalBoard = &other;
            break;
        }
        for (double x : {45, 60})
            m_engine->inputDeviceMove(QPointF(x, 0), uuid, -1);
        m_engine->inputDeviceRelease(uuid, snapshot, -1);

        const QList<KvGraphicsStrokesGroup *> groups = groupsOn(*finalBoard);
        QCOMPARE(groups.size(), pieces > 0 ? 1 : 0);
        if (pieces > 0) {
            QCOMPARE(groups.first()->items().size(), pieces);
            QCOMPARE(groups.first()->uuid(), uuid);
        }
        QCOMPARE(boardViolations(*finalBoard, 0), QStringList());
        QCOMPARE(boardViolations(other, 0), QStringList());
        QVERIFY(m_engine->isIdle());
        // What the host took stays the host's; deleting it later is safe.
        taken.reset();
    }

    // A stroke longer than a group holds goes on in a new group; the closed group is announced
    // with its whole-stroke message, and the next one takes a uuid that a mirror derives alike.
    void longStrokeGoesOnInNewGroups()
    {
        QSignalSpy closed(m_engine, &KvPenObject::sig_groupClosed);
        const QUuid uuid = QUuid::createUuid();
        const int total = KvPen::kMaxPiecesPerGroup + 5;
        m_engine->inputDevicePress(QPointF(0, 0), uuid, -1);
        for (int i = 1; i < total; ++i)
            m_engine->inputDeviceMove(QPointF(11.0 * i, (i % 7) * 3.0), uuid, -1);
        QJsonObject snapshot;
        m_engine->inputDeviceRelease(uuid, snapshot, -1);

        const QList<KvGraphicsStrokesGroup *> groups = groupsOn(*m_scene);
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[0]->items().size(), KvPen::kMaxPiecesPerGroup);
        QCOMPARE(groups[1]->items().size(), 5);
        QCOMPARE(groups[0]->uuid(), uuid);
        QCOMPARE(groups[1]->uuid(), QUuid::createUuidV5(uuid, QStringLiteral("1")));
        QCOMPARE(closed.size(), 1);
        QCOMPARE(closed.first().first().toJsonObject(), groups[0]->getSnaphotData());
        QCOMPARE(snapshot.value("dataid").toString(), text(groups[1]->uuid()));
        QCOMPARE(boardViolations(*m_scene, 0), QStringList());
    }

    void createGroupFromPoints_data()
    {
        QTest::addColumn<int>("stylus");
        QTest::addColumn<Points>("points");
        QTest::addColumn<int>("pieces");

        QTest::newRow("straight") << 0 << Points {{0, 0}, {6, 0}, {11, 0}, {30, 0}} << 3;
        // 5.6 is counted as 5, so the sum stays at 10 where live drawing would commit.
        QTest::newRow("distance truncated") << 0 << Points {{0, 0}, {5.6, 0}, {5.6, 1e-3}} << 1;
        QTest::newRow("last point met early, marker")
            << 2 << Points {{0, 0}, {20, 0}, {40, 0}, {20, 0}} << 2;
    }

    void createGroupFromPoints()
    {
        QFETCH(int, stylus);
        QFETCH(Points, points);
        QFETCH(int, pieces);
        m_engine->setStylus(stylus);

        KvGraphicsStrokesGroup *group = m_engine->createGroupFromPoints(points);
        QCOMPARE(groupsOn(*m_scene), QList<KvGraphicsStrokesGroup *> {group});
        QCOMPARE(group->stylus(), stylus);
        QCOMPARE(group->color(), QColor(255, 255, 255, 255));
        QCOMPARE(group->penWidth(), 2);
        QCOMPARE(group->items().size(), pieces);
        QCOMPARE(group->items().first()->getCorrespondingPoint(), points.first());
        QCOMPARE(boardViolations(*m_scene, 0), QStringList());
        QVERIFY(!m_engine->createGroupFromPoints({}));
    }

private:
    // The chosen tool gets the width and colour, the other tool different ones, so that a
    // mix-up of the two shows.
    void useTool(int stylus, int width, const QColor &color)
    {
        KvToolSettings &settings = m_engine->toolSettings();
        const bool pen = stylus == 0;
        settings.stylus = stylus;
        settings.penWidth = pen ? width : width + 7;
        settings.markerWidth = pen ? width + 7 : width;
        settings.penColor = pen ? color : Qt::black;
        settings.markerColor = pen ? Qt::black : color;
    }

    KvRecordingScene *m_scene = nullptr;
    KvPenObject *m_engine = nullptr;
};

QTEST_MAIN(tst_Engine)
#include "tst_engine.moc"
