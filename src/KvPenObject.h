#pragma once

#include "KvGraphicsStroke.h"
#include "KvSaveDataItem.h"

#include <QColor>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QPolygonF>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>

class KvCoreGraphicsScene;
class KvGraphicsPolygonItem;
class KvGraphicsStrokesGroup;
class QDomDocument;
class QDomElement;
class QGraphicsItem;
class QGraphicsView;
class QWidget;

// The drawing engine of one participant on one board.
class KvPenObject : public QObject
{
    Q_OBJECT
public:
    explicit KvPenObject(QObject *parent = nullptr);
    ~KvPenObject() override;

    KvCoreGraphicsScene *scene() const;
    void setScene(KvCoreGraphicsScene *scene);

    // Tool settings, read afresh by every input step: a change applies to what follows.
    QColor penColor() const;
    void setPenColor(const QColor &color);
    int penWidth() const;
    void setPenWidth(int width);
    QColor markerColor() const;
    void setMarkerColor(const QColor &color);
    int markerWidth() const;
    void setMarkerWidth(int width);
    // View pixels.
    int eraserWidth() const;
    void setEraserWidth(int width);
    // 0 pen, 1 eraser, 2 highlighter.
    int stylus() const;
    void setStylus(int stylus);
    bool isCanRedo() const;
    void setIsCanRedo(bool canRedo);

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
    QStringList removedItemUuids() const;

    // A parentless ink-styled item; the caller owns it.
    KvGraphicsPolygonItem *polygonToPolygonItem(QPolygonF polygon);
    // Rebuilds one finished stroke on the board from its points; null for an empty list.
    KvGraphicsStrokesGroup *createGroupFromPoints(QList<QPointF> points);

    // Saving and loading walk the board's strokes groups; without a KvGraphicsScene they do
    // nothing. `name` is passed through to the groups.
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
    double currentWidth() const;
    void addStrokePiece(int id, KvGraphicsStroke *stroke, const QPointF &pos, double width,
                        bool first);
    KvGraphicsPolygonItem *createSegmentItem(const QList<KvStrokeSample> &samples, bool startCap,
                                             bool endCap);
    void addSegmentItem(int id, KvGraphicsPolygonItem *item, KvGraphicsStroke *stroke);
    void applyPenStyle(KvGraphicsPolygonItem *item);

    void eraseSegment(int id, const QPointF &from, const QPointF &to, double width1, double width2);
    void showEraserCursor(bool visible, const QPointF &scenePos, int width);
    void cancelStrokes();
    void discardItem(QGraphicsItem *item);
    QGraphicsView *firstView() const;

    QHash<int, QPointF> m_lastPoints;
    QHash<int, KvGraphicsStroke *> m_strokes;
    // The press uuid of each open stroke, for the releases the engine makes itself.
    QHash<int, QUuid> m_strokeUuids;
    QHash<int, KvGraphicsPolygonItem *> m_tempItems;
    QHash<int, double> m_moveDistances;
    QSet<int> m_eraserIds;
    QPointer<KvCoreGraphicsScene> m_scene;
    QPointer<QWidget> m_wdEraserCursor;
    QColor m_penColor = QColor(QStringLiteral("#FFFFFF"));
    QColor m_markerColor = QColor(QStringLiteral("#F8E71C"));
    int m_penWidth = 10;
    int m_markerWidth = 10;
    int m_eraserWidth = 30;
    int m_stylus = 0;
    bool m_isCanRedo = true;
    bool m_isAreaErasing = false;
    QPointF m_areaLastPoint;
    int m_lastInputKind = 2;
    QStringList m_removedItemUuids;
};
