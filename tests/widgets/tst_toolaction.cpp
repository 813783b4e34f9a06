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
    void longPressStartsDrag();

private:
    void setUp(KvToolAction &button, const QString &state);

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

// A 48 x 48 checkable button set up as the words of `state` say: "png" or "bare" (icon family
// without "_dis" files), "plain", "editing", "toolbar", "type7", "disabled", then "checked" (by
// a click), "down" (pressed) and "hovered".
void tst_ToolAction::setUp(KvToolAction &button, const QString &state)
{
    const QStringList words = state.split(' ');
    button.resize(48, 48);
    button.setStylePre(dir.filePath(words.contains("bare") ? "bare" : "tool"));
    button.setIsSvg(!words.contains("png"));
    button.setCheckable(true);
    button.setProperty("type", words.contains("type7") ? 7 : 6);
    button.setPlainStyle(words.contains("plain"));
    button.setEditing(words.contains("editing"));
    button.setBackgroundColor(words.contains("editing") ? QColor(0xFF123456) : Qt::transparent);
    button.setInToolbar(words.contains("toolbar"));
    button.setEnabled(!words.contains("disabled"));
    if (words.contains("checked"))
        QTest::mouseClick(&button, Qt::LeftButton);
    if (words.contains("down"))
        QTest::mousePress(&button, Qt::LeftButton);
    if (words.contains("hovered")) {
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(&button, &enter);
    }
}

void tst_ToolAction::iconFollowsState_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<QString>("icon");

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
    setUp(button, state);

    // The 28 x 28 icon is centred: (10, 10) to (37, 37), one pixel higher in plain style.
    const QImage image = paintedImage(&button);
    QCOMPARE(image.pixelColor(10, 10), IconColors[icon]);
    QCOMPARE(image.pixelColor(37, 36), IconColors[icon]);
    QCOMPARE(image.pixelColor(9, 24), background);
}

void tst_ToolAction::releaseSignals_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QPoint>("pressAt");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<QStringList>("signalsEmitted");

    const QPoint inside(20, 30), outside(100, 100), badge(40, 5);
    const QStringList check {"pressed", "toggled true", "released", "clicked true"};
    const QStringList uncheck {"pressed", "toggled false", "released", "clicked false"};
    QTest::newRow("click checks") << "" << inside << inside
                                  << check + QStringList {"checkedPressed", "released"};
    QTest::newRow("click unchecks")
        << "checked" << inside << inside << uncheck + QStringList {"uncheckedPressed", "released"};
    QTest::newRow("released outside")
        << "" << inside << outside << QStringList {"pressed", "uncheckedPressed", "released"};
    QTest::newRow("checked, released outside")
        << "checked" << inside << outside << QStringList {"pressed", "checkedPressed", "released"};
    // In editing a release reports to the toolbar editor instead.
    QTest::newRow("editing: add from badge")
        << "editing type7" << badge << badge << check + QStringList {"addBoardToolbar"};
    QTest::newRow("editing: remove from badge")
        << "editing toolbar type7" << badge << badge << check + QStringList {"removeFormToolbar"};
    QTest::newRow("editing: select for moving") << "editing toolbar type7" << inside << inside
                                                << check + QStringList {"selectedMoveButton true"};
    QTest::newRow("editing: no badge below type 7")
        << "editing toolbar" << badge << badge << check + QStringList {"selectedMoveButton true"};
}

void tst_ToolAction::releaseSignals()
{
    QFETCH(QString, state);
    QFETCH(QPoint, pressAt);
    QFETCH(QPoint, releaseAt);
    QFETCH(QStringList, signalsEmitted);
    KvToolAction button;
    setUp(button, state);
    paintedImage(&button); // the badge's hit area comes from painting

    KvSignalLog log(&button);
    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, pressAt);
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, releaseAt);
    QCOMPARE(log.calls, signalsEmitted);
    QCOMPARE(button.isSelected(), signalsEmitted.last().endsWith("true"));
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
