#include "KvColorPopup.h"

#include <QColorDialog>
#include <QVBoxLayout>

KvColorPopup::KvColorPopup(QWidget *parent)
    : QWidget(parent, Qt::Popup)
    , m_dialog(new QColorDialog(this))
{
    m_dialog->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog);
    m_dialog->setWindowFlags(Qt::Widget);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_dialog);
    connect(m_dialog, &QColorDialog::currentColorChanged, this, &KvColorPopup::colorChanged);
}

void KvColorPopup::setDefalutColor(const QColor &color)
{
    const QSignalBlocker blocker(m_dialog);
    m_dialog->setCurrentColor(color);
}

QColor KvColorPopup::currentColor() const
{
    return m_dialog->currentColor();
}
