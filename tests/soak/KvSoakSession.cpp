#include "KvSoakSession.h"

#include "KvBoardInspection.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenMessageCodec.h"
#include "KvPenTypes.h"
#include "KvToolSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime's allocator interface (gcc ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

using namespace KvPen;

namespace {
const QRectF kBoard(0, 0, 1920, 1080);
const qint64 kMaxHeapGrowth = 2 * 1024 * 1024;
const QList<QColor> kColors
    = {Qt::white, Qt::red, Qt::green, Qt::blue, QColor(0xf8, 0xe7, 0x1c), Qt::black};
} // namespace

KvSoakSession::KvSoakSession(quint32 seed, bool paintView)
    : m_random(seed)
    , m_paintView(paintView)
{
    m_scene.setSceneRect(kBoard);
    m_view.setScene(&m_scene);
    m_view.resize(1280, 720);
    m_view.show();
    m_core.currentSceneChanged(&m_scene);
    QObject::connect(&m_core, &KvPenCore::sig_penChanged, [this](const QJsonObject &data) {
        const QString uuid = data.value(Key::DataId).toString();
        m_strokes += !uuid.isEmpty();
        if (!uuid.isEmpty())
            m_drawn.insert(uuid);
    });
    // The eraser reports a group once for each piece it hits.
    QObject::connect(&m_core, &KvPenCore::sig_eraseItem,
                     [this](const QString &uuid) { m_erased.insert(uuid); });
}

bool KvSoakSession::run(double seconds, int checkMs, double clearSeconds)
{
    QElapsedTimer clock;
    clock.start();
    qint64 lastCheck = 0;
    qint64 lastClear = 0;
    clearBoard();
    while (clock.elapsed() < seconds * 1000 && m_failures.isEmpty()) {
        for (int i = 0; i < 50; ++i)
            step();
        // Input reaches a host through its event loop, which also runs the scene's deferred work.
        QCoreApplication::processEvents();
        if (clock.elapsed() - lastCheck >= checkMs) {
            lastCheck = clock.elapsed();
            if (m_paintView)
                m_view.viewport()->grab();
            checkInvariants();
        }
        if (clock.elapsed() - lastClear >= clearSeconds * 1000) {
            lastClear = clock.elapsed();
            clearBoard();
        }
    }
    if (m_failures.isEmpty())
        clearBoard();
    m_elapsed = clock.elapsed() / 1000.0;
    return m_failures.isEmpty();
}

QString KvSoakSession::report() const
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return QStringLiteral("soak: %1 s, %2 strokes (%3 per second), %4 area erases, %5 forced "
                          "releases, %6 invariant checks, heap after the first clear after "
                          "drawing %7 KiB, largest growth since %8 KiB, peak memory %9 MiB\n"
                          "heap after each clear (KiB): %10")
        .arg(m_elapsed, 0, 'f', 1)
        .arg(m_strokes)
        .arg(m_strokes / qMax(m_elapsed, 0.001), 0, 'f', 1)
        .arg(m_areaErases)
        .arg(m_forcedReleases)
        .arg(m_checks)
        .arg(m_heapBaseline / 1024)
        .arg(m_heapMaxGrowth / 1024)
        .arg(usage.ru_maxrss / 1024)
        .arg(m_heapAfterClears.join(QLatin1Char(' ')));
}

void KvSoakSession::step()
{
    const int actor = int(m_random.bounded(kLocal + 2)); // the local user twice as often
    if (m_areaStepsLeft > 0 || m_random.bounded(2000) == 0) {
        stepAreaErase();
    } else if (actor > kLocal && m_gestures[kLocal].open && m_random.bounded(400) == 0) {
        m_core.foucesMouseRelease();
        m_gestures[kLocal].open = false;
        ++m_forcedReleases;
    } else {
        stepGesture(qMin(actor, int(kLocal)));
    }
}

void KvSoakSession::stepGesture(int actor)
{
    Gesture &gesture = m_gestures[actor];
    if (!gesture.open) {
        const int tool = int(m_random.bounded(10));
        gesture = Gesture();
        gesture.open = true;
        gesture.stylus = tool < 4 ? PenStylus : tool < 7 ? MarkerStylus : EraserStylus;
        gesture.movesLeft = 5 + int(m_random.bounded(60));
        gesture.pos = QPointF(m_random.bounded(kBoard.width()), m_random.bounded(kBoard.height()));
        gesture.uuid = QUuid::createUuid();
        gesture.width = gesture.stylus == EraserStylus ? 20 + int(m_random.bounded(60))
                                                       : 2 + int(m_random.bounded(30));
        gesture.color = kColors.at(int(m_random.bounded(kColors.size())));
        // A remote pen draws with one of the sender's two touch ids, as a tablet would.
        if (actor != kLocal && gesture.stylus == PenStylus)
            gesture.pointerId = 1 + int(m_random.bounded(2));
        input(actor, MousePress);
    } else if (gesture.movesLeft-- > 0) {
        const QPointF to
            = gesture.pos + QPointF(m_random.bounded(40.0) - 20, m_random.bounded(40.0) - 20);
        gesture.pos = QPointF(qBound(kBoard.left(), to.x(), kBoard.right()),
                              qBound(kBoard.top(), to.y(), kBoard.bottom()));
        input(actor, MouseMove);
    } else {
        input(actor, MouseRelease);
        gesture.open = false;
    }
}

// One step of a gesture: through the core's input calls for the local user, as a live message
// for a sender.
void KvSoakSession::input(int actor, int mousetype)
{
    const Gesture &gesture = m_gestures[actor];
    KvToolSettings settings;
    settings.penWidth = settings.markerWidth = settings.eraserWidth = gesture.width;
    settings.penColor = settings.markerColor = gesture.color;
    if (actor == kLocal) {
        if (mousetype == MousePress) {
            m_core.setStylus(gesture.stylus);
            m_core.setPenWidth(gesture.width);
            m_core.setMarkerWidth(gesture.width);
            m_core.setEraserWidth(gesture.width);
            m_core.setPenColor(gesture.color);
            m_core.setMarkerColor(gesture.color);
            m_core.inputDevicePress(gesture.pos, 0.0);
        } else if (mousetype == MouseMove) {
            m_core.inputDeviceMove(gesture.pos, 0.0);
        } else {
            m_core.inputDeviceRelease();
        }
        return;
    }
    const QPointF pos = mousetype == MouseRelease ? QPointF() : gesture.pos;
    const KvPenMessageCodec::LiveStep step {mousetype, pos, gesture.pointerId, gesture.uuid};
    const bool ink = isInkStylus(gesture.stylus);
    QJsonObject data = ink ? KvPenMessageCodec::encodeLiveInk(step, gesture.stylus, settings)
                           : KvPenMessageCodec::encodeLiveEraser(step, settings);
    if (mousetype == MouseRelease)
        data.insert(Key::MessageId, text(QUuid::createUuid()));
    m_core.remoteData(QStringLiteral("participant-%1").arg(actor + 1),
                      ink ? LiveInkMessage : LiveEraserMessage, data);
}

void KvSoakSession::stepAreaErase()
{
    if (m_areaStepsLeft == 0) {
        m_areaStepsLeft = 5 + int(m_random.bounded(20));
        m_areaPos = QPointF(m_random.bounded(1280.0), m_random.bounded(720.0));
        ++m_areaErases;
        // The area eraser cancels the local stroke in progress; its release then finds none.
        m_gestures[kLocal].cancelled = m_gestures[kLocal].open;
    }
    if (--m_areaStepsLeft > 0) {
        m_areaPos += QPointF(m_random.bounded(60.0) - 30, m_random.bounded(60.0) - 30);
        m_core.setEraseArea(QRectF(m_areaPos - QPointF(40, 40), QSizeF(80, 80)));
        return;
    }
    m_core.setEndErase();
}

void KvSoakSession::closeEverything()
{
    if (m_areaStepsLeft > 0) {
        m_areaStepsLeft = 0;
        m_core.setEndErase();
    }
    for (int actor = 0; actor <= kLocal; ++actor) {
        if (m_gestures[actor].open)
            input(actor, MouseRelease);
        m_gestures[actor].open = false;
    }
}

void KvSoakSession::clearBoard()
{
    closeEverything();
    if (!checkInvariants())
        return;
    for (QGraphicsItem *item : m_scene.getFastAccessItems()) {
        m_scene.removeBoardItem(item, true);
        delete item;
    }
    for (QGraphicsItem *item : m_scene.removedItems()) {
        m_scene.takeRemovedItem(item);
        delete item;
    }
    m_drawn.clear();
    m_erased.clear();
#if !defined(__SANITIZE_ADDRESS__)
    malloc_trim(0);
#endif
    const qint64 heap = heapInUse();
    // Measured from the first clear after drawing: Qt builds its caches on first use.
    if (m_heapBaseline < 0 && m_strokes > 0)
        m_heapBaseline = heap;
    m_heapAfterClears.append(QString::number(heap / 1024));
    if (m_heapBaseline >= 0)
        m_heapMaxGrowth = qMax(m_heapMaxGrowth, heap - m_heapBaseline);
    // A cleared board holds no ink: what stays beyond Qt's caches is a leak by another name.
    if (m_heapMaxGrowth > kMaxHeapGrowth)
        fail(QStringLiteral("the heap after a clear grew by %1 KiB").arg(m_heapMaxGrowth / 1024));
}

bool KvSoakSession::checkInvariants()
{
    ++m_checks;
    int openInk = 0;
    for (const Gesture &gesture : m_gestures)
        openInk += gesture.open && isInkStylus(gesture.stylus) && !gesture.cancelled;
    for (const QString &violation : boardViolations(m_scene, openInk))
        fail(violation);
    QSet<QString> onBoard;
    for (const KvGraphicsStrokesGroup *group : groupsOn(m_scene))
        onBoard.insert(text(group->uuid()));
    if (onBoard != m_drawn - m_erased)
        fail(QStringLiteral("%1 groups on the board, %2 drawn and %3 erased")
                 .arg(onBoard.size())
                 .arg(m_drawn.size())
                 .arg(m_erased.size()));
    return m_failures.isEmpty();
}

void KvSoakSession::fail(const QString &what)
{
    if (!m_failures.contains(what))
        m_failures.append(what);
}

qint64 KvSoakSession::heapInUse()
{
#if defined(__SANITIZE_ADDRESS__)
    return qint64(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#endif
}
