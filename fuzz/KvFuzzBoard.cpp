#include "KvFuzzBoard.h"

#include "KvBoardInspection.h"
#include "KvGraphicsStrokesGroup.h"
#include "KvSaveDataItem.h"

#include <QApplication>
#include <QDomDocument>
#include <QGraphicsView>
#include <QImage>
#include <QLoggingCategory>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

namespace {

bool warningsAllowed = false;

// Debug lines are the plug-in's refusals, expected by the thousand; anything louder from Qt
// means hostile input reached a place that should have refused it: a finding.
void fuzzMessageHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg || (warningsAllowed && type == QtWarningMsg))
        return;
    std::fprintf(stderr, "Qt warning during fuzzing: %s\n", qPrintable(message));
    std::abort();
}

// What the board saved must load back whole: a limit on loading that refuses ink the board
// accepted loses it on the next load.
void checkLoaded(const char *form, const QList<int> &saved, const QList<int> &loaded)
{
    if (loaded == saved)
        return;
    QStringList counts;
    for (const QList<int> &list : {saved, loaded}) {
        QStringList numbers;
        for (int count : list)
            numbers.append(QString::number(count));
        counts.append(numbers.join(QLatin1Char(' ')));
    }
    std::fprintf(stderr, "saved ink does not load back from %s: pieces per group %s became %s\n",
                 form, qPrintable(counts.at(0).left(200)), qPrintable(counts.at(1).left(200)));
    std::abort();
}

// Whatever the input did, the board keeps no loose or half-owned ink.
void checkBoard(const char *which, const QGraphicsScene &scene)
{
    const QStringList violations = boardViolations(scene);
    if (violations.isEmpty())
        return;
    std::fprintf(stderr, "%s board: %s\n", which, qPrintable(violations.join(QLatin1String("; "))));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Lives until the process ends, as in any Qt program.
    new QApplication(*argc, *argv);
    // After the platform's start-up, whose complaints about the environment are not findings.
    qInstallMessageHandler(fuzzMessageHandler);
    // The handler drops debug lines; not building them at all spares every refusal its text.
    QLoggingCategory::setFilterRules(QStringLiteral("kvpen.*.debug=false"));
    return 0;
}

namespace {

KvGraphicsScene &runScene(KvFuzzBoard::Role role)
{
    // Live until the process ends, as in any Qt program.
    static auto *scenes = new KvGraphicsScene[2];
    return scenes[role];
}

} // namespace

KvFuzzBoard::KvFuzzBoard(Role role)
    : m_scene(runScene(role))
{
    m_core.currentSceneChanged(&m_scene);
}

KvFuzzBoard::~KvFuzzBoard()
{
    // Open ink goes with the scene's items; so does ink kept for an undo.
    m_scene.clear();
    for (QGraphicsItem *item : m_scene.removedItems()) {
        if (m_scene.takeRemovedItem(item))
            delete item;
    }
    // The scene's queued bookkeeping (polish, index, updates), which a fresh scene would have
    // dropped with itself; an event loop would have run it. Only a call for every receiver and
    // type also empties Qt's list of posted events.
    QCoreApplication::sendPostedEvents();
}

QGraphicsView *KvFuzzBoard::view()
{
    // Never shown: the replay reads only its size and transform, and a shown view's window
    // would queue window-system events that no event loop takes.
    static QGraphicsView *view = [] {
        auto *made = new QGraphicsView;
        made->resize(800, 600);
        return made;
    }();
    return view;
}

QList<KvGraphicsStrokesGroup *> KvFuzzBoard::groups() const
{
    QList<KvGraphicsStrokesGroup *> groups;
    for (QGraphicsItem *item : m_scene.getFastAccessItems()) {
        if (auto *group = qgraphicsitem_cast<KvGraphicsStrokesGroup *>(item))
            groups.append(group);
    }
    return groups;
}

void KvFuzzBoard::render()
{
    // What itemsBoundingRect gives, without the two sorts of every item by stacking order:
    // Qt leaves items unsorted for this order.
    QRectF ink;
    for (const QGraphicsItem *item : m_scene.items(Qt::SortOrder(-1)))
        ink |= item->sceneBoundingRect();
    if (ink.isNull())
        return;
    // One image for the run: only the painting is under test.
    static QImage image(96, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    m_scene.render(&painter, QRectF(image.rect()), ink);
}

QList<int> KvFuzzBoard::pieceCounts() const
{
    QList<int> counts;
    for (const KvGraphicsStrokesGroup *group : groups())
        counts.append(group->items().size());
    return counts;
}

void KvFuzzBoard::check()
{
    checkBoard("the fuzzed", m_scene);
    // One group a board: every shape of group is the last one in some input.
    const QList<KvGraphicsStrokesGroup *> drawn = groups();
    if (!drawn.isEmpty())
        delete drawn.constLast()->deepCopy();
}

void KvFuzzBoard::roundTrip(SaveForm form)
{
    check();
    const QList<int> saved = pieceCounts();
    // Most inputs leave no ink; an empty board has nothing to lose.
    if (saved.isEmpty())
        return;
    const QString name = QStringLiteral("fuzz");
    KvFuzzBoard loaded(Loaded);
    if (form == Records) {
        QList<KvSaveDataItem> records;
        m_core.exportScene(records, name);
        loaded.core().importScene(records, name);
        checkLoaded("records", saved, loaded.pieceCounts());
    } else {
        QDomDocument document;
        QDomElement root = document.createElement(QStringLiteral("board"));
        document.appendChild(root);
        m_core.exportSceneXml(&document, &root, name);
        QDomElement points = document.createElement(QStringLiteral("points"));
        m_core.exportOriginalPointInfoXml(&document, &points, name);
        loaded.core().importSceneXml(&document, &root, name);
        checkLoaded("XML", saved, loaded.pieceCounts());
    }
    checkBoard("the loaded", loaded.scene());
}

KvFuzzWarningsAllowed::KvFuzzWarningsAllowed()
{
    warningsAllowed = true;
}

KvFuzzWarningsAllowed::~KvFuzzWarningsAllowed()
{
    warningsAllowed = false;
}

namespace {

bool replaying = false;

} // namespace

bool fuzzReplaying()
{
    return replaying;
}

void setFuzzReplaying()
{
    replaying = true;
}

unsigned fuzzByteSum(const uint8_t *data, size_t size)
{
    unsigned sum = 0;
    for (size_t i = 0; i < size; ++i)
        sum += data[i];
    return sum;
}

bool fuzzChecksRoundTrip(const uint8_t *data, size_t size)
{
    return fuzzReplaying() || (fuzzByteSum(data, size) & 2U);
}

KvFuzzBoard::SaveForm fuzzSaveForm(const uint8_t *data, size_t size)
{
    return fuzzByteSum(data, size) % 2 ? KvFuzzBoard::Xml : KvFuzzBoard::Records;
}

QList<QByteArray> fuzzLines(const QByteArray &input, int maxLines)
{
    QList<QByteArray> lines = input.split('\n');
    if (lines.size() > maxLines)
        lines.erase(lines.begin() + maxLines, lines.end());
    return lines;
}

QList<QByteArray> fuzzFields(const QByteArray &line, int count)
{
    QList<QByteArray> fields;
    fields.reserve(count);
    int start = 0;
    while (fields.size() < count - 1 && start <= line.size()) {
        int end = line.indexOf(' ', start);
        if (end < 0)
            end = line.size();
        fields.append(line.mid(start, end - start));
        start = end + 1;
    }
    fields.append(line.mid(start));
    while (fields.size() < count)
        fields.append(QByteArray());
    return fields;
}
