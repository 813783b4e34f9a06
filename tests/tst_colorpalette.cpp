#include "KvColorButton.h"
#include "KvColorSelectWidget.h"
#include "KvTestMessages.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QSignalSpy>
#include <QtTest>

namespace {

QList<QColor> elevenColors()
{
    QList<QColor> colors;
    for (int i = 0; i < 11; ++i)
        colors << QColor::fromHsv(i * 30, 200, 200);
    return colors;
}

KvColorButton *buttonAt(KvColorSelectWidget &palette, int index)
{
    return qobject_cast<KvColorButton *>(palette.findChild<QButtonGroup *>()->button(index));
}

bool nearColor(QRgb actual, const QColor &expected, int tolerance = 8)
{
    const QColor a = QColor::fromRgba(actual);
    return qAbs(a.red() - expected.red()) <= tolerance
        && qAbs(a.green() - expected.green()) <= tolerance
        && qAbs(a.blue() - expected.blue()) <= tolerance;
}

} // namespace

class tst_ColorPalette : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }
    void gridHoldsIndicesRowByRow();
    void onlyElevenColorsFillThePalette_data();
    void onlyElevenColorsFillThePalette();
    void clicksAreExclusiveAndReported();
    void changeColorChecksMatchingSwatch();
    void changeColorByIndex_data();
    void changeColorByIndex();
    void swatchPaintsDiscOrRing_data();
    void swatchPaintsDiscOrRing();
    void customButtonShowsRingImage();
};

void tst_ColorPalette::gridHoldsIndicesRowByRow()
{
    KvColorSelectWidget palette;
    palette.setColorList(elevenColors());
    palette.resize(palette.sizeHint());
    palette.layout()->activate();

    auto *grid = palette.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
    QVERIFY(grid);
    QCOMPARE(grid->count(), 12);
    for (int index = 0; index < 12; ++index) {
        QWidget *cell = grid->itemAtPosition(index / 4, index % 4)->widget();
        QCOMPARE(cell, buttonAt(palette, index));
        QCOMPARE(bool(qobject_cast<KvCustomColorButton *>(cell)), index == 11);
        QCOMPARE(cell->size(), QSize(35, 35));
    }
    // Swatch pitch: 35 pixels plus the grid's 18 (horizontal) and 8 (vertical) spacing.
    const QPoint origin = buttonAt(palette, 0)->pos();
    QCOMPARE(buttonAt(palette, 1)->pos() - origin, QPoint(53, 0));
    QCOMPARE(buttonAt(palette, 11)->pos() - origin, QPoint(3 * 53, 2 * 43));
}

void tst_ColorPalette::onlyElevenColorsFillThePalette_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("buttons");
    QTest::newRow("none") << 0 << 0;
    QTest::newRow("ten") << 10 << 0;
    QTest::newRow("eleven") << 11 << 12;
    QTest::newRow("twelve") << 12 << 0;
}

void tst_ColorPalette::onlyElevenColorsFillThePalette()
{
    QFETCH(int, count);
    QFETCH(int, buttons);
    QList<QColor> colors;
    for (int i = 0; i < count; ++i)
        colors << QColor(Qt::red);
    KvColorSelectWidget palette;
    palette.setColorList(colors);
    QCOMPARE(palette.findChildren<KvColorButton *>().size(), buttons);
    QCOMPARE(palette.getCheckedIndex(), -1);
    QVERIFY(!palette.penColor().isValid());
}

void tst_ColorPalette::clicksAreExclusiveAndReported()
{
    const QList<QColor> colors = elevenColors();
    KvColorSelectWidget palette;
    palette.setColorList(colors);
    QSignalSpy clicked(&palette, &KvColorSelectWidget::colorClicked);

    for (int index : {2, 5, 11, 5})
        QTest::mouseClick(buttonAt(palette, index), Qt::LeftButton);

    const QList<QList<QVariant>> expected = {
        {2, colors[2], false}, {5, colors[5], false}, {11, QColor(), true}, {5, colors[5], false}};
    QCOMPARE(static_cast<QList<QList<QVariant>>>(clicked), expected);
    QCOMPARE(palette.getCheckedIndex(), 5);
    QCOMPARE(palette.findChild<QButtonGroup *>()->checkedButton(), buttonAt(palette, 5));

    QTest::mouseClick(buttonAt(palette, 11), Qt::LeftButton);
    QCOMPARE(palette.getCheckedIndex(), 11);
    QVERIFY(!buttonAt(palette, 5)->isChecked());
    QVERIFY(!palette.penColor().isValid());
}

void tst_ColorPalette::changeColorChecksMatchingSwatch()
{
    const QList<QColor> colors = elevenColors();
    KvColorSelectWidget palette;
    palette.setColorList(colors);
    QTest::mouseClick(buttonAt(palette, 1), Qt::LeftButton);

    palette.changeColor(colors[4]);
    QCOMPARE(palette.getCheckedIndex(), 4);
    QCOMPARE(palette.penColor(), colors[4]);
    QVERIFY(!buttonAt(palette, 1)->isChecked());

    palette.changeColor(QColor(1, 2, 3));
    QCOMPARE(palette.getCheckedIndex(), 4);
}

void tst_ColorPalette::changeColorByIndex_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("first swatch") << 0 << true;
    QTest::newRow("custom button") << 11 << true;
    QTest::newRow("negative") << -1 << false;
    QTest::newRow("past the grid") << 12 << false;
    QTest::newRow("far outside") << 400 << false;
}

void tst_ColorPalette::changeColorByIndex()
{
    QFETCH(int, index);
    QFETCH(bool, accepted);
    const QColor recolour(Qt::darkCyan);
    KvColorSelectWidget palette;
    palette.setColorList(elevenColors());
    QSignalSpy clicked(&palette, &KvColorSelectWidget::colorClicked);
    if (!accepted)
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^KvColorSelectWidget::changeColor"));

    palette.changeColor(index, recolour);

    int recoloured = 0;
    for (KvColorButton *button : palette.findChildren<KvColorButton *>())
        recoloured += button->backColor() == recolour;
    QCOMPARE(recoloured, accepted ? 1 : 0);
    if (accepted) {
        QTest::mouseClick(buttonAt(palette, index), Qt::LeftButton);
        QCOMPARE(clicked.takeFirst().at(1).value<QColor>(), recolour);
    }
}

void tst_ColorPalette::swatchPaintsDiscOrRing_data()
{
    QTest::addColumn<bool>("checked");
    QTest::addColumn<int>("x");
    QTest::addColumn<QString>("expected");
    // Pixels along the middle row (y = 17); the button's centre is at 17.5.
    QTest::newRow("disc centre") << false << 17 << "swatch";
    QTest::newRow("disc edge") << false << 1 << "swatch";
    QTest::newRow("checked centre") << true << 17 << "swatch";
    QTest::newRow("checked inner disc") << true << 8 << "swatch";
    QTest::newRow("gap inside ring") << true << 4 << "gap";
    QTest::newRow("checked ring") << true << 1 << "ring";
}

void tst_ColorPalette::swatchPaintsDiscOrRing()
{
    QFETCH(bool, checked);
    QFETCH(int, x);
    QFETCH(QString, expected);
    const QColor swatch(0x4A, 0x90, 0xE2);
    const QColor ring(0xDE, 0x6F, 0x6F);
    KvColorButton button;
    button.setBackColor(swatch);
    button.setChecked(checked);

    const QRgb pixel = button.grab().toImage().pixel(x, 17);
    QCOMPARE(nearColor(pixel, swatch), expected == "swatch");
    QCOMPARE(nearColor(pixel, ring), expected == "ring");
}

void tst_ColorPalette::customButtonShowsRingImage()
{
    KvColorSelectWidget palette;
    palette.setColorList(elevenColors());

    // The rainbow ring image is stretched over the button: coloured rim, empty middle.
    const QImage image = buttonAt(palette, 11)->grab().toImage();
    QVERIFY(QColor(image.pixel(1, 17)).saturation() > 150);
    QVERIFY(QColor(image.pixel(17, 17)).saturation() < 50);
}

QTEST_MAIN(tst_ColorPalette)
#include "tst_colorpalette.moc"
