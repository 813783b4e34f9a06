#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

class QDomElement;

// Parts of a kvboard XML document: the same document holding only some of its strokes. What
// travels when strokes come back, when a board is too big for one frame, and what a merge adds.
class KvBoardFragment
{
public:
    // The uuid of one stroke element of a board, without braces; empty when it has none.
    static QString uuidOf(const QDomElement &stroke);
    // The uuids of the document's strokes, in order; empty for a bad document.
    static QStringList uuids(const QByteArray &xml);
    // The document with only the strokes whose uuid is in `keep`.
    static QByteArray subset(const QByteArray &xml, const QSet<QString> &keep);
    // The document cut into documents of about `maxBytes` at most, in order; a stroke larger
    // than that gets a document of its own. A document that fits comes back as it is.
    static QList<QByteArray> split(const QByteArray &xml, int maxBytes);
};
