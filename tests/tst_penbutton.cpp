#include "KvPenButton.h"
#include "KvSignalLog.h"
#include "KvTestMessages.h"
#include "KvToolPenButton.h"
#include "KvWidgetTesting.h"

#include <QtTest>

namespace {
const QColor UncheckedDisc(0xFF838AA2);
const QColor Ink(0xFFD0021B);
} // namespace

class tst_PenButton : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }
    void discShowsCheckState_data();
    void discShowsCheckState();
    void glyphsAreDrawnInPenColour_data();
    void glyphsAreDrawnInPenColour();
    void toolPenButtonPaintsLikeItsBase();
};

void tst_PenButton::discShowsCheckState_data()
{
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<QString>("checkBy");
    QTest::addColumn<QColor>("backColor");
    QTest::addColumn<QColor>("disc");

    const QColor teal(0xFF00B2B0);
    const QColor red(0xFFDE6F6F);
    QTest::newRow("new button") << true << "" << QColor() << UncheckedDisc;
    QTest::newRow("checked by code") << true << "code" << QColor() << teal;
    QTest::newRow("checked by click") << true << "click" << QColor() << teal;
    QTest::newRow("own back colour") << true << "click" << red << red;
    QTest::newRow("not checkable") << false << "click" << red << UncheckedDisc;
}

void tst_PenButton::discShowsCheckState()
{
    QFETCH(bool, checkable);
    QFETCH(QString, checkBy);
    QFETCH(QColor, backColor);
    QFETCH(QColor, disc);

    KvPenButton button;
    button.resize(44, 44);
    button.setCheckable(checkable);
    if (backColor.isValid())
        button.setBackColor(backColor);
    if (checkBy == QLatin1String("code"))
        button.setChecked(true);
    else if (checkBy == QLatin1String("click"))
        QTest::mouseClick(&button, Qt::LeftButton);

    const QImage image = paintedImage(&button);
    // Top of the disc, above every glyph.
    QCOMPARE(image.pixelColor(22, 4), disc);
    // The 22-pixel radius makes the 44-pixel button a circle.
    QCOMPARE(image.pixelColor(1, 1).alpha(), 0);
}

void tst_PenButton::glyphsAreDrawnInPenColour_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("penWidth");
    QTest::addColumn<QPoint>("probe");
    QTest::addColumn<QColor>("expected");

    // At 96 x 96 pixels are design units.
    const QSize design(96, 96);
    QTest::newRow("pen tip") << int(KvPenButton::Pen) << design << 3 << QPoint(31, 68) << Ink;
    QTest::newRow("pen body") << int(KvPenButton::Pen) << design << 3 << QPoint(64, 27)
                              << QColor(Qt::white);
    QTest::newRow("pen tip, stretched")
        << int(KvPenButton::Pen) << QSize(192, 96) << 3 << QPoint(62, 68) << Ink;
    QTest::newRow("marker tip") << int(KvPenButton::Marker) << design << 3 << QPoint(37, 62) << Ink;
    QTest::newRow("marker body") << int(KvPenButton::Marker) << design << 3 << QPoint(54, 32)
                                 << QColor(Qt::white);
    QTest::newRow("wave band") << int(KvPenButton::Width) << design << 3 << QPoint(60, 62) << Ink;
    QTest::newRow("wave outline, width 21")
        << int(KvPenButton::Width) << design << 21 << QPoint(60, 68) << Ink;
    QTest::newRow("wave outline, width 1")
        << int(KvPenButton::Width) << design << 1 << QPoint(60, 68) << UncheckedDisc;
    QTest::newRow("unknown type: disc only") << 3 << design << 3 << QPoint(64, 27) << UncheckedDisc;
}

void tst_PenButton::glyphsAreDrawnInPenColour()
{
    QFETCH(int, type);
    QFETCH(QSize, size);
    QFETCH(int, penWidth);
    QFETCH(QPoint, probe);
    QFETCH(QColor, expected);

    KvPenButton button;
    button.resize(size);
    button.setType(KvPenButton::PenType(type));
    button.setPenColor(Ink);
    button.setPenWidth(penWidth);

    const QImage image = paintedImage(&button);
    QCOMPARE(image.pixelColor(probe), expected);
}

void tst_PenButton::toolPenButtonPaintsLikeItsBase()
{
    KvToolPenButton button;
    button.resize(48, 48);
    button.setCheckable(true);
    button.setChecked(true);
    QCOMPARE(button.penColor(), QColor(Qt::white));

    const QImage before = paintedImage(&button);
    button.setPenColor(Ink);
    QCOMPARE(paintedImage(&button), before);
    // Checked buttons fill with the checked colour.
    QCOMPARE(before.pixelColor(2, 2), QColor(0xFFDE6F6F));
}

QTEST_MAIN(tst_PenButton)
#include "tst_penbutton.moc"
