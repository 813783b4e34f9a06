#include "KvBoardFragment.h"

#include "KvBoardDomWriter.h"

#include <QDomDocument>
#include <QUuid>

namespace {

// The board element of a kvboard document (<kvboard><board>…), or false. The document's own
// declaration goes: parts are written with a plain one, whatever the sender wrote.
bool readBoard(const QByteArray &xml, QDomDocument *document, QDomElement *board)
{
    if (!document->setContent(xml))
        return false;
    for (QDomNode node = document->firstChild(); !node.isNull();) {
        const QDomNode next = node.nextSibling();
        if (node.isProcessingInstruction())
            document->removeChild(node);
        node = next;
    }
    document->insertBefore(
        document->createProcessingInstruction(QStringLiteral("xml"),
                                              QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")),
        document->firstChild());
    *board = document->documentElement().firstChildElement(QStringLiteral("board"));
    return document->documentElement().tagName() == QLatin1String("kvboard") && !board->isNull();
}

// Takes the strokes out of `board`, leaving the document around them.
QList<QDomElement> takeStrokes(QDomElement &board)
{
    QList<QDomElement> strokes;
    while (!board.firstChildElement().isNull())
        strokes.append(board.removeChild(board.firstChildElement()).toElement());
    return strokes;
}

} // namespace

QString KvBoardFragment::uuidOf(const QDomElement &stroke)
{
    const QUuid uuid(stroke.firstChildElement(QStringLiteral("uuid")).text().trimmed());
    return uuid.isNull() ? QString() : uuid.toString(QUuid::WithoutBraces);
}

QStringList KvBoardFragment::uuids(const QByteArray &xml)
{
    QDomDocument document;
    QDomElement board;
    QStringList list;
    if (!readBoard(xml, &document, &board))
        return list;
    for (QDomElement stroke = board.firstChildElement(); !stroke.isNull();
         stroke = stroke.nextSiblingElement())
        list.append(uuidOf(stroke));
    return list;
}

QByteArray KvBoardFragment::subset(const QByteArray &xml, const QSet<QString> &keep)
{
    QDomDocument document;
    QDomElement board;
    if (!readBoard(xml, &document, &board))
        return {};
    for (const QDomElement &stroke : takeStrokes(board)) {
        if (keep.contains(uuidOf(stroke)))
            board.appendChild(stroke);
    }
    return document.toByteArray(1);
}

QList<QByteArray> KvBoardFragment::split(const QByteArray &xml, int maxBytes)
{
    if (xml.size() <= maxBytes)
        return {xml};
    QDomDocument document;
    QDomElement board;
    if (!readBoard(xml, &document, &board))
        return {};
    const QList<QDomElement> strokes = takeStrokes(board);
    const int frame = document.toByteArray(1).size();
    QList<QByteArray> parts;
    int size = frame;
    for (const QDomElement &stroke : strokes) {
        const int strokeSize = KvBoardDomWriter::write(stroke).size();
        if (board.hasChildNodes() && size + strokeSize > maxBytes) {
            parts.append(document.toByteArray(1));
            takeStrokes(board);
            size = frame;
        }
        board.appendChild(stroke);
        size += strokeSize;
    }
    parts.append(document.toByteArray(1));
    return parts;
}
