#include "KvBoard.h"

#include "KvBoardChange.h"
#include "KvBoardDocument.h"
#include "KvBoardFragment.h"
#include "KvBoardLimits.h"
#include "KvBoardLogCapture.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenCore.h"
#include "KvPenTypes.h"

#include <QMetaMethod>
#include <QPainter>
#include <QSaveFile>
#include <QScopedValueRollback>
#include <QUndoStack>

#include <functional>
#include <utility>

namespace {

// Strokes go on the board in slices, so that a long load can show its progress.
constexpr int kStrokesPerSlice = 64;

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

KvBoard::KvBoard(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_scene(new KvBoardScene(this))
    , m_core(new KvPenCore(this))
    , m_undoStack(new QUndoStack(this))
{
    m_core->currentSceneChanged(m_scene);
    connect(m_scene, &KvCoreGraphicsScene::boardItemRemoved, this,
            [this] { m_countedAt.invalidate(); });
    // Strokes reach where the pen lifted, here and in what remote participants send.
    m_core->setCompleteStrokeEnds(true);
    connect(m_core, &KvPenCore::sig_sendRemoteData, this,
            [this](const QUuid &uuid, int type, const QJsonObject &data, const QString &id) {
                if (!m_quiet)
                    emit liveMessage(uuid, type, data, id);
            });
    connect(m_core, &KvPenCore::sig_penChanged, this, [this](QJsonObject &data) {
        // A release that finished no stroke reports only its message id.
        if (!m_quiet && data.contains(QStringLiteral("pos")))
            emit strokeMessage(data);
    });
}

// The undo commands call back into the board: they go first.
KvBoard::~KvBoard()
{
    delete m_undoStack;
}

QString KvBoard::name() const
{
    return m_name;
}

KvBoardScene *KvBoard::scene() const
{
    return m_scene;
}

KvPenCore *KvBoard::core() const
{
    return m_core;
}

QUndoStack *KvBoard::undoStack() const
{
    return m_undoStack;
}

bool KvBoard::pointerPress(const QPointF &pos, double pressure)
{
    return mayBeginInk() && m_core->inputDevicePress(pos, pressure);
}

bool KvBoard::pointerMove(const QPointF &pos, double pressure)
{
    return m_core->inputDeviceMove(pos, pressure);
}

bool KvBoard::pointerRelease()
{
    const bool result = m_core->inputDeviceRelease();
    commitStep(m_core->stylus() == KvPen::EraserStylus ? tr("Erase") : tr("Draw"));
    return result;
}

bool KvBoard::touchPress(int id, const QPointF &pos)
{
    return mayBeginInk() && m_core->inputDevicePress(id, pos, 1.0);
}

bool KvBoard::touchMove(int id, const QPointF &pos)
{
    return m_core->inputDeviceMove(id, pos, 1.0);
}

bool KvBoard::touchRelease(int id)
{
    const bool result = m_core->inputDeviceRelease(id);
    commitStep(m_core->stylus() == KvPen::EraserStylus ? tr("Erase") : tr("Draw"));
    return result;
}

void KvBoard::releaseAll()
{
    m_core->foucesMouseRelease();
    commitStep(m_core->stylus() == KvPen::EraserStylus ? tr("Erase") : tr("Draw"));
}

void KvBoard::eraseArea(const QRectF &viewRect)
{
    m_core->setEraseArea(viewRect);
}

void KvBoard::endEraseArea()
{
    m_core->setEndErase();
    commitStep(tr("Erase"));
}

void KvBoard::clear()
{
    for (KvGraphicsStrokesGroup *group : m_scene->strokes())
        m_scene->removeBoardItem(group, false);
    commitStep(tr("Clear board"));
}

bool KvBoard::saveFile(const QString &path, QString *error)
{
    if (!writeFile(path, toBytes(path), error))
        return false;
    setSaved();
    return true;
}

bool KvBoard::writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    // No board file is empty: these bytes are a board that could not be written.
    if (bytes.isEmpty())
        return fail(error, QStringLiteral("the board could not be written"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(error, file.errorString());
    return true;
}

QByteArray KvBoard::toBytes(const QString &path) const
{
    return KvBoardDocument::formatOf(path) == KvBoardDocument::Xml ? toXml() : toRecords();
}

bool KvBoard::openFile(const QString &path, QString *error, KvBoardLoadReport *report)
{
    KvBoardDocument document = KvBoardDocument::read(path);
    return load(document, error, report);
}

bool KvBoard::load(KvBoardDocument &document, QString *error, KvBoardLoadReport *report,
                   const std::function<void(int, int)> &progress)
{
    if (!document.isValid())
        return fail(error, document.error());
    const QList<int> asked = document.piecesAsked();
    const int total = asked.size();
    KvBoardLogCapture log;
    QScopedValueRollback<bool> loading(m_loading, true);
    replaceBoard([&] {
        for (int first = 0; first < total; first += kStrokesPerSlice) {
            if (progress)
                progress(first, total);
            document.importStrokes(m_core, first, kStrokesPerSlice);
        }
    });
    if (report) {
        *report = KvBoardLoadReport();
        report->strokes = total;
        report->details = log.lines();
        const QList<KvGraphicsStrokesGroup *> strokes = m_scene->strokes();
        for (int i = 0; i < total; ++i) {
            const int loaded = i < strokes.size() ? strokes.at(i)->items().size() : 0;
            if (loaded < asked.at(i)) {
                ++report->refusedStrokes;
                report->refusedPieces += asked.at(i) - loaded;
            }
        }
    }
    return true;
}

QByteArray KvBoard::toXml() const
{
    return KvBoardDocument::writeXml(m_scene->strokes());
}

bool KvBoard::loadXml(const QByteArray &bytes, QString *error)
{
    KvBoardDocument document = KvBoardDocument::fromXml(bytes);
    return load(document, error);
}

QByteArray KvBoard::toRecords() const
{
    return KvBoardDocument::writeRecords(m_core);
}

bool KvBoard::loadRecords(const QByteArray &bytes, QString *error)
{
    KvBoardDocument document = KvBoardDocument::fromRecords(bytes);
    return load(document, error);
}

bool KvBoard::isModified() const
{
    return !m_undoStack->isClean() || m_remoteChanged;
}

bool KvBoard::isFull() const
{
    // Asked at every stroke that begins. Every piece is an item of the scene: one with fewer
    // items holds fewer pieces, which the list of its items tells without a walk over the board.
    if (m_scene->items(Qt::SortOrder(-1)).size() < KvBoardFileLimits::kBoardCapacity)
        return false;
    // A board this full is counted again once erased ink left it, and otherwise at most every
    // kFullRecountMs: the strokes begun meanwhile fit in the room kept above the capacity.
    if (!m_countedAt.isValid() || m_countedAt.hasExpired(KvBoardFileLimits::kFullRecountMs)) {
        m_countedPieces = m_scene->pieceCount();
        m_countedAt.start();
    }
    return m_countedPieces >= KvBoardFileLimits::kBoardCapacity;
}

bool KvBoard::mayBeginInk()
{
    if (!KvPen::isInkStylus(m_core->stylus()) || !isFull())
        return true;
    qDebug("kvboard: a stroke was refused: the board holds %d pieces, as many as kvboard opens",
           m_scene->pieceCount());
    emit fullRefused();
    return false;
}

bool KvBoard::isLoading() const
{
    return m_loading;
}

void KvBoard::setArriving(bool arriving)
{
    if (std::exchange(m_arriving, arriving) != arriving)
        emit arrivingChanged(arriving);
}

bool KvBoard::isArriving() const
{
    return m_arriving;
}

void KvBoard::setSaved()
{
    m_undoStack->setClean();
    setRemoteChanged(false);
}

QImage KvBoard::render() const
{
    const QRectF area = m_scene->sceneRect();
    QImage image(area.size().toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(m_scene->backgroundBrush().color());
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    m_scene->render(&painter, QRectF(QPointF(), area.size()), area);
    return image;
}

void KvBoard::receiveLive(const QString &sender, int type, const QJsonObject &data)
{
    const bool beginsInk = type == KvPen::LiveInkMessage
        && data.value(KvPen::Key::MouseType).toInt(-1) == KvPen::MousePress;
    if (beginsInk && isFull()) {
        emit remoteRefused(tr("Live ink from %1 was refused: the board is full.").arg(sender), {});
        return;
    }
    receive(tr("Live ink from %1").arg(sender), [&] { m_core->remoteData(sender, type, data); });
}

void KvBoard::receiveStroke(const QJsonObject &data)
{
    if (isFull()) {
        emit remoteRefused(tr("A remote stroke was refused: the board is full."), {});
        return;
    }
    receive(tr("A remote stroke"), [&] { m_core->paintPen(data); });
}

void KvBoard::receiveRemoval(const QStringList &uuids)
{
    receive(tr("A remote erase"), [&] {
        for (const QString &uuid : uuids) {
            if (KvGraphicsStrokesGroup *group = m_scene->strokeOnBoard(uuid))
                m_scene->removeBoardItem(group, false);
        }
    });
}

void KvBoard::receiveRestore(const QByteArray &xml)
{
    const QStringList here = KvBoardScene::uuidsOf(m_scene->strokes());
    QSet<QString> present(here.begin(), here.end());
    QSet<QString> fresh;
    receive(tr("A remote undo"), [&] {
        const QStringList listed = KvBoardFragment::uuids(xml);
        for (const QString &uuid : listed) {
            if (present.contains(uuid) || uuid.isEmpty())
                continue;
            present.insert(uuid);
            if (KvGraphicsStrokesGroup *erased = m_scene->strokeOffBoard(uuid))
                m_scene->addBoardItem(erased);
            else
                fresh.insert(uuid);
        }
        if (fresh.isEmpty())
            return;
        // A document of fresh strokes only (a newcomer's snapshot) is imported as it came.
        KvBoardDocument document = KvBoardDocument::fromXml(
            fresh.size() == listed.size() ? xml : KvBoardFragment::subset(xml, fresh));
        if (document.isValid())
            document.importStrokes(m_core, 0, document.strokeCount());
    });
}

void KvBoard::receiveDocument(const QByteArray &xml)
{
    KvBoardDocument document = KvBoardDocument::fromXml(xml);
    if (!document.isValid()) {
        emit remoteRefused(tr("A remote board could not be read: %1").arg(document.error()), {});
        return;
    }
    KvBoardLoadReport report;
    applyQuietly([&] { load(document, nullptr, &report); });
    setRemoteChanged(true);
    if (!report.isComplete())
        emit remoteRefused(tr("A remote board: %1").arg(report.summary()), report.details);
}

void KvBoard::receiveStrokes(KvBoardDocument &document)
{
    receive(tr("The shared board"),
            [&] { document.importStrokes(m_core, 0, document.strokeCount()); });
}

void KvBoard::swapStrokes(const QList<KvGraphicsStrokesGroup *> &off,
                          const QList<KvGraphicsStrokesGroup *> &on)
{
    applyQuietly([&] {
        for (KvGraphicsStrokesGroup *group : off)
            m_scene->removeBoardItem(group, false);
        for (KvGraphicsStrokesGroup *group : on)
            m_scene->addBoardItem(group);
    });
    if (!off.isEmpty())
        emit strokesRemoved(KvBoardScene::uuidsOf(off));
    if (!on.isEmpty())
        emit strokesRestored(KvBoardScene::uuidsOf(on));
}

void KvBoard::commitStep(const QString &text)
{
    const KvBoardChanges changes = m_scene->takeChanges();
    if (changes.isEmpty())
        return;
    m_undoStack->push(new KvBoardChange(this, changes, text));
    // Live mirroring already erased these on the other boards; a second removal is harmless
    // and covers the area eraser, the clear and whole-stroke mirroring.
    if (!changes.removed.isEmpty())
        emit strokesRemoved(KvBoardScene::uuidsOf(changes.removed));
}

template<typename F> void KvBoard::receive(const QString &what, F change)
{
    QStringList refusals;
    {
        KvBoardLogCapture log;
        applyQuietly(change);
        refusals = log.lines();
    }
    setRemoteChanged(true);
    if (!refusals.isEmpty())
        emit remoteRefused(tr("%1 was refused in part.").arg(what), refusals);
}

void KvBoard::setRemoteChanged(bool changed)
{
    const bool was = isModified();
    m_remoteChanged = changed;
    if (isModified() != was)
        emit modifiedChanged(isModified());
}

template<typename F> void KvBoard::applyQuietly(F change)
{
    QScopedValueRollback<int> quiet(m_quiet, m_quiet + 1);
    const bool recording = m_scene->isRecording();
    m_scene->setRecording(false);
    change();
    m_scene->setRecording(recording);
}

void KvBoard::replaceBoard(const std::function<void()> &import)
{
    m_core->foucesMouseRelease();
    m_scene->takeChanges();
    m_undoStack->clear();
    const bool recording = m_scene->isRecording();
    m_scene->setRecording(false);
    for (KvGraphicsStrokesGroup *group : m_scene->strokes())
        m_scene->removeBoardItem(group, false);
    // With the history gone, nothing brings the strokes off the board back.
    for (QGraphicsItem *item : m_scene->removedItems()) {
        if (qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item) && m_scene->takeRemovedItem(item))
            delete item;
    }
    import();
    m_scene->setRecording(recording);
    // The whole board as XML only for a link that sends it on.
    if (!m_quiet && isSignalConnected(QMetaMethod::fromSignal(&KvBoard::documentLoaded)))
        emit documentLoaded(toXml());
}
