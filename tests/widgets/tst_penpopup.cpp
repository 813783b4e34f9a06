#include "KvColorPopup.h"
#include "KvColorSelectWidget.h"
#include "KvImSlider.h"
#include "KvPenButton.h"
#include "KvPenPopup.h"
#include "KvSignalLog.h"
#include "KvTestMessages.h"
#include "KvWidgetTesting.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QtTest>

namespace {
template<typename T = QWidget> T *part(KvPenPopup &popup, const char *name)
{
    return popup.findChild<T *>(QLatin1String(name));
}

void click(KvPenPopup &popup, const char *button)
{
    QTest::mouseClick(part<QPushButton>(popup, button), Qt::LeftButton);
}

void clickSwatch(KvPenPopup &popup, const char *page, int index)
{
    auto *group = part<KvColorSelectWidget>(popup, page)->findChild<QButtonGroup *>();
    QTest::mouseClick(group->button(index), Qt::LeftButton);
}

QStringList take(KvSignalLog &log)
{
    return std::exchange(log.calls, {});
}
} // namespace

class tst_PenPopup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }
    void widthFollowsSliderAndSetters_data();
    void widthFollowsSliderAndSetters();
    void pageButtonsSwitchPages();
    void customColorArea();
    void showPenPlacesPopupAbove();
    void sliderJumpsToPress_data();
    void sliderJumpsToPress();
};

void tst_PenPopup::widthFollowsSliderAndSetters_data()
{
    QTest::addColumn<bool>("penPage");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("penWidth");
    QTest::addColumn<int>("hightWidth");
    QTest::addColumn<int>("emitted");
    // The pen page opens at position 0 (width 2), the highlighter page at 4 (width 9). "emitted"
    // is the width reported by the page's signal, 0 for none.
    QTest::newRow("drag pen 9") << true << 0 << "drag" << 9 << 11 << 9 << 11;
    QTest::newRow("drag pen 19") << true << 0 << "drag" << 19 << 21 << 9 << 21;
    QTest::newRow("drag marker 0") << false << 4 << "drag" << 0 << 2 << 5 << 5;
    QTest::newRow("drag marker 12") << false << 4 << "drag" << 12 << 2 << 17 << 17;
    QTest::newRow("drag marker 13: odd steps") << false << 4 << "drag" << 13 << 2 << 19 << 19;
    QTest::newRow("drag marker 19") << false << 4 << "drag" << 19 << 2 << 30 << 30;
    QTest::newRow("pen in table") << true << 0 << "setPenWidth 7" << 5 << 7 << 9 << 7;
    QTest::newRow("pen off table, slider moves")
        << true << 5 << "setPenWidth 25" << 0 << 2 << 9 << 2;
    QTest::newRow("pen off table, slider stays")
        << true << 0 << "setPenWidth 25" << 0 << 25 << 9 << 0;
    QTest::newRow("marker off table") << false << 4 << "setHightWidth 18" << 0 << 2 << 5 << 5;
    QTest::newRow("marker on pen page") << true << 3 << "setHightWidth 30" << 3 << 5 << 30 << 0;
    QTest::newRow("pen on marker page") << false << 4 << "setPenWidth 21" << 4 << 21 << 9 << 0;
}

void tst_PenPopup::widthFollowsSliderAndSetters()
{
    QFETCH(bool, penPage);
    QFETCH(int, start);
    QFETCH(QString, action);
    QFETCH(int, position);
    QFETCH(int, penWidth);
    QFETCH(int, hightWidth);
    QFETCH(int, emitted);
    KvPenPopup popup;
    popup.setPenPageVisible(penPage);
    auto *slider = part<KvImSlider>(popup, "horizontalSlider");
    slider->setValue(start);
    KvSignalLog log(&popup);

    const bool drag = action == QLatin1String("drag");
    if (drag) {
        slider->setSliderDown(true);
        slider->setSliderPosition(position);
        slider->setSliderDown(false);
    } else if (action.startsWith("setPenWidth")) {
        popup.setPenWidth(action.section(' ', 1).toInt());
    } else {
        popup.setHightWidth(action.section(' ', 1).toInt());
    }

    // A drag step reaches the handler through sliderMoved and valueChanged alike.
    const QString signal
        = (penPage ? "penWidthChanged " : "hightWidthChanged ") + QString::number(emitted);
    QCOMPARE(log.calls, QVector<QString>(emitted == 0 ? 0 : drag ? 2 : 1, signal).toList());
    QCOMPARE(slider->value(), position);
    QCOMPARE(popup.penWidth(), penWidth);
    QCOMPARE(popup.hightWidth(), hightWidth);
    if (emitted)
        QCOMPARE(part<KvPenButton>(popup, "widthButton")->penWidth(), emitted);
}

void tst_PenPopup::pageButtonsSwitchPages()
{
    KvPenPopup popup;
    auto *slider = part<KvImSlider>(popup, "horizontalSlider");
    popup.setHightWidth(30);
    slider->setValue(5);
    KvSignalLog log(&popup);

    click(popup, "hightButton");
    QCOMPARE(take(log), QStringList({"hightWidthChanged 30", "hightClicked 30 #fff8e71c"}));
    QVERIFY(!popup.isCurrentPen());
    QCOMPARE(slider->value(), 19);
    QCOMPARE(part<KvPenButton>(popup, "widthButton")->penWidth(), 30);

    click(popup, "penButton");
    QCOMPARE(take(log), QStringList({"penWidthChanged 7", "penClicked 7 #ffffffff"}));
    QVERIFY(popup.isCurrentPen());
    QCOMPARE(slider->value(), 5);
    click(popup, "penButton");
    QCOMPARE(take(log), QStringList({"penClicked 7 #ffffffff"}));

    popup.setPenPageVisible(false);
    QVERIFY(part<QPushButton>(popup, "hightButton")->isChecked());
    QCOMPARE(take(log), QStringList({"hightWidthChanged 30", "hightClicked 30 #fff8e71c"}));
}

void tst_PenPopup::customColorArea()
{
    // Visibility is checked relative to the popup, which need not be on screen for this.
    KvPenPopup popup;
    QWidget *area = part(popup, "colorWidget");
    auto *choosers = part<QStackedWidget>(popup, "stackedWidget_2");
    auto *penChooser = part<KvColorPopup>(popup, "penColor");
    KvSignalLog log(&popup);

    clickSwatch(popup, "penPage", 11);
    QCOMPARE(popup.width(), 505);
    QVERIFY(area->isVisibleTo(&popup) && penChooser->isVisibleTo(&popup));
    QCOMPARE(choosers->currentWidget(), penChooser);
    clickSwatch(popup, "penPage", 11);
    QCOMPARE(popup.width(), 300);
    QVERIFY(area->isHidden());
    QCOMPARE(take(log), QStringList());

    // A colour picked in the chooser is stored and reported; the area stays open.
    clickSwatch(popup, "penPage", 11);
    penChooser->findChild<QColorDialog *>()->setCurrentColor(QColor(0x12, 0x34, 0x56));
    QCOMPARE(take(log), QStringList({"penColorChanged #ff123456"}));
    QCOMPARE(popup.penColor(), QColor(0x12, 0x34, 0x56));
    QCOMPARE(popup.width(), 505);
    // The page button reports the checked button's colour: the custom one has none.
    click(popup, "penButton");
    QCOMPARE(take(log), QStringList({"penClicked 2 invalid"}));
    QCOMPARE(popup.width(), 300);

    clickSwatch(popup, "penPage", 11);
    clickSwatch(popup, "penPage", 3);
    QCOMPARE(take(log), QStringList({"penColorChanged #ff4a90e2"}));
    QCOMPARE(popup.width(), 300);
    QVERIFY(area->isHidden());

    popup.setPenPageVisible(false);
    clickSwatch(popup, "hightPage", 11);
    QCOMPARE(choosers->currentWidget(), part(popup, "highColor"));
}

void tst_PenPopup::showPenPlacesPopupAbove()
{
    KvPenPopup popup;
    clickSwatch(popup, "penPage", 11);
    QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
    QVERIFY(showOffscreenPopup(&popup, [&] { popup.showPen(QPoint(500, 800)); }));
    QCOMPARE(popup.geometry(), QRect(405, 567, 505, 215));
    QVERIFY(part(popup, "colorWidget")->isHidden());

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
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<int>("value");
    // Horizontal sliders are 200 x 33 with the range minimum to minimum + 19, vertical ones
    // 33 x 100 with minimum to minimum + 10.
    QTest::newRow("horizontal") << Qt::Horizontal << 0 << QPoint(98, 16) << 9;
    QTest::newRow("horizontal offset range") << Qt::Horizontal << 5 << QPoint(98, 16) << 14;
    QTest::newRow("vertical offset range") << Qt::Vertical << 3 << QPoint(16, 20) << 11;
}

void tst_PenPopup::sliderJumpsToPress()
{
    QFETCH(Qt::Orientation, orientation);
    QFETCH(int, minimum);
    QFETCH(QPoint, press);
    QFETCH(int, value);
    const bool horizontal = orientation == Qt::Horizontal;
    KvImSlider slider;
    slider.setOrientation(orientation);
    slider.setRange(minimum, minimum + (horizontal ? 19 : 10));
    slider.resize(horizontal ? QSize(200, 33) : QSize(33, 100));
    int valueWhenPressed = -1;
    connect(&slider, &KvImSlider::sigMousePressed, [&] { valueWhenPressed = slider.value(); });

    QTest::mousePress(&slider, Qt::LeftButton, {}, press);
    QCOMPARE(valueWhenPressed, minimum);
    QCOMPARE(slider.value(), value);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, press);
}

QTEST_MAIN(tst_PenPopup)
#include "tst_penpopup.moc"
