#pragma once

#include <QByteArray>
#include <QString>

// A streaming pass over an XML file before any tree is built from it. It accepts only what a
// board document can be: no document type (so no entity of ours expands), bounded nesting,
// element count, attributes and text lengths. What passes is safe to hand to QDomDocument.
class KvBoardXmlScreen
{
public:
    static bool check(const QByteArray &bytes, QString *error);
};
