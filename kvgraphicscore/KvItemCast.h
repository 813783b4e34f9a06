#pragma once

#include <QGraphicsItem>
#include <QVarLengthArray>

#include <cstddef>
#include <typeinfo>

// dynamic_cast from a graphics item to an interface its class may also derive from (KvItem,
// KvGraphicsItem), the interface's place in the object found once per class. Such a cross-cast
// walks the class hierarchy and compares type names across libraries, and a board makes one
// for every item it places, restacks or lists: on a busy board that walk outweighed the
// board's own work. Within objects of one class the interface always sits at the same offset.
template<typename Interface> Interface *kvCrossCast(QGraphicsItem *item)
{
    if (!item)
        return nullptr;
    struct Known
    {
        const std::type_info *type;
        bool derives;
        std::ptrdiff_t offset; // may be negative: the interface may come first among the bases
    };
    // Per thread, so that boards of separate threads never share it; a handful of classes.
    thread_local QVarLengthArray<Known, 8> known;
    const std::type_info *const type = &typeid(*item);
    char *const base = reinterpret_cast<char *>(item);
    for (const Known &entry : known) {
        if (entry.type == type)
            return entry.derives ? reinterpret_cast<Interface *>(base + entry.offset) : nullptr;
    }
    auto *const found = dynamic_cast<Interface *>(item);
    known.append({type, found != nullptr, found ? reinterpret_cast<char *>(found) - base : 0});
    return found;
}

template<typename Interface> const Interface *kvCrossCast(const QGraphicsItem *item)
{
    return kvCrossCast<Interface>(const_cast<QGraphicsItem *>(item));
}
