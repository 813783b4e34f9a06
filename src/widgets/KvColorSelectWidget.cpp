#include "KvColorSelectWidget.h"
#include "ui_KvColorSelectWidget.h"

#include "KvColorButton.h"
#include "KvPenLogging.h"

#include <QButtonGroup>

namespace {
const int kPresetCount = 11;
const int kCustomIndex = 11;
const char kCustomButtonStyle[]
    = "QPushButton{border-image:url(:/pen/res/imgs/color_pla_sel.png);background:transparent;};"
      "QPushButton:checked{border-image:url(:/pen/res/imgs/color_pla_nor.png);}";
} // namespace

KvColorSelectWidget::KvColorSelectWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::KvColorSelectWidget)
{
    ui->setupUi(this);
    m_buttonGroup = new QButtonGroup(this);
}

KvColorSelectWidget::~KvColorSelectWidget()
{
    delete ui;
}

void KvColorSelectWidget::setColorList(const QList<QColor> &colors)
{
    if (colors.size() != kPresetCount)
        return;
    for (int index = 0; index < kPresetCount; ++index)
        addButton(colors.at(index), index, false);
    addButton(QColor(), kCustomIndex, true);
}

void KvColorSelectWidget::changeColor(const QColor &color)
{
    for (int i = 0; i < ui->gridLayout->count(); ++i) {
        auto *button = qobject_cast<KvColorButton *>(ui->gridLayout->itemAt(i)->widget());
        if (button && button->backColor() == color)
            button->setChecked(true);
    }
}

void KvColorSelectWidget::changeColor(int index, const QColor &color)
{
    // Only an index whose grid cell holds a button is meaningful; anything else is refused.
    QLayoutItem *item = index < 0
        ? nullptr
        : ui->gridLayout->itemAtPosition(index / m_columnCount, index % m_columnCount);
    if (!item) {
        qCDebug(lcKvPenWidgets) << "KvColorSelectWidget::changeColor"
                                << "no button at index" << index;
        return;
    }
    if (auto *button = qobject_cast<KvColorButton *>(item->widget()))
        button->setBackColor(color);
}

int KvColorSelectWidget::getCheckedIndex()
{
    return m_buttonGroup->checkedId();
}

QColor KvColorSelectWidget::penColor() const
{
    for (int i = 0; i < ui->gridLayout->count(); ++i) {
        auto *button = qobject_cast<KvColorButton *>(ui->gridLayout->itemAt(i)->widget());
        if (button && button->isChecked())
            return button->backColor();
    }
    // With nothing checked there is no colour to report: an invalid colour says so.
    return QColor();
}

void KvColorSelectWidget::addButton(const QColor &color, int index, bool isCustom)
{
    KvColorButton *button;
    if (isCustom) {
        button = new KvCustomColorButton(this);
        button->setStyleSheet(QLatin1String(kCustomButtonStyle));
        button->setIsCustomColor(isCustom);
        button->setCheckable(true);
        button->setChecked(false);
    } else {
        button = new KvColorButton(this);
        button->setBackColor(color);
        button->setIsCustomColor(false);
        button->setCheckable(true);
    }
    m_buttonGroup->addButton(button, index);
    connect(button, &QPushButton::clicked, this, [this, index, button] {
        emit colorClicked(index, button->backColor(), button->isCustomColor());
    });
    ui->gridLayout->addWidget(button, index / m_columnCount, index % m_columnCount);
}
