#pragma once

#include "KvSaveDataItem.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QStringList>

#include <functional>

class KvGraphicsStrokesGroup;
class KvPenCore;

// The demo host's two file formats. XML: a <kvboard version="1"> document whose <board>
// element holds what the plug-in exports. Save records: a small binary file (QDataStream)
// holding the plug-in's records. A document read from either is checked whole before anything
// is decoded (see KvBoardXmlScreen and KvBoardRecordScreen) and holds the strokes to put on a
// board. Reading touches no board and may run on any thread.
class KvBoardDocument
{
public:
    enum Format { Xml, Records };

    static QByteArray writeXml(const QList<KvGraphicsStrokesGroup *> &strokes);
    // One stroke as writeXml writes it, and a board document of strokes so written: a document
    // put together from strokes written before, each once.
    static QByteArray writeStrokeXml(KvGraphicsStrokesGroup *group);
    static QByteArray writeStrokesXml(const QList<QByteArray> &strokes);
    static QByteArray writeRecords(KvPenCore *core);
    // One stroke's save record as writeRecords writes it, with what the record leaves out: each
    // piece's map also holds the piece's full outline under "polygonfull", or true where that is
    // the piece's own shape. Importing such records puts the outlines back.
    static QByteArray writeStrokeRecord(KvGraphicsStrokesGroup *group);
    // A stroke's record (writeStrokeRecord) compressed for the wire, once per stroke; empty if
    // zlib had no memory for it.
    static QByteArray packStroke(const QByteArray &record);
    // Packed strokes (packStroke) as parts of about `maxBytes` at most, in order, empty ones
    // left out; a stroke larger than that gets a part of its own. Each part goes to `take` as
    // soon as it is made, with whether it is the last. fromPackedRecords reads a part.
    static void packRecords(const QList<QByteArray> &packed, int maxBytes,
                            const std::function<void(const QByteArray &part, bool last)> &take);

    // By suffix: ".xml" is the XML document, anything else save records.
    static Format formatOf(const QString &path);
    static KvBoardDocument read(const QString &path);
    static KvBoardDocument fromXml(const QByteArray &bytes);
    static KvBoardDocument fromRecords(const QByteArray &bytes);
    // A part made by packRecords: its strokes, unpacked within the limit on a records file, read
    // as fromRecords reads them.
    static KvBoardDocument fromPackedRecords(const QByteArray &part);
    // A records file of packed strokes, none of them empty, in order: what writeRecords writes,
    // with the outlines writeStrokeRecord adds. Made from strokes packed before, it takes no
    // board and can be put together on any thread.
    static QByteArray recordsFromPacked(const QList<QByteArray> &packed);

    bool isValid() const;
    QString error() const;
    int strokeCount() const;
    // The strokes' uuids, without braces, in order; empty for one without a readable uuid.
    QStringList uuids() const;
    // Leaves only the strokes whose uuid is in `uuids`.
    void keepStrokes(const QSet<QString> &uuids);
    // How many pieces the file gives each stroke, in the order the strokes join the board.
    QList<int> piecesAsked() const;
    // Hands strokes [first, first + count) to the plug-in, which puts them on its board. XML
    // strokes leave the document as they go.
    void importStrokes(KvPenCore *core, int first, int count);

    // The plug-in's name for what the host saves; unused by the pen's own formats.
    static const QString kSaveName;

private:
    static KvBoardDocument failed(const QString &error);
    static QByteArray recordsHeader(int count, quint32 magic);
    static QByteArray unpackPart(const QByteArray &part, QString *error);
    bool checkSize();
    bool readXmlStrokes(const QByteArray &bytes, QString *error);

    Format m_format = Xml;
    QString m_error;
    QList<int> m_piecesAsked;
    QList<KvSaveDataItem> m_records;
    QList<QByteArray> m_strokeXml;
    QStringList m_strokeUuids;
};
