#include "KvSignalLog.h"
#include "KvTestMessages.h"
#include "KvToolAction.h"
#include "KvWidgetTesting.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
const QColor CheckedFill(0xFFDE6F6F);
} // namespace

class tst_ToolAction : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void iconFollowsState_data();
    void iconFollowsState();
    void releaseSignals_data();
    void releaseSignals();
    void editingBadgeAndSelection_data();
    void editingBadgeAndSelection();
    void longPressStartsDrag();

private:
    void writeIcon(const QString &infix, const QColor &color);

    QTemporaryDir dir;
    QString prefix;
    QHash<QString, QColor> iconColors;
};

// Each icon file is a solid square of its own colour.
void tst_ToolAction::writeIcon(const QString &infix, const QColor &color)
{
    QFile svg(prefix + infix + ".svg");
    QVERIFY(svg.open(QIODevice::WriteOnly));
    svg.write(QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\">"
                             "<rect width=\"10\" height=\"10\" fill=\"%1\"/></svg>")
                  .arg(color.name())
                  .toUtf8());
    iconColors.insert(infix, color);
}

void tst_ToolAction::initTestCase()
{
    failOnUnexpectedWarnings();
    QVERIFY(dir.isValid());
    prefix = dir.filePath("tool");
    writeIcon("", QColor(0xFF102030));
    QImage png(10, 10, QImage::Format_ARGB32);
    png.fill(0xFF405060);
    QVERIFY(png.save(prefix + ".png"));
    iconColors.insert(".png", QColor(0xFF405060));
    writeIcon("_pressed", QColor(0xFF00FF00));
    writeIcon("_select", QColor(0xFF0000FF));
    writeIcon("_p", QColor(0xFF800080));
    writeIcon("_p_pressed", QColor(0xFF808000));
}

void tst_ToolAction::iconFollowsState_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("svg");
    QTest::addColumn<bool>("disFile");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QColor>("corner");

    const QColor none = Qt::transparent;
    QTest::newRow("normal") << "normal" << true << false << "" << none;
    QTest::newRow("normal, png") << "normal" << false << false << ".png" << none;
    QTest::newRow("pressed down") << "down" << true << false << "_pressed" << CheckedFill;
    QTest::newRow("checked") << "checked" << true << false << "_select" << CheckedFill;
    QTest::newRow("disabled, no _dis file") << "disabled" << true << false << "" << none;
    QTest::newRow("disabled") << "disabled" << true << true << "_dis" << none;
    // In editing the background is painted over the checked fill.
    QTest::newRow("editing, checked")
        << "editingChecked" << true << true << "_dis" << QColor(0xFF123456);
    QTest::newRow("plain, down") << "plainDown" << true << false << "_p_pressed" << none;
    QTest::newRow("plain, hovered, no hover file")
        << "plainHovered" << true << false << "_p_pressed" << none;
}

void tst_ToolAction::iconFollowsState()
{
    QFETCH(QString, state);
    QFETCH(bool, svg);
    QFETCH(bool, disFile);
    QFETCH(QString, icon);
    QFETCH(QColor, corner);

    if (disFile)
        writeIcon("_dis", QColor(0xFF999999));
    else
        QFile::remove(prefix + "_dis");

    KvToolAction button;
    button.resize(48, 48);
    button.setStylePre(prefix);
    button.setIsSvg(svg);
    button.setCheckable(true);
    button.setBackgroundColor(state.startsWith("editing") ? QColor(0xFF123456) : Qt::transparent);
    button.setEditing(state.startsWith("editing"));
    button.setPlainStyle(state.startsWith("plain"));
    button.setEnabled(state != "disabled");
    if (state.contains("hecked"))
        QTest::mouseClick(&button, Qt::LeftButton);
    if (state.contains("own"))
        QTest::mousePress(&button, Qt::LeftButton);
    if (state == "plainHovered") {
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(&button, &enter);
    }

    const QImage image = paintedImage(&button);
    // The 28 x 28 icon is centred: (10, 10) to (37, 37).
    QCOMPARE(image.pixelColor(24, 24), iconColors.value(icon));
    QCOMPARE(image.pixelColor(10, 10), iconColors.value(icon));
    QCOMPARE(image.pixelColor(9, 24), corner);
    QCOMPARE(image.pixelColor(2, 2), corner);
}

void tst_ToolAction::releaseSignals_data()
{
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<QStringList>("signalsEmitted");

    QTest::newRow("click checks") << false << QPoint(20, 20)
                                  << QStringList {"pressed", "toggled",        "released",
                                                  "clicked", "checkedPressed", "released"};
    QTest::newRow("click unchecks")
        << true << QPoint(20, 20) << QStringList {"pressed", "toggled",          "released",
                                                  "clicked", "uncheckedPressed", "released"};
    QTest::newRow("released outside")
        << false << QPoint(100, 100) << QStringList {"pressed", "uncheckedPressed", "released"};
    QTest::newRow("checked, released outside")
        << true << QPoint(100, 100) << QStringList {"pressed", "checkedPressed", "released"};
}

void tst_ToolAction::releaseSignals()
{
    QFETCH(bool, checked);
    QFETCH(QPoint, releaseAt);
    QFETCH(QStringList, signalsEmitted);

    KvToolAction button;
    button.resize(40, 40);
    button.setCheckable(true);
    button.setChecked(checked);

    KvSignalLog log(&button);
    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, releaseAt);
    QCOMPARE(log.names, signalsEmitted);
}

void tst_ToolAction::editingBadgeAndSelection_data()
{
    QTest::addColumn<bool>("inToolbar");
    QTest::addColumn<int>("type");
    QTest::addColumn<QPoint>("clickAt");
    QTest::addColumn<QStringList>("editorSignals");
    QTest::addColumn<bool>("selectedAfter");

    const QPoint badge(40, 5);
    const QPoint body(20, 30);
    QTest::newRow("add from badge")
        << false << 7 << badge << QStringList {"addBoardToolbar"} << false;
    QTest::newRow("remove from badge")
        << true << 7 << badge << QStringList {"removeFormToolbar"} << false;
    QTest::newRow("select for moving")
        << true << 7 << body << QStringList {"selectedMoveButton"} << true;
    QTest::newRow("no badge below type 7")
        << true << 6 << badge << QStringList {"selectedMoveButton"} << true;
}

void tst_ToolAction::editingBadgeAndSelection()
{
    QFETCH(bool, inToolbar);
    QFETCH(int, type);
    QFETCH(QPoint, clickAt);
    QFETCH(QStringList, editorSignals);
    QFETCH(bool, selectedAfter);

    KvToolAction button;
    button.resize(48, 48);
    button.setProperty("type", type);
    button.setEditing(true);
    button.setInToolbar(inToolbar);
    paintedImage(&button); // the badge's hit area comes from painting

    KvSignalLog log(&button);
    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, clickAt);
    QCOMPARE(log.names, QStringList({"pressed", "released", "clicked"}) + editorSignals);
    QCOMPARE(button.isSelected(), selectedAfter);
}

void tst_ToolAction::longPressStartsDrag()
{
    KvToolAction button;
    button.resize(40, 40);
    button.setDragEnabled(true);
    QSignalSpy startDrag(&button, &KvToolAction::startDrag);
    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QVERIFY(startDrag.wait(3000));
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    QCOMPARE(startDrag.count(), 1);
}

QTEST_MAIN(tst_ToolAction)
#include "tst_toolaction.moc"
