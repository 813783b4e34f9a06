#pragma once

#include <QHash>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QTransform>

// The tiles of one zoom: the scene scaled to device pixels and cut into squares on a grid
// whose pixels fall on the viewport's pixels, so that a tile is copied to the screen as it is.
// Grid coordinates are device pixels: a scene point p lies at p * scale + phase, and the
// viewport pixel of a grid pixel is that plus a whole-pixel offset, which scrolling changes.
class KvTileGrid
{
public:
    static constexpr int kTileSize = 256;

    struct Tile
    {
        QImage image;
        // What changed on the board since it was rendered, in grid coordinates.
        QRegion damage;
    };

    KvTileGrid() = default;
    // The grid for a scene-to-device transform that only scales (by positive factors) and
    // translates.
    explicit KvTileGrid(const QTransform &sceneToDevice);

    static bool isTileable(const QTransform &sceneToDevice);
    bool isNull() const { return m_scaleX <= 0.0; }
    // Whether the transform shows the scene on this grid's pixels.
    bool fits(const QTransform &sceneToDevice) const;
    // The viewport device pixel of grid pixel (0, 0) under the transform.
    static QPoint offset(const QTransform &sceneToDevice);

    QTransform sceneToGrid() const;
    // The grid pixels that a scene rect touches, with a margin for antialiasing.
    QRect gridRect(const QRectF &sceneRect) const;
    QRectF sceneRect(const QRect &gridRect) const;

    static QRect tileRect(const QPoint &tile);
    // The tiles meeting a grid rect.
    static QList<QPoint> tilesIn(const QRect &gridRect);

    Tile *find(const QPoint &tile);
    const Tile *find(const QPoint &tile) const;
    Tile &insert(const QPoint &tile, const QImage &image);
    void remove(const QPoint &tile);
    void clear();
    bool isEmpty() const { return m_tiles.isEmpty(); }
    QList<QPoint> tiles() const;
    // Bytes held by the tile images.
    qint64 bytes() const;

    // Marks a grid rect as changed in every tile it meets.
    void damage(const QRect &gridRect);
    // Drops the tiles a grid rect meets.
    void drop(const QRect &gridRect);
    // Whether every tile meeting the grid rect is there and undamaged.
    bool covers(const QRect &gridRect) const;

private:
    double m_scaleX = 0.0;
    double m_scaleY = 0.0;
    QPointF m_phase;
    // By column and row, packed into one key.
    QHash<quint64, Tile> m_tiles;
};
