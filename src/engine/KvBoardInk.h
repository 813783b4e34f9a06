#pragma once

#include "KvSaveDataItem.h"

#include <QList>

class KvCoreGraphicsScene;
class QDomDocument;
class QDomElement;

// Saving and loading the strokes groups of a board. The walks need the host's board
// (KvGraphicsScene); on any other scene they do nothing.
namespace KvBoardInk {

void exportRecords(KvCoreGraphicsScene *scene, QList<KvSaveDataItem> &records);
void importRecords(KvCoreGraphicsScene *scene, const QList<KvSaveDataItem> &records);
void exportXml(KvCoreGraphicsScene *scene, QDomDocument *document, QDomElement *parent,
               const QString &name);
void importXml(KvCoreGraphicsScene *scene, QDomDocument *document, QDomElement *parent,
               const QString &name);
// The input points of every group, top-most first; export only.
void exportPointInfoXml(KvCoreGraphicsScene *scene, QDomDocument *document, QDomElement *parent,
                        const QString &name);

} // namespace KvBoardInk
