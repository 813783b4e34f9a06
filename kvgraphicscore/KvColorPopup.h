#pragma once

// setDefalutColor is spelt as hosts know it.

#include "kvgraphicscore_export.h"

#include <QColor>
#include <QWidget>

class QColorDialog;

// The host's free colour chooser: Qt's own colour dialog embedded as a widget, without
// buttons. It opens as a popup window unless the embedding widget switches Qt::Popup off.
class KVGRAPHICSCORE_EXPORT KvColorPopup : public QWidget
{
    Q_OBJECT
public:
    explicit KvColorPopup(QWidget *parent = nullptr);

    // The colour shown when the chooser opens; emits nothing.
    void setDefalutColor(const QColor &color);
    QColor currentColor() const;

signals:
    // The user picked a colour in the chooser.
    void colorChanged(const QColor &color);

private:
    void makeCompact();

    QColorDialog *m_dialog;
};
