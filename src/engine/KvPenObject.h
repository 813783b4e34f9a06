#pragma once

#include "KvGraphicsStroke.h"
#include "KvSaveDataItem.h"
#include "KvStrokeEraser.h"
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

// The drawing engine of one participant on one board.
class KvPenObject : public QObject
{
    Q_OBJECT
public:
    explicit KvPenObject(QObject *parent = nullptr);
    ~KvPenObject() override;

    KvCoreGraphicsScene *scene() const { return m_scene; }
    void setScene(KvCoreGraphicsScene *scene) { m_scene = scene; }

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
    // Whether a release first adds a last piece up to the pointer's last position; off, a
    // stroke ends with its last committed piece.
    bool completeStrokeEnds() const { return m_completeStrokeEnds; }
    void setCompleteStrokeEnds(bool complete) { m_completeStrokeEnds = complete; }

    // Pointer input in scene coordinates; id is the touch id, -1 the single pointer. All three
    // refuse (false) while an area erase runs. The release fills `snapshot` with the finished
    // stroke's whole-stroke message; its group carries `uuid`.
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
    void exportScene(QList<KvSaveDataItem> &records, const QString &name);
    void importScene(const QList<KvSaveDataItem> &records, const QString &name);
    void exportSceneXml(QDomDocument *document, QDomElement *parent, const QString &name);
    void importSceneXml(QDomDocument *document, QDomElement *parent, const QString &name);
    // The input points of every group, top-most first; export only.
    void exportOriginalPointInfoXml(QDomDocument *document, QDomElement *parent,
                                    const QString &name);

signals:
    void sig_eraseItem(const QString &uuid);

private:
    void updateInputKind(int id);
    void beginStroke(const QPointF &pos, const QUuid &uuid, int id);
    bool extendStroke(const QPointF &pos, int id);
    void finishStroke(const QUuid &uuid, QJsonObject &snapshot, int id);
    void putGroupOnBoard(KvGraphicsStrokesGroup *group);
    void addStrokePiece(int id, KvGraphicsStroke *stroke, const QPointF &pos, double width,
                        bool first);
    void completeStrokeEnd(int id, KvGraphicsStroke *stroke, const QPointF &pos);
    KvGraphicsPolygonItem *createSegmentItem(const QList<KvStrokeSample> &samples, bool startCap,
                                             bool endCap);
    void addSegmentItem(int id, KvGraphicsPolygonItem *item, KvGraphicsStroke *stroke);
    void applyPenStyle(KvGraphicsPolygonItem *item);

    void eraseSegment(int id, const QPointF &from, const QPointF &to, double width1, double width2);
    void cancelStrokes();
    void discardItem(QGraphicsItem *item);

    QHash<int, QPointF> m_lastPoints;
    QHash<int, KvGraphicsStroke *> m_strokes;
    // The press uuid of each open stroke, for the releases the engine makes itself.
    QHash<int, QUuid> m_strokeUuids;
    QHash<int, KvGraphicsPolygonItem *> m_tempItems;
    QHash<int, double> m_moveDistances;
    QPointer<KvCoreGraphicsScene> m_scene;
    KvToolSettings m_settings;
    bool m_isCanRedo = true;
    bool m_completeStrokeEnds = false;
    bool m_isAreaErasing = false;
    QPointF m_areaLastPoint;
    int m_lastInputKind = 2;
    KvStrokeEraser m_eraser;
};
