#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenCore.h"
#include "KvPenObject.h"
#include "KvRecordingScene.h"
#include "KvSignalLog.h"
#include "KvTestMessages.h"

#include <QDomDocument>
#include <QGraphicsView>
#include <QSignalSpy>
#include <QTest>

#include <limits>
#include <memory>

namespace {

const QString kSend = QStringLiteral("sig_sendRemoteData");
const QString kPenChanged = QStringLiteral("sig_penChanged");
const QString kRemoveItem = QStringLiteral("sig_removeItem");
const QString kEraseItem = QStringLiteral("sig_eraseItem");
const double kNoPressure = 0.0;

QString text(const QUuid &uuid)
{
    return uuid.toString(QUuid::WithoutBraces);
}

QList<KvGraphicsStrokesGroup *> groupsOn(const KvGraphicsScene &scene)
{
    QList<KvGraphicsStrokesGroup *> groups;
    for (QGraphicsItem *item : scene.getFastAccessItems()) {
        if (auto *group = dynamic_cast<KvGraphicsStrokesGroup *>(item))
            groups.append(group);
    }
    return groups;
}

// The uuid a live message carries, as the QUuid of its first argument.
QUuid messageUuid(const QSignalSpy &sent, int index)
{
    return sent.at(index).at(0).value<QUuid>();
}

} // namespace

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void construction();
    void eraserWidthIsTruncated_data();
    void eraserWidthIsTruncated();
    void storedFlags();

    void singlePointerGesture_data();
    void singlePointerGesture();
    void moveBeforePressDoesNothing();
    void releaseWithoutPressIsRefused();
    void interleavedTouchStrokes();
    void repeatedTouchPressReplacesUuid();
    void touchMoveOfUnknownIdIsSentWithNullUuid();
    void touchReleaseClearsTheSharedPressedFlag();
    void touchPressCompletesMouseStrokeSilently();
    void releaseWithoutEngineStrokeReportsOnlyMessageId();

    void eraseScrollReportsTouchReleasesAsErased();
    void sendEraseScrollItemWithoutTouchesEndsTheMode();
    void sendEraseScrollItemReleasesTouchesAsErased();
    void forcedReleaseWhenIdleDoesNothing();
    void forcedReleaseOfMouseAndTouches();
    void forcedReleaseKeepsEraseScrollMode();

    void eraserGestureReportsRemovedGroups();
    void areaEraseIsForwarded();
    void hideEraseWidget();
    void saveAndLoadAreForwarded();
    void polygonToPolygonItem();
    void sceneChangeMovesTheDrawing();

private:
    void drawDot(const QPointF &pos);

    std::unique_ptr<KvRecordingScene> scene;
    std::unique_ptr<KvPenCore> core;
    std::unique_ptr<KvSignalLog> log;
};

void TestCore::initTestCase()
{
    failOnUnexpectedWarnings();
    // sig_penChanged hands out its object by reference; QSignalSpy copies it under this name.
    qRegisterMetaType<QJsonObject>("QJsonObject&");
}

void TestCore::init()
{
    scene = std::make_unique<KvRecordingScene>();
    core = std::make_unique<KvPenCore>();
    core->currentSceneChanged(scene.get());
    log = std::make_unique<KvSignalLog>(core.get());
}

void TestCore::cleanup()
{
    log.reset();
    core.reset();
    scene.reset();
}

// A single-pointer pen dot on the board, outside the signal log.
void TestCore::drawDot(const QPointF &pos)
{
    core->inputDevicePress(pos, kNoPressure);
    core->inputDeviceRelease();
    log->names.clear();
}

void TestCore::construction()
{
    QCOMPARE(core->surportTypeList(), (QList<int> {0, 2, 1}));
    QCOMPARE(core->itemTypeList(), QList<int> {65550});
    const QList<KvPenObject *> engines = core->findChildren<KvPenObject *>();
    QCOMPARE(engines.size(), 1);
    QCOMPARE(engines.first()->scene(), scene.get());

    QCOMPARE(core->metaObject()->className(), "KvPenCore");
    QCOMPARE(core->qt_metacast("KvPenCore"), static_cast<void *>(core.get()));
    QCOMPARE(core->qt_metacast("KvObjectCore"),
             static_cast<void *>(static_cast<KvObjectCore *>(core.get())));
    QCOMPARE(core->exportName(), QStringLiteral("penCore"));
    QVERIFY(!core->isMainShowFrames());

    QCOMPARE(core->penColor(), QColor("#FFFFFF"));
    QCOMPARE(core->penWidth(), 10);
    QCOMPARE(core->markerColor(), QColor("#F8E71C"));
    QCOMPARE(core->markerWidth(), 10);
    QCOMPARE(core->eraserWidth(), 30.0);
    QCOMPARE(core->stylus(), 0);
    QVERIFY(core->getIsCanRemote());
    QCOMPARE(core->getContext(), nullptr);
}

void TestCore::eraserWidthIsTruncated_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("stored");
    QTest::newRow("12.9") << 12.9 << 12.0;
    QTest::newRow("0.99") << 0.99 << 0.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("nan") << qQNaN() << 0.0;
    QTest::newRow("huge") << 1e300 << double(std::numeric_limits<int>::max());
    QTest::newRow("-inf") << -qInf() << double(std::numeric_limits<int>::min());
}

void TestCore::eraserWidthIsTruncated()
{
    QFETCH(double, width);
    QFETCH(double, stored);
    core->setEraserWidth(width);
    QCOMPARE(core->eraserWidth(), stored);
}

void TestCore::storedFlags()
{
    core->setIsCanRedo(false);
    QVERIFY(core->getIsCanRedo());
    QVERIFY(!core->findChild<KvPenObject *>()->isCanRedo());

    auto *context = reinterpret_cast<ctkPluginContext *>(quintptr(0x1000));
    core->setContext(context);
    QCOMPARE(core->getContext(), context);
}

void TestCore::singlePointerGesture_data()
{
    QTest::addColumn<int>("stylus");
    QTest::addColumn<int>("messageType");
    QTest::addColumn<QStringList>("releaseSignals");
    QTest::addColumn<int>("groups");
    QTest::newRow("pen") << 0 << 2 << QStringList {kSend, kPenChanged} << 1;
    QTest::newRow("highlighter") << 2 << 2 << QStringList {kSend, kPenChanged} << 1;
    QTest::newRow("eraser") << 1 << 3 << QStringList {kSend, kRemoveItem} << 0;
    QTest::newRow("unknown tool") << 7 << 3 << QStringList {kSend} << 0;
}

void TestCore::singlePointerGesture()
{
    QFETCH(int, stylus);
    QFETCH(int, messageType);
    QFETCH(QStringList, releaseSignals);
    QFETCH(int, groups);
    core->setStylus(stylus);
    QSignalSpy sent(core.get(), &KvPenCore::sig_sendRemoteData);
    QSignalSpy changed(core.get(), &KvPenCore::sig_penChanged);

    QVERIFY(core->inputDevicePress(QPointF(10, 10), kNoPressure));
    QVERIFY(core->inputDeviceMove(QPointF(30, 10), kNoPressure));
    QVERIFY(core->inputDeviceMove(QPointF(50, 10), kNoPressure));
    QCOMPARE(log->names, (QStringList {kSend, kSend, kSend}));
    QVERIFY(core->inputDeviceRelease());
    QCOMPARE(log->names.mid(3), releaseSignals);

    QCOMPARE(sent.size(), 4);
    const QUuid uuid = messageUuid(sent, 0);
    QVERIFY(!uuid.isNull());
    for (const QList<QVariant> &message : sent) {
        QCOMPARE(message.at(0).value<QUuid>(), uuid);
        QCOMPARE(message.at(1).toInt(), messageType);
    }
    QCOMPARE(groupsOn(*scene).size(), groups);
    if (changed.isEmpty())
        return;
    const QJsonObject snapshot = changed.first().first().toJsonObject();
    QCOMPARE(snapshot.value("messageid").toString(), sent.last().at(3).toString());
    QCOMPARE(snapshot.value("dataid").toString(), text(uuid));
    QCOMPARE(groupsOn(*scene).first()->uuid(), uuid);
    QCOMPARE(snapshot.value("type").toInt(), stylus);

    // The stroke is over: a further move neither sends nor draws.
    log->names.clear();
    QVERIFY(core->inputDeviceMove(QPointF(90, 10), kNoPressure));
    QVERIFY(log->names.isEmpty());
}

void TestCore::moveBeforePressDoesNothing()
{
    QVERIFY(core->inputDeviceMove(QPointF(5, 5), kNoPressure));
    QVERIFY(log->names.isEmpty());
    QVERIFY(scene->items().isEmpty());
}

void TestCore::releaseWithoutPressIsRefused()
{
    QVERIFY(!core->inputDeviceRelease());
    QVERIFY(!core->inputDeviceRelease(3));
    QVERIFY(log->names.isEmpty());
}

void TestCore::interleavedTouchStrokes()
{
    QSignalSpy sent(core.get(), &KvPenCore::sig_sendRemoteData);
    QSignalSpy changed(core.get(), &KvPenCore::sig_penChanged);
    QVERIFY(core->inputDevicePress(1, QPointF(0, 0), kNoPressure));
    QVERIFY(core->inputDevicePress(2, QPointF(0, 100), kNoPressure));
    QVERIFY(core->inputDeviceMove(2, QPointF(40, 100), kNoPressure));
    QVERIFY(core->inputDeviceMove(1, QPointF(40, 0), kNoPressure));
    QVERIFY(core->inputDeviceRelease(2));
    QVERIFY(core->inputDeviceRelease(1));

    const QUuid first = messageUuid(sent, 0);
    const QUuid second = messageUuid(sent, 1);
    QVERIFY(first != second);
    const QList<QUuid> expected {first, second, second, first, second, first};
    for (int i = 0; i < sent.size(); ++i)
        QCOMPARE(messageUuid(sent, i), expected.at(i));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(changed.at(0).at(0).toJsonObject().value("dataid").toString(), text(second));
    QCOMPARE(changed.at(1).at(0).toJsonObject().value("dataid").toString(), text(first));
    QCOMPARE(groupsOn(*scene).size(), 2);
}

void TestCore::repeatedTouchPressReplacesUuid()
{
    QSignalSpy sent(core.get(), &KvPenCore::sig_sendRemoteData);
    core->inputDevicePress(4, QPointF(0, 0), kNoPressure);
    core->inputDevicePress(4, QPointF(5, 5), kNoPressure);
    core->inputDeviceMove(4, QPointF(30, 5), kNoPressure);
    QVERIFY(core->inputDeviceRelease(4));
    QVERIFY(!core->inputDeviceRelease(4));

    QCOMPARE(sent.size(), 4);
    const QUuid replaced = messageUuid(sent, 1);
    QVERIFY(replaced != messageUuid(sent, 0));
    QCOMPARE(messageUuid(sent, 2), replaced);
    QCOMPARE(messageUuid(sent, 3), replaced);
}

void TestCore::touchMoveOfUnknownIdIsSentWithNullUuid()
{
    QSignalSpy sent(core.get(), &KvPenCore::sig_sendRemoteData);
    QVERIFY(!core->inputDeviceMove(5, QPointF(3, 4), kNoPressure));
    QCOMPARE(sent.size(), 1);
    QVERIFY(messageUuid(sent, 0).isNull());
    QCOMPARE(sent.first().at(2).toJsonObject().value("uuid").toString(), text(QUuid()));
}

void TestCore::touchReleaseClearsTheSharedPressedFlag()
{
    core->inputDevicePress(1, QPointF(0, 0), kNoPressure);
    core->inputDevicePress(2, QPointF(50, 0), kNoPressure);
    QVERIFY(core->inputDeviceRelease(1));
    log->names.clear();

    QVERIFY(core->inputDeviceMove(QPointF(9, 9), kNoPressure));
    QVERIFY(log->names.isEmpty());
    QVERIFY(core->inputDeviceRelease(2));
    QCOMPARE(log->names, (QStringList {kSend, kPenChanged}));
}

void TestCore::touchPressCompletesMouseStrokeSilently()
{
    QSignalSpy changed(core.get(), &KvPenCore::sig_penChanged);
    core->inputDevicePress(QPointF(0, 0), kNoPressure);
    core->inputDeviceMove(QPointF(30, 0), kNoPressure);
    core->inputDevicePress(1, QPointF(0, 50), kNoPressure);
    QCOMPARE(groupsOn(*scene).size(), 1);
    QVERIFY(changed.isEmpty());
    QCOMPARE(log->names, (QStringList {kSend, kSend, kSend}));
}

void TestCore::releaseWithoutEngineStrokeReportsOnlyMessageId()
{
    QSignalSpy changed(core.get(), &KvPenCore::sig_penChanged);
    core->setStylus(7);
    core->inputDevicePress(QPointF(0, 0), kNoPressure);
    core->setStylus(0);
    QVERIFY(core->inputDeviceRelease());
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().first().toJsonObject().keys(), QStringList {"messageid"});
}

void TestCore::eraseScrollReportsTouchReleasesAsErased()
{
    QSignalSpy erased(core.get(), &KvPenCore::sig_eraseItem);
    QSignalSpy sent(core.get(), &KvPenCore::sig_sendRemoteData);
    core->inputDevicePress(1, QPointF(0, 0), kNoPressure);
    core->inputDevicePress(2, QPointF(0, 50), kNoPressure);
    core->inputDeviceMove(1, QPointF(40, 0), kNoPressure);
    core->eraseScrollItem();
    QVERIFY(scene->items().isEmpty());
    log->names.clear();

    QVERIFY(core->inputDeviceRelease(2));
    QVERIFY(core->inputDeviceRelease(1));
    QCOMPARE(log->names,
             (QStringList {kSend, kPenChanged, kEraseItem, kSend, kPenChanged, kEraseItem}));
    QCOMPARE(erased.at(0).at(0).toString(), text(messageUuid(sent, 1)));
    QCOMPARE(erased.at(1).at(0).toString(), text(messageUuid(sent, 0)));
    QVERIFY(groupsOn(*scene).isEmpty());

    // The last touch ended the mode.
    log->names.clear();
    core->inputDevicePress(3, QPointF(0, 0), kNoPressure);
    core->inputDeviceRelease(3);
    QCOMPARE(log->names, (QStringList {kSend, kSend, kPenChanged}));
}

void TestCore::sendEraseScrollItemWithoutTouchesEndsTheMode()
{
    core->eraseScrollItem();
    core->sendEraseScrollItem();
    QVERIFY(log->names.isEmpty());
    core->inputDevicePress(3, QPointF(0, 0), kNoPressure);
    core->inputDeviceRelease(3);
    QCOMPARE(log->names, (QStringList {kSend, kSend, kPenChanged}));
}

void TestCore::sendEraseScrollItemReleasesTouchesAsErased()
{
    QSignalSpy sent(core.get(), &KvPenCore::sig_sendRemoteData);
    QSignalSpy erased(core.get(), &KvPenCore::sig_eraseItem);
    core->inputDevicePress(3, QPointF(0, 0), kNoPressure);
    core->inputDevicePress(1, QPointF(0, 50), kNoPressure);
    const QUuid three = messageUuid(sent, 0);
    const QUuid one = messageUuid(sent, 1);
    core->eraseScrollItem();
    log->names.clear();
    sent.clear();

    core->sendEraseScrollItem();
    QCOMPARE(log->names, (QStringList {kSend, kEraseItem, kSend, kEraseItem}));
    QCOMPARE(messageUuid(sent, 0), one);
    QCOMPARE(messageUuid(sent, 1), three);
    QCOMPARE(sent.at(0).at(2).toJsonObject().value("mousetype").toInt(), 2);
    QVERIFY(!sent.at(0).at(3).toString().isEmpty());
    QCOMPARE(erased.at(0).at(0).toString(), text(one));
    QCOMPARE(erased.at(1).at(0).toString(), text(three));

    log->names.clear();
    QVERIFY(!core->inputDeviceRelease(1));
    QVERIFY(core->inputDeviceMove(QPointF(9, 9), kNoPressure));
    QVERIFY(log->names.isEmpty());
    QVERIFY(scene->items().isEmpty());
}

void TestCore::forcedReleaseWhenIdleDoesNothing()
{
    core->foucesMouseRelease();
    drawDot(QPointF(0, 0));
    core->foucesMouseRelease();
    QVERIFY(log->names.isEmpty());
}

void TestCore::forcedReleaseOfMouseAndTouches()
{
    QSignalSpy sent(core.get(), &KvPenCore::sig_sendRemoteData);
    QSignalSpy changed(core.get(), &KvPenCore::sig_penChanged);
    core->inputDevicePress(1, QPointF(0, 0), kNoPressure);
    core->inputDevicePress(QPointF(0, 100), kNoPressure);
    core->inputDevicePress(5, QPointF(0, 50), kNoPressure);
    core->inputDevicePress(2, QPointF(0, 20), kNoPressure);
    const QUuid mouse = messageUuid(sent, 1);
    log->names.clear();
    sent.clear();
    changed.clear();

    core->foucesMouseRelease();
    QCOMPARE(log->names,
             (QStringList {kSend, kPenChanged, kSend, kPenChanged, kSend, kPenChanged, kSend,
                           kPenChanged}));
    QCOMPARE(messageUuid(sent, 0), mouse);
    const QList<int> ids {-1, 1, 2, 5};
    for (int i = 0; i < sent.size(); ++i) {
        QCOMPARE(sent.at(i).at(2).toJsonObject().value("id").toInt(), ids.at(i));
        QCOMPARE(changed.at(i).at(0).toJsonObject().value("messageid").toString(),
                 sent.at(i).at(3).toString());
    }
    QVERIFY(!core->inputDeviceRelease());
    QVERIFY(!core->inputDeviceRelease(5));
    QCOMPARE(groupsOn(*scene).size(), 4);
    for (QGraphicsItem *item : scene->items())
        QVERIFY(item->type() == 65550 || item->parentItem());
}

void TestCore::forcedReleaseKeepsEraseScrollMode()
{
    core->inputDevicePress(1, QPointF(0, 0), kNoPressure);
    core->eraseScrollItem();
    log->names.clear();
    core->foucesMouseRelease();
    QCOMPARE(log->names, (QStringList {kSend, kPenChanged, kEraseItem}));

    // Still in the mode: the next touch release reports its stroke as erased, then ends it.
    log->names.clear();
    core->inputDevicePress(2, QPointF(0, 0), kNoPressure);
    core->inputDeviceRelease(2);
    core->inputDevicePress(2, QPointF(0, 0), kNoPressure);
    core->inputDeviceRelease(2);
    QCOMPARE(log->names,
             (QStringList {kSend, kSend, kPenChanged, kEraseItem, kSend, kSend, kPenChanged}));
}

void TestCore::eraserGestureReportsRemovedGroups()
{
    drawDot(QPointF(50, 50));
    const QUuid dot = groupsOn(*scene).first()->uuid();
    QSignalSpy erased(core.get(), &KvPenCore::sig_eraseItem);
    QSignalSpy removed(core.get(), &KvPenCore::sig_removeItem);
    core->setStylus(1);

    QVERIFY(core->inputDevicePress(QPointF(50, 50), kNoPressure));
    QVERIFY(core->inputDeviceRelease());
    QCOMPARE(log->names, (QStringList {kSend, kEraseItem, kSend, kRemoveItem}));
    QCOMPARE(erased.first().first().toString(), text(dot));
    QCOMPARE(removed.first().first().toStringList(), QStringList {text(dot)});
    QVERIFY(groupsOn(*scene).isEmpty());
}

void TestCore::areaEraseIsForwarded()
{
    drawDot(QPointF(50, 50));
    QSignalSpy erased(core.get(), &KvPenCore::sig_eraseItem);
    core->setEraseArea(QRectF(40, 40, 20, 20));
    QCOMPARE(erased.size(), 1);
    QVERIFY(groupsOn(*scene).isEmpty());
    QVERIFY(!core->inputDevicePress(QPointF(0, 0), kNoPressure));
    core->setEndErase();
    QVERIFY(core->inputDevicePress(QPointF(0, 0), kNoPressure));
}

void TestCore::hideEraseWidget()
{
    QGraphicsView view(scene.get());
    view.show();
    core->setStylus(1);
    core->inputDevicePress(QPointF(10, 10), kNoPressure);
    core->inputDeviceMove(QPointF(20, 10), kNoPressure);
    auto *cursor = view.viewport()->findChild<QWidget *>("m_wdEraserCursor");
    QVERIFY(cursor);
    QVERIFY(cursor->isVisible());
    core->hideEraseWidget();
    QVERIFY(!cursor->isVisible());
}

void TestCore::saveAndLoadAreForwarded()
{
    drawDot(QPointF(10, 10));
    const QUuid dot = groupsOn(*scene).first()->uuid();

    QList<KvSaveDataItem> records;
    core->exportScene(records, QString());
    QCOMPARE(records.size(), 1);
    QDomDocument document;
    QDomElement root = document.createElement("board");
    document.appendChild(root);
    core->exportSceneXml(&document, &root, QString());
    QCOMPARE(root.elementsByTagName("strokesGroup").size(), 1);
    QDomElement info = document.createElement("info");
    core->exportOriginalPointInfoXml(&document, &info, QString());
    QCOMPARE(info.firstChildElement("strokesGroup").attribute("id"), text(dot));

    KvRecordingScene other;
    KvPenCore loader;
    loader.currentSceneChanged(&other);
    loader.importScene(records, QString());
    QCOMPARE(groupsOn(other).size(), 1);
    QCOMPARE(groupsOn(other).first()->uuid(), dot);
    loader.importSceneXml(&document, &root, QString());
    QCOMPARE(groupsOn(other).size(), 2);
}

void TestCore::polygonToPolygonItem()
{
    core->setPenColor(Qt::red);
    const QPolygonF triangle({QPointF(0, 0), QPointF(10, 0), QPointF(0, 10)});
    std::unique_ptr<KvGraphicsPolygonItem> item(core->polygonToPolygonItem(triangle));
    QVERIFY(item);
    QCOMPARE(item->polygon(), triangle);
    QCOMPARE(item->color(), QColor(Qt::red));
    QCOMPARE(item->scene(), nullptr);
    QVERIFY(scene->calls.isEmpty());
}

void TestCore::sceneChangeMovesTheDrawing()
{
    KvRecordingScene other;
    core->currentSceneChanged(&other);
    QCOMPARE(core->scene(), &other);
    drawDot(QPointF(0, 0));
    QCOMPARE(groupsOn(other).size(), 1);
    QVERIFY(scene->items().isEmpty());
    core->currentSceneChanged(scene.get());
}

QTEST_MAIN(TestCore)
#include "tst_core.moc"
