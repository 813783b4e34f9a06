#include "KvBoardDocument.h"

#include "KvPenCore.h"

#include <QDataStream>

namespace {

const QString kRootTag = QStringLiteral("kvboard");
const QString kBoardTag = QStringLiteral("board");
constexpr int kXmlVersion = 1;

constexpr quint32 kRecordsMagic = 0x4B56424B; // "KVBK"
constexpr quint16 kRecordsVersion = 1;
// A board far larger than anyone draws; a bigger count is a damaged file.
constexpr qint32 kMaxRecords = 1000000;

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
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

bool KvBoardDocument::readXml(const QByteArray &bytes, QDomDocument *document, QDomElement *board,
                              QString *error)
{
    QString message;
    int line = 0;
    int column = 0;
    if (!document->setContent(bytes, &message, &line, &column))
        return fail(
            error,
            QStringLiteral("not XML (line %1, column %2: %3)").arg(line).arg(column).arg(message));
    const QDomElement root = document->documentElement();
    if (root.tagName() != kRootTag)
        return fail(error, QStringLiteral("not a kvboard document"));
    if (root.attribute(QStringLiteral("version")) != QString::number(kXmlVersion))
        return fail(error, QStringLiteral("unknown kvboard version"));
    *board = root.firstChildElement(kBoardTag);
    if (board->isNull())
        return fail(error, QStringLiteral("no board in the document"));
    return true;
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

bool KvBoardDocument::readRecords(const QByteArray &bytes, QList<KvSaveDataItem> *records,
                                  QString *error)
{
    QDataStream stream(bytes);
    stream.setVersion(QDataStream::Qt_5_15);
    quint32 magic = 0;
    quint16 version = 0;
    qint32 count = 0;
    stream >> magic >> version >> count;
    if (stream.status() != QDataStream::Ok || magic != kRecordsMagic)
        return fail(error, QStringLiteral("not a kvboard records file"));
    if (version != kRecordsVersion)
        return fail(error, QStringLiteral("unknown records version"));
    if (count < 0 || count > kMaxRecords)
        return fail(error, QStringLiteral("damaged records file (count %1)").arg(count));
    records->clear();
    for (qint32 i = 0; i < count; ++i) {
        KvSaveDataItem record;
        qint32 type = 0;
        stream >> record.uuid >> type >> record.name >> record.data;
        if (stream.status() != QDataStream::Ok)
            return fail(error, QStringLiteral("damaged records file (record %1)").arg(i));
        record.type = type;
        records->append(record);
    }
    if (!stream.atEnd())
        return fail(error, QStringLiteral("damaged records file (trailing data)"));
    return true;
}
