#include "KvSignalLog.h"
#include "KvTestMessages.h"
#include "KvToolAction.h"
#include "KvWidgetTesting.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {
const QColor CheckedFill(0xFFDE6F6F);
// Each icon file is a solid square of its own colour; ".png" is the PNG twin of "".
const QHash<QString, QColor> IconColors
    = {{"", QColor(0xFF102030)},         {".png", QColor(0xFF405060)},
       {"_pressed", QColor(0xFF00FF00)}, {"_select", QColor(0xFF0000FF)},
       {"_p", QColor(0xFF800080)},       {"_p_pressed", QColor(0xFF808000)},
       {"_dis", QColor(0xFF999999)}};
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
    QTemporaryDir dir;
};

void tst_ToolAction::initTestCase()
{
    failOnUnexpectedWarnings();
    QVERIFY(dir.isValid());
    for (auto icon = IconColors.cbegin(); icon != IconColors.cend(); ++icon) {
        QFile svg(dir.filePath("tool" + icon.key() + ".svg"));
        QVERIFY(svg.open(QIODevice::WriteOnly));
        svg.write(
            QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" "
                           "height=\"10\"><rect width=\"10\" height=\"10\" fill=\"%1\"/></svg>")
                .arg(icon.value().name())
                .toUtf8());
    }
    QImage png(10, 10, QImage::Format_ARGB32);
    png.fill(IconColors[".png"]);
    QVERIFY(png.save(dir.filePath("tool.png")));
    // A family without "_dis" icons.
    QVERIFY(QFile::copy(dir.filePath("tool.svg"), dir.filePath("bare.svg")));
}

void tst_ToolAction::iconFollowsState_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QString>("icon");

    // "bare" is an icon family without "_dis" files, "png" one of PNG files.
    const QColor none = Qt::transparent;
    QTest::newRow("normal") << "" << none << "";
    QTest::newRow("normal, png") << "png" << none << ".png";
    QTest::newRow("pressed down") << "down" << CheckedFill << "_pressed";
    QTest::newRow("checked") << "checked" << CheckedFill << "_select";
    QTest::newRow("disabled") << "disabled" << none << "_dis";
    QTest::newRow("disabled, no _dis file") << "disabled bare" << none << "";
    // In editing the background is painted over the checked fill.
    QTest::newRow("editing, checked") << "editing checked" << QColor(0xFF123456) << "_dis";
    QTest::newRow("plain, down") << "plain down" << none << "_p_pressed";
    QTest::newRow("plain, hovered, no hover file") << "plain hovered" << none << "_p_pressed";
}

void tst_ToolAction::iconFollowsState()
{
    QFETCH(QString, state);
    QFETCH(QColor, background);
    QFETCH(QString, icon);
    KvToolAction button;
    button.resize(48, 48);
    button.setStylePre(dir.filePath(state.contains("bare") ? "bare" : "tool"));
    button.setIsSvg(!state.contains("png"));
    button.setCheckable(true);
    button.setBackgroundColor(state.contains("editing") ? QColor(0xFF123456) : Qt::transparent);
    button.setEditing(state.contains("editing"));
    button.setPlainStyle(state.contains("plain"));
    button.setEnabled(!state.contains("disabled"));
    if (state.contains("checked"))
        QTest::mouseClick(&button, Qt::LeftButton);
    if (state.contains("down"))
        QTest::mousePress(&button, Qt::LeftButton);
    if (state.contains("hovered")) {
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(&button, &enter);
    }

    // The 28 x 28 icon is centred: (10, 10) to (37, 37), one pixel higher in plain style.
    const QImage image = paintedImage(&button);
    QCOMPARE(image.pixelColor(10, 10), IconColors[icon]);
    QCOMPARE(image.pixelColor(37, 36), IconColors[icon]);
    QCOMPARE(image.pixelColor(9, 24), background);
}

void tst_ToolAction::releaseSignals_data()
{
    QTest::addColumn<bool>("checked");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<QStringList>("signalsEmitted");

    const QStringList click {"pressed", "toggled", "released", "clicked"};
    QTest::newRow("click checks") << false << QPoint(20, 20)
                                  << click + QStringList {"checkedPressed", "released"};
    QTest::newRow("click unchecks")
        << true << QPoint(20, 20) << click + QStringList {"uncheckedPressed", "released"};
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
    QTest::addColumn<QString>("editorSignal");

    const QPoint badge(40, 5);
    QTest::newRow("add from badge") << false << 7 << badge << "addBoardToolbar";
    QTest::newRow("remove from badge") << true << 7 << badge << "removeFormToolbar";
    QTest::newRow("select for moving") << true << 7 << QPoint(20, 30) << "selectedMoveButton true";
    QTest::newRow("no badge below type 7") << true << 6 << badge << "selectedMoveButton true";
}

void tst_ToolAction::editingBadgeAndSelection()
{
    QFETCH(bool, inToolbar);
    QFETCH(int, type);
    QFETCH(QPoint, clickAt);
    QFETCH(QString, editorSignal);
    KvToolAction button;
    button.resize(48, 48);
    button.setProperty("type", type);
    button.setEditing(true);
    button.setInToolbar(inToolbar);
    paintedImage(&button); // the badge's hit area comes from painting

    KvSignalLog log(&button);
    QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, clickAt);
    QCOMPARE(log.calls, QStringList({"pressed", "released", "clicked false", editorSignal}));
    QCOMPARE(button.isSelected(), editorSignal.endsWith("true"));
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
