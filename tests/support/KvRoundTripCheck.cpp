#include "KvRoundTripCheck.h"

#include "KvBoardInspection.h"
#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvPenTypes.h"
#include "KvSaveDataItem.h"

#include <QDomDocument>
#include <QJsonDocument>

#include <memory>

namespace {

const QString kSender = QStringLiteral("drawer");

// What a transport does to a message: JSON bytes and back.
QJsonObject serialised(const QJsonObject &data)
{
    return QJsonDocument::fromJson(QJsonDocument(data).toJson(QJsonDocument::Compact)).object();
}

struct Comparison
{
    QString what;
    QStringList *failures;

    void fail(const QString &failure) const
    {
        // One board's first few differences say enough.
        if (failures->size() < 20)
            failures->append(what + QStringLiteral(": ") + failure);
    }
};

// What differs between a drawn group and its copy: the same uuid, stylus and pieces, the same
// polygons where they were on the board, the same colours. Empty when nothing does.
QString exactDifference(const KvGraphicsStrokesGroup &drawn, const KvGraphicsStrokesGroup &copy)
{
    if (drawn.uuid() != copy.uuid() || drawn.stylus() != copy.stylus()
        || drawn.items().size() != copy.items().size())
        return QStringLiteral("uuid, stylus or piece count");
    for (int p = 0; p < drawn.items().size(); ++p) {
        const KvGraphicsPolygonItem *x = drawn.items()[p];
        const KvGraphicsPolygonItem *y = copy.items()[p];
        if (x->polygon() != y->polygon()
            || x->mapToScene(x->polygon()) != y->mapToScene(y->polygon())
            || x->color().rgba() != y->color().rgba())
            return QStringLiteral("piece %1").arg(p);
    }
    return {};
}

QList<QPointF> inputPoints(const KvGraphicsStrokesGroup &group)
{
    QList<QPointF> points;
    for (const KvGraphicsPolygonItem *piece : group.items())
        points.append(piece->mapToScene(piece->getCorrespondingPoint()));
    return points;
}

// Each coordinate truncated to a whole unit, as a whole-stroke replay reads it.
bool withinOneUnit(const QPointF &drawn, const QPointF &replayed)
{
    return qAbs(drawn.x() - replayed.x()) < 1.0 && qAbs(drawn.y() - replayed.y()) < 1.0;
}

// What differs between a drawn group and its replay: the same uuid and colour, and every point a
// replayed piece was made at within one unit of the drawn points, in their order.
QString replayDifference(const KvGraphicsStrokesGroup &drawn, const KvGraphicsStrokesGroup &replay)
{
    if (drawn.uuid() != replay.uuid()
        || drawn.items().value(0)->color().rgba() != replay.items().value(0)->color().rgba())
        return QStringLiteral("uuid or colour");
    const QList<QPointF> points = inputPoints(drawn);
    int next = 0;
    for (const QPointF &point : inputPoints(replay)) {
        while (next < points.size() && !withinOneUnit(points[next], point))
            ++next;
        if (next == points.size())
            return QStringLiteral("a point off the drawn ones");
    }
    return {};
}

// The same number of groups, each pair alike by `difference`, in board order.
void compareGroups(const KvGraphicsScene &expected, const KvGraphicsScene &actual,
                   const Comparison &comparison,
                   QString (*difference)(const KvGraphicsStrokesGroup &,
                                         const KvGraphicsStrokesGroup &))
{
    const QList<KvGraphicsStrokesGroup *> wanted = groupsOn(expected);
    const QList<KvGraphicsStrokesGroup *> got = groupsOn(actual);
    if (wanted.size() != got.size())
        return comparison.fail(
            QStringLiteral("%1 groups, not %2").arg(got.size()).arg(wanted.size()));
    for (int g = 0; g < wanted.size(); ++g) {
        const QString found = difference(*wanted[g], *got[g]);
        if (!found.isEmpty())
            comparison.fail(QStringLiteral("group %1 (%2): ").arg(g).arg(text(wanted[g]->uuid()))
                            + found);
    }
}

} // namespace

KvRoundTripCheck::Board::Board()
{
    core.currentSceneChanged(&scene);
}

KvRoundTripCheck::KvRoundTripCheck(quint32 seed)
    : m_random(seed)
{
    KvPenCore *live = &m_live.core;
    QObject::connect(
        &m_drawn.core, &KvPenCore::sig_sendRemoteData, live,
        [live](const QUuid &, int type, const QJsonObject &data, const QString &messageid) {
            QJsonObject message = serialised(data);
            if (!messageid.isEmpty())
                message.insert(KvPen::Key::MessageId, messageid);
            live->remoteData(kSender, type, message);
        });
    KvPenCore *whole = &m_whole.core;
    QObject::connect(&m_drawn.core, &KvPenCore::sig_penChanged, whole,
                     [whole](QJsonObject &data) { whole->paintPen(serialised(data)); });
    KvGraphicsScene *wholeBoard = &m_whole.scene;
    QObject::connect(&m_drawn.core, &KvPenCore::sig_removeItem, whole,
                     [wholeBoard](const QStringList &uuids) {
                         for (KvGraphicsStrokesGroup *group : groupsOn(*wholeBoard)) {
                             if (uuids.contains(text(group->uuid())))
                                 wholeBoard->removeBoardItem(group, false);
                         }
                     });
}

void KvRoundTripCheck::stroke(int stylus, int width, const QColor &color,
                              const QList<QPointF> &points)
{
    KvPenCore &core = m_drawn.core;
    core.setStylus(stylus);
    if (stylus == KvPen::PenStylus) {
        core.setPenWidth(width);
        core.setPenColor(color);
    } else {
        core.setMarkerWidth(width);
        core.setMarkerColor(color);
    }
    core.inputDevicePress(points.first(), 1.0);
    for (int i = 1; i < points.size(); ++i)
        core.inputDeviceMove(points[i], 1.0);
    core.inputDeviceRelease();
}

void KvRoundTripCheck::erase(int width, const QList<QPointF> &points)
{
    KvPenCore &core = m_drawn.core;
    core.setStylus(KvPen::EraserStylus);
    core.setEraserWidth(width);
    core.inputDevicePress(points.first(), 1.0);
    for (int i = 1; i < points.size(); ++i)
        core.inputDeviceMove(points[i], 1.0);
    core.inputDeviceRelease();
}

QPointF KvRoundTripCheck::randomPoint(double margin)
{
    const double reach = KvPen::kMaxCoordinate - margin;
    return QPointF(m_random.bounded(2 * reach) - reach, m_random.bounded(2 * reach) - reach);
}

void KvRoundTripCheck::drawRandomBoard(int strokes)
{
    const double margin = 1000;
    for (int s = 0; s < strokes; ++s) {
        // Now and then an erase through the ink of a stroke drawn before.
        const QList<KvGraphicsStrokesGroup *> groups = groupsOn(m_drawn.scene);
        if (!groups.isEmpty() && m_random.bounded(4) == 0) {
            const auto *group = groups[m_random.bounded(groups.size())];
            const QPointF at = group->items().first()->sceneBoundingRect().center();
            erase(1 + m_random.bounded(40), {at, at + QPointF(3, 2)});
        }
        QList<QPointF> points {randomPoint(margin)};
        // Mostly short strokes, sometimes a long one.
        const int moves = m_random.bounded(8) == 0 ? m_random.bounded(600) : m_random.bounded(40);
        double angle = m_random.bounded(6.3);
        for (int m = 0; m < moves; ++m) {
            angle += m_random.bounded(1.0) - 0.5;
            const double step = 1 + m_random.bounded(24.0);
            points.append(points.last() + QPointF(std::cos(angle), std::sin(angle)) * step);
        }
        const int stylus = m_random.bounded(2) == 0 ? KvPen::PenStylus : KvPen::MarkerStylus;
        const QColor color = QColor::fromRgb(m_random.generate() | 0xff000000);
        stroke(stylus, 1 + m_random.bounded(40), color, points);
    }
}

int KvRoundTripCheck::groupCount() const
{
    return groupsOn(m_drawn.scene).size();
}

QStringList KvRoundTripCheck::failures()
{
    QStringList failures;
    for (const Board *board : {&m_drawn, &m_live, &m_whole}) {
        for (const QString &violation : boardViolations(board->scene, 0))
            failures.append(violation);
    }
    const QString name = QStringLiteral("roundtrip");
    QList<KvSaveDataItem> records;
    m_drawn.core.exportScene(records, name);
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("board"));
    document.appendChild(root);
    m_drawn.core.exportSceneXml(&document, &root, name);
    // Through the bytes, as a file would carry it.
    QDomDocument reread;
    reread.setContent(document.toByteArray());
    QDomElement rereadRoot = reread.documentElement();

    auto fromRecords = std::make_unique<Board>();
    fromRecords->core.importScene(records, name);
    auto fromXml = std::make_unique<Board>();
    fromXml->core.importSceneXml(&reread, &rereadRoot, name);

    compareGroups(m_drawn.scene, fromRecords->scene, {QStringLiteral("records"), &failures},
                  exactDifference);
    compareGroups(m_drawn.scene, fromXml->scene, {QStringLiteral("XML"), &failures},
                  exactDifference);
    compareGroups(m_drawn.scene, m_live.scene, {QStringLiteral("live mirror"), &failures},
                  exactDifference);
    compareGroups(m_drawn.scene, m_whole.scene, {QStringLiteral("whole-stroke mirror"), &failures},
                  replayDifference);
    return failures;
}
