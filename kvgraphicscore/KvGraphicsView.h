#pragma once

#include "kvgraphicscore_export.h"

#include <QGraphicsView>
#include <QList>

#include <memory>

class KvGraphicsViewPrivate;

// The view hosts show a board in. It paints the board's background and the items of the cached
// types (finished ink) from tiles rendered once per zoom, and everything else (ink being drawn,
// selection frames, the host's own items) live above them in every frame, so that a repaint
// costs about the same on a full board as on an empty one.
//
// Tiles are 256 x 256 device pixels at the current zoom, on a grid that scrolling keeps. A
// change on the board re-renders only the parts of the tiles under the changed area. After a
// zoom step the previous tiles are shown scaled until the new ones are rendered, in idle time:
// the visible ones first, then a margin of one tile around the view. The tiles stay within
// tileCacheLimit(); past it, those farthest from the view are dropped first, and the visible
// ones are kept whatever they cost. Hiding the view or giving it another scene drops them all.
//
// The cache serves while the view only scales and scrolls; a rotated or mirrored view paints as
// QGraphicsView does. The view listens to the scene's changed() signal, which makes Qt report
// every change on the scene to all its views as scene rects.
class KVGRAPHICSCORE_EXPORT KvGraphicsView : public QGraphicsView
{
    Q_OBJECT
public:
    explicit KvGraphicsView(QWidget *parent = nullptr);
    explicit KvGraphicsView(QGraphicsScene *scene, QWidget *parent = nullptr);
    ~KvGraphicsView() override;

    // Board-level items (top-level, or on a KvBoardPage) of these types are painted into the
    // tiles, with their children and in their stacking order; all other items are painted
    // above the tiles. None by default.
    void setCachedItemTypes(const QList<int> &types);
    QList<int> cachedItemTypes() const;

    // Bytes of tile images held at most: 64 MiB by default, a 1920 x 1080 view with its margin
    // twice over (the tiles of two zoom levels during a zoom step).
    void setTileCacheLimit(qint64 bytes);
    qint64 tileCacheLimit() const;
    // Bytes of tile images held now.
    qint64 tileCacheSize() const;
    // Whether every visible tile is rendered at the current zoom and up to date.
    bool isTileCacheSharp() const;
    // Drops every tile; for a subclass whose drawBackground() paints something new.
    void resetTileCache();
    // While held, the view shows its tiles as they are: changes on the board mark them but are
    // neither rendered nor repainted, until the hold ends with one repaint of what is in view.
    // For changes all over the board at once (a board arriving in parts, a file loading),
    // which would otherwise re-render the whole view for each part.
    void setTilesHeld(bool held);
    bool tilesHeld() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    friend class KvGraphicsViewPrivate;
    std::unique_ptr<KvGraphicsViewPrivate> d;
};
