#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStroke.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenObject.h"
#include "KvQtConvert.h"
#include "KvRecordingScene.h"
#include "KvTestMessages.h"

#include <QDomDocument>
#include <QGraphicsRectItem>
#include <QtTest>

namespace {

const QUuid kKnownUuid = QUuid::fromString(QStringLiteral("0b5c3f9e-1d2a-4c6b-8e7f-a1b2c3d4e5f6"));
const QColor kHighlighter(248, 231, 28);

QPolygonF triangle(double x, double y)
{
    return QPolygonF(QVector<QPointF> {{x, y}, {x + 10, y}, {x + 10, y + 5}});
}

// A group built the way the engine builds one: on the board, pieces added, listed in `order`
// (indices into `polygons`), each with its full outline and input point.
KvGraphicsStrokesGroup *addGroup(KvGraphicsScene *board, int stylus, const QColor &colour,
                                 const QList<QPolygonF> &polygons, QList<int> order = {})
{
    auto *group = new KvGraphicsStrokesGroup(colour, stylus);
    board->addBoardItem(group);
    KvGraphicsStroke *stroke = polygons.isEmpty() ? nullptr : new KvGraphicsStroke;
    QList<KvGraphicsPolygonItem *> pieces;
    for (const QPolygonF &polygon : polygons) {
        auto *piece = new KvGraphicsPolygonItem(polygon);
        piece->setFullPolygon(polygon.united(QPolygonF(polygon.boundingRect())));
        piece->setCorrespondingPoint(polygon.first() + QPointF(0.5, -0.25));
        group->addToGroup(piece);
        piece->setStrokesGroup(group);
        piece->setStroke(stroke);
        pieces.append(piece);
    }
    if (order.isEmpty()) {
        for (int i = 0; i < pieces.size(); ++i)
            order.append(i);
    }
    for (int i : order)
        group->items().append(pieces[i]);
    group->setColor(colour);
    group->setPenWidth(10); // neither saved form carries it
    return group;
}

KvGraphicsStrokesGroup *addKnownGroup(KvGraphicsScene *board)
{
    auto *group = addGroup(board, 0, Qt::red, {triangle(0, 0)});
    group->setUuid(kKnownUuid);
    group->setPos(10, 20);
    group->setTransform(QTransform(0, 1, -1, 0, 0, 0));
    group->setZValue(3);
    return group;
}

// Three groups: a moved and rotated pen stroke, a highlighter, and a pen stroke whose list
// order differs from its child order.
void addSampleBoard(KvGraphicsScene *board)
{
    auto *moved = addGroup(board, 0, Qt::red, {triangle(0, 0), triangle(8, 2)});
    moved->setPos(120, -40);
    moved->setTransform(QTransform().rotate(33).scale(1.5, 0.5));
    moved->setZValue(4);
    KvGraphicsItem::setLocked(moved, true);
    auto *marker = addGroup(board, 2, kHighlighter, {triangle(5, 5), triangle(12, 6)});
    marker->items().first()->setTransform(QTransform::fromTranslate(3, 1));
    marker->setPos(-7.25, 3);
    addGroup(board, 0, Qt::blue, {triangle(0, 30), triangle(10, 31), triangle(20, 32)}, {2, 0, 1});
}

QList<KvGraphicsStrokesGroup *> groupsOf(KvGraphicsScene *board)
{
    QList<KvGraphicsStrokesGroup *> groups;
    for (QGraphicsItem *item : board->getFastAccessItems()) {
        if (auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item))
            groups.append(group);
    }
    return groups;
}

void compareScenePolygons(const QGraphicsItem *loaded, const QPolygonF &loadedPolygon,
                          const QGraphicsItem *saved, const QPolygonF &savedPolygon)
{
    const QPolygonF actual = loaded->mapToScene(loadedPolygon);
    const QPolygonF expected = saved->mapToScene(savedPolygon);
    QCOMPARE(actual.size(), expected.size());
    for (int i = 0; i < actual.size(); ++i)
        QVERIFY2(QLineF(actual[i], expected[i]).length() < 1e-9, qPrintable(QString::number(i)));
}

// What both formats keep: identity, common data, pieces in list order and where they are.
void compareBoards(KvGraphicsScene *loadedBoard, KvGraphicsScene *savedBoard)
{
    const auto loaded = groupsOf(loadedBoard);
    const auto saved = groupsOf(savedBoard);
    QCOMPARE(loaded.size(), saved.size());
    for (int g = 0; g < saved.size(); ++g) {
        QCOMPARE(loaded[g]->uuid(), saved[g]->uuid());
        QCOMPARE(loaded[g]->pos(), saved[g]->pos());
        QCOMPARE(loaded[g]->transform(), saved[g]->transform());
        QCOMPARE(loaded[g]->zValue(), saved[g]->zValue());
        QCOMPARE(KvGraphicsItem::isLocked(loaded[g]), KvGraphicsItem::isLocked(saved[g]));
        QCOMPARE(loaded[g]->penWidth(), 2);
        const auto loadedPieces = loaded[g]->items();
        const auto savedPieces = saved[g]->items();
        QCOMPARE(loadedPieces.size(), savedPieces.size());
        KvGraphicsStroke *stroke = loadedPieces.first()->stroke();
        for (int p = 0; p < savedPieces.size(); ++p) {
            const KvGraphicsPolygonItem *piece = loadedPieces[p];
            QCOMPARE(piece->polygon(), savedPieces[p]->polygon());
            QCOMPARE(piece->transform(), savedPieces[p]->transform());
            QCOMPARE(piece->zValue(), savedPieces[p]->zValue());
            QCOMPARE(piece->fillRule(), savedPieces[p]->fillRule());
            QCOMPARE(piece->parentItem(), loaded[g]);
            QCOMPARE(piece->strokesGroup(), loaded[g]);
            QCOMPARE(piece->stroke(), stroke);
            QCOMPARE(piece->getCorrespondingPoint(), QPointF());
            compareScenePolygons(piece, piece->polygon(), savedPieces[p],
                                 savedPieces[p]->polygon());
        }
    }
}

QString xmlOf(KvPenObject *engine)
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("board"));
    document.appendChild(root);
    engine->exportSceneXml(&document, &root, QString());
    return document.toString(-1);
}

void importXml(KvPenObject *engine, const QString &text)
{
    QDomDocument document;
    QVERIFY(document.setContent(text));
    QDomElement root = document.documentElement();
    engine->importSceneXml(&document, &root, QString());
}

QVariantMap pieceMap(const QPolygonF &polygon, const QVariant &index = 0)
{
    return {{"polygon", QVariant::fromValue(polygon)},
            {"pen", QVariant::fromValue(QPen(Qt::NoPen))},
            {"brush", QVariant::fromValue(QBrush(Qt::red))},
            {"transform", QTransform()},
            {"zValue", 0.0},
            {"fillRule", 1},
            {"index", index}};
}

QVariantMap withValue(QVariantMap map, const QString &key, const QVariant &value)
{
    map.insert(key, value);
    return map;
}

} // namespace

class TestPersistence : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    void recordOfKnownGroup()
    {
        KvGraphicsScene board;
        KvPenObject engine;
        engine.setScene(&board);
        board.addBoardItem(new QGraphicsRectItem(0, 0, 5, 5));
        auto *group = addKnownGroup(&board);
        auto *unlisted = new KvGraphicsPolygonItem(triangle(40, 0));
        group->addToGroup(unlisted);
        group->items().first()->setTransform(QTransform::fromTranslate(1, 2));

        QList<KvSaveDataItem> records;
        engine.exportScene(records, QStringLiteral("ignored"));
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].uuid, QStringLiteral("0b5c3f9e-1d2a-4c6b-8e7f-a1b2c3d4e5f6"));
        QCOMPARE(records[0].type, 0x1000e);
        QCOMPARE(records[0].name, QStringLiteral("Strokes"));
        const QVariantMap map = records[0].data;
        QCOMPARE(
            map.keys(),
            QStringList({"color", "locked", "polygons", "pos", "transform", "uuid", "zValue"}));
        QCOMPARE(map.value("color"), QVariant(QColor(Qt::red)));
        QCOMPARE(map.value("pos"), QVariant(QPointF(10, 20)));
        const QVariantList pieces = map.value("polygons").toList();
        QCOMPARE(pieces.size(), 2);
        const QVariantMap first = pieces[0].toMap();
        QCOMPARE(
            first.keys(),
            QStringList({"brush", "fillRule", "index", "pen", "polygon", "transform", "zValue"}));
        QCOMPARE(first.value("polygon"), QVariant(triangle(0, 0)));
        QCOMPARE(first.value("pen"), QVariant(QPen(Qt::NoPen)));
        QCOMPARE(first.value("brush"), QVariant(QBrush(Qt::red)));
        QCOMPARE(first.value("transform"), QVariant(QTransform::fromTranslate(1, 2)));
        QCOMPARE(first.value("zValue"), QVariant(0.0));
        QCOMPARE(first.value("fillRule"), QVariant(int(Qt::WindingFill)));
        QCOMPARE(first.value("index"), QVariant(0));
        QCOMPARE(pieces[1].toMap().value("index"), QVariant(-1));
    }

    void xmlOfKnownGroup()
    {
        KvGraphicsScene board;
        KvPenObject engine;
        engine.setScene(&board);
        addKnownGroup(&board);
        QCOMPARE(xmlOf(&engine),
                 QStringLiteral("<board><strokesGroup>"
                                "<uuid>0b5c3f9e-1d2a-4c6b-8e7f-a1b2c3d4e5f6</uuid>"
                                "<pos>10,20</pos><transform>0,1,0,-1,0,0,0,0,1</transform>"
                                "<zValue>3</zValue><locked>false</locked>"
                                "<polygonItem><polygon>0,0;10,0;10,5</polygon>"
                                "<polygonfull>0,0;10,0;10,5;0,5;0,0</polygonfull>"
                                "<pen>0,1,#FF000000,16,64,0</pen><brush>1,#FFFF0000</brush>"
                                "<fillRule>1</fillRule><index>0</index>"
                                "<transform>1,0,0,0,1,0,0,0,1</transform><zValue>0</zValue>"
                                "</polygonItem>"
                                "<color>#FFFF0000</color><type>0</type>"
                                "</strokesGroup></board>"));
    }

    void pointInfoAndSnapshot()
    {
        KvGraphicsScene board;
        KvPenObject engine;
        engine.setScene(&board);
        auto *marker = addGroup(&board, 2, kHighlighter, {triangle(0, -8), triangle(10, 0)});
        marker->setUuid(kKnownUuid);
        marker->setPenWidth(12);
        marker->setZValue(0.5);
        marker->setPos(3.5, -2);
        marker->items().prepend(nullptr);
        auto *pen = addGroup(&board, 0, Qt::red, {});
        pen->setZValue(1);

        QDomDocument document;
        QDomElement root = document.createElement(QStringLiteral("board"));
        engine.exportOriginalPointInfoXml(&document, &root, QString());
        QCOMPARE(root.firstChildElement().attribute("id"),
                 pen->uuid().toString(QUuid::WithoutBraces));
        QString markerText;
        QTextStream stream(&markerText);
        root.lastChildElement().save(stream, -1);
        stream.flush();
        QCOMPARE(markerText,
                 QStringLiteral("<strokesGroup id=\"0b5c3f9e-1d2a-4c6b-8e7f-a1b2c3d4e5f6\">"
                                "<polygonItem><pos>0.5,-8.25;10.5,-0.25</pos></polygonItem>"
                                "<zValue>0.5</zValue><color>#80F8E71C</color><type>2</type>"
                                "<width>12</width></strokesGroup>"));
        const QDomElement emptyPoints = root.firstChildElement().firstChildElement("polygonItem");
        QVERIFY(!emptyPoints.firstChildElement("pos").isNull());
        QCOMPARE(emptyPoints.text(), QString());

        QJsonObject json {{"messageid", "m-1"}, {"zValue", 99}};
        marker->setSnaphotData(json);
        const QJsonObject expected {{"messageid", "m-1"},
                                    {"dataid", "0b5c3f9e-1d2a-4c6b-8e7f-a1b2c3d4e5f6"},
                                    {"pos", "0.5,-8.25;10.5,-0.25"},
                                    {"zValue", "0.5"},
                                    {"color", "#80F8E71C"},
                                    {"type", 2},
                                    {"width", 12},
                                    {"dx", 3.5},
                                    {"dy", -2.0},
                                    {"firstY", -8}};
        QCOMPARE(json, expected);
        QCOMPARE(marker->getSnaphotData(), expected);

        QJsonObject empty;
        pen->setSnaphotData(empty);
        QCOMPARE(empty.value("pos"), QJsonValue(""));
        QCOMPARE(empty.value("zValue"), QJsonValue("1"));
        QCOMPARE(empty.value("firstY"), QJsonValue(0));
        QCOMPARE(pen->exportItem().value("polygons").toList(), QVariantList());
    }

    void walksSkipOtherItemsAndBoards()
    {
        KvRecordingScene board;
        KvPenObject engine;
        engine.setScene(&board);
        QList<KvSaveDataItem> records {{"x", 7, "Other", {}}, {"", 0x1000e, "Strokes", {}}};
        engine.importScene(records, QString());
        importXml(&engine,
                  "<board><other/><!-- note -->text<strokesGroup/>"
                  "<g><strokesGroup/></g></board>");
        QCOMPARE(board.calls.size(), 2);
        QCOMPARE(groupsOf(&board).size(), 2);
        QVERIFY(!groupsOf(&board).first()->uuid().isNull());

        KvCoreGraphicsScene plainBoard;
        KvPenObject plainEngine;
        plainEngine.setScene(&plainBoard);
        plainEngine.importScene(records, QString());
        QVERIFY(plainBoard.items().isEmpty());
    }

    void recordRoundTrip()
    {
        KvGraphicsScene savedBoard;
        KvPenObject saver;
        saver.setScene(&savedBoard);
        addSampleBoard(&savedBoard);
        QList<KvSaveDataItem> records;
        saver.exportScene(records, QString());

        KvGraphicsScene loadedBoard;
        KvPenObject loader;
        loader.setScene(&loadedBoard);
        loader.importScene(records, QString());
        compareBoards(&loadedBoard, &savedBoard);
        if (QTest::currentTestFailed())
            return;
        // The record carries no stylus: a highlighter comes back as an opaque pen.
        for (KvGraphicsStrokesGroup *group : groupsOf(&loadedBoard)) {
            QCOMPARE(group->stylus(), 0);
            QCOMPARE(group->color().alpha(), 255);
            for (KvGraphicsPolygonItem *piece : group->items()) {
                QCOMPARE(piece->color(), group->color());
                QVERIFY(piece->fullPolygon().isEmpty());
            }
        }
        QCOMPARE(groupsOf(&loadedBoard)[1]->color(), kHighlighter);
    }

    void xmlRoundTrip()
    {
        KvGraphicsScene savedBoard;
        KvPenObject saver;
        saver.setScene(&savedBoard);
        addSampleBoard(&savedBoard);
        const QString text = xmlOf(&saver);

        KvGraphicsScene loadedBoard;
        KvPenObject loader;
        loader.setScene(&loadedBoard);
        importXml(&loader, text);
        compareBoards(&loadedBoard, &savedBoard);
        if (QTest::currentTestFailed())
            return;
        const auto loaded = groupsOf(&loadedBoard);
        const auto saved = groupsOf(&savedBoard);
        for (int g = 0; g < saved.size(); ++g) {
            QCOMPARE(loaded[g]->stylus(), saved[g]->stylus());
            // Colours travel as 8 bits per channel.
            QCOMPARE(loaded[g]->color().rgba(), saved[g]->color().rgba());
            for (int p = 0; p < saved[g]->items().size(); ++p) {
                QCOMPARE(loaded[g]->items()[p]->color().rgba(),
                         saved[g]->items()[p]->color().rgba());
                QCOMPARE(loaded[g]->items()[p]->fullPolygon(), saved[g]->items()[p]->fullPolygon());
            }
        }
        QCOMPARE(loaded[1]->items()[0]->color().alpha(), 128);
        QCOMPARE(xmlOf(&loader), text);
    }

    void importIndexClamping_data()
    {
        QTest::addColumn<QVariantList>("indices");
        QTest::addColumn<QList<int>>("order"); // loaded list as positions in the record
        QTest::newRow("in order") << QVariantList {0, 1, 2} << QList<int> {0, 1, 2};
        // Inserted one by one in record order, so a reversed list does not come back reversed.
        QTest::newRow("reversed") << QVariantList {2, 1, 0} << QList<int> {2, 0, 1};
        QTest::newRow("-1 goes first") << QVariantList {0, 1, -1} << QList<int> {2, 0, 1};
        QTest::newRow("99 appends") << QVariantList {0, 1, 99} << QList<int> {0, 1, 2};
        QTest::newRow("extremes") << QVariantList {INT_MAX, INT_MIN, 1e300} << QList<int> {1, 0, 2};
        QTest::newRow("text and junk")
            << QVariantList {"1", "x", QVariant()} << QList<int> {2, 1, 0};
    }
    void importIndexClamping()
    {
        QFETCH(QVariantList, indices);
        QFETCH(QList<int>, order);
        QVariantList pieces;
        for (int i = 0; i < indices.size(); ++i)
            pieces.append(pieceMap(triangle(10 * i, 0), indices[i]));
        KvGraphicsStrokesGroup group;
        group.importItem({{"polygons", pieces}});
        QCOMPARE(group.items().size(), order.size());
        for (int i = 0; i < order.size(); ++i)
            QCOMPARE(group.items()[i]->polygon(), triangle(10 * order[i], 0));
    }

    void malformedRecord_data()
    {
        QTest::addColumn<QVariantMap>("data");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<bool>("refused");
        const QVariantMap sound = pieceMap(triangle(0, 0));
        const auto record = [](const QVariantList &pieces) {
            return QVariantMap {{"polygons", pieces}, {"color", QColor(Qt::red)}};
        };
        QTest::newRow("empty map") << QVariantMap() << 0 << false;
        QTest::newRow("polygons not a list") << QVariantMap {{"polygons", "x"}} << 0 << false;
        QTest::newRow("entry not a map") << record({5, sound}) << 2 << false;
        QTest::newRow("wrong types") << record({withValue(sound, "polygon", "junk")}) << 1 << false;
        QTest::newRow("NaN point") << record(
            {sound,
             withValue(sound, "polygon",
                       QVariant::fromValue(QPolygonF(QVector<QPointF> {{0, 0}, {qQNaN(), 1}})))})
                                   << 1 << true;
        QTest::newRow("far point")
            << record({withValue(sound, "polygon", QVariant::fromValue(triangle(2e6, 0)))}) << 0
            << true;
        QTest::newRow("huge polygon")
            << record({withValue(sound, "polygon", QVariant::fromValue(QPolygonF(10001)))}) << 0
            << true;
        QTest::newRow("singular transform")
            << record({withValue(sound, "transform", QTransform(0, 0, 0, 0, 0, 0))}) << 0 << true;
        QTest::newRow("far transform")
            << record({withValue(sound, "transform", QTransform::fromScale(1e6, 1))}) << 0 << true;
        QTest::newRow("infinite transform")
            << record({withValue(sound, "transform", QTransform::fromTranslate(qInf(), 0))}) << 0
            << true;
        QTest::newRow("NaN z") << record({withValue(sound, "zValue", qQNaN())}) << 0 << true;
        QTest::newRow("fill rule") << record({withValue(sound, "fillRule", 7)}) << 0 << true;
        QTest::newRow("pen width")
            << record({withValue(sound, "pen", QVariant::fromValue(QPen(Qt::red, qInf())))}) << 0
            << true;
        QTest::newRow("too many pieces") << record(
            QVector<QVariant>(KvGraphicsStrokesGroup::kMaxPiecesPerGroup + 2, sound).toList())
                                         << KvGraphicsStrokesGroup::kMaxPiecesPerGroup << true;
    }
    void malformedRecord()
    {
        QFETCH(QVariantMap, data);
        QFETCH(int, pieces);
        QFETCH(bool, refused);
        KvGraphicsScene board;
        KvPenObject engine;
        engine.setScene(&board);
        KvGraphicsStrokesGroup *existing = addKnownGroup(&board);
        if (refused)
            QTest::ignoreMessage(QtDebugMsg,
                                 QRegularExpression("^KvGraphicsStrokesGroup::importItem "));
        engine.importScene({{"not a uuid", 0x1000e, "Strokes", data}}, QString());
        const auto groups = groupsOf(&board);
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[0], existing);
        QCOMPARE(existing->items().size(), 1);
        QCOMPARE(existing->uuid(), kKnownUuid);
        QVERIFY(!groups[1]->uuid().isNull());
        QCOMPARE(groups[1]->items().size(), pieces);
        QCOMPARE(groups[1]->childItems().size(), pieces);
    }

    void malformedXml_data()
    {
        QTest::addColumn<QString>("pieceXml");
        QTest::addColumn<QString>("groupXml");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<int>("stylus");
        QTest::addColumn<bool>("refused");
        const QString sound = "<polygonItem><polygon>0,0;10,0;10,5</polygon></polygonItem>";
        QTest::newRow("empty piece") << "<polygonItem/>"
                                     << "" << 1 << 0 << false;
        QTest::newRow("other children")
            << "<x/>text<!-- c -->" + sound << "<type>2</type>" << 1 << 2 << false;
        QTest::newRow("malformed polygon")
            << "<polygonItem><polygon>0,0;x,1</polygon></polygonItem>"
            << "" << 0 << 0 << true;
        QTest::newRow("malformed full polygon")
            << "<polygonItem><polygonfull>0,0,3</polygonfull></polygonItem>"
            << "" << 0 << 0 << true;
        QTest::newRow("NaN point") << "<polygonItem><polygon>0,0;nan,1</polygon></polygonItem>"
                                   << "" << 0 << 0 << true;
        QTest::newRow("far point") << "<polygonItem><polygon>0,0;-1e7,1</polygon></polygonItem>"
                                   << "" << 0 << 0 << true;
        QTest::newRow("huge polygon") << "<polygonItem><polygon>" + QString("1,1;").repeated(200000)
                + "1,1</polygon>"
                  "</polygonItem>"
                                      << "" << 0 << 0 << true;
        QTest::newRow("singular transform")
            << "<polygonItem><transform>0,0,0,0,0,0,0,0,1</transform></polygonItem>"
            << "" << 0 << 0 << true;
        QTest::newRow("infinite z") << "<polygonItem><zValue>inf</zValue></polygonItem>"
                                    << "" << 0 << 0 << true;
        QTest::newRow("fill rule") << "<polygonItem><fillRule>3</fillRule></polygonItem>"
                                   << "" << 0 << 0 << true;
        QTest::newRow("eraser stylus") << sound << "<type>1</type>" << 1 << 0 << true;
        QTest::newRow("too many pieces")
            << sound.repeated(KvGraphicsStrokesGroup::kMaxPiecesPerGroup + 1) << ""
            << KvGraphicsStrokesGroup::kMaxPiecesPerGroup << 0 << true;
    }
    void malformedXml()
    {
        QFETCH(QString, pieceXml);
        QFETCH(QString, groupXml);
        QFETCH(int, pieces);
        QFETCH(int, stylus);
        QFETCH(bool, refused);
        KvGraphicsScene board;
        KvPenObject engine;
        engine.setScene(&board);
        KvGraphicsStrokesGroup *existing = addKnownGroup(&board);
        if (refused)
            QTest::ignoreMessage(QtDebugMsg,
                                 QRegularExpression("^KvGraphicsStrokesGroup::importItemXml "));
        importXml(&engine,
                  "<board><strokesGroup>" + pieceXml + groupXml + "</strokesGroup></board>");
        const auto groups = groupsOf(&board);
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups[0], existing);
        QCOMPARE(existing->items().size(), 1);
        QCOMPARE(groups[1]->items().size(), pieces);
        QCOMPARE(groups[1]->stylus(), stylus);
    }
};

QTEST_MAIN(TestPersistence)
#include "tst_persistence.moc"
