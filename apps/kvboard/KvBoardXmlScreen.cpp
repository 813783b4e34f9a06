#include "KvBoardXmlScreen.h"

#include "KvBoardLimits.h"

#include <QXmlStreamReader>

namespace {

bool fail(QString *error, const QXmlStreamReader &reader, const QString &message)
{
    if (error)
        *error = QStringLiteral("not a board document (line %1, column %2: %3)")
                     .arg(reader.lineNumber())
                     .arg(reader.columnNumber())
                     .arg(message);
    return false;
}

} // namespace

bool KvBoardXmlScreen::check(const QByteArray &bytes, QString *error)
{
    using namespace KvBoardFileLimits;
    QXmlStreamReader reader(bytes);
    int depth = 0;
    qint64 elements = 0;
    const qint64 maxText = maxTextLength();
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            return fail(error, reader, QStringLiteral("document type declarations are refused"));
        case QXmlStreamReader::EntityReference:
            return fail(error, reader, QStringLiteral("entity references are refused"));
        case QXmlStreamReader::StartElement:
            if (++depth > kMaxDepth)
                return fail(error, reader,
                            QStringLiteral("elements nested deeper than %1").arg(kMaxDepth));
            if (++elements > kMaxElements)
                return fail(error, reader,
                            QStringLiteral("more than %1 elements").arg(kMaxElements));
            if (reader.attributes().size() > kMaxAttributes)
                return fail(error, reader,
                            QStringLiteral("more than %1 attributes").arg(kMaxAttributes));
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Characters:
            if (reader.text().size() > maxText)
                return fail(error, reader,
                            QStringLiteral("a text longer than %1 characters").arg(maxText));
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        return fail(error, reader, reader.errorString());
    return true;
}
