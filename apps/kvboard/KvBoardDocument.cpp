#include "KvBoardDocument.h"

#include "KvBoardLimits.h"
#include "KvBoardRecordScreen.h"
#include "KvBoardXmlScreen.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenCore.h"

#include <QDataStream>
#include <QFile>
#include <QTextStream>

namespace {

const QString kRootTag = QStringLiteral("kvboard");
const QString kBoardTag = QStringLiteral("board");
constexpr int kXmlVersion = 1;
// The plug-in's names for a stroke and its pieces in both formats.
const QString kStrokeTag = QStringLiteral("strokesGroup");
const QString kPieceTag = QStringLiteral("polygonItem");
const QString kPiecesKey = QStringLiteral("polygons");

constexpr quint32 kRecordsMagic = 0x4B56424B; // "KVBK"
constexpr quint16 kRecordsVersion = 1;

int childCount(const QDomElement &element, const QString &tag)
{
    int count = 0;
    for (QDomElement child = element.firstChildElement(tag); !child.isNull();
         child = child.nextSiblingElement(tag))
        ++count;
    return count;
}

} // namespace

const QString KvBoardDocument::kSaveName = QStringLiteral("board");

QByteArray KvBoardDocument::writeXml(KvPenCore *core)
{
    QDomDocument document;
    document.appendChild(document.createProcessingInstruction(
        QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement root = document.createElement(kRootTag);
    root.setAttribute(QStringLiteral("version"), kXmlVersion);
    document.appendChild(root);
    QDomElement board = document.createElement(kBoardTag);
    root.appendChild(board);
    core->exportSceneXml(&document, &board, kSaveName);
    return document.toByteArray(1);
}

QByteArray KvBoardDocument::writeStrokeXml(KvGraphicsStrokesGroup *group)
{
    QDomDocument document;
    QDomElement element = document.createElement(group->exportName());
    document.appendChild(element);
    group->exportItemXml(&document, &element, kSaveName);
    QString text;
    QTextStream stream(&text);
    element.save(stream, 1);
    return text.toUtf8();
}

QByteArray KvBoardDocument::writeStrokesXml(const QList<QByteArray> &strokes)
{
    QByteArray xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                    "<%1 version=\"%2\">\n <%3>\n")
                         .arg(kRootTag)
                         .arg(kXmlVersion)
                         .arg(kBoardTag)
                         .toUtf8();
    for (const QByteArray &stroke : strokes)
        xml += stroke;
    return xml + QStringLiteral(" </%1>\n</%2>\n").arg(kBoardTag, kRootTag).toUtf8();
}

QByteArray KvBoardDocument::writeRecords(KvPenCore *core)
{
    QList<KvSaveDataItem> records;
    core->exportScene(records, kSaveName);
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << kRecordsMagic << kRecordsVersion << qint32(records.size());
    for (const KvSaveDataItem &record : records)
        stream << record.uuid << qint32(record.type) << record.name << record.data;
    return bytes;
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
    int line = 0;
    int column = 0;
    if (!result.m_document.setContent(bytes, &error, &line, &column))
        return failed(
            QStringLiteral("not XML (line %1, column %2: %3)").arg(line).arg(column).arg(error));
    const QDomElement root = result.m_document.documentElement();
    if (root.tagName() != kRootTag)
        return failed(QStringLiteral("not a kvboard document"));
    if (root.attribute(QStringLiteral("version")) != QString::number(kXmlVersion))
        return failed(QStringLiteral("unknown kvboard version"));
    const QDomElement board = root.firstChildElement(kBoardTag);
    if (board.isNull())
        return failed(QStringLiteral("no board in the document"));
    for (QDomElement stroke = board.firstChildElement(kStrokeTag); !stroke.isNull();
         stroke = stroke.nextSiblingElement(kStrokeTag)) {
        result.m_strokes.append(stroke);
        result.m_piecesAsked.append(childCount(stroke, kPieceTag));
    }
    result.m_format = Xml;
    result.checkSize();
    return result;
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
    if (!KvBoardRecordScreen::check(bytes.mid(int(header)), count, &error))
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

QList<int> KvBoardDocument::piecesAsked() const
{
    return m_piecesAsked;
}

void KvBoardDocument::importStrokes(KvPenCore *core, int first, int count)
{
    if (!isValid())
        return;
    if (m_format == Records) {
        core->importScene(m_records.mid(first, count), kSaveName);
        return;
    }
    QDomElement batch = m_document.createElement(kBoardTag);
    for (const QDomElement &stroke : m_strokes.mid(first, count))
        batch.appendChild(stroke);
    core->importSceneXml(&m_document, &batch, kSaveName);
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
    m_strokes.clear();
    m_document.clear();
    return false;
}
