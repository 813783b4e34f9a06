#include "KvBoard.h"

#include "KvBoardChange.h"
#include "KvBoardDocument.h"
#include "KvBoardFragment.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenCore.h"

#include <QDebug>
#include <QFile>
#include <QPainter>
#include <QScopedValueRollback>
#include <QUndoStack>

#include <functional>

KvBoard::KvBoard(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name)
    , m_scene(new KvBoardScene(this))
    , m_core(new KvPenCore(this))
    , m_undoStack(new QUndoStack(this))
{
    m_core->currentSceneChanged(m_scene);
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
    return m_core->inputDevicePress(pos, pressure);
}

bool KvBoard::pointerMove(const QPointF &pos, double pressure)
{
    return m_core->inputDeviceMove(pos, pressure);
}

bool KvBoard::pointerRelease()
{
    const bool result = m_core->inputDeviceRelease();
    commitStep(m_core->stylus() == 1 ? tr("Erase") : tr("Draw"));
    return result;
}

bool KvBoard::touchPress(int id, const QPointF &pos)
{
    return m_core->inputDevicePress(id, pos, 1.0);
}

bool KvBoard::touchMove(int id, const QPointF &pos)
{
    return m_core->inputDeviceMove(id, pos, 1.0);
}

bool KvBoard::touchRelease(int id)
{
    const bool result = m_core->inputDeviceRelease(id);
    commitStep(m_core->stylus() == 1 ? tr("Erase") : tr("Draw"));
    return result;
}

void KvBoard::releaseAll()
{
    m_core->foucesMouseRelease();
    commitStep(m_core->stylus() == 1 ? tr("Erase") : tr("Draw"));
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
    QFile file(path);
    const QByteArray bytes
        = path.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive) ? toXml() : toRecords();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool KvBoard::openFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    return path.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive) ? loadXml(bytes, error)
                                                                     : loadRecords(bytes, error);
}

QByteArray KvBoard::toXml() const
{
    return KvBoardDocument::writeXml(m_core);
}

bool KvBoard::loadXml(const QByteArray &bytes, QString *error)
{
    QDomDocument document;
    QDomElement board;
    if (!KvBoardDocument::readXml(bytes, &document, &board, error))
        return false;
    replaceBoard([&] { m_core->importSceneXml(&document, &board, KvBoardDocument::kSaveName); });
    return true;
}

QByteArray KvBoard::toRecords() const
{
    return KvBoardDocument::writeRecords(m_core);
}

bool KvBoard::loadRecords(const QByteArray &bytes, QString *error)
{
    QList<KvSaveDataItem> records;
    if (!KvBoardDocument::readRecords(bytes, &records, error))
        return false;
    replaceBoard([&] { m_core->importScene(records, KvBoardDocument::kSaveName); });
    return true;
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
    applyQuietly([&] { m_core->remoteData(sender, type, data); });
}

void KvBoard::receiveStroke(const QJsonObject &data)
{
    applyQuietly([&] { m_core->paintPen(data); });
}

void KvBoard::receiveRemoval(const QStringList &uuids)
{
    applyQuietly([&] {
        for (const QString &uuid : uuids) {
            if (KvGraphicsStrokesGroup *group = m_scene->strokeOnBoard(uuid))
                m_scene->removeBoardItem(group, false);
        }
    });
}

void KvBoard::receiveRestore(const QByteArray &xml)
{
    QDomDocument document;
    QDomElement board;
    QString error;
    if (!KvBoardDocument::readXml(xml, &document, &board, &error)) {
        qDebug() << "KvBoard::receiveRestore" << error;
        return;
    }
    const QStringList here = KvBoardScene::uuidsOf(m_scene->strokes());
    QSet<QString> present(here.begin(), here.end());
    applyQuietly([&] {
        for (QDomElement stroke = board.firstChildElement(); !stroke.isNull();) {
            const QDomElement next = stroke.nextSiblingElement();
            const QString uuid = KvBoardFragment::uuidOf(stroke);
            KvGraphicsStrokesGroup *erased
                = present.contains(uuid) ? nullptr : m_scene->strokeOffBoard(uuid);
            if (erased)
                m_scene->addBoardItem(erased);
            if (erased || present.contains(uuid) || uuid.isEmpty())
                board.removeChild(stroke);
            present.insert(uuid);
            stroke = next;
        }
        m_core->importSceneXml(&document, &board, KvBoardDocument::kSaveName);
    });
}

void KvBoard::receiveDocument(const QByteArray &xml)
{
    QDomDocument document;
    QDomElement board;
    QString error;
    if (!KvBoardDocument::readXml(xml, &document, &board, &error)) {
        qDebug() << "KvBoard::receiveDocument" << error;
        return;
    }
    applyQuietly([&] {
        replaceBoard(
            [&] { m_core->importSceneXml(&document, &board, KvBoardDocument::kSaveName); });
    });
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
    import();
    m_scene->setRecording(recording);
    if (!m_quiet)
        emit documentLoaded(toXml());
}
