#pragma once

#include "KvBoardInk.h"
#include "KvGraphicsStroke.h"
#include "KvSaveDataItem.h"
#include "KvStrokeEraser.h"
#include "KvStrokeInk.h"
#include "KvToolSettings.h"

#include <QColor>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QUuid>

#include "KvCoreGraphicsScene.h"
class KvGraphicsPolygonItem;
class KvGraphicsStrokesGroup;
class QDomDocument;
class QDomElement;
class QGraphicsItem;
class QLineF;

// The drawing engine of one participant on one board.
class KvPenObject : public QObject
{
    Q_OBJECT
public:
    explicit KvPenObject(QObject *parent = nullptr);
    ~KvPenObject() override;

    KvCoreGraphicsScene *scene() const { return m_scene; }
    // Strokes still open on the previous board are finished there first.
    void setScene(KvCoreGraphicsScene *scene);

    const KvToolSettings &toolSettings() const { return m_settings; }
    KvToolSettings &toolSettings() { return m_settings; }
    void setToolSettings(const KvToolSettings &settings) { m_settings = settings; }
    // Each setting alone; the stylus is 0 pen, 1 eraser, 2 highlighter.
    QColor penColor() const { return m_settings.penColor; }
    void setPenColor(const QColor &color) { m_settings.penColor = color; }
    int penWidth() const { return m_settings.penWidth; }
    void setPenWidth(int width) { m_settings.penWidth = width; }
    QColor markerColor() const { return m_settings.markerColor; }
    void setMarkerColor(const QColor &color) { m_settings.markerColor = color; }
    int markerWidth() const { return m_settings.markerWidth; }
    void setMarkerWidth(int width) { m_settings.markerWidth = width; }
    int eraserWidth() const { return m_settings.eraserWidth; }
    void setEraserWidth(int width) { m_settings.eraserWidth = width; }
    int stylus() const { return m_settings.stylus; }
    void setStylus(int stylus) { m_settings.stylus = stylus; }
    bool isCanRedo() const { return m_isCanRedo; }
    void setIsCanRedo(bool canRedo) { m_isCanRedo = canRedo; }
    // No stroke, eraser gesture or area erase open.
    bool isIdle() const;
    // Whether a release first adds a last piece up to the pointer's last position; off, a
    // stroke ends with its last committed piece.
    bool completeStrokeEnds() const { return m_completeStrokeEnds; }
    void setCompleteStrokeEnds(bool complete) { m_completeStrokeEnds = complete; }

    // Pointer input in scene coordinates; id is the touch id, -1 the single pointer. All three
    // refuse (false) while an area erase runs; ink is refused where it would reach beyond the
    // ink range (KvPenTypes.h). The release fills `snapshot` with the finished stroke's
    // whole-stroke message; its group carries `uuid`. A stroke that reaches the piece limit of a
    // group goes on in a new group (sig_groupClosed), whose uuid follows from the press uuid.
    // Pieces and capsules that the host removes or deletes under an open stroke are forgotten.
    bool inputDevicePress(const QPointF &pos, const QUuid &uuid, int id);
    bool inputDeviceMove(const QPointF &pos, const QUuid &uuid, int id);
    bool inputDeviceRelease(const QUuid &uuid, QJsonObject &snapshot, int id);

    // Area erasing: a rect in the first view's coordinates per step, then setEndErase.
    void setEraseArea(const QRectF &rect);
    void setEndErase();
    void endErase(int id);
    // Discards every stroke in progress and hides the eraser cursor.
    void eraseScrollItem();
    void hideEraseWidget();
    // Uuids (without braces) of the groups erased since the last press, once per hit piece.
    QStringList removedItemUuids() const { return m_eraser.removedItemUuids(); }

    // A parentless ink-styled item; the caller owns it.
    KvGraphicsPolygonItem *polygonToPolygonItem(QPolygonF polygon);
    // Rebuilds one finished stroke on the board from its points; null for an empty list.
    KvGraphicsStrokesGroup *createGroupFromPoints(QList<QPointF> points);

    // Saving and loading walk the board's strokes groups (KvBoardInk); `name` is passed through
    // to the groups.
    void exportScene(QList<KvSaveDataItem> &records, const QString &)
    {
        KvBoardInk::exportRecords(m_scene, records);
    }
    void importScene(const QList<KvSaveDataItem> &records, const QString &)
    {
        KvBoardInk::importRecords(m_scene, records);
    }
    void exportSceneXml(QDomDocument *document, QDomElement *parent, const QString &name)
    {
        KvBoardInk::exportXml(m_scene, document, parent, name);
    }
    void importSceneXml(QDomDocument *document, QDomElement *parent, const QString &name)
    {
        KvBoardInk::importXml(m_scene, document, parent, name);
    }
    // The input points of every group, top-most first; export only.
    void exportOriginalPointInfoXml(QDomDocument *document, QDomElement *parent,
                                    const QString &name)
    {
        KvBoardInk::exportPointInfoXml(m_scene, document, parent, name);
    }

signals:
    void sig_eraseItem(const QString &uuid);
    // A group closed at the piece limit while its stroke goes on: its whole-stroke message.
    void sig_groupClosed(const QJsonObject &snapshot);

private:
    // One stroke in progress.
    struct OpenStroke
    {
        KvGraphicsStroke *stroke = nullptr; // held by the engine until the stroke ends
        QUuid pressUuid;
        int part = 0; // groups closed at the piece limit so far
        int pieces = 0; // pieces made for the current group
        double moveDistance = 0.0;

        // The uuid of the current group: `first` for the first, then one that every mirror of
        // the stroke derives alike from the press uuid.
        QUuid groupUuid(const QUuid &first) const
        {
            return part == 0 ? first : QUuid::createUuidV5(pressUuid, QString::number(part));
        }
    };

    bool isInkPoint(const QPointF &pos) const;
    void updateInputKind(int id);
    void beginStroke(const QPointF &pos, const QUuid &uuid, int id);
    bool extendStroke(const QPointF &pos, int id);
    void finishStroke(const QUuid &uuid, QJsonObject &snapshot, int id);
    void finishOpenStrokes();
    QJsonObject continueInNewGroup(OpenStroke *open);
    void closeGroup(KvGraphicsStroke *stroke, const QUuid &uuid, QJsonObject &snapshot);
    // The ink of this engine's strokes on its board, in its current tool settings.
    KvStrokeInk ink() { return KvStrokeInk(m_scene, m_settings); }

    void eraseSegment(int id, const QPointF &from, const QPointF &to, double width1, double width2);
    void cancelStrokes();

    QHash<int, QPointF> m_lastPoints;
    QHash<int, OpenStroke> m_openStrokes;
    QPointer<KvCoreGraphicsScene> m_scene;
    KvToolSettings m_settings;
    bool m_isCanRedo = true;
    bool m_completeStrokeEnds = false;
    bool m_isAreaErasing = false;
    QPointF m_areaLastPoint;
    int m_lastInputKind = 2;
    KvStrokeEraser m_eraser;
};
