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

    void hideTellsWhetherAClickElsewhereCausedIt_data();
    void hideTellsWhetherAClickElsewhereCausedIt();
    void pressesAnywhereCloseThePopup_data();
    void pressesAnywhereCloseThePopup();
    void deletedToolActionIsForgotten();

private:
    QPoint setOpener(const QString &opener);
    QPoint globalPoint(const QString &where, const QPoint &opener) const;
    void pressInPopup();

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

void tst_PopupWidget::cleanup()
{
    delete popup;
    delete board;
}

// Sets the control that opens the popup and returns its global centre.
QPoint tst_PopupWidget::setOpener(const QString &opener)
{
    if (opener == QLatin1String("toolAction"))
        popup->setToolAction(toolButton);
    else if (opener == QLatin1String("widget"))
        popup->setRelatedWidget(relatedButton);
    else if (opener == QLatin1String("item"))
        popup->setRelatedItem(item, view);
    if (opener == QLatin1String("item"))
        return view->viewport()->mapToGlobal(
            view->mapFromScene(item->sceneBoundingRect().center()));
    if (opener == QLatin1String("widget"))
        return globalCentre(relatedButton);
    return globalCentre(toolButton);
}

QPoint tst_PopupWidget::globalPoint(const QString &where, const QPoint &opener) const
{
    if (where == QLatin1String("popup"))
        return globalCentre(popup);
    return where == QLatin1String("opener") ? opener : board->mapToGlobal(QPoint(150, 70));
}

void tst_PopupWidget::pressInPopup()
{
    QVERIFY(showOffscreenPopup(popup));
    moveCursor(globalCentre(popup));
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->rect().center());
    QVERIFY(popup->isVisible());
}

void tst_PopupWidget::hideTellsWhetherAClickElsewhereCausedIt_data()
{
    QTest::addColumn<QString>("opener");
    QTest::addColumn<bool>("pressedInPopup");
    QTest::addColumn<QString>("cursorAt");
    QTest::addColumn<QStringList>("signalsEmitted");

    const QStringList hideOnly {"hidePopupWidget"};
    const QStringList elsewhere {"hidePopupWidget", "hideByClickedOtherArea"};
    const QStringList elsewhereFromTool = elsewhere + QStringList {"sigClickedOtherArea"};
    QTest::newRow("tool action, cursor on it") << "toolAction" << true << "opener" << hideOnly;
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
}

void tst_PopupWidget::hideTellsWhetherAClickElsewhereCausedIt()
{
    QFETCH(QString, opener);
    QFETCH(bool, pressedInPopup);
    QFETCH(QString, cursorAt);
    QFETCH(QStringList, signalsEmitted);

    const QPoint openerCentre = setOpener(opener);
    if (pressedInPopup)
        pressInPopup();
    else
        QVERIFY(showOffscreenPopup(popup));
    moveCursor(globalPoint(cursorAt, openerCentre));

    KvSignalLog log(popup);
    popup->hide();
    QCOMPARE(log.names, signalsEmitted);
}

void tst_PopupWidget::pressesAnywhereCloseThePopup_data()
{
    QTest::addColumn<QEvent::Type>("type");
    QTest::addColumn<bool>("toPopup");
    QTest::addColumn<QString>("cursorAt");
    QTest::addColumn<QStringList>("signalsEmitted");

    const QStringList elsewhere {"hidePopupWidget", "hideByClickedOtherArea"};
    const auto press = QEvent::MouseButtonPress;
    QTest::newRow("press in the board window") << press << false << "elsewhere" << elsewhere;
    QTest::newRow("release in the board window")
        << QEvent::MouseButtonRelease << false << "elsewhere" << elsewhere;
    QTest::newRow("press with cursor on tool action")
        << press << false << "opener" << QStringList();
    // Qt hands a press outside an open popup to the popup itself.
    QTest::newRow("popup gets press on tool action")
        << press << true << "opener" << QStringList {"hidePopupWidget"};
    QTest::newRow("press inside popup") << press << true << "popup" << QStringList();
}

void tst_PopupWidget::pressesAnywhereCloseThePopup()
{
    QFETCH(QEvent::Type, type);
    QFETCH(bool, toPopup);
    QFETCH(QString, cursorAt);
    QFETCH(QStringList, signalsEmitted);

    const QPoint cursor = globalPoint(cursorAt, setOpener("toolAction"));
    QVERIFY(showOffscreenPopup(popup));
    moveCursor(cursor);

    KvSignalLog log(popup);
    QWidget *target = toPopup ? static_cast<QWidget *>(popup) : board;
    if (type == QEvent::MouseButtonPress)
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
    pressInPopup();
    moveCursor(globalPoint("elsewhere", {}));

    KvSignalLog log(popup);
    QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, QPoint(150, 70));
    QCOMPARE(log.names, QStringList {"hidePopupWidget"});
}

QTEST_MAIN(tst_PopupWidget)
#include "tst_popupwidget.moc"
