#include "KvPenButton.h"
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
    QTest::addColumn<QColor>("backColor");
    QTest::addColumn<QColor>("clickedDisc");
    QTest::newRow("default back colour") << true << QColor() << QColor(0xFF00B2B0);
    QTest::newRow("own back colour") << true << QColor(0xFFDE6F6F) << QColor(0xFFDE6F6F);
    QTest::newRow("not checkable") << false << QColor(0xFFDE6F6F) << UncheckedDisc;
}

void tst_PenButton::discShowsCheckState()
{
    QFETCH(bool, checkable);
    QFETCH(QColor, backColor);
    QFETCH(QColor, clickedDisc);
    KvPenButton button;
    button.resize(44, 44);
    button.setCheckable(checkable);
    if (backColor.isValid())
        button.setBackColor(backColor);
    // (22, 4) is the top of the disc, above every glyph.
    QCOMPARE(paintedImage(&button).pixelColor(22, 4), UncheckedDisc);

    QTest::mouseClick(&button, Qt::LeftButton);
    const QImage image = paintedImage(&button);
    QCOMPARE(image.pixelColor(22, 4), clickedDisc);
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
    const QColor white(Qt::white);
    QTest::newRow("pen tip") << int(KvPenButton::Pen) << design << 3 << QPoint(31, 68) << Ink;
    QTest::newRow("pen body") << int(KvPenButton::Pen) << design << 3 << QPoint(64, 27) << white;
    QTest::newRow("pen tip, stretched")
        << int(KvPenButton::Pen) << QSize(192, 96) << 3 << QPoint(62, 68) << Ink;
    QTest::newRow("marker tip") << int(KvPenButton::Marker) << design << 3 << QPoint(37, 62) << Ink;
    QTest::newRow("marker body") << int(KvPenButton::Marker) << design << 3 << QPoint(54, 32)
                                 << white;
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
    QCOMPARE(paintedImage(&button).pixelColor(probe), expected);
}

// The stored pen colour is for the host; the button paints exactly as a tool action.
void tst_PenButton::toolPenButtonPaintsLikeItsBase()
{
    KvToolPenButton button;
    button.resize(48, 48);
    button.setCheckable(true);
    button.setChecked(true);
    const QImage before = paintedImage(&button);
    QCOMPARE(before.pixelColor(2, 2), QColor(0xFFDE6F6F));
    button.setPenColor(Ink);
    QCOMPARE(paintedImage(&button), before);
}

QTEST_MAIN(tst_PenButton)
#include "tst_penbutton.moc"
