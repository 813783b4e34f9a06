#pragma once

#include "KvBoardDocument.h"
#include "KvBoardEnvelope.h"

#include <QHash>
#include <QMap>
#include <QObject>
#include <QPointer>

#include <functional>

class KvBoard;
class KvGraphicsStrokesGroup;
class QWebSocket;

// One room of the relay: the participants joined by one URL path and the room's own board, a
// headless board on which every relayed frame is replayed. A newcomer gets its identity, the
// board in snapshot parts and the strokes in progress before any live traffic.
class KvBoardRoom : public QObject
{
    Q_OBJECT
public:
    explicit KvBoardRoom(const QString &name, QObject *parent = nullptr);
    ~KvBoardRoom() override;

    QString name() const;
    KvBoard *board() const;
    int headCount() const;
    // The room's board as a file at `path` holds it, in the format its suffix names, made by the
    // returned function wherever it runs: the strokes are taken now. The file only puts together
    // strokes written as they landed: packed records (as snapshots send them), or each stroke's
    // XML in a room kept in XML.
    std::function<QByteArray()> fileContents(const QString &path);
    void setKeptAsXml(bool kept);
    // Writes the strokes of a board just loaded, as strokes that land are written, so that the
    // first newcomer and the first save do not wait for the whole board to be written.
    void writeBoard();

    // The identity is the participant's name, numbered when someone in the room has it.
    void join(QWebSocket *socket, const QString &name);
    void leave(QWebSocket *socket);
    // A participant's checked frame: stamped with its identity, replayed on the room's board
    // and passed to everyone else in the room.
    void relay(QWebSocket *from, KvBoardEnvelope envelope);

private:
    QString identityFor(const QString &name) const;
    void sendSnapshot(QWebSocket *socket);
    QList<QByteArray> writtenStrokes(KvBoardDocument::Format format);
    const QByteArray &written(KvGraphicsStrokesGroup *group, KvBoardDocument::Format format);
    void noteOpenStroke(const KvBoardEnvelope &envelope, const QByteArray &frame);
    void broadcast(const QByteArray &frame, QWebSocket *except);

    QString m_name;
    KvBoard *m_board;
    QMap<QWebSocket *, QString> m_members;
    // The frames of each stroke in progress since its press, by sender and stroke uuid.
    QHash<QString, QList<QByteArray>> m_openStrokes;
    // The strokes on the board as documents write them, each written once in each format
    // needed: snapshots (packed records) and saves put these together rather than writing the
    // whole board every time.
    struct WrittenStroke
    {
        QPointer<KvGraphicsStrokesGroup> group;
        QByteArray xml;
        QByteArray record;
    };
    QHash<const KvGraphicsStrokesGroup *, WrittenStroke> m_written;
    // Strokes that joined the board while a frame was replayed, written once it is done.
    QList<QPointer<KvGraphicsStrokesGroup>> m_landed;
    bool m_keptAsXml = false;
};
