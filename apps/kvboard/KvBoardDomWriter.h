#pragma once

#include <QByteArray>

class QDomElement;

// An element written out as UTF-8 exactly as QDomNode::save writes it to a UTF-8 stream at
// depth one with an indent of one, without Qt's per-character check against the stream's codec
// (most of the time a large save spent). Elements of elements, of one text or of nothing are
// written here; anything else (mixed content, CDATA, comments, namespaces) goes through Qt.
class KvBoardDomWriter
{
public:
    static QByteArray write(const QDomElement &element);
};
