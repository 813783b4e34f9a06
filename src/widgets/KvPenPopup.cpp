#include "KvPenPopup.h"
#include "ui_KvPenPopup.h"

namespace {
const int kCustomColorIndex = 11;
const int kNarrowWidth = 300;
const int kWideWidth = 505;

// Slider position -> width, for the 20 positions of the slider.
QList<int> penWidthTable()
{
    QList<int> widths;
    for (int width = 2; width <= 21; ++width)
        widths << width;
    return widths;
}

QList<int> hightWidthTable()
{
    return {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 19, 21, 23, 25, 27, 29, 30};
}

const QRgb kPenPalette[] = {0xFFFFFFFF, 0xFF9B9B9B, 0xFF4A4A4A, 0xFF4A90E2, 0xFFF8E71C, 0xFFF5A623,
                            0xFFD0021B, 0xFFBD10E0, 0xFF7ED321, 0xFF417505, 0xFF50E3C2};
const QRgb kHightPalette[]
    = {0xFFF8E71C, 0xFFFF6420, 0xFF8903F3, 0xFFBD10E0, 0xFF000000, 0xFFD0021B,
       0xFFCE5C5C, 0xFFF5A623, 0xFF8B572A, 0xFF4A90E2, 0xFFB8E986};

template<size_t N> QList<QColor> colorList(const QRgb (&rgbs)[N])
{
    QList<QColor> colors;
    for (QRgb rgb : rgbs)
        colors << QColor::fromRgba(rgb);
    return colors;
}

// Position of a width in a table; widths not in the table sit at position 0.
int indexOfWidth(const QList<int> &table, int width)
{
    return qMax(0, table.indexOf(width));
}

// Width at a slider position; positions off the table give the table's first width.
int widthAtIndex(const QList<int> &table, int index)
{
    return index >= 0 && index < table.size() ? table.at(index) : table.first();
}
} // namespace

KvPenPopup::KvPenPopup(QWidget *parent)
    : KvPenPopupWidget(parent)
    , ui(new Ui::KvPenPopup)
    , m_penColor(QColor::fromRgba(0xFFFFFFFF))
    , m_hightColor(QColor::fromRgba(0xFFF8E71C))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
    ui->penButton->setChecked(true);

    ui->widthButton->setPenColor(Qt::white);
    ui->widthButton->setBackColor(QColor::fromRgba(0xFFDE6F6F));
    ui->widthButton->setType(KvPenButton::Width);
    ui->widthButton->setCheckable(false);

    ui->penPage->setColorList(colorList(kPenPalette));
    ui->hightPage->setColorList(colorList(kHightPalette));
    ui->penPage->changeColor(m_penColor);
    ui->hightPage->changeColor(m_hightColor);

    m_penWidths = penWidthTable();
    m_hightWidths = hightWidthTable();

    ui->penColor->setDefalutColor(QColor(0xD0, 0x02, 0x1B));

    connect(ui->penPage, &KvColorSelectWidget::colorClicked, this,
            &KvPenPopup::onPenPaletteClicked);
    connect(ui->hightPage, &KvColorSelectWidget::colorClicked, this,
            &KvPenPopup::onHightPaletteClicked);
    connect(ui->penColor, &KvColorPopup::colorChanged, this, [this](const QColor &color) {
        m_penColor = color;
        emit penColorChanged(color);
    });
    connect(ui->highColor, &KvColorPopup::colorChanged, this, [this](const QColor &color) {
        m_hightColor = color;
        emit hightColorChanged(color);
    });
    connect(this, &KvPenPopupWidget::hidePopupWidget, this, &KvPenPopup::foldCustomColorArea);

    ui->horizontalSlider->setValue(getPenIndex(m_penWidth));
    ui->widthButton->setPenWidth(getPenWidth(ui->horizontalSlider->value()));

    ui->penColor->setWindowFlag(Qt::Popup, false);
    ui->highColor->setWindowFlag(Qt::Popup, false);

    foldCustomColorArea();
}

KvPenPopup::~KvPenPopup()
{
    delete ui;
}

void KvPenPopup::showPen(const QPoint &pos)
{
    move(pos.x() - 95, pos.y() - height() - 18);
    ui->colorWidget->hide();
    show();
}

void KvPenPopup::setPenPageVisible(bool pen)
{
    if (pen) {
        ui->penButton->setChecked(true);
        on_penButton_clicked();
    } else {
        ui->hightButton->setChecked(true);
        on_hightButton_clicked();
    }
}

bool KvPenPopup::isCurrentPen() const
{
    return ui->stackedWidget->currentWidget() == ui->penPage;
}

int KvPenPopup::penWidth() const
{
    return m_penWidth;
}

int KvPenPopup::hightWidth() const
{
    return m_hightWidth;
}

QColor KvPenPopup::penColor() const
{
    return m_penColor;
}

QColor KvPenPopup::hightColor() const
{
    return m_hightColor;
}

void KvPenPopup::setPenWidth(int width)
{
    m_penWidth = width;
    if (isCurrentPen())
        ui->horizontalSlider->setValue(getPenIndex(width));
}

void KvPenPopup::setHightWidth(int width)
{
    m_hightWidth = width;
    if (!isCurrentPen())
        ui->horizontalSlider->setValue(getHighIndex(width));
}

void KvPenPopup::setPenColor(const QColor &c)
{
    m_penColor = c;
    ui->penPage->changeColor(c);
}

void KvPenPopup::setHightColor(const QColor &c)
{
    m_hightColor = c;
    ui->hightPage->changeColor(c);
}

void KvPenPopup::setSliderColor(const QColor &) { }

void KvPenPopup::on_penButton_clicked()
{
    if (ui->stackedWidget->currentWidget() == ui->hightPage) {
        m_hightWidth = getHighWidth(ui->horizontalSlider->value());
        ui->stackedWidget->setCurrentWidget(ui->penPage);
        ui->horizontalSlider->setValue(getPenIndex(m_penWidth));
    }
    ui->widthButton->setPenWidth(getPenWidth(ui->horizontalSlider->value()));
    ui->stackedWidget->setCurrentWidget(ui->penPage);
    emit penClicked(m_penWidth, ui->penPage->penColor());
    foldCustomColorArea();
}

void KvPenPopup::on_hightButton_clicked()
{
    if (ui->stackedWidget->currentWidget() == ui->penPage) {
        m_penWidth = getPenWidth(ui->horizontalSlider->value());
        ui->stackedWidget->setCurrentWidget(ui->hightPage);
        ui->horizontalSlider->setValue(getHighIndex(m_hightWidth));
    }
    ui->widthButton->setPenWidth(getHighWidth(ui->horizontalSlider->value()));
    ui->stackedWidget->setCurrentWidget(ui->hightPage);
    emit hightClicked(m_hightWidth, ui->hightPage->penColor());
    foldCustomColorArea();
}

void KvPenPopup::on_horizontalSlider_sliderMoved(int)
{
    applySliderWidth();
}

void KvPenPopup::on_horizontalSlider_valueChanged(int)
{
    applySliderWidth();
}

void KvPenPopup::applySliderWidth()
{
    // The position, not the value: during a drag sliderMoved arrives before the value follows,
    // and both signals should report the width under the handle.
    const int position = ui->horizontalSlider->sliderPosition();
    if (isCurrentPen()) {
        m_penWidth = getPenWidth(position);
        ui->widthButton->setPenWidth(m_penWidth);
        emit penWidthChanged(m_penWidth);
    } else {
        m_hightWidth = getHighWidth(position);
        ui->widthButton->setPenWidth(m_hightWidth);
        emit hightWidthChanged(m_hightWidth);
    }
}

void KvPenPopup::onPenPaletteClicked(int index, const QColor &color)
{
    if (index == kCustomColorIndex) {
        toggleCustomColorArea(ui->penColor);
        return;
    }
    m_penColor = color;
    emit penColorChanged(color);
    foldCustomColorArea();
}

void KvPenPopup::onHightPaletteClicked(int index, const QColor &color)
{
    if (index == kCustomColorIndex) {
        toggleCustomColorArea(ui->highColor);
        return;
    }
    m_hightColor = color;
    emit hightColorChanged(color);
    foldCustomColorArea();
}

void KvPenPopup::toggleCustomColorArea(QWidget *chooser)
{
    ui->stackedWidget_2->setCurrentWidget(chooser);
    // The explicit hidden state, so that the toggle also works while the popup is not shown.
    const bool open = ui->colorWidget->isHidden();
    ui->colorWidget->setVisible(open);
    setFixedWidth(open ? kWideWidth : kNarrowWidth);
}

void KvPenPopup::foldCustomColorArea()
{
    setFixedWidth(kNarrowWidth);
    ui->colorWidget->hide();
}

int KvPenPopup::getPenIndex(int width)
{
    return indexOfWidth(m_penWidths, width);
}

int KvPenPopup::getPenWidth(int index)
{
    return widthAtIndex(m_penWidths, index);
}

int KvPenPopup::getHighIndex(int width)
{
    return indexOfWidth(m_hightWidths, width);
}

int KvPenPopup::getHighWidth(int index)
{
    return widthAtIndex(m_hightWidths, index);
}
