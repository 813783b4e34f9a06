#pragma once

#include "KvSelectionFrame.h"
#include "kvpen_export.h"

#include <QList>

// The frame the pen core draws around a set of selected strokes groups; all its looks and
// handling are the host frame's.
class KVPEN_EXPORT KvPenSelectFrame : public KvSelectionFrame
{
    Q_OBJECT
public:
    explicit KvPenSelectFrame(QGraphicsItem *parent = nullptr);
    ~KvPenSelectFrame() override;

    QList<QGraphicsItem *> items() const;
    void setItems(const QList<QGraphicsItem *> &items);

    QStringList buttonsForFlags(QFlags<KvGraphicsFlag> flags) const override;

private:
    QList<QGraphicsItem *> m_items;
};
