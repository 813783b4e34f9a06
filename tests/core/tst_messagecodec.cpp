// The message codec's tables, and every limit on remote input at its edge: the last value taken
// and the first refused.
#include "KvPenMessageCodec.h"
#include "KvPenTypes.h"
#include "KvTestMessages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <cmath>

using namespace KvPenMessageCodec;

namespace {
const QString kUuid = QStringLiteral("5d9f4a4e-4b1f-4b39-9a5a-1f2a3b4c5d6e");

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
} // namespace

class tst_MessageCodec : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    // Live messages as the core sends them are pinned by the core's input scripts.
    void decodeLive()
    {
        const LiveMessage message = KvPenMessageCodec::decodeLive({{"x", 1.5},
                                                                   {"y", 2},
                                                                   {"mousetype", 1},
                                                                   {"id", 3},
                                                                   {"width", 6},
                                                                   {"color", "#ff0000"},
                                                                   {"pen", true},
                                                                   {"uuid", kUuid},
                                                                   {"messageid", "m"}});
        QCOMPARE(message.pos, QPointF(1.5, 2));
        QCOMPARE(message.mousetype, 1);
        QCOMPARE(message.id, 3);
        QCOMPARE(message.width, 6);
        QCOMPARE(message.color, QColor(Qt::red));
        QVERIFY(message.pen);
        QCOMPARE(message.uuid, QUuid::fromString(kUuid));
        QCOMPARE(message.messageid, QStringLiteral("m"));
        // Mistyped values take their defaults.
        const LiveMessage garbage = KvPenMessageCodec::decodeLive({{"mousetype", "1"},
                                                                   {"id", 2.5},
                                                                   {"width", 1e12},
                                                                   {"color", "no colour"},
                                                                   {"pen", "yes"},
                                                                   {"uuid", "not a uuid"},
                                                                   {"x", "12"}});
        QCOMPARE(garbage.mousetype + garbage.id + garbage.sentWidth + garbage.pos.x(), 0.0);
        QVERIFY(!garbage.color.isValid() && !garbage.pen && garbage.uuid.isNull());
    }

    void liveLimits_data()
    {
        QTest::addColumn<QJsonObject>("data");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("replayable");
        const double far = KvPen::kMaxRemoteCoordinate;
        QTest::newRow("widest") << QJsonObject {{"width", 500}} << 500 << true;
        QTest::newRow("wider") << QJsonObject {{"width", 501}} << 500 << true;
        QTest::newRow("negative width") << QJsonObject {{"width", -40}} << 0 << true;
        QTest::newRow("farthest") << QJsonObject {{"x", far}, {"y", -far}} << 0 << true;
        QTest::newRow("beyond") << QJsonObject {{"x", std::nextafter(far, 2 * far)}} << 0 << false;
        QTest::newRow("nan") << QJsonObject {{"y", qQNaN()}} << 0 << false;
    }
    void liveLimits()
    {
        QFETCH(QJsonObject, data);
        QFETCH(int, width);
        QFETCH(bool, replayable);
        const LiveMessage message = KvPenMessageCodec::decodeLive(data);
        QCOMPARE(message.width, width);
        QCOMPARE(message.sentWidth, data.value("width").toInt());
        QCOMPARE(isReplayablePosition(message.pos), replayable);
    }

    void decodeStroke()
    {
        const StrokeMessage message = KvPenMessageCodec::decodeStroke({{"pos", "1,2"},
                                                                       {"dx", 5},
                                                                       {"dy", 2.5},
                                                                       {"boardWidth", 1920.7},
                                                                       {"type", 2},
                                                                       {"color", "#80102030"},
                                                                       {"width", 900},
                                                                       {"dataid", kUuid},
                                                                       {"zValue", "2"}});
        QCOMPARE(message.pos, QStringLiteral("1,2"));
        QCOMPARE(message.dx, 5);
        QCOMPARE(message.dy, 0); // not a whole number
        QCOMPARE(message.boardWidth, 1920.7);
        QCOMPARE(message.type, 2);
        QCOMPARE(message.color, QColor(0x10, 0x20, 0x30, 0x80));
        QCOMPARE(message.width, KvPen::kMaxRemoteWidth);
        QCOMPARE(message.sentWidth, 900);
        QCOMPARE(message.dataid, QUuid::fromString(kUuid));
        QCOMPARE(message.zValue, 2.0);
        for (const QJsonValue &z : {QJsonValue("inf"), QJsonValue("x"), QJsonValue(7)})
            QCOMPARE(KvPenMessageCodec::decodeStroke({{"zValue", z}}).zValue, z == 7 ? 7.0 : 0.0);
    }

    void replayScale_data()
    {
        QTest::addColumn<double>("boardWidth");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("viewWidth");
        QTest::addColumn<double>("scale");
        QTest::newRow("no board width") << 0.0 << 1.0 << 800 << 1.0;
        QTest::newRow("sender twice as wide") << 1920.0 << 1.0 << 960 << 0.5;
        QTest::newRow("board width truncated") << 1280.9 << 1.0 << 960 << 0.75;
        QTest::newRow("zoom 2") << 0.0 << 2.0 << 800 << 0.5;
        QTest::newRow("zoom rounded to two decimals") << 0.0 << 0.504 << 800 << 2.0;
        QTest::newRow("zoom rounding to 0 counts as 1") << 0.0 << 0.004 << 800 << 1.0;
        QTest::newRow("view not laid out") << 0.0 << 1.0 << 0 << 1.0;
    }
    void replayScale()
    {
        QFETCH(double, boardWidth);
        QFETCH(double, zoom);
        QFETCH(int, viewWidth);
        QFETCH(double, scale);
        QCOMPARE(KvPenMessageCodec::replayScale(boardWidth, zoom, viewWidth).scale, scale);
    }

    void usableBoardWidth()
    {
        QVERIFY(isUsableBoardWidth(0));
        QVERIFY(isUsableBoardWidth(KvPen::kMaxRemoteBoardWidth));
        QVERIFY(!isUsableBoardWidth(KvPen::kMaxRemoteBoardWidth + 1));
        QVERIFY(!isUsableBoardWidth(-1));
        QVERIFY(!isUsableBoardWidth(qQNaN()));
    }

    void replayPoints_data()
    {
        QTest::addColumn<QString>("pos");
        QTest::addColumn<int>("dx");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QList<QPointF>>("points"); // empty with a refusal: refused
        QTest::addColumn<int>("dropped");
        QTest::addColumn<bool>("refused");
        const QString most = QStringLiteral("1,1;").repeated(KvPen::kMaxReplayPoints - 1) + "1,1";
        const QList<QPointF> mostPoints
            = QVector<QPointF>(KvPen::kMaxReplayPoints, QPointF(1, 1)).toList();
        const int far = int(KvPen::kMaxRemoteCoordinate);
        const QString farthest = QStringLiteral("0,0;%1,-%1").arg(far);
        QTest::newRow("truncated")
            << "10.7,20.2" << 0 << 1.0 << QList<QPointF> {{10, 20}} << 0 << false;
        QTest::newRow("offset, then truncated, then scaled")
            << "100.5,50;160,-50.5" << 5 << 0.5 << QList<QPointF> {{52.5, 25}, {82.5, -25}} << 0
            << false;
        QTest::newRow("garbage parts skipped")
            << "abc;;x,y;3,4,5" << 0 << 1.0 << QList<QPointF> {{0, 0}, {3, 4}} << 0 << false;
        QTest::newRow("only garbage") << "abc;;" << 0 << 1.0 << QList<QPointF>() << 0 << false;
        QTest::newRow("most points") << most << 0 << 1.0 << mostPoints << 0 << false;
        QTest::newRow("more: what a group holds")
            << most + ";1,1;2,2" << 0 << 1.0 << mostPoints << 2 << false;
        QTest::newRow("farthest") << farthest << 0 << 1.0 << QList<QPointF> {{0, 0}, {far, -far}}
                                  << 0 << false;
        QTest::newRow("beyond") << QStringLiteral("0,0;%1,0").arg(far + 1) << 0 << 1.0
                                << QList<QPointF>() << 0 << true;
        QTest::newRow("scaled beyond") << "9000000,0" << 0 << 2.0 << QList<QPointF>() << 0 << true;
        QTest::newRow("float overflow") << "1e39,5" << 0 << 1.0 << QList<QPointF>() << 0 << true;
        QTest::newRow("nan") << "nan,5" << 0 << 1.0 << QList<QPointF>() << 0 << true;
        QTest::newRow("offset overflow")
            << "1,1" << 2147483647 << 1.0 << QList<QPointF>() << 0 << true;
    }
    void replayPoints()
    {
        QFETCH(QString, pos);
        QFETCH(int, dx);
        QFETCH(double, scale);
        QFETCH(QList<QPointF>, points);
        QFETCH(int, dropped);
        QFETCH(bool, refused);
        StrokeMessage message;
        message.pos = pos;
        message.dx = dx;
        QString refusal;
        int droppedPoints = -1;
        QCOMPARE(KvPenMessageCodec::replayPoints(message, scale, &refusal, &droppedPoints), points);
        QCOMPARE(droppedPoints, dropped);
        QCOMPARE(!refusal.isEmpty(), refused);
    }

    void replayWidth()
    {
        QCOMPARE(KvPenMessageCodec::replayWidth(10, 0.5), 5);
        QCOMPARE(KvPenMessageCodec::replayWidth(4, 0.5), 4); // the scaled 2 is not above 2
        QCOMPARE(KvPenMessageCodec::replayWidth(4, 0.75), 3);
        QCOMPARE(KvPenMessageCodec::replayWidth(400, 2.0), KvPen::kMaxRemoteWidth);
    }

    void encodeSnapshot()
    {
        QJsonObject json {{"messageid", "m-1"}, {"zValue", 99}};
        QColor color(0xF8, 0xE7, 0x1C);
        color.setAlphaF(0.5);
        KvPenMessageCodec::encodeSnapshot(&json,
                                          {QUuid::fromString(kUuid),
                                           QVector<QPointF> {{0.5, -8.25}, {10.5, -0.25}}, 0.5,
                                           color, 2, 12, QPointF(3.5, -2)});
        QCOMPARE(
            compact(json),
            "{\"color\":\"#80F8E71C\",\"dataid\":\"" + kUuid.toLatin1()
                + "\",\"dx\":3.5,\"dy\":-2,\"firstY\":-8,\"messageid\":\"m-1\","
                  "\"pos\":\"0.5,-8.25;10.5,-0.25\",\"type\":2,\"width\":12,\"zValue\":\"0.5\"}");
        QJsonObject empty;
        KvPenMessageCodec::encodeSnapshot(&empty, {});
        QCOMPARE(empty.value("pos"), QJsonValue(""));
        QCOMPARE(empty.value("firstY"), QJsonValue(0));
    }
};

QTEST_MAIN(tst_MessageCodec)
#include "tst_messagecodec.moc"
