#include "KvTileGrid.h"

#include "KvItemPainter.h"

#include <cmath>

namespace {

using KvItemPainter::kAntialiasMargin;

quint64 keyOf(const QPoint &tile)
{
    return (quint64(quint32(tile.x())) << 32) | quint32(tile.y());
}

QPoint tileOf(quint64 key)
{
    return QPoint(int(quint32(key >> 32)), int(quint32(key)));
}

int tileIndex(int gridPixel)
{
    return int(std::floor(double(gridPixel) / KvTileGrid::kTileSize));
}

double fraction(double value)
{
    return value - std::floor(value);
}

} // namespace

KvTileGrid::KvTileGrid(const QTransform &sceneToDevice)
    : m_scaleX(sceneToDevice.m11())
    , m_scaleY(sceneToDevice.m22())
    , m_phase(fraction(sceneToDevice.dx()), fraction(sceneToDevice.dy()))
{ }

bool KvTileGrid::isTileable(const QTransform &sceneToDevice)
{
    return sceneToDevice.type() <= QTransform::TxScale && sceneToDevice.m11() > 0.0
        && sceneToDevice.m22() > 0.0;
}

bool KvTileGrid::fits(const QTransform &sceneToDevice) const
{
    constexpr double kSamePixel = 1e-6;
    return !isNull() && qFuzzyCompare(m_scaleX, sceneToDevice.m11())
        && qFuzzyCompare(m_scaleY, sceneToDevice.m22())
        && std::abs(m_phase.x() - fraction(sceneToDevice.dx())) < kSamePixel
        && std::abs(m_phase.y() - fraction(sceneToDevice.dy())) < kSamePixel;
}

QPoint KvTileGrid::offset(const QTransform &sceneToDevice)
{
    return QPoint(int(std::floor(sceneToDevice.dx())), int(std::floor(sceneToDevice.dy())));
}

QTransform KvTileGrid::sceneToGrid() const
{
    return QTransform(m_scaleX, 0, 0, m_scaleY, m_phase.x(), m_phase.y());
}

QRect KvTileGrid::gridRect(const QRectF &sceneRect) const
{
    // Whole pixels stay within int, however far the scene reaches.
    constexpr double kFar = 1 << 29;
    const QRectF bounded
        = sceneToGrid().mapRect(sceneRect) & QRectF(-kFar, -kFar, 2 * kFar, 2 * kFar);
    return bounded.toAlignedRect().adjusted(-kAntialiasMargin, -kAntialiasMargin, kAntialiasMargin,
                                            kAntialiasMargin);
}

QRectF KvTileGrid::sceneRect(const QRect &gridRect) const
{
    return sceneToGrid().inverted().mapRect(QRectF(gridRect));
}

QRect KvTileGrid::tileRect(const QPoint &tile)
{
    return QRect(tile * kTileSize, QSize(kTileSize, kTileSize));
}

QList<QPoint> KvTileGrid::tilesIn(const QRect &gridRect)
{
    QList<QPoint> tiles;
    if (gridRect.isEmpty())
        return tiles;
    const int left = tileIndex(gridRect.left());
    const int right = tileIndex(gridRect.right());
    const int top = tileIndex(gridRect.top());
    const int bottom = tileIndex(gridRect.bottom());
    for (int row = top; row <= bottom; ++row) {
        for (int column = left; column <= right; ++column)
            tiles.append(QPoint(column, row));
    }
    return tiles;
}

KvTileGrid::Tile *KvTileGrid::find(const QPoint &tile)
{
    const auto found = m_tiles.find(keyOf(tile));
    return found == m_tiles.end() ? nullptr : &found.value();
}

const KvTileGrid::Tile *KvTileGrid::find(const QPoint &tile) const
{
    const auto found = m_tiles.constFind(keyOf(tile));
    return found == m_tiles.cend() ? nullptr : &found.value();
}

KvTileGrid::Tile &KvTileGrid::insert(const QPoint &tile, const QImage &image)
{
    Tile &entry = m_tiles[keyOf(tile)];
    entry.image = image;
    entry.damage = QRegion();
    return entry;
}

void KvTileGrid::remove(const QPoint &tile)
{
    m_tiles.remove(keyOf(tile));
}

void KvTileGrid::clear()
{
    m_tiles.clear();
}

QList<QPoint> KvTileGrid::tiles() const
{
    QList<QPoint> tiles;
    tiles.reserve(m_tiles.size());
    for (auto it = m_tiles.cbegin(); it != m_tiles.cend(); ++it)
        tiles.append(tileOf(it.key()));
    return tiles;
}

qint64 KvTileGrid::bytes() const
{
    qint64 total = 0;
    for (const Tile &tile : m_tiles)
        total += tile.image.sizeInBytes();
    return total;
}

void KvTileGrid::damage(const QRect &gridRect)
{
    // Changed rects can be far larger than the board; only the tiles held are visited.
    for (auto it = m_tiles.begin(); it != m_tiles.end(); ++it) {
        const QRect changed = gridRect & tileRect(tileOf(it.key()));
        if (!changed.isEmpty())
            it->damage += changed;
    }
}

void KvTileGrid::drop(const QRect &gridRect)
{
    for (auto it = m_tiles.begin(); it != m_tiles.end();) {
        if (gridRect.intersects(tileRect(tileOf(it.key()))))
            it = m_tiles.erase(it);
        else
            ++it;
    }
}

bool KvTileGrid::covers(const QRect &gridRect) const
{
    const qint64 columns = tileIndex(gridRect.right()) - qint64(tileIndex(gridRect.left())) + 1;
    const qint64 rows = tileIndex(gridRect.bottom()) - qint64(tileIndex(gridRect.top())) + 1;
    if (gridRect.isEmpty() || columns * rows > m_tiles.size())
        return false;
    for (const QPoint &position : tilesIn(gridRect)) {
        const Tile *tile = find(position);
        if (!tile || !tile->damage.isEmpty())
            return false;
    }
    return true;
}
