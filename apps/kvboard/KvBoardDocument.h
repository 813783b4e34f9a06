#pragma once

#include "KvSaveDataItem.h"

#include <QByteArray>
#include <QDomDocument>
#include <QList>

class KvPenCore;

// The demo host's two file formats. XML: a <kvboard version="1"> document whose <board>
// element holds what the plug-in exports. Save records: a small binary file (QDataStream)
// holding the plug-in's records. Readers check everything before the board is touched.
class KvBoardDocument
{
public:
    static QByteArray writeXml(KvPenCore *core);
    // On success `document` holds the file and `board` its board element.
    static bool readXml(const QByteArray &bytes, QDomDocument *document, QDomElement *board,
                        QString *error);

    static QByteArray writeRecords(KvPenCore *core);
    static bool readRecords(const QByteArray &bytes, QList<KvSaveDataItem> *records,
                            QString *error);

    // The plug-in's name for what the host saves; unused by the pen's own formats.
    static const QString kSaveName;
};
