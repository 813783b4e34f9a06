#pragma once

#include "KvBoardLoadReport.h"
#include "KvBoardScene.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonObject>
#include <QObject>
#include <QUuid>

#include <functional>

class KvBoardDocument;
class KvPenCore;
class QUndoStack;

// One participant's whiteboard without its views: the board scene, the pen plug-in on it, the
// undo history, the files, and both ends of mirroring. Every gesture, eraser gesture and clear
// is one undo step. Input is in scene coordinates, except the area eraser, which the plug-in
// takes in view coordinates.
class KvBoard : public QObject
{
    Q_OBJECT
public:
    // `name` is this participant's sender key on the other boards.
    explicit KvBoard(const QString &name, QObject *parent = nullptr);
    ~KvBoard() override;

    QString name() const;
    KvBoardScene *scene() const;
    KvPenCore *core() const;
    QUndoStack *undoStack() const;

    // Mouse and pen. A full board refuses to begin a stroke of ink (see isFull).
    bool pointerPress(const QPointF &pos, double pressure = 1.0);
    bool pointerMove(const QPointF &pos, double pressure = 1.0);
    bool pointerRelease();
    // Fingers, each drawing on its own.
    bool touchPress(int id, const QPointF &pos);
    bool touchMove(int id, const QPointF &pos);
    bool touchRelease(int id);
    // Lifts every pointer still down, as when the system cancels touch input.
    void releaseAll();
    // A palm: each rectangle, in the first view's coordinates, extends the erased path.
    void eraseArea(const QRectF &viewRect);
    void endEraseArea();
    void clear();

    // By suffix: ".xml" is the XML document, anything else save records. A save replaces the
    // file whole or leaves it as it was.
    bool saveFile(const QString &path, QString *error = nullptr);
    static bool writeFile(const QString &path, const QByteArray &bytes, QString *error);
    QByteArray toBytes(const QString &path) const;
    // Replaces the board by the file's strokes; a bad file changes nothing (board, undo history)
    // and says why in `error`. `report` tells what the plug-in refused of a file that loaded.
    bool openFile(const QString &path, QString *error = nullptr,
                  KvBoardLoadReport *report = nullptr);
    // The same for a document already read; `progress` hears (strokes done, strokes) as they go.
    bool load(KvBoardDocument &document, QString *error = nullptr,
              KvBoardLoadReport *report = nullptr,
              const std::function<void(int, int)> &progress = {});
    QByteArray toXml() const;
    bool loadXml(const QByteArray &bytes, QString *error = nullptr);
    QByteArray toRecords() const;
    bool loadRecords(const QByteArray &bytes, QString *error = nullptr);
    // Whether the board holds as much ink as kvboard opens from a file: it then takes no new
    // stroke, drawn here or sent by others, until ink is erased or cleared; the eraser still works.
    bool isFull() const;
    // Whether the board holds ink not saved since it was last opened, saved or cleared of its
    // history; remote participants' ink counts too.
    bool isModified() const;
    void setSaved();
    // While a file's strokes go onto the board.
    bool isLoading() const;
    // While the shared board arrives in parts: views keep their picture until it is all there,
    // since repainting a board that grows all over costs more than its arrival.
    void setArriving(bool arriving);
    bool isArriving() const;
    // The whole board as a picture.
    QImage render() const;

    // What remote participants send.
    void receiveLive(const QString &sender, int type, const QJsonObject &data);
    void receiveStroke(const QJsonObject &data);
    void receiveRemoval(const QStringList &uuids);
    // Strokes as a board document: those erased here come back, those missing are added, and
    // those already here stay as they are.
    void receiveRestore(const QByteArray &xml);
    void receiveDocument(const QByteArray &xml);
    // Strokes of the shared board, put on top of this one in the document's order.
    void receiveStrokes(KvBoardDocument &document);

    // Undo steps move strokes off and on the board through here.
    void swapStrokes(const QList<KvGraphicsStrokesGroup *> &off,
                     const QList<KvGraphicsStrokesGroup *> &on);

signals:
    // What this participant sends; nothing of what others sent comes back out.
    void liveMessage(const QUuid &uuid, int type, const QJsonObject &data,
                     const QString &messageid);
    void strokeMessage(const QJsonObject &data);
    void strokesRemoved(const QStringList &uuids);
    void strokesRestored(const QStringList &uuids);
    void documentLoaded(const QByteArray &xml);
    void modifiedChanged(bool modified);
    // The plug-in refused (part of) what a remote participant sent: a line for the user and the
    // plug-in's own lines.
    void remoteRefused(const QString &summary, const QStringList &details);
    // A stroke drawn here was refused: the board is full.
    void fullRefused();
    void arrivingChanged(bool arriving);

private:
    void commitStep(const QString &text);
    // Runs `change` with the board unnoted and the plug-in's signals kept in.
    template<typename F> void applyQuietly(F change);
    void replaceBoard(const std::function<void()> &import);
    // Runs a remote participant's message, telling what the plug-in refused of it.
    template<typename F> void receive(const QString &what, F change);
    void setRemoteChanged(bool changed);
    // Whether a stroke of ink may begin with the stylus in use; says why not once.
    bool mayBeginInk();

    QString m_name;
    KvBoardScene *m_scene;
    KvPenCore *m_core;
    QUndoStack *m_undoStack;
    int m_quiet = 0;
    bool m_remoteChanged = false;
    bool m_loading = false;
    bool m_arriving = false;
    // The pieces a full board held when last counted, and when that was.
    mutable int m_countedPieces = 0;
    mutable QElapsedTimer m_countedAt;
};
