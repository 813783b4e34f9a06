#include "KvBoard.h"
#include "KvBoardView.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvTestMessages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

namespace {

// The sample session leaves 13 strokes: seven for the handwriting, the highlighter mark, the
// star, two finger waves, the circle and the remote participant's tick.
constexpr int kSampleStrokes = 13;

QStringList uuids(const KvBoard &board)
{
    QStringList list;
    for (const KvGraphicsStrokesGroup *group : board.scene()->strokes())
        list.append(group->uuid().toString(QUuid::WithoutBraces));
    return list;
}

// Share of pixels whose colour differs by more than `threshold` in some channel.
double differingShare(const QImage &a, const QImage &b, int threshold)
{
    if (a.size() != b.size())
        return 1.0;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    qint64 differing = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            if (qAbs(qRed(p[col]) - qRed(q[col])) > threshold
                || qAbs(qGreen(p[col]) - qGreen(q[col])) > threshold
                || qAbs(qBlue(p[col]) - qBlue(q[col])) > threshold)
                ++differing;
        }
    }
    return double(differing) / (x.width() * x.height());
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_KvBoardSession : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sampleSession_data();
    void sampleSession();

private:
    QJsonArray m_steps;
};

void tst_KvBoardSession::initTestCase()
{
    failOnUnexpectedWarnings();
    const QJsonDocument session = QJsonDocument::fromJson(readAll(KVBOARD_SAMPLE_SESSION));
    m_steps = session.object().value("steps").toArray();
    QVERIFY(!m_steps.isEmpty());
}

void tst_KvBoardSession::sampleSession_data()
{
    QTest::addColumn<QString>("mirror");
    QTest::addColumn<double>("tolerance");
    QTest::newRow("live") << "live" << 0.0005;
    // The whole-stroke replay rebuilds strokes from points truncated to whole units.
    QTest::newRow("whole strokes") << "stroke" << 0.02;
}

void tst_KvBoardSession::sampleSession()
{
    QFETCH(QString, mirror);
    QFETCH(double, tolerance);
    QTemporaryDir dir;
    QJsonObject session {{"mirror", mirror}, {"steps", m_steps}};
    const QString sessionPath = dir.filePath("session.json");
    QFile sessionFile(sessionPath);
    QVERIFY(sessionFile.open(QIODevice::WriteOnly));
    sessionFile.write(QJsonDocument(session).toJson());
    sessionFile.close();

    QProcess kvboard;
    kvboard.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    kvboard.start(KVBOARD_EXECUTABLE, {"--script", sessionPath, "--out", dir.filePath("out")});
    QVERIFY(kvboard.waitForFinished(120000));
    QCOMPARE(kvboard.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kvboard.exitCode(), 0);
    const QDir out(dir.filePath("out"));

    // One live message per pointer step, tagged with that step; none for other steps.
    static const QStringList pointerSteps {"press",      "move",      "release",
                                           "touchPress", "touchMove", "touchRelease"};
    QHash<int, int> liveByStep;
    int strokeMessages = 0;
    const QList<QByteArray> lines = readAll(out.filePath("messages.jsonl")).split('\n');
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        const QJsonObject message = QJsonDocument::fromJson(line).object();
        QVERIFY2(!message.isEmpty(), line.constData());
        if (message.value("kind").toString() == "live")
            ++liveByStep[message.value("step").toInt(-1)];
        else if (message.value("kind").toString() == "stroke")
            ++strokeMessages;
    }
    int pointerCount = 0;
    for (int i = 0; i < m_steps.size(); ++i) {
        const bool pointer = pointerSteps.contains(m_steps.at(i).toObject().value("do").toString());
        pointerCount += pointer;
        if (mirror == "live")
            QVERIFY2(liveByStep.value(i) == (pointer ? 1 : 0), qPrintable(QString::number(i)));
    }
    if (mirror == "live")
        QCOMPARE(liveByStep.size(), pointerCount);
    else
        QVERIFY(liveByStep.isEmpty() && strokeMessages > kSampleStrokes);

    const QImage board(out.filePath("board.png"));
    const QImage mirrored(out.filePath("mirror.png"));
    QVERIFY(!board.isNull());
    QVERIFY2(differingShare(board, mirrored, 48) <= tolerance,
             qPrintable(QString::number(differingShare(board, mirrored, 48))));

    // The saved board reloads to the same strokes, in both formats.
    KvBoard fromXml(QStringLiteral("board"));
    KvBoardView view(&fromXml);
    view.resize(KvBoardScene::kWidth, KvBoardScene::kHeight);
    QString error;
    QVERIFY2(fromXml.loadXml(readAll(out.filePath("board.xml")), &error), qPrintable(error));
    QCOMPARE(fromXml.scene()->strokes().size(), kSampleStrokes);
    QVERIFY(differingShare(fromXml.render(), board, 48) <= 0.0005);
    KvBoard fromRecords(QStringLiteral("board"));
    QVERIFY2(fromRecords.loadRecords(readAll(out.filePath("board.kvb")), &error),
             qPrintable(error));
    QCOMPARE(uuids(fromRecords), uuids(fromXml));
}

QTEST_MAIN(tst_KvBoardSession)
#include "tst_kvboardsession.moc"
