#pragma once

#include "KvSaveDataItem.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class KvCoreGraphicsScene;
class QDomDocument;
class QDomElement;

// The drawing engine of one participant on one board.
class KvPenObject : public QObject
{
    Q_OBJECT
public:
    explicit KvPenObject(QObject *parent = nullptr);
    ~KvPenObject() override;

    KvCoreGraphicsScene *scene() const;
    void setScene(KvCoreGraphicsScene *scene);

    // Saving and loading walk the board's strokes groups; without a KvGraphicsScene they do
    // nothing. `name` is passed through to the groups.
    void exportScene(QList<KvSaveDataItem> &records, const QString &name);
    void importScene(const QList<KvSaveDataItem> &records, const QString &name);
    void exportSceneXml(QDomDocument *document, QDomElement *parent, const QString &name);
    void importSceneXml(QDomDocument *document, QDomElement *parent, const QString &name);
    // The input points of every group, top-most first; export only.
    void exportOriginalPointInfoXml(QDomDocument *document, QDomElement *parent,
                                    const QString &name);

private:
    QPointer<KvCoreGraphicsScene> m_scene;
};
