#include "KvColorButton.h"
#include "KvColorSelectWidget.h"
#include "KvLogRecorder.h"
#include "KvTestMessages.h"
#include "KvWidgetTesting.h"

#include <QButtonGroup>
#include <QGridLayout>
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
} // namespace

class tst_ColorPalette : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }
    void gridHoldsIndicesRowByRow();
    void clicksCheckOneButtonAndReportIt();
    void badInputChangesNothing();
    void swatchPaintsDiscOrRing_data();
    void swatchPaintsDiscOrRing();
};

void tst_ColorPalette::gridHoldsIndicesRowByRow()
{
    KvColorSelectWidget palette;
    palette.setColorList(elevenColors());
    palette.resize(palette.sizeHint());
    palette.layout()->activate();
    QCOMPARE(palette.getCheckedIndex(), -1);
    QVERIFY(!palette.penColor().isValid());

    auto *grid = palette.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
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

    // The custom button shows the rainbow ring image stretched over it: coloured rim, empty middle.
    const QImage custom = buttonAt(palette, 11)->grab().toImage();
    QVERIFY(QColor(custom.pixel(1, 17)).saturation() > 150);
    QVERIFY(QColor(custom.pixel(17, 17)).saturation() < 50);
}

void tst_ColorPalette::clicksCheckOneButtonAndReportIt()
{
    const QList<QColor> colors = elevenColors();
    const QColor recolour(Qt::darkCyan);
    KvColorSelectWidget palette;
    palette.setColorList(colors);
    QSignalSpy clicked(&palette, &KvColorSelectWidget::colorClicked);

    QTest::mouseClick(buttonAt(palette, 2), Qt::LeftButton);
    QTest::mouseClick(buttonAt(palette, 11), Qt::LeftButton);
    QVERIFY(!palette.penColor().isValid());
    palette.changeColor(11, recolour);
    palette.changeColor(0, recolour);
    QTest::mouseClick(buttonAt(palette, 11), Qt::LeftButton);
    QTest::mouseClick(buttonAt(palette, 0), Qt::LeftButton);
    const QList<QList<QVariant>> expected
        = {{2, colors[2], false}, {11, QColor(), true}, {11, recolour, true}, {0, recolour, false}};
    QCOMPARE(static_cast<QList<QList<QVariant>>>(clicked), expected);
    QCOMPARE(palette.getCheckedIndex(), 0);
    QVERIFY(!buttonAt(palette, 11)->isChecked());

    palette.changeColor(colors[4]);
    QCOMPARE(palette.getCheckedIndex(), 4);
    QCOMPARE(palette.penColor(), colors[4]);
    palette.changeColor(QColor(1, 2, 3));
    QCOMPARE(palette.getCheckedIndex(), 4);
}

void tst_ColorPalette::badInputChangesNothing()
{
    KvColorSelectWidget palette;
    palette.setColorList(QVector<QColor>(10, Qt::red).toList());
    palette.setColorList(QVector<QColor>(12, Qt::red).toList());
    QVERIFY(palette.findChildren<KvColorButton *>().isEmpty());

    palette.setColorList(elevenColors());
    KvLogRecorder log;
    for (int index : {-1, 12})
        palette.changeColor(index, Qt::darkCyan);
    QCOMPARE(log.lines(),
             QVector<QString>(2, "kvpen.widgets KvColorSelectWidget::changeColor").toList());
    for (KvColorButton *button : palette.findChildren<KvColorButton *>())
        QVERIFY(button->backColor() != QColor(Qt::darkCyan));
}

void tst_ColorPalette::swatchPaintsDiscOrRing_data()
{
    QTest::addColumn<bool>("checked");
    QTest::addColumn<int>("x");
    QTest::addColumn<QColor>("expected");
    // Pixels along the middle row (y = 17) of the 35 x 35 swatch.
    const QColor swatch(0xFF4A90E2);
    QTest::newRow("disc edge") << false << 1 << swatch;
    QTest::newRow("checked inner disc") << true << 8 << swatch;
    QTest::newRow("gap inside ring") << true << 4 << QColor(Qt::transparent);
    QTest::newRow("checked ring") << true << 1 << QColor(0xFFDE6F6F);
}

void tst_ColorPalette::swatchPaintsDiscOrRing()
{
    QFETCH(bool, checked);
    QFETCH(int, x);
    QFETCH(QColor, expected);
    KvColorButton button;
    button.setBackColor(QColor(0xFF4A90E2));
    button.setChecked(checked);
    QCOMPARE(paintedImage(&button).pixelColor(x, 17), expected);
}

QTEST_MAIN(tst_ColorPalette)
#include "tst_colorpalette.moc"
