#include "KvBoardDocument.h"

#include "KvBoardDomWriter.h"
#include "KvBoardLimits.h"
#include "KvBoardRecordScreen.h"
#include "KvBoardScene.h"
#include "KvBoardXmlScreen.h"
#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenCore.h"

#include <QDataStream>
#include <QDomDocument>
#include <QFile>
#include <QPointer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <zlib.h>

namespace {

const QString kRootTag = QStringLiteral("kvboard");
const QString kBoardTag = QStringLiteral("board");
constexpr int kXmlVersion = 1;
// The plug-in's names for a stroke and its pieces in both formats.
const QString kStrokeTag = QStringLiteral("strokesGroup");
const QString kPieceTag = QStringLiteral("polygonItem");
const QString kUuidTag = QStringLiteral("uuid");
const QString kPiecesKey = QStringLiteral("polygons");
const QString kStrokeRecordName = QStringLiteral("Strokes");
const QString kColorKey = QStringLiteral("color");
const QString kShapeKey = QStringLiteral("polygon");
const QString kOutlineKey = QStringLiteral("polygonfull");

constexpr quint32 kRecordsMagic = 0x4B56424B; // "KVBK"
constexpr quint16 kRecordsVersion = 1;
// A snapshot part: the records header under its own magic, then packed strokes until the end.
// A packed stroke is its record's size and its compressed size (4 bytes each, big-endian), then
// the record compressed by zlib.
constexpr quint32 kPackedMagic = 0x4B564250; // "KVBP"
constexpr int kPackedSizesBytes = 8;

// A compressor per thread, reset for each stroke: set up and taken down again for every stroke
// (a few hundred kilobytes of state), it cost a relay more than the compressing. Speed over size:
// a newcomer's board is packed as its strokes land, and read at once.
struct StrokeCompressor
{
    StrokeCompressor() { ready = deflateInit(&stream, Z_BEST_SPEED) == Z_OK; }
    ~StrokeCompressor()
    {
        if (ready)
            deflateEnd(&stream);
    }
    StrokeCompressor(const StrokeCompressor &) = delete;
    StrokeCompressor &operator=(const StrokeCompressor &) = delete;

    z_stream stream {};
    bool ready = false;
};

StrokeCompressor &strokeCompressor()
{
    thread_local StrokeCompressor compressor;
    return compressor;
}

// What a board document holds before its strokes, and after them.
QByteArray xmlHead()
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<%1 version=\"%2\">\n <%3>\n")
        .arg(kRootTag)
        .arg(kXmlVersion)
        .arg(kBoardTag)
        .toUtf8();
}

QByteArray xmlTail()
{
    return QStringLiteral(" </%1>\n</%2>\n").arg(kBoardTag, kRootTag).toUtf8();
}

// Copies the element the reader is at, whole, as text; notes how many pieces it holds and the
// text of its first <uuid>.
bool copyStroke(QXmlStreamReader &reader, QByteArray *xml, int *pieces, QString *uuid)
{
    QXmlStreamWriter writer(xml);
    writer.writeCurrentToken(reader);
    int depth = 1;
    int uuidDepth = 0;
    bool uuidRead = false;
    while (depth > 0 && !reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (depth == 2 && reader.name() == kPieceTag)
                ++*pieces;
            if (depth == 2 && reader.name() == kUuidTag && !uuidRead)
                uuidDepth = depth;
            break;
        case QXmlStreamReader::EndElement:
            if (depth == uuidDepth) {
                uuidDepth = 0;
                uuidRead = true;
            }
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (uuidDepth)
                uuid->append(reader.text());
            break;
        default:
            break;
        }
        writer.writeCurrentToken(reader);
    }
    // The reader lets some text through that is not Unicode (a lone surrogate from a declared
    // encoding); the writer cannot put it back, and the copy would not parse.
    return !writer.hasError();
}

void writeRecord(QDataStream &stream, const KvSaveDataItem &record)
{
    stream << record.uuid << qint32(record.type) << record.name << record.data;
}

bool isSoundOutline(const QPolygonF &outline)
{
    const KvBoardInkLimits limits = kvboardInkLimits();
    return outline.size() <= limits.maxPointsPerPiece
        && std::all_of(outline.cbegin(), outline.cend(), [&](const QPointF &point) {
               return std::abs(point.x()) <= limits.maxCoordinate
                   && std::abs(point.y()) <= limits.maxCoordinate;
           });
}

QList<KvGraphicsPolygonItem *> piecesOf(KvGraphicsStrokesGroup *group)
{
    QList<KvGraphicsPolygonItem *> pieces;
    for (QGraphicsItem *child : group->childItems()) {
        if (auto *piece = dynamic_cast<KvGraphicsPolygonItem *>(child))
            pieces.append(piece);
    }
    return pieces;
}

// What the plug-in's record load leaves out, put back on the stroke it made of `record` as its XML
// load does: the stroke's colour as saved (the record load gives a highlighter its alpha), and the
// outlines writeStrokeRecord put beside the pieces, one for one, in order, for as long as the
// pieces' shapes agree.
void completeStroke(KvGraphicsStrokesGroup *group, const KvSaveDataItem &record)
{
    const QVariantList entries = record.data.value(kPiecesKey).toList();
    // Records from files hold no outlines: they load as the plug-in loads them.
    if (entries.isEmpty() || !entries.first().toMap().contains(kOutlineKey))
        return;
    const QVariant color = record.data.value(kColorKey);
    if (color.userType() == QMetaType::QColor)
        group->KvItem::setColor(color.value<QColor>());
    const QList<KvGraphicsPolygonItem *> pieces = piecesOf(group);
    for (int i = 0; i < pieces.size() && i < entries.size(); ++i) {
        const QVariantMap entry = entries.at(i).toMap();
        KvGraphicsPolygonItem *piece = pieces.at(i);
        if (entry.value(kShapeKey).value<QPolygonF>() != piece->polygon())
            return;
        const QVariant outline = entry.value(kOutlineKey);
        if (outline.userType() == QMetaType::Bool && outline.toBool())
            piece->setFullPolygon(piece->polygon());
        else if (outline.userType() == QMetaType::QPolygonF
                 && isSoundOutline(outline.value<QPolygonF>()))
            piece->setFullPolygon(outline.value<QPolygonF>());
    }
}

} // namespace

const QString KvBoardDocument::kSaveName = QStringLiteral("board");

QByteArray KvBoardDocument::writeXml(const QList<KvGraphicsStrokesGroup *> &strokes)
{
    // Stroke by stroke: a large board is never held a second time as a document tree.
    QByteArray xml = xmlHead();
    for (KvGraphicsStrokesGroup *group : strokes)
        xml += writeStrokeXml(group);
    return xml + xmlTail();
}

QByteArray KvBoardDocument::writeStrokeXml(KvGraphicsStrokesGroup *group)
{
    QDomDocument document;
    QDomElement element = document.createElement(group->exportName());
    document.appendChild(element);
    group->exportItemXml(&document, &element, kSaveName);
    return KvBoardDomWriter::write(element);
}

QByteArray KvBoardDocument::writeStrokesXml(const QList<QByteArray> &strokes)
{
    QByteArray xml = xmlHead();
    int size = xml.size() + xmlTail().size();
    for (const QByteArray &stroke : strokes)
        size += stroke.size();
    xml.reserve(size);
    for (const QByteArray &stroke : strokes)
        xml += stroke;
    return xml + xmlTail();
}

QByteArray KvBoardDocument::writeRecords(KvPenCore *core)
{
    QList<KvSaveDataItem> records;
    core->exportScene(records, kSaveName);
    QByteArray bytes = recordsHeader(records.size(), kRecordsMagic);
    QDataStream stream(&bytes, QIODevice::Append);
    stream.setVersion(QDataStream::Qt_5_15);
    for (const KvSaveDataItem &record : records)
        writeRecord(stream, record);
    return bytes;
}

QByteArray KvBoardDocument::writeStrokeRecord(KvGraphicsStrokesGroup *group)
{
    QVariantMap data = group->exportItem();
    QVariantList entries = data.value(kPiecesKey).toList();
    const QList<KvGraphicsPolygonItem *> pieces = piecesOf(group);
    for (int i = 0; i < entries.size() && i < pieces.size(); ++i) {
        QVariantMap entry = entries.at(i).toMap();
        const QPolygonF outline = pieces.at(i)->fullPolygon();
        entry.insert(kOutlineKey,
                     outline == pieces.at(i)->polygon() ? QVariant(true) : QVariant(outline));
        entries[i] = entry;
    }
    data.insert(kPiecesKey, entries);
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_15);
    writeRecord(stream,
                {group->uuid().toString(QUuid::WithoutBraces), KvGraphicsStrokesGroup::Type,
                 kStrokeRecordName, data});
    return bytes;
}

QByteArray KvBoardDocument::packStroke(const QByteArray &record)
{
    StrokeCompressor &compressor = strokeCompressor();
    z_stream &stream = compressor.stream;
    if (!compressor.ready || deflateReset(&stream) != Z_OK) {
        qWarning("kvboard: a stroke could not be packed (out of memory)");
        return {};
    }
    const uLong packedBound = deflateBound(&stream, uLong(record.size()));
    QByteArray packed(kPackedSizesBytes + int(packedBound), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(record.constData()));
    stream.avail_in = uInt(record.size());
    stream.next_out = reinterpret_cast<Bytef *>(packed.data() + kPackedSizesBytes);
    stream.avail_out = uInt(packedBound);
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END) {
        qWarning("kvboard: a stroke could not be packed");
        return {};
    }
    qToBigEndian<quint32>(quint32(record.size()), packed.data());
    qToBigEndian<quint32>(quint32(stream.total_out), packed.data() + 4);
    packed.truncate(kPackedSizesBytes + int(stream.total_out));
    return packed;
}

void KvBoardDocument::packRecords(
    const QList<QByteArray> &packed, int maxBytes,
    const std::function<void(const QByteArray &part, bool last)> &take)
{
    QList<QByteArray> packedStrokes;
    std::copy_if(packed.begin(), packed.end(), std::back_inserter(packedStrokes),
                 [](const QByteArray &stroke) { return !stroke.isEmpty(); });
    const int header = recordsHeader(0, kPackedMagic).size();
    int first = 0;
    do {
        int end = first;
        int size = header;
        while (end < packedStrokes.size()
               && (end == first || size + packedStrokes.at(end).size() <= maxBytes))
            size += packedStrokes.at(end++).size();
        QByteArray part = recordsHeader(end - first, kPackedMagic);
        part.reserve(size);
        for (int i = first; i < end; ++i)
            part += packedStrokes.at(i);
        take(part, end == packedStrokes.size());
        first = end;
    } while (first < packedStrokes.size());
}

KvBoardDocument::Format KvBoardDocument::formatOf(const QString &path)
{
    return path.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive) ? Xml : Records;
}

KvBoardDocument KvBoardDocument::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(file.errorString());
    if (file.size() > KvBoardFileLimits::kMaxFileBytes)
        return failed(QStringLiteral("larger than %1 MB")
                          .arg(KvBoardFileLimits::kMaxFileBytes / (1024 * 1024)));
    const QByteArray bytes = file.readAll();
    return formatOf(path) == Xml ? fromXml(bytes) : fromRecords(bytes);
}

KvBoardDocument KvBoardDocument::fromXml(const QByteArray &bytes)
{
    QString error;
    if (bytes.size() > KvBoardFileLimits::kMaxFileBytes)
        return failed(QStringLiteral("too large"));
    if (!KvBoardXmlScreen::check(bytes, &error))
        return failed(error);
    KvBoardDocument result;
    if (!result.readXmlStrokes(bytes, &error))
        return failed(error);
    result.m_format = Xml;
    result.checkSize();
    return result;
}

// Each stroke is kept as the text of its element, one after the other, and becomes a document
// tree only while it goes onto a board: a whole file as one tree takes several times its size.
bool KvBoardDocument::readXmlStrokes(const QByteArray &bytes, QString *error)
{
    QXmlStreamReader reader(bytes);
    // Names as written, prefix and all, as a document tree reads them.
    reader.setNamespaceProcessing(false);
    if (!reader.readNextStartElement() || reader.name() != kRootTag) {
        *error = QStringLiteral("not a kvboard document");
        return false;
    }
    if (reader.attributes().value(QStringLiteral("version")) != QString::number(kXmlVersion)) {
        *error = QStringLiteral("unknown kvboard version");
        return false;
    }
    while (reader.readNextStartElement() && reader.name() != kBoardTag)
        reader.skipCurrentElement();
    if (reader.name() != kBoardTag || !reader.isStartElement()) {
        *error = QStringLiteral("no board in the document");
        return false;
    }
    while (reader.readNextStartElement()) {
        if (reader.name() != kStrokeTag) {
            reader.skipCurrentElement();
            continue;
        }
        int pieces = 0;
        QString uuid;
        QByteArray xml;
        if (!copyStroke(reader, &xml, &pieces, &uuid)) {
            *error = QStringLiteral("stroke %1 holds text that is not Unicode")
                         .arg(m_strokeXml.size() + 1);
            return false;
        }
        m_strokeXml.append(xml);
        const QUuid parsed(uuid.trimmed());
        m_strokeUuids.append(parsed.isNull() ? QString() : parsed.toString(QUuid::WithoutBraces));
        m_piecesAsked.append(pieces);
    }
    return true;
}

KvBoardDocument KvBoardDocument::fromRecords(const QByteArray &bytes)
{
    if (bytes.size() > KvBoardFileLimits::kMaxFileBytes)
        return failed(QStringLiteral("too large"));
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_5_15);
    quint32 magic = 0;
    quint16 version = 0;
    qint32 count = 0;
    stream >> magic >> version >> count;
    if (stream.status() != QDataStream::Ok || magic != kRecordsMagic)
        return failed(QStringLiteral("not a kvboard records file"));
    if (version != kRecordsVersion)
        return failed(QStringLiteral("unknown records version"));
    if (count < 0 || count > KvBoardFileLimits::kMaxStrokes)
        return failed(QStringLiteral("damaged records file (count %1)").arg(count));
    const qint64 header = stream.device()->pos();
    QString error;
    if (!KvBoardRecordScreen::check(bytes, header, count, &error))
        return failed(error);

    KvBoardDocument result;
    result.m_format = Records;
    for (qint32 i = 0; i < count; ++i) {
        KvSaveDataItem record;
        qint32 type = 0;
        stream >> record.uuid >> type >> record.name >> record.data;
        if (stream.status() != QDataStream::Ok)
            return failed(QStringLiteral("damaged records file (record %1)").arg(i));
        record.type = type;
        // The plug-in loads stroke records only; other kinds are no ink.
        if (type != KvGraphicsStrokesGroup::Type)
            continue;
        result.m_piecesAsked.append(record.data.value(kPiecesKey).toList().size());
        result.m_records.append(record);
    }
    result.checkSize();
    return result;
}

KvBoardDocument KvBoardDocument::fromPackedRecords(const QByteArray &part)
{
    QString error;
    const QByteArray records = unpackPart(part, &error);
    return error.isEmpty() ? fromRecords(records) : failed(error);
}

QByteArray KvBoardDocument::recordsFromPacked(const QList<QByteArray> &packed)
{
    QByteArray whole;
    packRecords(packed, std::numeric_limits<int>::max(),
                [&whole](const QByteArray &part, bool) { whole = part; });
    QString error;
    const QByteArray records = unpackPart(whole, &error);
    if (!error.isEmpty())
        qWarning("kvboard: packed strokes could not be unpacked: %s", qPrintable(error));
    return records;
}

// A part's records under the records' magic, or an error (and nothing) when the part is not
// sound or unpacks beyond the limit on a records file.
QByteArray KvBoardDocument::unpackPart(const QByteArray &part, QString *error)
{
    const int header = recordsHeader(0, kPackedMagic).size();
    if (part.size() < header || qFromBigEndian<quint32>(part.constData()) != kPackedMagic) {
        *error = QStringLiteral("not a snapshot part");
        return {};
    }
    // The sizes first: nothing is unpacked unless the whole part is sound and within the limit.
    QList<QPair<int, int>> strokes; // where each packed stroke is, and its record's size
    qint64 unpackedSize = header;
    for (int at = header; at < part.size();) {
        if (part.size() - at < kPackedSizesBytes) {
            *error = QStringLiteral("damaged snapshot part");
            return {};
        }
        const quint32 size = qFromBigEndian<quint32>(part.constData() + at);
        const quint32 packedSize = qFromBigEndian<quint32>(part.constData() + at + 4);
        if (packedSize > quint32(part.size() - at - kPackedSizesBytes)) {
            *error = QStringLiteral("damaged snapshot part");
            return {};
        }
        unpackedSize += size;
        if (unpackedSize > KvBoardFileLimits::kMaxFileBytes) {
            *error = QStringLiteral("too large");
            return {};
        }
        strokes.append({at, int(size)});
        at += kPackedSizesBytes + int(packedSize);
    }
    // The part's header, under the records' magic, then the records.
    QByteArray records(int(unpackedSize), Qt::Uninitialized);
    std::copy_n(part.constData(), header, records.data());
    qToBigEndian<quint32>(kRecordsMagic, records.data());
    int to = header;
    for (const auto &[at, size] : qAsConst(strokes)) {
        uLongf unpacked = uLongf(size);
        const int status
            = uncompress(reinterpret_cast<Bytef *>(records.data() + to), &unpacked,
                         reinterpret_cast<const Bytef *>(part.constData() + at + kPackedSizesBytes),
                         qFromBigEndian<quint32>(part.constData() + at + 4));
        if (status != Z_OK || unpacked != uLongf(size)) {
            *error = QStringLiteral("damaged snapshot part");
            return {};
        }
        to += size;
    }
    return records;
}

bool KvBoardDocument::isValid() const
{
    return m_error.isEmpty();
}

QString KvBoardDocument::error() const
{
    return m_error;
}

int KvBoardDocument::strokeCount() const
{
    return m_piecesAsked.size();
}

QStringList KvBoardDocument::uuids() const
{
    QStringList list;
    for (const KvSaveDataItem &record : m_records) {
        const QUuid uuid = QUuid::fromString(record.uuid);
        list.append(uuid.isNull() ? QString() : uuid.toString(QUuid::WithoutBraces));
    }
    return list + m_strokeUuids;
}

void KvBoardDocument::keepStrokes(const QSet<QString> &uuids)
{
    const QStringList listed = this->uuids();
    for (int i = listed.size() - 1; i >= 0; --i) {
        if (uuids.contains(listed.at(i)))
            continue;
        m_piecesAsked.removeAt(i);
        if (m_format == Records)
            m_records.removeAt(i);
        else {
            m_strokeXml.removeAt(i);
            m_strokeUuids.removeAt(i);
        }
    }
}

QList<int> KvBoardDocument::piecesAsked() const
{
    return m_piecesAsked;
}

void KvBoardDocument::importStrokes(KvPenCore *core, int first, int count)
{
    if (!isValid())
        return;
    if (m_format == Records) {
        const QList<KvSaveDataItem> records = m_records.mid(first, count);
        // Each record becomes a stroke on the board, in order.
        QList<QPointer<KvGraphicsStrokesGroup>> added;
        const QMetaObject::Connection noting = QObject::connect(
            qobject_cast<KvBoardScene *>(core->scene()), &KvBoardScene::strokeAdded,
            [&](KvGraphicsStrokesGroup *group) { added.append(group); });
        core->importScene(records, kSaveName);
        QObject::disconnect(noting);
        for (int i = 0; i < records.size() && i < added.size(); ++i) {
            if (added.at(i) && added.at(i)->uuid() == QUuid::fromString(records.at(i).uuid))
                completeStroke(added.at(i), records.at(i));
        }
        return;
    }
    QByteArray xml = '<' + kBoardTag.toUtf8() + '>';
    for (int i = first; i < first + count && i < m_strokeXml.size(); ++i) {
        xml += m_strokeXml.at(i);
        m_strokeXml[i].clear();
    }
    xml += "</" + kBoardTag.toUtf8() + '>';
    // Read by the reader that screened and copied the strokes: Qt's older DOM parser refuses
    // some names this one accepts (a replacement character from a declared encoding), and
    // would drop the whole batch.
    QXmlStreamReader reader(xml);
    QDomDocument document;
    QString error;
    if (!document.setContent(&reader, false, &error))
        qDebug("kvboard: strokes %d to %d could not be read back: %s", first + 1,
               int(qMin<qint64>(qint64(first) + count, m_strokeXml.size())), qPrintable(error));
    QDomElement batch = document.documentElement();
    core->importSceneXml(&document, &batch, kSaveName);
}

QByteArray KvBoardDocument::recordsHeader(int count, quint32 magic)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << magic << kRecordsVersion << qint32(count);
    return bytes;
}

KvBoardDocument KvBoardDocument::failed(const QString &error)
{
    KvBoardDocument result;
    result.m_error = error;
    return result;
}

// Pieces are what a board's memory grows with; a file asking for more is refused whole.
bool KvBoardDocument::checkSize()
{
    qint64 pieces = 0;
    for (int asked : qAsConst(m_piecesAsked))
        pieces += asked;
    if (m_piecesAsked.size() > KvBoardFileLimits::kMaxStrokes)
        m_error = QStringLiteral("more than %1 strokes").arg(KvBoardFileLimits::kMaxStrokes);
    else if (pieces > KvBoardFileLimits::kMaxPieces)
        m_error = QStringLiteral("more than %1 pieces").arg(KvBoardFileLimits::kMaxPieces);
    else
        return true;
    m_records.clear();
    m_strokeXml.clear();
    m_strokeUuids.clear();
    return false;
}
