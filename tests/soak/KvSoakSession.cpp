#include "KvSoakSession.h"

#include "KvBoardInspection.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenTypes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>

#include <sys/resource.h>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime's allocator interface (gcc ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

const QRectF kBoard(0, 0, 1920, 1080);
const qint64 kMaxHeapGrowth = 2 * 1024 * 1024;
const QStringList kColors = {"#ffffff", "#ff0000", "#00ff00", "#0000ff", "#f8e71c", "#000000"};

QString senderKey(int sender)
{
    return QStringLiteral("participant-%1").arg(sender + 1);
}

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
        const QString uuid = data.value(KvPen::Key::DataId).toString();
        if (uuid.isEmpty())
            return;
        m_drawn.insert(uuid);
        ++m_strokes;
    });
    QObject::connect(&m_core, &KvPenCore::sig_eraseItem, [this](const QString &uuid) {
        // The eraser reports a group once for each piece it hits.
        if (!m_erased.contains(uuid))
            ++m_erasedCount;
        m_erased.insert(uuid);
    });
}

bool KvSoakSession::run(double seconds, int checkMs, double clearSeconds)
{
    QElapsedTimer clock;
    clock.start();
    qint64 lastCheck = 0;
    qint64 lastClear = 0;
    clearBoard();
    while (clock.elapsed() < seconds * 1000) {
        for (int i = 0; i < 50; ++i)
            step();
        // Input reaches a host through its event loop, which also runs the scene's deferred work.
        QCoreApplication::processEvents();
        if (clock.elapsed() - lastCheck >= checkMs) {
            lastCheck = clock.elapsed();
            if (m_paintView)
                m_view.viewport()->grab();
            if (!checkInvariants())
                break;
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
    QStringList heap;
    for (qint64 bytes : m_heapAfterClears)
        heap.append(QString::number(bytes / 1024));
    return QStringLiteral("soak: %1 s, %2 strokes (%3 per second), %4 groups erased, %5 area "
                          "erases, %6 forced releases, %7 invariant checks passed, %8 board "
                          "clears, heap after the first clear after drawing %9 KiB, largest "
                          "growth since %10 KiB, peak memory %11 MiB")
               .arg(m_elapsed, 0, 'f', 1)
               .arg(m_strokes)
               .arg(m_strokes / qMax(m_elapsed, 0.001), 0, 'f', 1)
               .arg(m_erasedCount)
               .arg(m_areaErases)
               .arg(m_forcedReleases)
               .arg(m_checks - (m_failures.isEmpty() ? 0 : 1))
               .arg(m_clears)
               .arg(m_heapBaseline / 1024)
               .arg(m_heapMaxGrowth / 1024)
               .arg(usage.ru_maxrss / 1024)
        + QStringLiteral("\nheap after each clear (KiB): ") + heap.join(QLatin1Char(' '));
}

void KvSoakSession::step()
{
    const int actor = int(m_random.bounded(kSenders + 2));
    if (m_areaStepsLeft > 0 || m_random.bounded(2000) == 0) {
        stepAreaErase();
    } else if (actor == kSenders) {
        stepLocal();
    } else if (actor == kSenders + 1) {
        if (m_random.bounded(400) == 0 && m_local.open) {
            m_core.foucesMouseRelease();
            m_local.open = false;
            ++m_forcedReleases;
        } else {
            stepLocal();
        }
    } else {
        stepSender(actor);
    }
}

void KvSoakSession::startGesture(Gesture &gesture, bool remote)
{
    const int tool = int(m_random.bounded(10));
    gesture.open = true;
    gesture.cancelled = false;
    gesture.ink = tool < 7;
    gesture.pen = tool < 4;
    gesture.movesLeft = 5 + int(m_random.bounded(60));
    gesture.pos = QPointF(m_random.bounded(kBoard.width()), m_random.bounded(kBoard.height()));
    gesture.uuid = QUuid::createUuid();
    gesture.width = gesture.ink ? 2 + int(m_random.bounded(30)) : 20 + int(m_random.bounded(60));
    gesture.color = kColors.at(int(m_random.bounded(kColors.size())));
    // A remote pen draws with one of the sender's two touch ids, as a tablet would.
    gesture.pointerId = remote && gesture.pen ? 1 + int(m_random.bounded(2)) : -1;
}

QPointF KvSoakSession::wander(const QPointF &from)
{
    const QPointF to = from + QPointF(m_random.bounded(40.0) - 20, m_random.bounded(40.0) - 20);
    return QPointF(qBound(kBoard.left(), to.x(), kBoard.right()),
                   qBound(kBoard.top(), to.y(), kBoard.bottom()));
}

void KvSoakSession::stepLocal()
{
    Gesture &local = m_local;
    if (!local.open) {
        startGesture(local, false);
        if (!local.ink) {
            m_core.setStylus(KvPen::EraserStylus);
            m_core.setEraserWidth(local.width);
        } else if (local.pen) {
            m_core.setStylus(KvPen::PenStylus);
            m_core.setPenWidth(local.width);
            m_core.setPenColor(QColor(local.color));
        } else {
            m_core.setStylus(KvPen::MarkerStylus);
            m_core.setMarkerWidth(local.width);
            m_core.setMarkerColor(QColor(local.color));
        }
        m_core.inputDevicePress(local.pos, 0.0);
        return;
    }
    if (local.movesLeft-- > 0) {
        local.pos = wander(local.pos);
        m_core.inputDeviceMove(local.pos, 0.0);
        return;
    }
    m_core.inputDeviceRelease();
    local.open = false;
}

void KvSoakSession::stepSender(int sender)
{
    Gesture &gesture = m_senders[sender];
    if (!gesture.open) {
        startGesture(gesture, true);
        sendLive(sender, KvPen::MousePress);
        return;
    }
    if (gesture.movesLeft-- > 0) {
        gesture.pos = wander(gesture.pos);
        sendLive(sender, KvPen::MouseMove);
        return;
    }
    sendLive(sender, KvPen::MouseRelease);
    gesture.open = false;
}

void KvSoakSession::sendLive(int sender, int mousetype)
{
    const Gesture &gesture = m_senders[sender];
    const QPointF pos = mousetype == 2 ? QPointF() : gesture.pos;
    QJsonObject data {{KvPen::Key::MouseType, mousetype},
                      {KvPen::Key::X, pos.x()},
                      {KvPen::Key::Y, pos.y()},
                      {KvPen::Key::Width, gesture.width},
                      {KvPen::Key::Id, gesture.pointerId},
                      {KvPen::Key::Uuid, text(gesture.uuid)}};
    if (mousetype == KvPen::MouseRelease)
        data.insert(KvPen::Key::MessageId, text(QUuid::createUuid()));
    if (gesture.ink) {
        data.insert(KvPen::Key::Color, gesture.color);
        data.insert(KvPen::Key::Pen, gesture.pen);
    }
    m_core.remoteData(senderKey(sender),
                      gesture.ink ? KvPen::LiveInkMessage : KvPen::LiveEraserMessage, data);
}

void KvSoakSession::stepAreaErase()
{
    if (m_areaStepsLeft == 0) {
        m_areaStepsLeft = 5 + int(m_random.bounded(20));
        m_areaPos = QPointF(m_random.bounded(1280.0), m_random.bounded(720.0));
        ++m_areaErases;
        // The area eraser cancels the local stroke in progress; its release then finds none.
        m_local.cancelled = m_local.open;
    }
    if (--m_areaStepsLeft > 0) {
        m_areaPos += QPointF(m_random.bounded(60.0) - 30, m_random.bounded(60.0) - 30);
        m_core.setEraseArea(QRectF(m_areaPos - QPointF(40, 40), QSizeF(80, 80)));
        return;
    }
    m_core.setEndErase();
}

int KvSoakSession::openInkGestures() const
{
    int open = 0;
    for (const Gesture &gesture : m_senders)
        open += gesture.open && gesture.ink;
    return open + (m_local.open && m_local.ink && !m_local.cancelled);
}

void KvSoakSession::closeEverything()
{
    if (m_areaStepsLeft > 0) {
        m_areaStepsLeft = 0;
        m_core.setEndErase();
    }
    if (m_local.open) {
        m_core.inputDeviceRelease();
        m_local.open = false;
    }
    for (int sender = 0; sender < kSenders; ++sender) {
        if (m_senders[sender].open) {
            sendLive(sender, KvPen::MouseRelease);
            m_senders[sender].open = false;
        }
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
    ++m_clears;
#if !defined(__SANITIZE_ADDRESS__)
    malloc_trim(0);
#endif
    const qint64 heap = heapInUse();
    // Measured from the first clear after drawing: Qt builds its caches on first use.
    if (m_heapBaseline < 0 && m_strokes > 0)
        m_heapBaseline = heap;
    m_heapAfterClears.append(heap);
    if (m_heapBaseline >= 0)
        m_heapMaxGrowth = qMax(m_heapMaxGrowth, heap - m_heapBaseline);
    // A cleared board holds no ink: what stays beyond Qt's caches is a leak by another name.
    if (m_heapMaxGrowth > kMaxHeapGrowth)
        fail(QStringLiteral("the heap after a clear grew by %1 KiB").arg(m_heapMaxGrowth / 1024));
}

bool KvSoakSession::checkInvariants()
{
    ++m_checks;
    for (const QString &violation : boardViolations(m_scene, openInkGestures()))
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
