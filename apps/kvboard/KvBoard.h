#pragma once

#include "KvBoardScene.h"

#include <QImage>
#include <QJsonObject>
#include <QObject>
#include <QUuid>

#include <functional>

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

    // Mouse and pen.
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

    // By suffix: ".xml" is the XML document, anything else save records.
    bool saveFile(const QString &path, QString *error = nullptr);
    bool openFile(const QString &path, QString *error = nullptr);
    QByteArray toXml() const;
    // Replaces the board by the document; a bad document changes nothing.
    bool loadXml(const QByteArray &bytes, QString *error = nullptr);
    QByteArray toRecords() const;
    bool loadRecords(const QByteArray &bytes, QString *error = nullptr);
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

private:
    void commitStep(const QString &text);
    // Runs `change` with the board unnoted and the plug-in's signals kept in.
    template<typename F> void applyQuietly(F change);
    void replaceBoard(const std::function<void()> &import);

    QString m_name;
    KvBoardScene *m_scene;
    KvPenCore *m_core;
    QUndoStack *m_undoStack;
    int m_quiet = 0;
};
