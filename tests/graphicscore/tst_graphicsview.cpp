#include "KvBoardInspection.h"
#include "KvGraphicsScene.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvGraphicsView.h"
#include "KvPenCore.h"
#include "KvPenTypes.h"
#include "KvTestMessages.h"
#include "KvWidgetTesting.h"

#include <QDomDocument>
#include <QGraphicsRectItem>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const double kNoPressure = 0.0;
const QSize kViewSize(640, 400);

void setUpView(QGraphicsView *view, QGraphicsScene *scene)
{
    view->setScene(scene);
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameShape(QFrame::NoFrame);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    view->resize(kViewSize);
}

// A KvGraphicsView that remembers the largest area one paint covered.
class RecordingView : public KvGraphicsView
{
public:
    int largestPaint = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        const QRect area = event->region().boundingRect();
        largestPaint = std::max(largestPaint, area.width() * area.height());
        KvGraphicsView::paintEvent(event);
    }
};

// A board as a host shows it: the plug-in draws on a scene that only a tile-cached view shows,
// antialiased.
struct Board
{
    Board()
    {
        scene.setSceneRect(0, 0, 1600, 1000);
        scene.setBackgroundBrush(QColor(0x1F, 0x24, 0x30));
        core.currentSceneChanged(&scene);
        cached.setCachedItemTypes({KvPen::kStrokesGroupType});
        setUpView(&cached, &scene);
        cached.show();
    }

    // A wavy stroke of `samples` moves from `from`, through the core as the single pointer.
    void draw(const QPointF &from, int stylus = KvPen::PenStylus, int samples = 40)
    {
        core.setStylus(stylus);
        core.inputDevicePress(from, kNoPressure);
        for (int i = 1; i <= samples; ++i)
            core.inputDeviceMove(from + QPointF(i * 7, 25 * std::sin(i / 4.0)), kNoPressure);
        core.inputDeviceRelease();
        QCoreApplication::processEvents();
    }

    void fill()
    {
        core.setPenColor(QColor("#43A047"));
        core.setMarkerWidth(24);
        for (int row = 0; row < 8; ++row) {
            for (int column = 0; column < 3; ++column)
                draw(QPointF(20 + column * 300, 30 + row * 50 + column * 7),
                     (row + column) % 4 == 3 ? KvPen::MarkerStylus : KvPen::PenStylus);
        }
    }

    void scrollTo(int x, int y)
    {
        cached.horizontalScrollBar()->setValue(x);
        cached.verticalScrollBar()->setValue(y);
    }

    QList<KvGraphicsStrokesGroup *> groups() const { return groupsOn(scene); }

    KvGraphicsScene scene;
    KvPenCore core;
    RecordingView cached;
};

// The largest difference of any channel between two images of the same size.
int largestDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q)),
                                qAbs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

// What the cached view shows on the screen once the changes reached it, compared with what a
// plain QGraphicsView with the same transform paints of the scene now. Qt antialiases the edge
// pixels of a path a level or three differently when it is cut by another clip (a tile's
// instead of the viewport's); anything stale or missing differs by tens of levels.
void compareViews(Board &board)
{
    QCoreApplication::processEvents();
    QTRY_VERIFY(board.cached.isTileCacheSharp());
    // The tiles rendered last reach the screen with the next paint.
    QCoreApplication::processEvents();
    const QImage shown = board.cached.screen()
                             ->grabWindow(board.cached.winId())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    QGraphicsView plain;
    setUpView(&plain, &board.scene);
    plain.setTransform(board.cached.transform());
    plain.show();
    plain.horizontalScrollBar()->setValue(board.cached.horizontalScrollBar()->value());
    plain.verticalScrollBar()->setValue(board.cached.verticalScrollBar()->value());
    const QImage reference = paintedImage(plain.viewport()).convertToFormat(QImage::Format_RGB32);
    const int difference = largestDifference(shown, reference);
    if (difference > 3) {
        shown.save(QDir::temp().filePath("tst_graphicsview-cached.png"));
        reference.save(QDir::temp().filePath("tst_graphicsview-plain.png"));
    }
    QVERIFY2(
        difference <= 3,
        qPrintable(
            QStringLiteral("%1 levels apart (both views saved to the temp dir)").arg(difference)));
}

using Change = std::function<void(Board &)>;

} // namespace

Q_DECLARE_METATYPE(Change)

class tst_GraphicsView : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    void changesShowExactly_data();
    void changesShowExactly();

    void changesRepaintOnlyTheirArea();
    void zoomShowsOldTilesUntilSharp();
    void tilesStayWithinTheLimit();
    void hidingDropsTheTiles();
    void heldTilesWaitForRelease();
};

void tst_GraphicsView::changesShowExactly_data()
{
    QTest::addColumn<Change>("change");

    QTest::newRow("pen and highlighter") << Change([](Board &board) {
        board.draw(QPointF(100, 60));
        board.draw(QPointF(140, 80), KvPen::MarkerStylus);
    });
    QTest::newRow("open stroke") << Change([](Board &board) {
        board.core.setStylus(KvPen::PenStylus);
        board.core.inputDevicePress(QPointF(200, 100), kNoPressure);
        for (int i = 1; i < 12; ++i)
            board.core.inputDeviceMove(QPointF(200 + i * 9, 100 + i * 4), kNoPressure);
    });
    // The view has painted the open stroke's pieces; a host takes the stroke back as it ends.
    QTest::newRow("stroke deleted as it ends") << Change([](Board &board) {
        board.core.setStylus(KvPen::PenStylus);
        board.core.inputDevicePress(QPointF(200, 100), kNoPressure);
        for (int i = 1; i < 12; ++i)
            board.core.inputDeviceMove(QPointF(200 + i * 9, 100 + i * 4), kNoPressure);
        compareViews(board);
        const QList<KvGraphicsStrokesGroup *> before = board.groups();
        board.core.inputDeviceRelease();
        for (KvGraphicsStrokesGroup *group : board.groups()) {
            if (!before.contains(group)) {
                board.scene.removeBoardItem(group, true);
                delete group;
            }
        }
    });
    QTest::newRow("erase") << Change([](Board &board) {
        board.core.setStylus(KvPen::EraserStylus);
        board.core.inputDevicePress(QPointF(30, 40), kNoPressure);
        board.core.inputDeviceMove(QPointF(400, 300), kNoPressure);
        board.core.inputDeviceRelease();
    });
    QTest::newRow("area erase") << Change([](Board &board) {
        board.core.setEraseArea(QRectF(300, 100, 60, 60));
        board.core.setEraseArea(QRectF(320, 240, 60, 60));
        board.core.setEndErase();
    });
    QTest::newRow("undo and redo") << Change([](Board &board) {
        const QList<KvGraphicsStrokesGroup *> groups = board.groups();
        board.scene.removeBoardItem(groups.at(3), false);
        board.scene.removeBoardItem(groups.at(4), false);
        compareViews(board);
        board.scene.addBoardItem(groups.at(3));
    });
    QTest::newRow("load") << Change([](Board &board) {
        QDomDocument document;
        QDomElement root = document.createElement(QStringLiteral("board"));
        board.core.exportSceneXml(&document, &root, QString());
        for (KvGraphicsStrokesGroup *group : board.groups())
            board.scene.removeBoardItem(group, false);
        compareViews(board);
        board.core.importSceneXml(&document, &root, QString());
    });
    QTest::newRow("select, move, raise") << Change([](Board &board) {
        const QList<KvGraphicsStrokesGroup *> groups = board.groups();
        groups.at(1)->setSelected(true);
        board.core.showFrameItems({groups.at(1)});
        compareViews(board);
        groups.at(1)->moveBy(40, 25);
        groups.at(2)->setZValue(5);
        groups.at(0)->setVisible(false);
        groups.at(5)->setColor(Qt::red);
    });
    QTest::newRow("remote ink") << Change([](Board &board) {
        QJsonObject live {
            {"x", 250},       {"y", 200},
            {"mousetype", 0}, {"id", 3},
            {"width", 12},    {"color", "#e53935"},
            {"pen", true},    {"uuid", QUuid::createUuid().toString(QUuid::WithoutBraces)}};
        board.core.remoteData(QStringLiteral("bob"), KvPen::LiveInkMessage, live);
        for (int i = 1; i < 20; ++i) {
            live["mousetype"] = 1;
            live["x"] = 250 + i * 6;
            live["y"] = 200 + 30 * std::sin(i / 3.0);
            board.core.remoteData(QStringLiteral("bob"), KvPen::LiveInkMessage, live);
        }
        compareViews(board);
        live["mousetype"] = 2;
        board.core.remoteData(QStringLiteral("bob"), KvPen::LiveInkMessage, live);
        board.core.paintPen({{"pos", "60,300;90,330;140,310;200,360"},
                             {"type", 2},
                             {"color", "#f8e71c"},
                             {"width", 30},
                             {"zValue", "0"},
                             {"dataid", QUuid::createUuid().toString(QUuid::WithoutBraces)}});
    });
    QTest::newRow("host item") << Change([](Board &board) {
        auto *note = board.scene.addRect(150, 50, 120, 80, QPen(Qt::white, 3), QColor(0, 120, 255));
        compareViews(board);
        note->moveBy(60, 40);
        compareViews(board);
        delete note;
    });
    QTest::newRow("scroll") << Change([](Board &board) { board.scrollTo(100, 37); });
}

void tst_GraphicsView::changesShowExactly()
{
    QFETCH(Change, change);
    Board board;
    board.fill();
    compareViews(board);
    change(board);
    compareViews(board);
}

// A short stroke in view: its tile is rendered again where the stroke is, and only there is the
// window painted again.
void tst_GraphicsView::changesRepaintOnlyTheirArea()
{
    Board board;
    board.fill();
    compareViews(board);
    board.cached.largestPaint = 0;
    board.core.setPenColor(Qt::red);
    board.draw(QPointF(560, 370), KvPen::PenStylus, 3);
    compareViews(board);
    QVERIFY(board.cached.largestPaint > 0);
    QVERIFY2(board.cached.largestPaint < 64 * 64,
             qPrintable(QString::number(board.cached.largestPaint)));
}

void tst_GraphicsView::zoomShowsOldTilesUntilSharp()
{
    Board board;
    board.fill();
    compareViews(board);
    QVERIFY(board.cached.isTileCacheSharp());
    board.cached.setTransform(QTransform::fromScale(1.5, 1.5));
    board.cached.viewport()->repaint();
    QVERIFY(!board.cached.isTileCacheSharp());
    compareViews(board);
}

void tst_GraphicsView::tilesStayWithinTheLimit()
{
    Board board;
    board.fill();
    const qint64 tile = 256 * 256 * 4;
    board.cached.setTileCacheLimit(12 * tile);
    // The visible tiles (3 x 2) and some of the margin fit; scrolling far lets the others go.
    for (int x = 0; x <= 900; x += 300) {
        board.scrollTo(x, x / 3);
        compareViews(board);
        QVERIFY(board.cached.tileCacheSize() <= board.cached.tileCacheLimit());
    }
}

void tst_GraphicsView::hidingDropsTheTiles()
{
    Board board;
    board.fill();
    compareViews(board);
    QVERIFY(board.cached.tileCacheSize() > 0);
    board.cached.hide();
    QCOMPARE(board.cached.tileCacheSize(), 0);
    board.cached.show();
    compareViews(board);
}

// Held tiles keep the picture through changes all over the board; released, the next paint
// (here one a grab makes while the scene still has queued work) shows them all, once.
void tst_GraphicsView::heldTilesWaitForRelease()
{
    Board board;
    board.fill();
    compareViews(board);
    const QImage before = board.cached.viewport()->grab().toImage();
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("board"));
    board.core.exportSceneXml(&document, &root, QString());
    board.cached.setTilesHeld(true);
    board.groups().at(1)->moveBy(40, 25);
    board.core.importSceneXml(&document, &root, QString());
    QCoreApplication::processEvents();
    QCOMPARE(board.cached.viewport()->grab().toImage(), before);
    board.core.importSceneXml(&document, &root, QString());
    board.cached.setTilesHeld(false);
    board.cached.viewport()->grab();
    compareViews(board);
}

QTEST_MAIN(tst_GraphicsView)
#include "tst_graphicsview.moc"
