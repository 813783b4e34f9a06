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

class tst_PopupWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }
    void init();
    void cleanup();

    void hideTellsWhetherAClickElsewhereCausedIt_data();
    void hideTellsWhetherAClickElsewhereCausedIt();
    void pressesAnywhereCloseThePopup_data();
    void pressesAnywhereCloseThePopup();
    void deletedToolActionIsForgotten();

private:
    void showPopup();
    void setOpener(const QString &opener);
    QPoint globalPoint(const QString &where) const;
    void moveCursor(const QPoint &global);

    QWidget *board = nullptr;
    QToolButton *toolButton = nullptr;
    QPushButton *relatedButton = nullptr;
    QGraphicsView *view = nullptr;
    QGraphicsSvgItem *item = nullptr;
    QPushButton *otherWindow = nullptr;
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
    otherWindow = new QPushButton;
    otherWindow->setGeometry(500, 0, 100, 100);
    otherWindow->show();
    QVERIFY(QTest::qWaitForWindowExposed(board));

    popup = new KvPenPopupWidget;
    popup->setGeometry(300, 200, 100, 80);
}

void tst_PopupWidget::cleanup()
{
    delete popup;
    delete otherWindow;
    delete board;
}

void tst_PopupWidget::showPopup()
{
    QVERIFY(showOffscreenPopup(popup));
}

void tst_PopupWidget::setOpener(const QString &opener)
{
    if (opener == QLatin1String("toolAction"))
        popup->setToolAction(toolButton);
    else if (opener == QLatin1String("widget"))
        popup->setRelatedWidget(relatedButton);
    else if (opener == QLatin1String("item"))
        popup->setRelatedItem(item, view);
}

// "opener" is the centre of whichever opener is set (tool action, widget or item).
QPoint tst_PopupWidget::globalPoint(const QString &where) const
{
    if (where == QLatin1String("popup"))
        return popup->mapToGlobal(popup->rect().center());
    if (where == QLatin1String("elsewhere"))
        return board->mapToGlobal(QPoint(150, 70));
    if (popup->toolAction())
        return toolButton->mapToGlobal(toolButton->rect().center());
    if (popup->relatedItem()) {
        const QPoint inView = view->mapFromScene(item->sceneBoundingRect().center());
        return view->viewport()->mapToGlobal(inView);
    }
    return relatedButton->mapToGlobal(relatedButton->rect().center());
}

void tst_PopupWidget::moveCursor(const QPoint &global)
{
    QCursor::setPos(global);
    QCoreApplication::processEvents();
    QCOMPARE(QCursor::pos(), global);
}

void tst_PopupWidget::hideTellsWhetherAClickElsewhereCausedIt_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<bool>("pressedInPopup");
    QTest::addColumn<QString>("cursorAt");
    QTest::addColumn<QStringList>("signalsEmitted");

    const QStringList hideOnly {"hidePopupWidget"};
    const QStringList elsewhere {"hidePopupWidget", "hideByClickedOtherArea"};
    const QStringList elsewhereFromTool {"hidePopupWidget", "hideByClickedOtherArea",
                                         "sigClickedOtherArea"};
    QTest::newRow("tool action, cursor on it") << "toolAction" << true << "opener" << hideOnly;
    QTest::newRow("tool action, cursor in popup") << "toolAction" << true << "popup" << hideOnly;
    QTest::newRow("tool action, cursor elsewhere")
        << "toolAction" << true << "elsewhere" << elsewhereFromTool;
    QTest::newRow("widget, cursor on it") << "widget" << true << "opener" << hideOnly;
    QTest::newRow("widget, cursor elsewhere") << "widget" << true << "elsewhere" << elsewhere;
    QTest::newRow("item, cursor on it") << "item" << true << "opener" << hideOnly;
    QTest::newRow("item, cursor elsewhere") << "item" << true << "elsewhere" << elsewhere;
    QTest::newRow("no opener, pressed") << "none" << true << "elsewhere" << hideOnly;
    QTest::newRow("not pressed, cursor on tool action")
        << "toolAction" << false << "opener" << elsewhere;
    QTest::newRow("not pressed, cursor in popup") << "toolAction" << false << "popup" << hideOnly;
    QTest::newRow("not pressed, no opener") << "none" << false << "elsewhere" << elsewhere;
}

void tst_PopupWidget::hideTellsWhetherAClickElsewhereCausedIt()
{
    QFETCH(QString, opener);
    QFETCH(bool, pressedInPopup);
    QFETCH(QString, cursorAt);
    QFETCH(QStringList, signalsEmitted);

    setOpener(opener);
    showPopup();
    if (pressedInPopup) {
        moveCursor(globalPoint("popup"));
        QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->rect().center());
        QVERIFY(popup->isVisible());
    }
    moveCursor(globalPoint(cursorAt));

    KvSignalLog log(popup);
    popup->hide();
    QCOMPARE(log.names, signalsEmitted);
}

void tst_PopupWidget::pressesAnywhereCloseThePopup_data()
{
    QTest::addColumn<QEvent::Type>("type");
    QTest::addColumn<QString>("receiver");
    QTest::addColumn<QString>("cursorAt");
    QTest::addColumn<QStringList>("signalsEmitted");

    const QStringList elsewhere {"hidePopupWidget", "hideByClickedOtherArea"};
    const auto press = QEvent::MouseButtonPress;
    const auto release = QEvent::MouseButtonRelease;
    QTest::newRow("press in another window") << press << "otherWindow"
                                             << "elsewhere" << elsewhere;
    QTest::newRow("release in another window") << release << "otherWindow"
                                               << "elsewhere" << elsewhere;
    QTest::newRow("press with cursor on tool action") << press << "otherWindow"
                                                      << "opener" << QStringList();
    // Qt hands a press outside an open popup to the popup itself.
    QTest::newRow("popup gets press on tool action") << press << "popup"
                                                     << "opener" << QStringList {"hidePopupWidget"};
    QTest::newRow("popup gets press elsewhere") << press << "popup"
                                                << "elsewhere" << elsewhere;
    QTest::newRow("press inside popup") << press << "popup"
                                        << "popup" << QStringList();
}

void tst_PopupWidget::pressesAnywhereCloseThePopup()
{
    QFETCH(QEvent::Type, type);
    QFETCH(QString, receiver);
    QFETCH(QString, cursorAt);
    QFETCH(QStringList, signalsEmitted);

    popup->setToolAction(toolButton);
    showPopup();
    const QPoint cursor = globalPoint(cursorAt);
    moveCursor(cursor);

    KvSignalLog log(popup);
    QWidget *target
        = receiver == QLatin1String("popup") ? static_cast<QWidget *>(popup) : otherWindow;
    const QPoint local = target->mapFromGlobal(cursor);
    if (type == QEvent::MouseButtonPress)
        QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, local);
    else
        QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, local);

    QCOMPARE(log.names, signalsEmitted);
    QCOMPARE(popup->isVisible(), signalsEmitted.isEmpty());
}

void tst_PopupWidget::deletedToolActionIsForgotten()
{
    popup->setToolAction(toolButton);
    delete toolButton;
    QCOMPARE(popup->toolAction(), nullptr);
    showPopup();
    moveCursor(globalPoint("popup"));
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->rect().center());
    moveCursor(globalPoint("elsewhere"));

    KvSignalLog log(popup);
    QTest::mousePress(otherWindow, Qt::LeftButton);
    QCOMPARE(log.names, QStringList {"hidePopupWidget"});
}

QTEST_MAIN(tst_PopupWidget)
#include "tst_popupwidget.moc"
