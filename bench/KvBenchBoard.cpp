#include "KvBenchBoard.h"

#include "KvBoardIndexFit.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenObject.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// Boards are kept by how they were asked for: (kind, count).
std::map<std::pair<int, int>, std::unique_ptr<KvBenchBoard>> &boards()
{
    static std::map<std::pair<int, int>, std::unique_ptr<KvBenchBoard>> shared;
    return shared;
}

enum BoardKind { ByPieces, ByStrokes, InView };

const double kStrokeStep = 2.5;
const int kPiecesPerStroke = 20;
// Strokes drawn at the same time while a board is built; the event loop runs after each batch.
const int kStrokesPerBatch = 20;

} // namespace

KvBenchBoard &KvBenchBoard::withPieces(int pieces)
{
    auto &board = boards()[{ByPieces, pieces}];
    if (!board)
        board.reset(new KvBenchBoard(-1, pieces));
    return *board;
}

KvBenchBoard &KvBenchBoard::withStrokes(int strokes)
{
    auto &board = boards()[{ByStrokes, strokes}];
    if (!board)
        board.reset(new KvBenchBoard(strokes, -1));
    return *board;
}

KvBenchBoard &KvBenchBoard::filledView(int strokes)
{
    auto &board = boards()[{InView, strokes}];
    if (!board)
        board.reset(new KvBenchBoard(strokes, -1, QRectF(0, 0, 1800, 1000)));
    return *board;
}

void KvBenchBoard::releaseAll()
{
    boards().clear();
}

KvBenchBoard::KvBenchBoard(int strokes, int pieces, const QRectF &area)
    : m_scene(new KvBenchScene)
    , m_view(new QGraphicsView(m_scene.get()))
{
    m_scene->setSceneRect(0, 0, kPageWidth, kPageHeight);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->resize(kViewWidth, kViewHeight);
    m_view->show();
    m_view->horizontalScrollBar()->setValue(m_view->horizontalScrollBar()->minimum());
    m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->minimum());
    processEvents();

    // Cells about as wide as high, one per stroke.
    const QRectF written = area.isNull() ? m_scene->sceneRect() : area;
    const int cells = std::max(1, strokes >= 0 ? strokes : pieces / kPiecesPerStroke);
    const int columns = int(std::ceil(std::sqrt(cells * written.width() / written.height())));
    const int rows = (cells + columns - 1) / columns;
    const QSizeF cell(written.width() / columns, written.height() / rows);

    KvPenObject builder;
    builder.setScene(m_scene.get());
    builder.toolSettings().markerWidth = 20;
    QRandomGenerator random(strokes * 7919u + pieces);
    const QColor colors[] = {QColor("#43A047"), Qt::black, QColor("#E53935"), QColor("#1E88E5")};
    const int widths[] = {4, 6, 10};
    const auto wanted = [&] {
        return (strokes < 0 || m_strokes < strokes) && (pieces < 0 || m_pieces < pieces);
    };
    while (wanted()) {
        // A batch of pupils writes at once, one touch point each; one stroke in ten is a
        // highlighter, drawn by a batch of its own (the tool is the engine's).
        const bool marker = (m_strokes / kStrokesPerBatch) % 10 == 9;
        builder.setStylus(marker ? 2 : 0);
        builder.toolSettings().penColor = colors[(m_strokes / kStrokesPerBatch) % 4];
        builder.toolSettings().penWidth = widths[(m_strokes / kStrokesPerBatch) % 3];
        QList<QList<QPointF>> batch;
        // The lesson's first stroke comes alone, as on a host's board.
        int batchSize = m_strokes == 0 ? 1 : kStrokesPerBatch;
        if (strokes >= 0)
            batchSize = std::min(batchSize, strokes - m_strokes);
        for (int i = m_strokes; i < m_strokes + batchSize; ++i) {
            const int at = i % (columns * rows);
            const QPointF cellOrigin = written.topLeft()
                + QPointF((at % columns) * cell.width(), (at / columns) * cell.height());
            const QPointF origin = cellOrigin
                + QPointF(random.bounded(cell.width() * 0.5), random.bounded(cell.height() * 0.5));
            batch.append(handwriting(origin, kStrokeSamples, kStrokeStep, random.generate()));
        }
        m_pieces += drawTogether(&builder, batch);
        m_strokes += batch.size();
        processEvents();
    }
    // The pause after the lesson, in which the board's index settles.
    QEventLoop pause;
    QTimer::singleShot(KvBoardIndexFit::kSettleMs + 100, &pause, &QEventLoop::quit);
    pause.exec();
}

KvBenchBoard::~KvBenchBoard()
{
    m_view.reset();
    m_scene.reset();
}

KvBenchScene *KvBenchBoard::scene() const
{
    return m_scene.get();
}

QGraphicsView *KvBenchBoard::view() const
{
    return m_view.get();
}

int KvBenchBoard::pieceCount() const
{
    return m_pieces;
}

int KvBenchBoard::strokeCount() const
{
    return m_strokes;
}

int KvBenchBoard::strokesInView() const
{
    const QRectF shown = m_view->mapToScene(m_view->viewport()->rect()).boundingRect();
    int count = 0;
    for (QGraphicsItem *item : m_scene->items(shown)) {
        if (qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item))
            ++count;
    }
    return count;
}

QPointF KvBenchBoard::drawingSpot(int n)
{
    return QPointF(300 + (n * 137) % 700, 250 + (n * 71) % 500);
}

QList<QPointF> KvBenchBoard::handwriting(const QPointF &origin, int samples, double step,
                                         quint32 seed)
{
    QRandomGenerator random(seed);
    QList<QPointF> points;
    points.reserve(samples);
    QPointF position = origin;
    double heading = random.bounded(2 * M_PI);
    for (int i = 0; i < samples; ++i) {
        points.append(position);
        heading += random.bounded(1.0) - 0.5;
        position += QPointF(step * std::cos(heading), step * std::sin(heading));
    }
    return points;
}

int KvBenchBoard::drawTogether(KvPenObject *engine, const QList<QList<QPointF>> &strokes)
{
    QList<QUuid> uuids;
    for (int id = 0; id < strokes.size(); ++id) {
        uuids.append(QUuid::createUuid());
        engine->inputDevicePress(strokes.at(id).first(), uuids.at(id), id);
    }
    for (int sample = 1; sample < kStrokeSamples; ++sample) {
        for (int id = 0; id < strokes.size(); ++id)
            engine->inputDeviceMove(strokes.at(id).at(sample), uuids.at(id), id);
    }
    int pieces = 0;
    for (int id = 0; id < strokes.size(); ++id) {
        QJsonObject snapshot;
        engine->inputDeviceRelease(uuids.at(id), snapshot, id);
        pieces += m_scene->lastAdded()->childItems().size();
    }
    return pieces;
}

void KvBenchBoard::releaseAndDiscard(KvPenObject *engine, int id)
{
    QJsonObject snapshot;
    engine->inputDeviceRelease(QUuid(), snapshot, id);
    if (auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(m_scene->lastAdded()))
        m_scene->discard(group);
}

void KvBenchBoard::processEvents()
{
    // Zero timers (the scene's index) fire on the pass after the one that posted them.
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::processEvents();
}
