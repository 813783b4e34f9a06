// The limits on hostile input, each at its edge: the last value taken and the first refused.
#include "KvBoardInspection.h"
#include "KvGraphicsScene.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenCore.h"
#include "KvPenObject.h"
#include "KvQtConvert.h"
#include "KvTestMessages.h"

#include <QDomDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

namespace {

const QString kUuid = QStringLiteral("5d9f4a4e-4b1f-4b39-9a5a-1f2a3b4c5d6e");

QJsonObject liveInk(int mousetype, double x, int width)
{
    return {{"x", x},      {"y", 0},         {"mousetype", mousetype},
            {"id", 1},     {"width", width}, {"color", "#ff0000"},
            {"pen", true}, {"uuid", kUuid}};
}

void expectRefusal(const QString &pattern)
{
    if (!pattern.isEmpty())
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(pattern));
}

QPolygonF polygonOf(int points, double far)
{
    QPolygonF polygon(QVector<QPointF>(points, QPointF(1, 1)));
    polygon[0] = QPointF(far, -far);
    return polygon;
}

} // namespace

class TestLimits : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    void liveMessageEdges_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("groups");
        QTest::addColumn<int>("drawnWidth");
        const QString key(1024, QLatin1Char('k'));
        // Drawn ink, a half width further out, must stay within what a saved board loads.
        const double far = KvGraphicsStrokesGroup::kMaxCoordinate - 500;
        QTest::newRow("farthest coordinate") << "s" << far << 4 << "" << 1 << 4;
        QTest::newRow("beyond it") << "s" << far + 1 << 4 << "position out of range" << 0 << 0;
        QTest::newRow("widest pen") << "s" << 0.0 << 500 << "" << 1 << 500;
        QTest::newRow("wider") << "s" << 0.0 << 501 << "width clamped: 501 -> 500" << 1 << 500;
        QTest::newRow("longest sender key") << key << 0.0 << 4 << "" << 1 << 4;
        QTest::newRow("longer") << key + "k" << 0.0 << 4 << "no engine for another sender" << 0
                                << 0;
    }
    void liveMessageEdges()
    {
        QFETCH(QString, sender);
        QFETCH(double, x);
        QFETCH(int, width);
        QFETCH(QString, refusal);
        QFETCH(int, groups);
        QFETCH(int, drawnWidth);
        KvGraphicsScene scene;
        KvPenCore core;
        core.currentSceneChanged(&scene);
        QList<QJsonObject> snapshots;
        connect(&core, &KvPenCore::sig_penChanged,
                [&](const QJsonObject &data) { snapshots.append(data); });

        // A clamped width is reported by both messages; the other refusals once.
        expectRefusal(refusal.isEmpty() ? QString() : "^KvPenCore::remoteData .*" + refusal);
        if (refusal.startsWith(QLatin1String("width")))
            expectRefusal("^KvPenCore::remoteData .*" + refusal);
        core.remoteData(sender, 2, liveInk(0, x, width));
        core.remoteData(sender, 2, liveInk(2, 0, width));

        QCOMPARE(groupsOn(scene).size(), groups);
        if (groups > 0)
            QCOMPARE(snapshots.last().value("width").toInt(), drawnWidth);
    }

    void wholeStrokeEdges_data()
    {
        QTest::addColumn<QString>("pos");
        QTest::addColumn<double>("boardWidth");
        QTest::addColumn<QString>("refusal");
        // As many points as a saved group loads pieces, and no farther out than live ink.
        const QString points = QStringLiteral("1,1;").repeated(9999) + "1,1";
        QTest::newRow("most points") << points << 0.0 << "";
        QTest::newRow("more") << points + ";1,1" << 0.0 << "more than 10000 points";
        QTest::newRow("farthest point") << "0,0;999500,-999500" << 0.0 << "";
        QTest::newRow("beyond it") << "0,0;999501,0" << 0.0 << "point out of range";
        QTest::newRow("widest sender board") << "1,1" << 65536.0 << "";
        QTest::newRow("wider") << "1,1" << 65537.0 << "board width out of range";
    }
    void wholeStrokeEdges()
    {
        QFETCH(QString, pos);
        QFETCH(double, boardWidth);
        QFETCH(QString, refusal);
        KvGraphicsScene scene;
        KvPenCore core;
        core.currentSceneChanged(&scene);
        expectRefusal(refusal.isEmpty() ? QString() : "^KvPenCore::paintPen refused: " + refusal);
        core.paintPen({{"pos", pos}, {"boardWidth", boardWidth}, {"width", 4}, {"dataid", kUuid}});
        QCOMPARE(groupsOn(scene).size(), refusal.isEmpty() ? 1 : 0);
    }

    void loadedPieceEdges_data()
    {
        QTest::addColumn<QPolygonF>("polygon");
        QTest::addColumn<bool>("refused");
        const double far = KvGraphicsStrokesGroup::kMaxCoordinate;
        const int most = KvGraphicsStrokesGroup::kMaxPointsPerPiece;
        QTest::newRow("farthest point") << polygonOf(3, far) << false;
        QTest::newRow("beyond it") << polygonOf(3, std::nextafter(far, 2 * far)) << true;
        QTest::newRow("most points") << polygonOf(most, 1) << false;
        QTest::newRow("more") << polygonOf(most + 1, 1) << true;
    }
    void loadedPieceEdges()
    {
        QFETCH(QPolygonF, polygon);
        QFETCH(bool, refused);
        const int pieces = refused ? 0 : 1;

        KvGraphicsStrokesGroup fromRecord;
        expectRefusal(refused ? "^KvGraphicsStrokesGroup::importItem refused 1 " : "");
        fromRecord.importItem(
            {{"polygons", QVariantList {QVariantMap {{"polygon", QVariant::fromValue(polygon)}}}}});
        QCOMPARE(fromRecord.items().size(), pieces);

        QDomDocument document;
        QDomElement group = document.createElement("strokesGroup");
        QDomElement piece;
        KvQtConvert::createDomElement(&document, &group, piece, "polygonItem");
        KvQtConvert::insertDomVariant(&document, &piece, "polygon", QVariant::fromValue(polygon));
        KvGraphicsStrokesGroup fromXml;
        expectRefusal(refused ? "^KvGraphicsStrokesGroup::importItemXml refused 1 " : "");
        fromXml.importItemXml(&document, &group, QString());
        QCOMPARE(fromXml.items().size(), pieces);
    }
};

QTEST_MAIN(TestLimits)
#include "tst_limits.moc"
