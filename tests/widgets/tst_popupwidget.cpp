#include "KvPenPopupWidget.h"
#include "KvSignalLog.h"
#include "KvTestMessages.h"
#include "KvWidgetTesting.h"

#include <QGraphicsScene>
#include <QGraphicsSvgItem>
#include <QGraphicsView>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {
QPoint globalCentre(QWidget *widget)
{
    return widget->mapToGlobal(widget->rect().center());
}

void moveCursor(const QPoint &global)
{
    QCursor::setPos(global);
    QCoreApplication::processEvents();
    QCOMPARE(QCursor::pos(), global);
}
} // namespace

class tst_PopupWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }
    void init();
    void cleanup();

    void hideSignalsTellWhatClosedThePopup_data();
    void hideSignalsTellWhatClosedThePopup();
    void deletedToolActionIsForgotten();

private:
    QPoint setOpener(const QString &opener);
    QPoint globalPoint(const QString &where, const QPoint &opener) const;
    void showAndPressInPopup();

    QWidget *board = nullptr;
    QToolButton *toolButton = nullptr;
    QPushButton *relatedButton = nullptr;
    QGraphicsView *view = nullptr;
    QGraphicsSvgItem *item = nullptr;
    KvPenPopupWidget *popup = nullptr;
};

void tst_PopupWidget::init()
{
    board = new QWidget;
    board->setGeometry(0, 0, 400, 300);
    toolButton = new QToolButton(board);
    toolButton->setGeometry(20, 20, 40, 40);
    relatedButton = new QPushButton(board);
    relatedButton->setGeometry(80, 20, 40, 40);
    view = new QGraphicsView(new QGraphicsScene(0, 0, 100, 100, board), board);
    view->setGeometry(20, 100, 160, 160);
    view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    item = new QGraphicsSvgItem(QStringLiteral(":/pen/res/imgs/icon_clearall2.svg"));
    item->setPos(10, 10);
    view->scene()->addItem(item);
    board->show();
    QVERIFY(QTest::qWaitForWindowExposed(board));

    popup = new KvPenPopupWidget;
    popup->setGeometry(300, 200, 100, 80);
}

// Sets the control that opens the popup and returns its global centre.
void tst_PopupWidget::cleanup()
{
    delete popup;
    delete board;
}

QPoint tst_PopupWidget::setOpener(const QString &opener)
{
    if (opener == QLatin1String("item")) {
        popup->setRelatedItem(item, view);
        const QPointF centre = item->sceneBoundingRect().center();
        return view->viewport()->mapToGlobal(view->mapFromScene(centre));
    }
    if (opener == QLatin1String("widget")) {
        popup->setRelatedWidget(relatedButton);
        return globalCentre(relatedButton);
    }
    if (opener == QLatin1String("toolAction"))
        popup->setToolAction(toolButton);
    return globalCentre(toolButton);
}

QPoint tst_PopupWidget::globalPoint(const QString &where, const QPoint &opener) const
{
    if (where == QLatin1String("popup"))
        return globalCentre(popup);
    return where == QLatin1String("opener") ? opener : board->mapToGlobal(QPoint(150, 70));
}

void tst_PopupWidget::showAndPressInPopup()
{
    QVERIFY(showOffscreenPopup(popup));
    moveCursor(globalCentre(popup));
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->rect().center());
    QVERIFY(popup->isVisible());
}

void tst_PopupWidget::hideSignalsTellWhatClosedThePopup_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<bool>("pressedInPopup");
    QTest::addColumn<QString>("event"); // what happens next, with the cursor on the last word
    QTest::addColumn<QStringList>("signalsEmitted");

    const QStringList hideOnly {"hidePopupWidget"};
    const QStringList elsewhere {"hidePopupWidget", "hideByClickedOtherArea"};
    const QStringList elsewhereFromTool = elsewhere + QStringList {"sigClickedOtherArea"};
    QTest::newRow("tool action, cursor on it") << "toolAction" << true << "hide opener" << hideOnly;
    QTest::newRow("tool action, cursor elsewhere")
        << "toolAction" << true << "hide elsewhere" << elsewhereFromTool;
    QTest::newRow("widget, cursor on it") << "widget" << true << "hide opener" << hideOnly;
    QTest::newRow("widget, cursor elsewhere") << "widget" << true << "hide elsewhere" << elsewhere;
    QTest::newRow("item, cursor on it") << "item" << true << "hide opener" << hideOnly;
    QTest::newRow("item, cursor elsewhere") << "item" << true << "hide elsewhere" << elsewhere;
    QTest::newRow("no opener, pressed") << "none" << true << "hide elsewhere" << hideOnly;
    QTest::newRow("not pressed, cursor on tool action")
        << "toolAction" << false << "hide opener" << elsewhere;
    QTest::newRow("not pressed, cursor in popup")
        << "toolAction" << false << "hide popup" << hideOnly;
    // The application-wide filter closes the popup on presses and releases in other windows.
    QTest::newRow("press in the board window")
        << "toolAction" << false << "press board elsewhere" << elsewhere;
    QTest::newRow("release in the board window")
        << "toolAction" << false << "release board elsewhere" << elsewhere;
    QTest::newRow("press with cursor on tool action")
        << "toolAction" << false << "press board opener" << QStringList();
    // Qt hands a press outside an open popup to the popup itself.
    QTest::newRow("popup gets press on tool action")
        << "toolAction" << false << "press popup opener" << hideOnly;
    QTest::newRow("press inside popup")
        << "toolAction" << false << "press popup popup" << QStringList();
}

void tst_PopupWidget::hideSignalsTellWhatClosedThePopup()
{
    QFETCH(QString, opener);
    QFETCH(bool, pressedInPopup);
    QFETCH(QString, event);
    QFETCH(QStringList, signalsEmitted);

    const QPoint openerCentre = setOpener(opener);
    if (pressedInPopup)
        showAndPressInPopup();
    else
        QVERIFY(showOffscreenPopup(popup));
    const QPoint cursor = globalPoint(event.section(' ', -1), openerCentre);
    moveCursor(cursor);

    KvSignalLog log(popup);
    QWidget *target = event.section(' ', 1, 1) == "popup" ? static_cast<QWidget *>(popup) : board;
    if (event.startsWith("hide"))
        popup->hide();
    else if (event.startsWith("press"))
        QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, target->mapFromGlobal(cursor));
    else
        QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, target->mapFromGlobal(cursor));
    QCOMPARE(log.names, signalsEmitted);
    QCOMPARE(popup->isVisible(), signalsEmitted.isEmpty());
}

void tst_PopupWidget::deletedToolActionIsForgotten()
{
    popup->setToolAction(toolButton);
    delete toolButton;
    QCOMPARE(popup->toolAction(), nullptr);
    showAndPressInPopup();
    moveCursor(globalPoint("elsewhere", {}));

    KvSignalLog log(popup);
    QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, QPoint(150, 70));
    QCOMPARE(log.names, QStringList {"hidePopupWidget"});
}

QTEST_MAIN(tst_PopupWidget)
#include "tst_popupwidget.moc"
