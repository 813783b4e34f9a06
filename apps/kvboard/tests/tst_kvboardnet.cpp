#include "KvBoard.h"
#include "KvBoardDocument.h"
#include "KvBoardEnvelope.h"
#include "KvBoardFragment.h"
#include "KvBoardHandshake.h"
#include "KvBoardRateLimit.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenCore.h"
#include "KvPenTypes.h"
#include "KvTestMessages.h"

#include <QNetworkRequest>
#include <QtEndian>
#include <QtTest>

#include <functional>

namespace {

QStringList uuids(const KvBoard &board)
{
    return KvBoardScene::uuidsOf(board.scene()->strokes());
}

void drawStrokes(KvBoard &board, int count)
{
    for (int i = 0; i < count; ++i) {
        board.pointerPress({100.0, 50.0 + i * 20});
        for (int x = 120; x <= 400; x += 20)
            board.pointerMove({qreal(x), 50.0 + i * 20});
        board.pointerRelease();
    }
}

} // namespace

using PartDamage = std::function<void(QByteArray &)>;
Q_DECLARE_METATYPE(PartDamage)

class tst_KvBoardNet : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }
    void decode_data();
    void decode();
    void handshake_data();
    void handshake();
    void fragments();
    void snapshotIsExact();
    void damagedPartsAreRefused_data();
    void damagedPartsAreRefused();
    void restoreMergesByUuid();
    void rateLimit();
};

void tst_KvBoardNet::decode_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<bool>("binary");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("kind");
    const auto ok = [](const char *name, const char *frame, KvBoardEnvelope::Kind kind) {
        QTest::newRow(name) << QByteArray(frame) << false << int(KvBoardEnvelope::NoFault)
                            << int(kind);
    };
    const auto bad = [](const char *name, const QByteArray &frame, KvBoardEnvelope::Fault fault) {
        QTest::newRow(name) << frame << false << int(fault) << -1;
    };
    // A binary frame: the head's length (claiming `more` bytes beyond it), the head, the body.
    const auto binary = [](const char *name, const QByteArray &head, const QByteArray &body,
                           KvBoardEnvelope::Fault fault, int more = 0) {
        QByteArray frame(4, Qt::Uninitialized);
        qToBigEndian(quint32(head.size() + more), frame.data());
        QTest::newRow(name) << frame + head + body << true << int(fault)
                            << (fault ? -1 : int(KvBoardEnvelope::Snapshot));
    };
    const QByteArray snapshot = R"({"kind":"snapshot","payload":{"last":true,"removed":["a"]}})";
    binary("snapshot", snapshot, "records", KvBoardEnvelope::NoFault);
    binary("snapshot without a body", snapshot, {}, KvBoardEnvelope::Malformed);
    binary("head beyond the frame", snapshot, "1234567", KvBoardEnvelope::Malformed, 8);
    binary("nothing after the length", {}, {}, KvBoardEnvelope::Malformed);
    binary("body on a live frame", R"({"kind":"live","payload":{"type":2,"data":{}}})", "x",
           KvBoardEnvelope::Malformed);
    binary("binary over 1 MiB", snapshot, QByteArray(1 << 20, 'x'), KvBoardEnvelope::Oversized);
    QTest::newRow("only a length")
        << QByteArray("\0\0", 2) << true << int(KvBoardEnvelope::Malformed) << -1;
    ok("live", R"({"kind":"live","sender":"a","payload":{"type":2,"data":{"x":1}}})",
       KvBoardEnvelope::Live);
    ok("stroke", R"({"kind":"stroke","payload":{"data":{}}})", KvBoardEnvelope::Stroke);
    ok("remove", R"({"kind":"remove","payload":{"uuids":["a","b"]}})", KvBoardEnvelope::Remove);
    ok("restore", R"({"kind":"restore","payload":{"xml":"<x/>","merge":true}})",
       KvBoardEnvelope::Restore);
    ok("document", R"({"kind":"document","payload":{"xml":""}})", KvBoardEnvelope::Document);
    ok("welcome", R"({"kind":"welcome","payload":{"id":"a#2","count":2}})",
       KvBoardEnvelope::Welcome);
    ok("presence", R"({"kind":"presence","payload":{"count":0}})", KvBoardEnvelope::Presence);
    bad("not JSON", "{\"kind\":", KvBoardEnvelope::Malformed);
    bad("array", "[1,2]", KvBoardEnvelope::Malformed);
    bad("no payload", R"({"kind":"live"})", KvBoardEnvelope::Malformed);
    bad("kind not text", R"({"kind":3,"payload":{}})", KvBoardEnvelope::Malformed);
    bad("sender not text", R"({"kind":"presence","sender":1,"payload":{"count":1}})",
        KvBoardEnvelope::Malformed);
    bad("sender too long",
        R"({"kind":"presence","sender":")" + QByteArray(65, 'a') + R"(","payload":{"count":1}})",
        KvBoardEnvelope::Malformed);
    bad("live type fractional", R"({"kind":"live","payload":{"type":2.5,"data":{}}})",
        KvBoardEnvelope::Malformed);
    bad("live data not an object", R"({"kind":"live","payload":{"type":2,"data":[]}})",
        KvBoardEnvelope::Malformed);
    bad("uuids not text", R"({"kind":"remove","payload":{"uuids":[1]}})",
        KvBoardEnvelope::Malformed);
    bad("snapshot in a text frame", R"({"kind":"snapshot","payload":{"last":true}})",
        KvBoardEnvelope::Malformed);
    bad("a key twice", R"({"kind":"presence","payload":{"a":[]},"payload":{"count":1}})",
        KvBoardEnvelope::Malformed);
    bad("a key twice, once escaped",
        R"({"kind":"live","payload":{"type":2,"data":{"x":{},"\u0078":1}}})",
        KvBoardEnvelope::Malformed);
    bad("unknown kind", R"({"kind":"shout","payload":{}})", KvBoardEnvelope::UnknownKind);
    bad("over 1 MiB",
        R"({"kind":"document","payload":{"xml":")" + QByteArray(1 << 20, 'x') + R"("}})",
        KvBoardEnvelope::Oversized);
}

void tst_KvBoardNet::decode()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, binary);
    QFETCH(int, fault);
    QFETCH(int, kind);
    const auto decode = binary ? &KvBoardEnvelope::decodeBinary : &KvBoardEnvelope::decode;
    KvBoardEnvelope envelope;
    QCOMPARE(int(decode(frame, &envelope)), fault);
    if (fault != KvBoardEnvelope::NoFault)
        return;
    QCOMPARE(int(envelope.kind), kind);
    QCOMPARE(envelope.isBinary(), binary);
    KvBoardEnvelope again;
    QCOMPARE(int(decode(envelope.encode(), &again)), int(KvBoardEnvelope::NoFault));
    QCOMPARE(again.toJson(), envelope.toJson());
    QCOMPARE(again.body, envelope.body);
}

void tst_KvBoardNet::handshake_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("authorization");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("room");
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<QString>("cleanName");
    QTest::newRow("room and token")
        << "ws://h:1/math-2" << QByteArray("Bearer s3cret") << QByteArray("Ann") << true << "math-2"
        << QByteArray("s3cret") << "Ann";
    QTest::newRow("default room") << "ws://h:1/" << QByteArray() << QByteArray() << true << ""
                                  << QByteArray() << "";
    QTest::newRow("not a bearer") << "ws://h:1/a" << QByteArray("Basic eA==") << QByteArray()
                                  << true << "a" << QByteArray() << "";
    QTest::newRow("markup in the name")
        << "ws://h:1/a" << QByteArray() << QByteArray("<b>Bo\nb</b>") << true << "a" << QByteArray()
        << "bBobb";
    QTest::newRow("nested path") << "ws://h:1/a/b" << QByteArray() << QByteArray() << false << "a/b"
                                 << QByteArray() << "";
    QTest::newRow("room too long") << "ws://h:1/" + QString(65, 'r') << QByteArray() << QByteArray()
                                   << false << QString(65, 'r') << QByteArray() << "";
}

void tst_KvBoardNet::handshake()
{
    QFETCH(QString, url);
    QFETCH(QByteArray, authorization);
    QFETCH(QByteArray, name);
    QNetworkRequest request {QUrl(url)};
    if (!authorization.isEmpty())
        request.setRawHeader("Authorization", authorization);
    if (!name.isEmpty())
        request.setRawHeader("X-Kvboard-Name", name);
    KvBoardHandshake handshake;
    QTEST(KvBoardHandshake::read(request, &handshake), "valid");
    QTEST(handshake.room, "room");
    QTEST(handshake.token, "token");
    QTEST(handshake.name, "cleanName");
}

void tst_KvBoardNet::fragments()
{
    KvBoard board(QStringLiteral("board"));
    drawStrokes(board, 6);
    const QByteArray xml = board.toXml();
    QCOMPARE(KvBoardFragment::uuids(xml), uuids(board));
    QList<QByteArray> written;
    for (KvGraphicsStrokesGroup *group : board.scene()->strokes())
        written.append(KvBoardDocument::writeStrokeXml(group));
    // Parts small enough to hold one stroke each, then all in one.
    for (int maxBytes : {1, int(xml.size())}) {
        const QList<QByteArray> parts = KvBoardFragment::split(xml, maxBytes);
        QStringList fromParts;
        QCOMPARE(parts.size(), maxBytes == 1 ? 6 : 1);
        for (const QByteArray &part : parts)
            fromParts += KvBoardFragment::uuids(part);
        QCOMPARE(fromParts, uuids(board));
    }
    KvBoard copy(QStringLiteral("copy"));
    QVERIFY(copy.loadXml(KvBoardDocument::writeStrokesXml(written)));
    QCOMPARE(copy.toXml(), xml);
    const QSet<QString> keep {uuids(board).at(1), uuids(board).at(4)};
    const QStringList kept = KvBoardFragment::uuids(KvBoardFragment::subset(xml, keep));
    QCOMPARE(QSet<QString>(kept.begin(), kept.end()), keep);
}

// A newcomer's board, put together from the relay's records part by part, saves as the relay's
// does: pens and highlighters, their outlines, colours, widths, uuids and stacking order.
void tst_KvBoardNet::snapshotIsExact()
{
    KvBoard relay(QStringLiteral("relay"));
    drawStrokes(relay, 2);
    relay.core()->setStylus(KvPen::MarkerStylus);
    relay.core()->setMarkerWidth(24);
    relay.core()->setMarkerColor(QColor(QStringLiteral("#ffd400")));
    drawStrokes(relay, 3);
    relay.core()->setStylus(KvPen::PenStylus);
    relay.core()->setPenColor(QColor(QStringLiteral("#ff3b30")));
    drawStrokes(relay, 1);
    QList<QByteArray> records;
    for (KvGraphicsStrokesGroup *group : relay.scene()->strokes())
        records.append(KvBoardDocument::packStroke(KvBoardDocument::writeStrokeRecord(group)));
    records.insert(1, QByteArray()); // a stroke that could not be packed is left out
    for (int maxBytes : {1, 1 << 20}) {
        KvBoard newcomer(QStringLiteral("newcomer"));
        QList<QByteArray> parts;
        QList<bool> lasts;
        KvBoardDocument::packRecords(records, maxBytes, [&](const QByteArray &part, bool last) {
            parts.append(part);
            lasts.append(last);
        });
        QCOMPARE(parts.size(), maxBytes == 1 ? records.size() - 1 : 1);
        QCOMPARE(lasts.indexOf(true), parts.size() - 1);
        for (const QByteArray &part : qAsConst(parts)) {
            KvBoardDocument document = KvBoardDocument::fromPackedRecords(part);
            QVERIFY2(document.isValid(), qPrintable(document.error()));
            newcomer.receiveStrokes(document);
        }
        QCOMPARE(newcomer.toXml(), relay.toXml());
    }
    // The relay's room file is put together from the same packed strokes.
    records.removeAt(1);
    KvBoard reopened(QStringLiteral("reopened"));
    QVERIFY(reopened.loadRecords(KvBoardDocument::recordsFromPacked(records)));
    QCOMPARE(reopened.toXml(), relay.toXml());
}

void tst_KvBoardNet::damagedPartsAreRefused_data()
{
    // A part of one stroke: the header (10 bytes), the record's size and its packed size (4
    // bytes each), then the packed record.
    const auto setSize = [](int at, quint32 size) {
        return [at, size](QByteArray &part) {
            qToBigEndian(size, part.data() + at);
        };
    };
    QTest::addColumn<PartDamage>("damage");
    QTest::addColumn<QString>("error");
    QTest::newRow("not a part") << PartDamage([](QByteArray &part) { part[3] = 'K'; })
                                << QStringLiteral("not a snapshot part");
    QTest::newRow("sizes cut short") << PartDamage([](QByteArray &part) { part.truncate(14); })
                                     << QStringLiteral("damaged snapshot part");
    QTest::newRow("packed record cut short") << PartDamage([](QByteArray &part) { part.chop(1); })
                                             << QStringLiteral("damaged snapshot part");
    QTest::newRow("record beyond the limit")
        << PartDamage(setSize(10, 0x7fffffff)) << QStringLiteral("too large");
    QTest::newRow("record larger than said")
        << PartDamage(setSize(10, 16)) << QStringLiteral("damaged snapshot part");
    QTest::newRow("record smaller than said") << PartDamage([](QByteArray &part) {
        qToBigEndian(qFromBigEndian<quint32>(part.constData() + 10) + 1, part.data() + 10);
    }) << QStringLiteral("damaged snapshot part");
    QTest::newRow("packed bytes damaged") << PartDamage([](QByteArray &part) {
        part[part.size() / 2] = char(~part[part.size() / 2]);
    }) << QStringLiteral("damaged snapshot part");
}

// A relay's part that is not what packRecords makes is refused whole, unread and within the
// limit on a records file, whatever its sizes claim.
void tst_KvBoardNet::damagedPartsAreRefused()
{
    QFETCH(PartDamage, damage);
    QFETCH(QString, error);
    KvBoard relay(QStringLiteral("relay"));
    drawStrokes(relay, 1);
    QByteArray part;
    KvBoardDocument::packRecords({KvBoardDocument::packStroke(KvBoardDocument::writeStrokeRecord(
                                     relay.scene()->strokes().first()))},
                                 1 << 20, [&](const QByteArray &made, bool) { part = made; });
    QVERIFY(KvBoardDocument::fromPackedRecords(part).isValid());
    damage(part);
    const KvBoardDocument document = KvBoardDocument::fromPackedRecords(part);
    QVERIFY(!document.isValid());
    QCOMPARE(document.error(), error);
}

// What a reconnect and an undo lean on: erased strokes come back as they were, missing ones are
// added once, and strokes already on the board are left alone.
void tst_KvBoardNet::restoreMergesByUuid()
{
    KvBoard source(QStringLiteral("source"));
    drawStrokes(source, 4);
    KvBoard board(QStringLiteral("board"));
    QVERIFY(board.loadXml(source.toXml()));
    const QStringList all = uuids(source);
    KvGraphicsStrokesGroup *erased = board.scene()->strokeOnBoard(all.at(0));
    board.receiveRemoval({all.at(0), all.at(1)});
    board.receiveRemoval({});
    QSignalSpy restored(&board, &KvBoard::strokesRestored);
    board.receiveRestore(source.toXml());
    board.receiveRestore(source.toXml());
    const QStringList after = uuids(board);
    QCOMPARE(QSet<QString>(after.begin(), after.end()), QSet<QString>(all.begin(), all.end()));
    QCOMPARE(after.size(), all.size());
    QCOMPARE(board.scene()->strokeOnBoard(all.at(0)), erased);
    QCOMPARE(restored.count(), 0);
    board.receiveRestore("<kvboard");
    QCOMPARE(uuids(board).size(), all.size());
}

void tst_KvBoardNet::rateLimit()
{
    KvBoardRateLimit limit(1, 3);
    QVERIFY(limit.take(100) && limit.take(100) && limit.take(100));
    QVERIFY(!limit.take(100));
    QVERIFY(limit.take(1100));
    QVERIFY(!limit.take(1500));
}

QTEST_MAIN(tst_KvBoardNet)
#include "tst_kvboardnet.moc"
