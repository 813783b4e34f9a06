#pragma once

#include <QPainterPath>

#include <array>

// The shapes built last, each under the serial its owner had then. A group of ink contains its
// pieces in its shape, and for such an item Qt builds the whole shape at every query that passes
// by it (to clip a rect it then leaves unused); an eraser sweep asks the same few groups at each
// step. An owner takes a new serial whenever what its shape is made of changes, so an entry never
// outlives the shape it holds. One cache per thread, of a few shapes.
class KvShapeCache
{
public:
    static KvShapeCache &local();
    // A serial no owner has had, in any thread.
    static quint64 newSerial();

    // A path with the same elements that shares nothing with `shape`. A plain copy, once changed,
    // would continue the last subpath where a path built afresh starts a new one.
    static QPainterPath copyOf(const QPainterPath &shape);

    // The shape stored under `serial`, or null.
    const QPainterPath *find(quint64 serial);
    // Keeps a copy of `shape` in place of the entry used longest ago; a very large shape is not
    // kept.
    void store(quint64 serial, const QPainterPath &shape);

private:
    struct Entry
    {
        quint64 serial = 0;
        quint64 lastUse = 0;
        QPainterPath shape;
    };
    // An eraser sweeping 30,000 strokes finds 83 % of the shapes it asks for with 8 entries and
    // 84 % with 32: nearly every miss is a group met for the first time.
    static constexpr int kEntries = 8;
    // A shape of a group of a few hundred pieces; larger ones are rare enough to build each time.
    static constexpr int kMaxElements = 8192;

    std::array<Entry, kEntries> m_entries;
    quint64 m_uses = 0;
};
