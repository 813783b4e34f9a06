#include "KvBoardRecordScreen.h"

#include "KvBoardLimits.h"

#include <QColor>
#include <QMetaType>

namespace {

// Sizes in the stream as Qt 5.15 writes them.
constexpr int kColorTail = 10; // alpha, red, green, blue and padding after the model byte
constexpr int kTransformBytes = 9 * 8;
constexpr int kPointBytes = 2 * 8;
constexpr int kVariantHeader = 4 + 1; // type and null flag

} // namespace

KvBoardRecordScreen::KvBoardRecordScreen(const QByteArray &bytes)
    : m_stream(bytes)
    , m_size(bytes.size())
{
    m_stream.setVersion(QDataStream::Qt_5_15);
}

bool KvBoardRecordScreen::check(const QByteArray &bytes, qint64 first, int records, QString *error)
{
    KvBoardRecordScreen screen(bytes);
    screen.m_stream.skipRawData(int(first));
    for (int i = 0; i < records; ++i) {
        if (!screen.record()) {
            if (error)
                *error = QStringLiteral("damaged records file (record %1: %2)")
                             .arg(i)
                             .arg(screen.m_problem.isEmpty() ? QStringLiteral("cut short")
                                                             : screen.m_problem);
            return false;
        }
    }
    if (!screen.m_stream.atEnd()) {
        if (error)
            *error = QStringLiteral("damaged records file (trailing data)");
        return false;
    }
    return true;
}

// uuid, type, name and data.
bool KvBoardRecordScreen::record()
{
    return string() && skip(4) && string() && map(1);
}

bool KvBoardRecordScreen::ok() const
{
    return m_stream.status() == QDataStream::Ok;
}

qint64 KvBoardRecordScreen::left() const
{
    return m_size - m_stream.device()->pos();
}

bool KvBoardRecordScreen::skip(qint64 bytes)
{
    return bytes <= left() && m_stream.skipRawData(int(bytes)) == int(bytes);
}

bool KvBoardRecordScreen::count(quint32 *n, qint64 leastBytesEach)
{
    m_stream >> *n;
    if (!ok())
        return false;
    if (qint64(*n) * leastBytesEach > left()) {
        m_problem = QStringLiteral("a count of %1 beyond the file's end").arg(*n);
        return false;
    }
    return true;
}

bool KvBoardRecordScreen::string()
{
    quint32 bytes = 0;
    m_stream >> bytes;
    // 0xffffffff is the null string.
    return ok() && (bytes == 0xffffffff || (bytes % 2 == 0 && skip(bytes)));
}

bool KvBoardRecordScreen::map(int depth)
{
    quint32 n = 0;
    if (!count(&n, 4 + kVariantHeader))
        return false;
    for (quint32 i = 0; i < n; ++i) {
        if (!string() || !variant(depth))
            return false;
    }
    return true;
}

bool KvBoardRecordScreen::list(int depth)
{
    quint32 n = 0;
    if (!count(&n, kVariantHeader))
        return false;
    for (quint32 i = 0; i < n; ++i) {
        if (!variant(depth))
            return false;
    }
    return true;
}

// Qt keeps the model byte as it comes, and a colour of an unknown model is undefined.
bool KvBoardRecordScreen::color()
{
    qint8 model = 0;
    m_stream >> model;
    if (!ok() || model < QColor::Invalid || model > QColor::ExtendedRgb) {
        m_problem = QStringLiteral("a colour of unknown model");
        return false;
    }
    return skip(kColorTail);
}

bool KvBoardRecordScreen::brush()
{
    quint8 style = 0;
    m_stream >> style;
    // Plain styles only: ink is never a texture or a gradient.
    if (!ok() || style > Qt::DiagCrossPattern) {
        m_problem = QStringLiteral("a texture or gradient brush");
        return false;
    }
    return color() && skip(kTransformBytes);
}

// Style flags, the cosmetic flag and the width; brush; miter limit; dashes; dash offset and
// the default-width flag.
bool KvBoardRecordScreen::pen()
{
    quint32 dashes = 0;
    return skip(2 + 1 + 8) && brush() && skip(8) && count(&dashes, 8) && skip(qint64(dashes) * 8)
        && skip(8 + 1);
}

bool KvBoardRecordScreen::variant(int depth)
{
    using namespace KvBoardFileLimits;
    if (++m_values > kMaxValues) {
        m_problem = QStringLiteral("more than %1 values").arg(kMaxValues);
        return false;
    }
    quint32 type = 0;
    m_stream >> type;
    if (!ok() || !skip(1))
        return false;
    const bool nests = type == QMetaType::QVariantMap || type == QMetaType::QVariantList;
    if (nests && depth >= kMaxDepth) {
        m_problem = QStringLiteral("values nested deeper than %1").arg(kMaxDepth);
        return false;
    }
    quint32 n = 0;
    switch (type) {
    case QMetaType::Bool:
        return skip(1);
    case QMetaType::Int:
    case QMetaType::UInt:
        return skip(4);
    case QMetaType::Double:
    case QMetaType::LongLong:
        return skip(8);
    case QMetaType::QString:
        return string();
    case QMetaType::QVariantMap:
        return map(depth + 1);
    case QMetaType::QVariantList:
        return list(depth + 1);
    case QMetaType::QColor:
        return color();
    case QMetaType::QPointF:
        return skip(kPointBytes);
    case QMetaType::QPolygonF:
        return count(&n, kPointBytes) && skip(qint64(n) * kPointBytes);
    case QMetaType::QTransform:
        return skip(kTransformBytes);
    case QMetaType::QBrush:
        return brush();
    case QMetaType::QPen:
        return pen();
    default:
        m_problem = QStringLiteral("a value of type %1").arg(type);
        return false;
    }
}
