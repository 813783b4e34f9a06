#include "KvColorButton.h"
#include "KvColorPopup.h"
#include "KvColorSelectWidget.h"
#include "KvImSlider.h"
#include "KvPenButton.h"
#include "KvPenPopup.h"
#include "KvTestMessages.h"
#include "KvWidgetTesting.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

namespace {

QString text(int value)
{
    return QString::number(value);
}

QString text(const QColor &color)
{
    return color.isValid() ? color.name(QColor::HexArgb) : QStringLiteral("invalid");
}

// Every signal of the popup, in emission order, as "name arguments...".
class PopupLog
{
public:
    explicit PopupLog(KvPenPopup &popup)
    {
        record(popup, &KvPenPopup::penWidthChanged, "penWidthChanged");
        record(popup, &KvPenPopup::hightWidthChanged, "hightWidthChanged");
        record(popup, &KvPenPopup::penColorChanged, "penColorChanged");
        record(popup, &KvPenPopup::hightColorChanged, "hightColorChanged");
        record(popup, &KvPenPopup::penClicked, "penClicked");
        record(popup, &KvPenPopup::hightClicked, "hightClicked");
    }

    QStringList take() { return std::exchange(entries, {}); }

private:
    template<typename... Args>
    void record(KvPenPopup &popup, void (KvPenPopup::*signal)(Args...), const char *name)
    {
        QObject::connect(&popup, signal, [this, name](Args... args) {
            entries << (QStringList {QLatin1String(name)} << ... << text(args)).join(' ');
        });
    }

    QStringList entries;
};

template<typename T> T *part(KvPenPopup &popup, const char *name)
{
    T *child = popup.findChild<T *>(QLatin1String(name));
    Q_ASSERT(child);
    return child;
}

QAbstractButton *swatch(KvPenPopup &popup, const char *page, int index)
{
    return part<KvColorSelectWidget>(popup, page)->findChild<QButtonGroup *>()->button(index);
}

void click(QWidget *target)
{
    QTest::mouseClick(target, Qt::LeftButton);
}

} // namespace

class tst_PenPopup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }
    void newPopup();
    void sliderDragSetsWidth_data();
    void sliderDragSetsWidth();
    void widthSetters_data();
    void widthSetters();
    void pageButtonsSwitchPages();
    void customColorArea();
    void showPenPlacesPopupAbove_data();
    void showPenPlacesPopupAbove();
    void sliderJumpsToPress_data();
    void sliderJumpsToPress();
};

void tst_PenPopup::newPopup()
{
    KvPenPopup popup;
    QCOMPARE(popup.penWidth(), 2);
    QCOMPARE(popup.hightWidth(), 9);
    QCOMPARE(text(popup.penColor()), QStringLiteral("#ffffffff"));
    QCOMPARE(text(popup.hightColor()), QStringLiteral("#fff8e71c"));
    QVERIFY(popup.isCurrentPen());
    QCOMPARE(part<KvImSlider>(popup, "horizontalSlider")->value(), 0);
    QCOMPARE(popup.width(), 300);
    QVERIFY(part<QWidget>(popup, "colorWidget")->isHidden());
    QCOMPARE(part<KvColorSelectWidget>(popup, "penPage")->getCheckedIndex(), 0);
    QCOMPARE(part<KvColorSelectWidget>(popup, "hightPage")->getCheckedIndex(), 0);

    auto *preview = part<KvPenButton>(popup, "widthButton");
    QCOMPARE(preview->type(), KvPenButton::Width);
    QCOMPARE(preview->penWidth(), 2);
    QVERIFY(!preview->isCheckable());
    QVERIFY(!part<KvColorPopup>(popup, "penColor")->isWindow());
}

void tst_PenPopup::sliderDragSetsWidth_data()
{
    QTest::addColumn<bool>("pen");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("width");
    QTest::newRow("pen middle") << true << 9 << 11;
    QTest::newRow("pen last") << true << 19 << 21;
    QTest::newRow("marker first") << false << 0 << 5;
    QTest::newRow("marker last linear") << false << 12 << 17;
    QTest::newRow("marker first odd step") << false << 13 << 19;
    QTest::newRow("marker last") << false << 19 << 30;
}

void tst_PenPopup::sliderDragSetsWidth()
{
    QFETCH(bool, pen);
    QFETCH(int, position);
    QFETCH(int, width);
    KvPenPopup popup;
    popup.setPenPageVisible(pen);
    PopupLog log(popup);
    auto *slider = part<KvImSlider>(popup, "horizontalSlider");

    slider->setSliderDown(true);
    slider->setSliderPosition(position);
    slider->setSliderDown(false);

    // A drag step reaches the handler through sliderMoved and valueChanged alike.
    const QString signal
        = QStringLiteral("%1 %2").arg(pen ? "penWidthChanged" : "hightWidthChanged").arg(width);
    QCOMPARE(log.take(), QStringList({signal, signal}));
    QCOMPARE(pen ? popup.penWidth() : popup.hightWidth(), width);
    QCOMPARE(part<KvPenButton>(popup, "widthButton")->penWidth(), width);
}

void tst_PenPopup::widthSetters_data()
{
    QTest::addColumn<bool>("penPage");
    QTest::addColumn<int>("start");
    QTest::addColumn<bool>("setPen");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QStringList>("emitted");
    QTest::newRow("pen in table") << true << 0 << true << 7 << 5 << 7
                                  << QStringList {"penWidthChanged 7"};
    QTest::newRow("pen off table, slider moves")
        << true << 5 << true << 25 << 0 << 2 << QStringList {"penWidthChanged 2"};
    QTest::newRow("pen off table, slider stays")
        << true << 0 << true << 25 << 0 << 25 << QStringList {};
    QTest::newRow("marker off table")
        << false << 4 << false << 18 << 0 << 5 << QStringList {"hightWidthChanged 5"};
    QTest::newRow("marker on pen page") << true << 3 << false << 30 << 3 << 30 << QStringList {};
    QTest::newRow("pen on marker page") << false << 4 << true << 21 << 4 << 21 << QStringList {};
}

void tst_PenPopup::widthSetters()
{
    QFETCH(bool, penPage);
    QFETCH(int, start);
    QFETCH(bool, setPen);
    QFETCH(int, width);
    QFETCH(int, position);
    QFETCH(int, stored);
    QFETCH(QStringList, emitted);
    KvPenPopup popup;
    popup.setPenPageVisible(penPage);
    auto *slider = part<KvImSlider>(popup, "horizontalSlider");
    slider->setValue(start);
    PopupLog log(popup);

    setPen ? popup.setPenWidth(width) : popup.setHightWidth(width);

    QCOMPARE(log.take(), emitted);
    QCOMPARE(slider->value(), position);
    QCOMPARE(setPen ? popup.penWidth() : popup.hightWidth(), stored);
}

void tst_PenPopup::pageButtonsSwitchPages()
{
    KvPenPopup popup;
    popup.setHightWidth(30);
    part<KvImSlider>(popup, "horizontalSlider")->setValue(5);
    PopupLog log(popup);

    click(part<QPushButton>(popup, "hightButton"));
    QCOMPARE(log.take(), QStringList({"hightWidthChanged 30", "hightClicked 30 #fff8e71c"}));
    QVERIFY(!popup.isCurrentPen());
    QCOMPARE(part<KvImSlider>(popup, "horizontalSlider")->value(), 19);
    QCOMPARE(part<KvPenButton>(popup, "widthButton")->penWidth(), 30);

    click(part<QPushButton>(popup, "penButton"));
    QCOMPARE(log.take(), QStringList({"penWidthChanged 7", "penClicked 7 #ffffffff"}));
    QVERIFY(popup.isCurrentPen());
    QCOMPARE(part<KvImSlider>(popup, "horizontalSlider")->value(), 5);

    click(part<QPushButton>(popup, "penButton"));
    QCOMPARE(log.take(), QStringList({"penClicked 7 #ffffffff"}));

    popup.setPenPageVisible(false);
    QVERIFY(part<QPushButton>(popup, "hightButton")->isChecked());
    QCOMPARE(log.take(), QStringList({"hightWidthChanged 30", "hightClicked 30 #fff8e71c"}));
}

void tst_PenPopup::customColorArea()
{
    // Visibility is checked relative to the popup, which need not be on screen for this.
    KvPenPopup popup;
    auto *area = part<QWidget>(popup, "colorWidget");
    auto *choosers = part<QStackedWidget>(popup, "stackedWidget_2");
    auto *penChooser = part<KvColorPopup>(popup, "penColor");
    PopupLog log(popup);

    click(swatch(popup, "penPage", 11));
    QCOMPARE(popup.width(), 505);
    QVERIFY(area->isVisibleTo(&popup) && penChooser->isVisibleTo(&popup));
    QCOMPARE(choosers->currentWidget(), penChooser);
    click(swatch(popup, "penPage", 11));
    QCOMPARE(popup.width(), 300);
    QVERIFY(area->isHidden());
    QCOMPARE(log.take(), QStringList());

    // A colour picked in the chooser is stored and reported; the area stays open.
    click(swatch(popup, "penPage", 11));
    penChooser->findChild<QColorDialog *>()->setCurrentColor(QColor(0x12, 0x34, 0x56));
    QCOMPARE(log.take(), QStringList({"penColorChanged #ff123456"}));
    QCOMPARE(popup.penColor(), QColor(0x12, 0x34, 0x56));
    QCOMPARE(popup.width(), 505);
    // The page button reports the checked button's colour: the custom one has none.
    click(part<QPushButton>(popup, "penButton"));
    QCOMPARE(log.take(), QStringList({"penClicked 2 invalid"}));
    QCOMPARE(popup.width(), 300);

    click(swatch(popup, "penPage", 11));
    click(swatch(popup, "penPage", 3));
    QCOMPARE(log.take(), QStringList({"penColorChanged #ff4a90e2"}));
    QCOMPARE(popup.width(), 300);
    QVERIFY(area->isHidden());

    popup.setPenPageVisible(false);
    click(swatch(popup, "hightPage", 11));
    QCOMPARE(choosers->currentWidget(), part<KvColorPopup>(popup, "highColor"));
}

void tst_PenPopup::showPenPlacesPopupAbove_data()
{
    QTest::addColumn<QPoint>("anchor");
    QTest::addColumn<QPoint>("topLeft");
    QTest::newRow("toolbar low on screen") << QPoint(500, 800) << QPoint(405, 567);
    QTest::newRow("anchor near the corner") << QPoint(95, 233) << QPoint(0, 0);
}

void tst_PenPopup::showPenPlacesPopupAbove()
{
    QFETCH(QPoint, anchor);
    QFETCH(QPoint, topLeft);
    KvPenPopup popup;
    QCOMPARE(popup.height(), 215);
    QTest::mouseClick(swatch(popup, "penPage", 11), Qt::LeftButton);
    QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
    QVERIFY(showOffscreenPopup(&popup, [&] { popup.showPen(anchor); }));
    QCOMPARE(popup.pos(), topLeft);
    QVERIFY(part<QWidget>(popup, "colorWidget")->isHidden());

    // Hiding folds the popup back to its narrow form for the next opening (a new minimum and
    // maximum width for the window).
    QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
    QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
    popup.hide();
    QCOMPARE(popup.width(), 300);
}

void tst_PenPopup::sliderJumpsToPress_data()
{
    QTest::addColumn<Qt::Orientation>("orientation");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<int>("value");
    // Horizontal sliders are 200 × 33, vertical ones 33 × 100.
    QTest::newRow("horizontal middle") << Qt::Horizontal << 0 << 19 << QPoint(98, 16) << 9;
    QTest::newRow("horizontal start") << Qt::Horizontal << 0 << 19 << QPoint(0, 16) << 0;
    QTest::newRow("horizontal past the track")
        << Qt::Horizontal << 0 << 19 << QPoint(199, 16) << 19;
    QTest::newRow("horizontal offset range") << Qt::Horizontal << 5 << 15 << QPoint(98, 16) << 10;
    QTest::newRow("vertical top") << Qt::Vertical << 0 << 10 << QPoint(16, 0) << 10;
    QTest::newRow("vertical middle") << Qt::Vertical << 0 << 10 << QPoint(16, 50) << 5;
    QTest::newRow("vertical bottom") << Qt::Vertical << 0 << 10 << QPoint(16, 99) << 0;
}

void tst_PenPopup::sliderJumpsToPress()
{
    QFETCH(Qt::Orientation, orientation);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(QPoint, press);
    QFETCH(int, value);
    KvImSlider slider;
    slider.setOrientation(orientation);
    slider.setRange(minimum, maximum);
    slider.setValue(orientation == Qt::Horizontal ? maximum : minimum);
    slider.resize(orientation == Qt::Horizontal ? QSize(200, 33) : QSize(33, 100));
    QStringList order;
    connect(&slider, &KvImSlider::sigMousePressed, [&] { order << "pressed"; });
    connect(&slider, &QSlider::valueChanged, [&] { order << "value"; });

    QTest::mousePress(&slider, Qt::LeftButton, {}, press);

    QCOMPARE(slider.value(), value);
    QCOMPARE(order.value(0), QStringLiteral("pressed"));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, press);
}

QTEST_MAIN(tst_PenPopup)
#include "tst_penpopup.moc"
