#include "KvColorPopup.h"

#include <QColorDialog>
#include <QVBoxLayout>

KvColorPopup::KvColorPopup(QWidget *parent)
    : QWidget(parent, Qt::Popup)
    , m_dialog(new QColorDialog(this))
{
    m_dialog->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog);
    m_dialog->setWindowFlags(Qt::Widget);
    makeCompact();
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

// A popup has no room for the dialog's swatch grids, buttons and spin boxes: keep its hue and
// saturation field and its lightness bar, and let the field take the room there is.
void KvColorPopup::makeCompact()
{
    m_dialog->layout()->setSizeConstraint(QLayout::SetDefaultConstraint);
    m_dialog->setMinimumSize(0, 0);
    m_dialog->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QList<QWidget *> parts
        = m_dialog->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *part : parts) {
        const QByteArray className = part->metaObject()->className();
        if (className == "QColorPicker") {
            part->setMinimumSize(0, 0);
            part->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            part->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        } else if (className != "QColorLuminancePicker") {
            part->hide();
        }
    }
}
