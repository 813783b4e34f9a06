#include "KvErasePopup.h"
#include "KvSignalLog.h"
#include "KvTestMessages.h"
#include "KvWidgetTesting.h"

#include <QPushButton>
#include <QtTest>

namespace {
bool isWhite(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y).red() > 200;
}
} // namespace

class tst_ErasePopup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }
    void init();
    void cleanup() { delete popup; }

    void handleAndTrackForWidth_data();
    void handleAndTrackForWidth();
    void dragReportsWidthUnderHandle_data();
    void dragReportsWidthUnderHandle();
    void clearAllButton();
    void showErasePlacesPopupAbove();

private:
    void verifyHandle(const QPoint &centre, int diameter);

    KvErasePopup *popup = nullptr;
};

void tst_ErasePopup::init()
{
    popup = new KvErasePopup;
    popup->move(100, 100);
    QVERIFY(showOffscreenPopup(popup));
    // The popup closes on presses while the cursor is outside it.
    QCursor::setPos(popup->mapToGlobal(QPoint(130, 20)));
}

// The handle is a white disc: its outermost pixel columns on the centre row are white, the
// columns just outside are not; the track left of it is filled, the track right of it is not.
void tst_ErasePopup::verifyHandle(const QPoint &centre, int diameter)
{
    const QImage image = paintedImage(popup);
    const int left = centre.x() - diameter / 2;
    const int y = centre.y();
    QVERIFY2(isWhite(image, left, y) && !isWhite(image, left - 1, y), "left edge");
    QVERIFY2(isWhite(image, left + diameter - 1, y) && !isWhite(image, left + diameter, y),
             "right edge");
    QCOMPARE(image.pixelColor(left + diameter + 2, 22), QColor(0xFF3E456B));
    if (left - 3 > 17)
        QCOMPARE(image.pixelColor(left - 3, 22), QColor(0xFF2C7DFB));
}

void tst_ErasePopup::handleAndTrackForWidth_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("handleX");
    QTest::addColumn<int>("paintedDiameter");

    // The handle sits on the fractional slot (19.5 px) but is painted with the size of the
    // slot below when that truncates lower.
    QTest::newRow("30") << 30 << 15 << 10;
    QTest::newRow("65 paints slot 0") << 65 << 34 << 10;
    QTest::newRow("90") << 90 << 132 << 18;
    QTest::newRow("100 paints slot 6") << 100 << 151 << 18;
    QTest::newRow("120 paints slot 8") << 120 << 190 << 22;
}

void tst_ErasePopup::handleAndTrackForWidth()
{
    QFETCH(int, width);
    QFETCH(int, handleX);
    QFETCH(int, paintedDiameter);
    KvSignalLog log(popup);
    popup->setEraseWidth(width);
    QCOMPARE(popup->eraseWidth(), width);
    QVERIFY(log.names.isEmpty());
    verifyHandle(QPoint(handleX, 23), paintedDiameter);
}

void tst_ErasePopup::dragReportsWidthUnderHandle_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("pressX");
    QTest::addColumn<int>("moveX");
    QTest::addColumn<int>("releaseX");
    QTest::addColumn<QStringList>("reported");
    QTest::addColumn<QPoint>("handle");
    QTest::addColumn<int>("paintedDiameter");

    // The reported width uses whole 19 px slots, the painted handle 19.5 px ones; a moved
    // handle sits on the popup's middle row.
    const QStringList none;
    QTest::newRow("34: slot 1 reported, slot 0 painted")
        << 30 << 15 << 35 << 35 << QStringList {"eraseWidthChanged 65"} << QPoint(34, 21) << 10;
    QTest::newRow("44 reports 65")
        << 30 << 15 << 45 << 45 << QStringList {"eraseWidthChanged 65"} << QPoint(44, 21) << 13;
    QTest::newRow("109 reports 80")
        << 30 << 15 << 110 << 110 << QStringList {"eraseWidthChanged 80"} << QPoint(109, 21) << 16;
    QTest::newRow("190 reports 120, paints 110")
        << 30 << 15 << 191 << 191 << QStringList {"eraseWidthChanged 120"} << QPoint(190, 21) << 22;
    QTest::newRow("191") << 30 << 15 << 192 << 192 << QStringList {"eraseWidthChanged 120"}
                         << QPoint(191, 21) << 24;
    QTest::newRow("same slot: nothing reported")
        << 30 << 15 << 20 << 20 << none << QPoint(19, 21) << 10;
    QTest::newRow("beyond the track band")
        << 30 << 15 << 212 << 212 << none << QPoint(15, 23) << 10;
    QTest::newRow("press off the handle")
        << 30 << 150 << 100 << 100 << none << QPoint(15, 23) << 10;
    QTest::newRow("released over clear-all: back to press x")
        << 30 << 18 << 150 << 238 << QStringList {"eraseWidthChanged 100", "eraseWidthChanged 30"}
        << QPoint(18, 21) << 10;
    // A width off the table sits at slot 0 until a release reports the width there.
    QTest::newRow("unknown width falls back on release")
        << 45 << 150 << 150 << 150 << QStringList {"eraseWidthChanged 30"} << QPoint(15, 23) << 10;
}

void tst_ErasePopup::dragReportsWidthUnderHandle()
{
    QFETCH(int, width);
    QFETCH(int, pressX);
    QFETCH(int, moveX);
    QFETCH(int, releaseX);
    QFETCH(QStringList, reported);
    QFETCH(QPoint, handle);
    QFETCH(int, paintedDiameter);
    popup->setEraseWidth(width);

    KvSignalLog log(popup);
    QTest::mousePress(popup, Qt::LeftButton, Qt::NoModifier, QPoint(pressX, 23));
    QMouseEvent move(QEvent::MouseMove, QPoint(moveX, 20), popup->mapToGlobal(QPoint(moveX, 20)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(popup, &move);
    QTest::mouseRelease(popup, Qt::LeftButton, Qt::NoModifier, QPoint(releaseX, 20));

    QCOMPARE(log.calls, reported);
    QCOMPARE(popup->eraseWidth(),
             reported.isEmpty() ? width : reported.last().section(' ', 1).toInt());
    QVERIFY(popup->isVisible());
    verifyHandle(handle, paintedDiameter);
}

void tst_ErasePopup::clearAllButton()
{
    auto emptyButton = popup->findChild<QPushButton *>("emptyBtn");
    // 10 px from the right of the 266 x 40 panel, which the layout centres vertically in the
    // 42 px popup: one pixel below the popup's cancel-drag area (220, 2, 36, 36).
    QCOMPARE(QRect(emptyButton->mapTo(popup, QPoint(0, 0)), emptyButton->size()),
             QRect(220, 3, 36, 36));

    KvSignalLog log(popup);
    QTest::mouseClick(emptyButton, Qt::LeftButton);
    QCOMPARE(log.names, QStringList {"clearScene"});
    QCOMPARE(popup->eraseWidth(), 30);
}

void tst_ErasePopup::showErasePlacesPopupAbove()
{
    popup->hide();
    QVERIFY(showOffscreenPopup(popup, [this] { popup->showErase(QPoint(300, 900)); }));
    QCOMPARE(popup->geometry(), QRect(300, 840, 268, 42));
}

QTEST_MAIN(tst_ErasePopup)
#include "tst_erasepopup.moc"
