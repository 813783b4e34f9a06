#include "KvBoard.h"
#include "KvBoardDocument.h"
#include "KvBoardDomWriter.h"
#include "KvBoardLimits.h"
#include "KvBoardScript.h"
#include "KvBoardTransport.h"
#include "KvBoardView.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenCore.h"
#include "KvPenTypes.h"
#include "KvTestMessages.h"

#include <QDomDocument>
#include <QUndoStack>
#include <QtTest>

namespace {

enum Action { Draw, Erase, AreaErase, Clear, TwoFingers };

QStringList uuids(const KvBoard &board)
{
    QStringList list;
    for (const KvGraphicsStrokesGroup *group : board.scene()->strokes())
        list.append(group->uuid().toString(QUuid::WithoutBraces));
    return list;
}

// A board with a view, as the plug-in needs one for the area eraser and whole-stroke replay.
struct Participant
{
    explicit Participant(const QString &name)
        : board(name)
        , view(&board)
    {
        view.resize(KvBoardScene::kWidth, KvBoardScene::kHeight);
        view.show();
    }
    KvBoard board;
    KvBoardView view;
};

void drawLine(KvBoard &board, QPointF from, QPointF to)
{
    board.core()->setStylus(0);
    board.pointerPress(from);
    for (int i = 1; i <= 10; ++i)
        board.pointerMove(from + (to - from) * i / 10.0);
    board.pointerRelease();
}

// Two horizontal strokes: one at y 100, one at y 300.
void drawTwoStrokes(KvBoard &board)
{
    drawLine(board, {100, 100}, {400, 100});
    drawLine(board, {100, 300}, {400, 300});
}

void act(KvBoard &board, Action action)
{
    switch (action) {
    case Draw:
        drawLine(board, {100, 500}, {400, 520});
        break;
    case Erase:
        board.core()->setStylus(1);
        board.pointerPress({250, 60});
        board.pointerMove({250, 100});
        board.pointerMove({250, 140});
        board.pointerRelease();
        break;
    case AreaErase:
        board.eraseArea(QRectF(200, 80, 60, 60));
        board.eraseArea(QRectF(260, 80, 60, 60));
        board.endEraseArea();
        break;
    case Clear:
        board.clear();
        break;
    case TwoFingers:
        board.core()->setStylus(0);
        board.touchPress(1, {100, 600});
        board.touchPress(2, {100, 650});
        for (int x = 120; x <= 400; x += 20) {
            board.touchMove(1, {qreal(x), 600});
            board.touchMove(2, {qreal(x), 650});
        }
        board.touchRelease(1);
        board.touchRelease(2);
        break;
    }
}

// A save-records file of one stroke record whose data holds `value`, the raw bytes of one value.
QByteArray recordsHolding(const QByteArray &value)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << quint32(0x4B56424B) << quint16(1) << qint32(1) << QString("uuid")
           << qint32(KvGraphicsStrokesGroup::Type) << QString("name") << quint32(1)
           << QString("key");
    return bytes + value;
}

// The raw bytes of a value's head: its type and null flag, then `body`.
QByteArray value(QMetaType::Type type, const QByteArray &body)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << quint32(type) << qint8(0);
    return bytes + body;
}

QByteArray solidBrush()
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_5_15);
    stream << QBrush(Qt::white);
    return bytes;
}

const QByteArray kHugeCount = QByteArray::fromHex("7fffffff");

// Order aside: a restored or mirrored stroke joins the board anew.
QSet<QString> uuidSet(const KvBoard &board)
{
    const QStringList list = uuids(board);
    return QSet<QString>(list.begin(), list.end());
}

} // namespace

class tst_KvBoard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }
    void undoRedo_data();
    void undoRedo();
    void remoteInkIsNotUndoable();
    void mirroring_data();
    void mirroring();
    void mirroringWithDelay();
    void files_data();
    void files();
    void strokesWriteAsQtWrites_data();
    void strokesWriteAsQtWrites();
    void badFilesChangeNothing_data();
    void badFilesChangeNothing();
    void partlyRefusedFile();
    void fullBoardTakesNoNewStroke();
    void remoteRefusalsAreReported();
    void scriptOpens_data();
    void scriptOpens();
    void viewInput();
};

void tst_KvBoard::undoRedo_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("strokesAfter");
    QTest::addColumn<int>("steps");
    QTest::newRow("draw a stroke") << int(Draw) << 3 << 1;
    QTest::newRow("eraser gesture") << int(Erase) << 1 << 1;
    QTest::newRow("palm") << int(AreaErase) << 1 << 1;
    QTest::newRow("clear") << int(Clear) << 0 << 1;
    QTest::newRow("two fingers at once") << int(TwoFingers) << 4 << 2;
}

void tst_KvBoard::undoRedo()
{
    QFETCH(int, action);
    QFETCH(int, strokesAfter);
    QFETCH(int, steps);
    Participant me(QStringLiteral("board"));
    drawTwoStrokes(me.board);
    const QStringList before = uuids(me.board);
    QCOMPARE(before.size(), 2);
    QCOMPARE(me.board.undoStack()->count(), 2);

    act(me.board, Action(action));
    const QStringList after = uuids(me.board);
    QCOMPARE(after.size(), strokesAfter);
    QCOMPARE(me.board.undoStack()->count(), 2 + steps);

    for (int i = 0; i < steps; ++i)
        me.board.undoStack()->undo();
    QCOMPARE(uuidSet(me.board), QSet<QString>(before.begin(), before.end()));
    for (int i = 0; i < steps; ++i)
        me.board.undoStack()->redo();
    QCOMPARE(uuidSet(me.board), QSet<QString>(after.begin(), after.end()));
    // The strokes off the board stay with it: undoing all the way brings everything back.
    while (me.board.undoStack()->canUndo())
        me.board.undoStack()->undo();
    QVERIFY(uuids(me.board).isEmpty());
    while (me.board.undoStack()->canRedo())
        me.board.undoStack()->redo();
    QCOMPARE(uuidSet(me.board), QSet<QString>(after.begin(), after.end()));
}

void tst_KvBoard::remoteInkIsNotUndoable()
{
    Participant me(QStringLiteral("board"));
    Participant remote(QStringLiteral("mirror"));
    KvBoardTransport transport(&me.board, &remote.board);
    drawTwoStrokes(me.board);
    QCOMPARE(uuids(remote.board), uuids(me.board));
    QCOMPARE(remote.board.undoStack()->count(), 0);
    // Remote participants' messages never travel back.
    QSignalSpy echoes(&remote.board, &KvBoard::liveMessage);
    drawLine(me.board, {10, 10}, {90, 90});
    QCOMPARE(echoes.count(), 0);
}

void tst_KvBoard::mirroring_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("live") << int(KvBoardTransport::Live);
    QTest::newRow("whole strokes") << int(KvBoardTransport::WholeStroke);
}

void tst_KvBoard::mirroring()
{
    QFETCH(int, mode);
    Participant me(QStringLiteral("board"));
    Participant remote(QStringLiteral("mirror"));
    KvBoardTransport transport(&me.board, &remote.board);
    transport.setMode(KvBoardTransport::Mode(mode));
    QSignalSpy sent(&transport, &KvBoardTransport::sent);

    drawTwoStrokes(me.board);
    QCOMPARE(uuids(remote.board), uuids(me.board));
    const QString kind = sent.first().first().toJsonObject().value("kind").toString();
    QCOMPARE(kind, mode == KvBoardTransport::Live ? QString("live") : QString("stroke"));

    // The plug-in's eraser messages, a palm, undo, redo and clear all reach the other board.
    const QList<Action> actions {Erase, AreaErase, Clear, TwoFingers};
    for (Action action : actions) {
        act(me.board, action);
        QCOMPARE(uuidSet(remote.board), uuidSet(me.board));
        me.board.undoStack()->undo();
        QCOMPARE(uuidSet(remote.board), uuidSet(me.board));
        me.board.undoStack()->redo();
        QCOMPARE(uuidSet(remote.board), uuidSet(me.board));
    }
    // Both ways: the remote participant draws too.
    drawLine(remote.board, {500, 500}, {700, 500});
    QCOMPARE(uuidSet(me.board), uuidSet(remote.board));
    // A board opened from a file replaces the other participant's board as well.
    Participant other(QStringLiteral("other"));
    drawTwoStrokes(other.board);
    QVERIFY(me.board.loadXml(other.board.toXml()));
    QCOMPARE(uuids(remote.board), uuids(other.board));
}

void tst_KvBoard::mirroringWithDelay()
{
    Participant me(QStringLiteral("board"));
    Participant remote(QStringLiteral("mirror"));
    KvBoardTransport transport(&me.board, &remote.board);
    transport.setDelay(30);
    drawTwoStrokes(me.board);
    me.board.undoStack()->undo();
    QVERIFY(uuids(remote.board).isEmpty());
    QVERIFY(transport.isBusy());
    QTRY_VERIFY(!transport.isBusy());
    QCOMPARE(uuids(remote.board), uuids(me.board));
    QCOMPARE(uuids(remote.board).size(), 1);
}

void tst_KvBoard::files_data()
{
    QTest::addColumn<bool>("xml");
    QTest::newRow("XML document") << true;
    QTest::newRow("save records") << false;
}

void tst_KvBoard::files()
{
    QFETCH(bool, xml);
    Participant me(QStringLiteral("board"));
    me.board.core()->setPenColor(QColor("#4A90E2"));
    drawLine(me.board, {100, 100}, {400, 160});
    me.board.core()->setStylus(2);
    me.board.pointerPress({100, 300});
    me.board.pointerMove({250, 330});
    me.board.pointerMove({400, 300});
    me.board.pointerRelease();
    const QByteArray saved = xml ? me.board.toXml() : me.board.toRecords();

    Participant loaded(QStringLiteral("board"));
    drawLine(loaded.board, {600, 600}, {700, 700});
    QString error;
    QVERIFY2(xml ? loaded.board.loadXml(saved, &error) : loaded.board.loadRecords(saved, &error),
             qPrintable(error));
    QCOMPARE(uuids(loaded.board), uuids(me.board));
    QCOMPARE(loaded.board.undoStack()->count(), 0);
    const auto strokes = loaded.board.scene()->strokes();
    QCOMPARE(strokes.at(0)->stylus(), 0);
    QCOMPARE(strokes.at(1)->stylus(), 2);
    QCOMPARE(strokes.at(0)->color().rgb(), QColor("#4A90E2").rgb());
    QCOMPARE(loaded.board.render(), me.board.render());

    // Through a file on disk too, by its suffix.
    QTemporaryDir dir;
    const QString path = dir.filePath(xml ? "board.xml" : "board.kvb");
    QVERIFY(me.board.saveFile(path));
    Participant reopened(QStringLiteral("board"));
    QVERIFY(reopened.board.openFile(path));
    QCOMPARE(uuids(reopened.board), uuids(me.board));
    // A board that could not be written leaves the file as it was.
    QString writeError;
    QVERIFY(!KvBoard::writeFile(path, QByteArray(), &writeError));
    QVERIFY(!writeError.isEmpty());
    QVERIFY(reopened.board.openFile(path));
    QCOMPARE(uuids(reopened.board), uuids(me.board));
}

void tst_KvBoard::strokesWriteAsQtWrites_data()
{
    QTest::addColumn<QByteArray>("xml");
    Participant me(QStringLiteral("board"));
    drawTwoStrokes(me.board);
    me.board.core()->setStylus(2);
    drawLine(me.board, {100, 200}, {400, 260});
    QTest::newRow("a drawn board") << me.board.toXml();
    QTest::newRow("markup in text")
        << QByteArray("<s><a>x &lt; y &amp;&amp; y > z ]]&gt; \"q\" 'a'</a><b>]]]&gt;]]</b></s>");
    QTest::newRow("line ends and tabs")
        << QByteArray("<s><a>one&#xd;&#xa;two&#x9;three&#xd;</a><b x=\"1&#xd;&#xa;2&#x9;3\"/></s>");
    QTest::newRow("markup in attributes")
        << QByteArray("<s a=\"&lt;&amp;&quot;'>]]&gt;\" b=\"\" c=\"2\"><t u=\"v\">w</t></s>");
    QTest::newRow("empty, nested, beyond ASCII") << QByteArray(
        "<s><e/><f><g><h>\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80</h></g></f><i></i></s>");
    QTest::newRow("mixed content") << QByteArray("<s>a<b>c</b>d<e/></s>");
    QTest::newRow("CDATA and comments") << QByteArray("<s><a><![CDATA[<x>]]></a><!-- c --></s>");
    QTest::newRow("namespaces") << QByteArray("<s xmlns:p=\"urn:x\"><p:a p:b=\"1\"/></s>");
}

// Every element, written on its own, reads as Qt writes it to a UTF-8 stream.
void tst_KvBoard::strokesWriteAsQtWrites()
{
    QFETCH(QByteArray, xml);
    QDomDocument document;
    QVERIFY(document.setContent(xml, QTest::currentDataTag() == QLatin1String("namespaces")));
    QList<QDomElement> pending {document.documentElement()};
    while (!pending.isEmpty()) {
        const QDomElement element = pending.takeFirst();
        QString text;
        QTextStream stream(&text);
        stream.setCodec("UTF-8");
        element.save(stream, 1);
        QCOMPARE(QString::fromUtf8(KvBoardDomWriter::write(element)), text);
        for (QDomElement child = element.firstChildElement(); !child.isNull();
             child = child.nextSiblingElement())
            pending.append(child);
    }
}

void tst_KvBoard::badFilesChangeNothing_data()
{
    QTest::addColumn<bool>("xml");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("not XML") << true << QByteArray("<kvboard version=\"1\"><board>");
    QTest::newRow("foreign XML") << true << QByteArray("<svg/>");
    QTest::newRow("unknown version")
        << true << QByteArray("<kvboard version=\"9\"><board/></kvboard>");
    QTest::newRow("empty records") << false << QByteArray();
    QTest::newRow("records cut short") << false << QByteArray::fromHex("4b56424b0001000000050000");
    QTest::newRow("absurd record count") << false << QByteArray::fromHex("4b56424b00017fffffff");
    // Counts that claim more than the file holds, which Qt's decoder would reserve.
    QTest::newRow("list count") << false
                                << recordsHolding(value(QMetaType::QVariantList, kHugeCount));
    QTest::newRow("polygon count")
        << false << recordsHolding(value(QMetaType::QPolygonF, kHugeCount));
    QTest::newRow("pen dash count")
        << false
        << recordsHolding(value(QMetaType::QPen,
                                QByteArray(2 + 1 + 8, '\0') + solidBrush() + QByteArray(8, '\0')
                                    + kHugeCount));
    QTest::newRow("gradient stop count")
        << false
        << recordsHolding(value(QMetaType::QBrush,
                                QByteArray::fromHex("0f") + QByteArray(11, '\0')
                                    + QByteArray(12, '\0') + kHugeCount));
    QByteArray lists;
    for (int i = 0; i < 200000; ++i)
        lists += value(QMetaType::QVariantList, QByteArray::fromHex("00000001"));
    QTest::newRow("200,000 nested lists") << false << recordsHolding(lists);
    QTest::newRow("100,000 nested elements")
        << true << "<kvboard version=\"1\"><board>" + QByteArray("<a>").repeated(100000);
    QTest::newRow("entity of 50,000 characters referenced 50,000 times")
        << true
        << "<!DOCTYPE kvboard [<!ENTITY e \"" + QByteArray(50000, 'x')
            + "\">]><kvboard version=\"1\"><board><strokesGroup><uuid>"
            + QByteArray("&e;").repeated(50000) + "</uuid></strokesGroup></board></kvboard>";
    // UTF-7 "+3on" decodes to a lone surrogate, which no copy of the stroke can hold.
    QTest::newRow("text that is not Unicode")
        << true
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-7\"?><kvboard version=\"1\"><board>"
                      "<strokesGroup>105+3on> </strokesGroup><strokesGroup>d</strokesGroup>"
                      "</board></kvboard>");
}

void tst_KvBoard::badFilesChangeNothing()
{
    QFETCH(bool, xml);
    QFETCH(QByteArray, bytes);
    Participant me(QStringLiteral("board"));
    drawTwoStrokes(me.board);
    const QStringList before = uuids(me.board);
    QString error;
    QVERIFY(!(xml ? me.board.loadXml(bytes, &error) : me.board.loadRecords(bytes, &error)));
    QVERIFY(!error.isEmpty());
    QCOMPARE(uuids(me.board), before);
    QCOMPARE(me.board.undoStack()->count(), 2);
}

void tst_KvBoard::partlyRefusedFile()
{
    Participant me(QStringLiteral("board"));
    drawTwoStrokes(me.board);
    // One piece of the second stroke lies far beyond what the plug-in loads.
    QByteArray xml = me.board.toXml();
    const int second
        = xml.indexOf("<polygon>", xml.indexOf("<strokesGroup", xml.indexOf("</strokesGroup")));
    xml.insert(second + int(strlen("<polygon>")), "5e9,5e9;");
    QTemporaryDir dir;
    QFile file(dir.filePath("partly.xml"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(xml) == xml.size());
    file.close();

    Participant loaded(QStringLiteral("board"));
    KvBoardLoadReport report;
    QVERIFY(loaded.board.openFile(file.fileName(), nullptr, &report));
    QCOMPARE(report.strokes, 2);
    QCOMPARE(report.refusedStrokes, 1);
    QCOMPARE(report.refusedPieces, 1);
    QVERIFY(!report.summary().isEmpty());
    QVERIFY(!report.details.isEmpty());
    QCOMPARE(uuids(loaded.board), uuids(me.board));
    QVERIFY(!loaded.board.isModified());
}

namespace {

// A board document of `capacity` copies of the first piece `source` drew, in strokes of as many
// pieces as a stroke holds.
QByteArray fullBoardXml(KvBoard &source, int capacity)
{
    const QByteArray xml = source.toXml();
    const int from = xml.indexOf("<polygonItem>");
    const QByteArray piece = xml.mid(from, xml.indexOf("</polygonItem>") + 14 - from);
    const QByteArray head = xml.left(from);
    const QByteArray tail = xml.mid(xml.lastIndexOf("</strokesGroup>"));
    const QByteArray uuid
        = source.scene()->strokes().first()->uuid().toByteArray(QUuid::WithoutBraces);
    QList<QByteArray> strokes;
    for (int left = capacity; left > 0; left -= KvPen::kMaxPiecesPerGroup) {
        QByteArray stroke = head.mid(head.indexOf("<strokesGroup"))
            + piece.repeated(qMin(left, KvPen::kMaxPiecesPerGroup)) + "</strokesGroup>";
        strokes.append(stroke.replace(uuid, QUuid::createUuid().toByteArray(QUuid::WithoutBraces)));
    }
    return KvBoardDocument::writeStrokesXml(strokes);
}

} // namespace

void tst_KvBoard::fullBoardTakesNoNewStroke()
{
    Participant me(QStringLiteral("board"));
    drawLine(me.board, {100, 100}, {104, 100});
    QVERIFY(me.board.loadXml(fullBoardXml(me.board, KvBoardFileLimits::kBoardCapacity)));
    QCOMPARE(me.board.scene()->pieceCount(), KvBoardFileLimits::kBoardCapacity);
    QVERIFY(me.board.isFull());
    const QStringList before = uuids(me.board);

    QSignalSpy refused(&me.board, &KvBoard::fullRefused);
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("a stroke was refused"));
    QVERIFY(!me.board.pointerPress({300, 300}));
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("a stroke was refused"));
    QVERIFY(!me.board.touchPress(1, {300, 300}));
    QCOMPARE(refused.count(), 2);
    QSignalSpy remoteRefused(&me.board, &KvBoard::remoteRefused);
    me.board.receiveLive(QStringLiteral("ann"), KvPen::LiveInkMessage,
                         {{"x", 300},
                          {"y", 300},
                          {"mousetype", KvPen::MousePress},
                          {"id", 1},
                          {"width", 4},
                          {"color", "#ff0000"},
                          {"pen", true},
                          {"uuid", QUuid::createUuid().toString(QUuid::WithoutBraces)}});
    me.board.receiveStroke({{"boardWidth", 1280}, {"pos", QJsonArray {300, 300, 320, 320}}});
    QCOMPARE(remoteRefused.count(), 2);
    QCOMPARE(uuids(me.board), before);

    // The eraser makes room.
    me.board.core()->setStylus(KvPen::EraserStylus);
    QVERIFY(me.board.pointerPress({90, 100}));
    me.board.pointerMove({110, 100});
    me.board.pointerRelease();
    QVERIFY(!me.board.isFull());
    drawLine(me.board, {300, 300}, {340, 300});
    QCOMPARE(me.board.scene()->strokes().size(), 1);
}

void tst_KvBoard::remoteRefusalsAreReported()
{
    Participant me(QStringLiteral("board"));
    QSignalSpy refused(&me.board, &KvBoard::remoteRefused);
    me.board.receiveStroke({{"boardWidth", -1}, {"pos", QJsonArray {10, 10, 20, 20}}});
    QCOMPARE(refused.count(), 1);
    QVERIFY(!refused.first().at(1).toStringList().isEmpty());
    // What the plug-in takes in whole says nothing.
    Participant remote(QStringLiteral("mirror"));
    KvBoardTransport transport(&remote.board, &me.board);
    transport.setMode(KvBoardTransport::WholeStroke);
    drawTwoStrokes(remote.board);
    QCOMPARE(refused.count(), 1);
    QCOMPARE(uuids(me.board), uuids(remote.board));
}

void tst_KvBoard::scriptOpens_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<bool>("opens");
    Participant me(QStringLiteral("board"));
    drawTwoStrokes(me.board);
    const QByteArray xml = me.board.toXml();
    QTest::newRow("a board") << xml << true;
    QTest::newRow("a broken file") << xml.left(xml.size() / 2) << false;
    QByteArray far = xml;
    far.insert(far.indexOf("<polygon>") + int(strlen("<polygon>")), "5e9,5e9;");
    QTest::newRow("a partly refused file") << far << false;
}

void tst_KvBoard::scriptOpens()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, opens);
    QTemporaryDir dir;
    QFile board(dir.filePath("in.xml"));
    QVERIFY(board.open(QIODevice::WriteOnly) && board.write(contents) == contents.size());
    board.close();
    QFile session(dir.filePath("session.json"));
    QVERIFY(session.open(QIODevice::WriteOnly));
    session.write(R"({"steps": [{"do": "open", "file": "in.xml"}]})");
    session.close();

    KvBoardScript script;
    QString error;
    QVERIFY2(script.load(session.fileName(), &error), qPrintable(error));
    QCOMPARE(script.run(dir.filePath("out"), &error), opens);
    QCOMPARE(error.isEmpty(), opens);
}

void tst_KvBoard::viewInput()
{
    Participant me(QStringLiteral("board"));
    QWidget *viewport = me.view.viewport();
    me.view.setZoom(2.0);
    // The mouse draws in scene coordinates whatever the zoom.
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(40, 40));
    for (int x = 60; x <= 400; x += 20)
        QTest::mouseMove(viewport, QPoint(x, 40));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(400, 40));
    QCOMPARE(uuids(me.board).size(), 1);
    const qreal expectedY = me.view.mapToScene(QPoint(40, 40)).y();
    const QRectF drawn = me.board.scene()->strokes().first()->sceneBoundingRect();
    QVERIFY2(qAbs(drawn.center().y() - expectedY) < 2 && drawn.width() < 180,
             qPrintable(QString::number(drawn.center().y())));
    me.view.setZoom(1.0);

    // Two fingers draw two strokes; a wide contact is a palm that erases.
    QTouchDevice device;
    device.setType(QTouchDevice::TouchScreen);
    device.setCapabilities(QTouchDevice::Position | QTouchDevice::NormalizedPosition);
    const auto touch = [&](QEvent::Type type, const QList<QTouchEvent::TouchPoint> &points) {
        Qt::TouchPointStates states;
        for (const QTouchEvent::TouchPoint &point : points)
            states |= point.state();
        QTouchEvent event(type, &device, Qt::NoModifier, states, points);
        QCoreApplication::sendEvent(viewport, &event);
    };
    const auto point = [&](int id, Qt::TouchPointState state, QPointF pos, qreal diameter = 8) {
        QTouchEvent::TouchPoint point(id);
        point.setState(state);
        point.setPos(pos);
        point.setScreenPos(viewport->mapToGlobal(pos.toPoint()));
        point.setEllipseDiameters(QSizeF(diameter, diameter));
        return point;
    };
    touch(
        QEvent::TouchBegin,
        {point(1, Qt::TouchPointPressed, {100, 300}), point(2, Qt::TouchPointPressed, {100, 400})});
    for (int x = 120; x <= 400; x += 20)
        touch(QEvent::TouchUpdate,
              {point(1, Qt::TouchPointMoved, {qreal(x), 300}),
               point(2, Qt::TouchPointMoved, {qreal(x), 400})});
    touch(QEvent::TouchEnd,
          {point(1, Qt::TouchPointReleased, {400, 300}),
           point(2, Qt::TouchPointReleased, {400, 400})});
    QCOMPARE(uuids(me.board).size(), 3);
    const qreal palm = KvBoardView::kPalmDiameter + 10;
    touch(QEvent::TouchBegin, {point(7, Qt::TouchPointPressed, {250, 290}, palm)});
    touch(QEvent::TouchUpdate, {point(7, Qt::TouchPointMoved, {250, 310}, palm)});
    touch(QEvent::TouchEnd, {point(7, Qt::TouchPointReleased, {250, 310}, palm)});
    QCOMPARE(uuids(me.board).size(), 2);
    QCOMPARE(me.board.undoStack()->count(), 4);
}

QTEST_MAIN(tst_KvBoard)
#include "tst_kvboard.moc"
