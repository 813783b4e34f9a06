#include "KvBoardScript.h"

#include "KvBoard.h"
#include "KvBoardTransport.h"
#include "KvBoardView.h"
#include "KvPenCore.h"
#include "KvPenTypes.h"

#include <QColor>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUndoStack>

#include <cmath>
#include <cstdio>

namespace {

// Messages in flight get this long to arrive after the last step.
constexpr int kDrainMilliseconds = 10000;
// Work this short shows no progress.
constexpr int kQuietMilliseconds = 200;

bool fail(QString *error, const QString &message)
{
    *error = message;
    return false;
}

bool readPoint(const QJsonObject &step, QPointF *point)
{
    const QJsonArray at = step.value(QStringLiteral("at")).toArray();
    if (at.size() != 2 || !at.at(0).isDouble() || !at.at(1).isDouble())
        return false;
    *point = QPointF(at.at(0).toDouble(), at.at(1).toDouble());
    return std::isfinite(point->x()) && std::isfinite(point->y());
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        return true;
    return fail(error, path + QStringLiteral(": ") + file.errorString());
}

} // namespace

bool KvBoardScript::load(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, path + QStringLiteral(": ") + file.errorString());
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(error, path + QStringLiteral(": ") + parseError.errorString());
    const QJsonObject session = document.object();
    if (!session.value(QStringLiteral("steps")).isArray())
        return fail(error, path + QStringLiteral(": no \"steps\" list"));
    const QString mirror = session.value(QStringLiteral("mirror")).toString(QStringLiteral("live"));
    if (mirror != QLatin1String("live") && mirror != QLatin1String("stroke"))
        return fail(error, path + QStringLiteral(": \"mirror\" is \"live\" or \"stroke\""));
    m_steps = session.value(QStringLiteral("steps")).toArray();
    m_sessionDir = QFileInfo(path).absolutePath();
    m_wholeStroke = mirror == QLatin1String("stroke");
    m_delay = qMax(0, session.value(QStringLiteral("delay")).toInt());
    return true;
}

bool KvBoardScript::run(const QString &outDir, QString *error)
{
    if (!QDir().mkpath(outDir))
        return fail(error, outDir + QStringLiteral(": cannot create the folder"));
    KvBoard board(QStringLiteral("board"));
    KvBoard mirror(QStringLiteral("mirror"));
    KvBoardView boardView(&board);
    KvBoardView mirrorView(&mirror);
    for (KvBoardView *view : {&boardView, &mirrorView}) {
        view->resize(KvBoardScene::kWidth, KvBoardScene::kHeight);
        view->show();
    }
    KvBoardTransport transport(&board, &mirror);
    transport.setMode(m_wholeStroke ? KvBoardTransport::WholeStroke : KvBoardTransport::Live);
    transport.setDelay(m_delay);

    QFile log(QDir(outDir).filePath(QStringLiteral("messages.jsonl")));
    if (!log.open(QIODevice::WriteOnly))
        return fail(error, log.fileName() + QStringLiteral(": ") + log.errorString());
    int index = -1;
    QObject::connect(&transport, &KvBoardTransport::sent, [&](const QJsonObject &envelope) {
        QJsonObject line = envelope;
        line.insert(QStringLiteral("step"), index);
        log.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
    });

    const Players players {&board, &boardView, &mirror, &mirrorView};
    if (m_before && !m_before(&board, error))
        return false;
    QElapsedTimer clock;
    clock.start();
    int reported = 0;
    for (index = 0; index < m_steps.size(); ++index) {
        if (!play(m_steps.at(index).toObject(), players, outDir, error)) {
            *error = QStringLiteral("step %1: %2").arg(index).arg(*error);
            return false;
        }
        // A long session tells how far it got, every tenth of the way.
        const int tenth = 10 * (index + 1) / m_steps.size();
        if (clock.elapsed() > kQuietMilliseconds && tenth > reported) {
            reported = tenth;
            std::fprintf(stderr, "kvboard: played %d of %d steps\n", index + 1,
                         int(m_steps.size()));
        }
    }
    const QDeadlineTimer deadline(kDrainMilliseconds);
    while (transport.isBusy() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (m_after && !m_after(&board, error))
        return false;

    const QDir out(outDir);
    if (!board.render().save(out.filePath(QStringLiteral("board.png"))))
        return fail(error,
                    out.filePath(QStringLiteral("board.png")) + QStringLiteral(": not written"));
    if (!mirror.render().save(out.filePath(QStringLiteral("mirror.png"))))
        return fail(error,
                    out.filePath(QStringLiteral("mirror.png")) + QStringLiteral(": not written"));
    return writeFile(out.filePath(QStringLiteral("board.xml")), board.toXml(), error);
}

void KvBoardScript::setHooks(Hook before, Hook after)
{
    m_before = std::move(before);
    m_after = std::move(after);
}

bool KvBoardScript::play(const QJsonObject &step, const Players &players, const QString &outDir,
                         QString *error)
{
    const bool onMirror = step.value(QStringLiteral("board")).toString() == QLatin1String("mirror");
    KvBoard *board = onMirror ? players.mirror : players.board;
    KvBoardView *view = onMirror ? players.mirrorView : players.boardView;
    const QString action = step.value(QStringLiteral("do")).toString();
    const int id = step.value(QStringLiteral("id")).toInt();
    QPointF at;
    static const QStringList needPoint {QStringLiteral("press"), QStringLiteral("move"),
                                        QStringLiteral("touchPress"), QStringLiteral("touchMove"),
                                        QStringLiteral("erase")};
    if (needPoint.contains(action) && !readPoint(step, &at))
        return fail(error, QStringLiteral("\"at\" must be [x, y]"));

    if (action == QLatin1String("tool"))
        return setTool(board, step, error);
    if (action == QLatin1String("press"))
        board->pointerPress(at);
    else if (action == QLatin1String("move"))
        board->pointerMove(at);
    else if (action == QLatin1String("release"))
        board->pointerRelease();
    else if (action == QLatin1String("touchPress"))
        board->touchPress(id, at);
    else if (action == QLatin1String("touchMove"))
        board->touchMove(id, at);
    else if (action == QLatin1String("touchRelease"))
        board->touchRelease(id);
    else if (action == QLatin1String("erase")) {
        const double size = step.value(QStringLiteral("size")).toDouble(KvBoardView::kPalmDiameter);
        QRectF area(0, 0, size, size);
        area.moveCenter(view->viewportTransform().map(at));
        board->eraseArea(area);
    } else if (action == QLatin1String("endErase"))
        board->endEraseArea();
    else if (action == QLatin1String("undo"))
        board->undoStack()->undo();
    else if (action == QLatin1String("redo"))
        board->undoStack()->redo();
    else if (action == QLatin1String("clear"))
        board->clear();
    else if (action == QLatin1String("wait")) {
        const QDeadlineTimer until(qBound(0, step.value(QStringLiteral("ms")).toInt(), 600000));
        while (!until.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                            int(qMax<qint64>(1, until.remainingTime())));
    } else if (action == QLatin1String("zoom"))
        view->setZoom(step.value(QStringLiteral("factor")).toDouble(1.0));
    else if (action == QLatin1String("save")) {
        const QString file = step.value(QStringLiteral("file")).toString();
        if (file.isEmpty() || file.contains(QLatin1Char('/')))
            return fail(error, QStringLiteral("\"file\" must be a plain file name"));
        return board->saveFile(QDir(outDir).filePath(file), error);
    } else if (action == QLatin1String("open"))
        return open(board, step.value(QStringLiteral("file")).toString(), error);
    else
        return fail(error, QStringLiteral("unknown step \"%1\"").arg(action));
    return true;
}

bool KvBoardScript::open(KvBoard *board, const QString &path, QString *error)
{
    if (path.isEmpty())
        return fail(error, QStringLiteral("\"file\" must name a board file"));
    // Relative to the script file, like any path in it.
    const QString file = QDir(m_sessionDir).absoluteFilePath(path);
    KvBoardLoadReport report;
    if (!board->openFile(file, error, &report)) {
        *error = file + QStringLiteral(": ") + *error;
        return false;
    }
    if (!report.isComplete())
        return fail(error, file + QStringLiteral(": ") + report.summary());
    return true;
}

bool KvBoardScript::setTool(KvBoard *board, const QJsonObject &step, QString *error)
{
    static const QHash<QString, int> styluses {
        {QStringLiteral("pen"), KvPen::PenStylus},
        {QStringLiteral("eraser"), KvPen::EraserStylus},
        {QStringLiteral("highlighter"), KvPen::MarkerStylus}};
    const QString tool = step.value(QStringLiteral("tool")).toString();
    if (!styluses.contains(tool))
        return fail(error, QStringLiteral("unknown tool \"%1\"").arg(tool));
    const int stylus = styluses.value(tool);
    KvPenCore *core = board->core();
    core->setStylus(stylus);
    if (step.contains(QStringLiteral("width"))) {
        const int width = step.value(QStringLiteral("width")).toInt();
        if (width <= 0)
            return fail(error, QStringLiteral("\"width\" must be a positive whole number"));
        if (stylus == KvPen::PenStylus)
            core->setPenWidth(width);
        else if (stylus == KvPen::MarkerStylus)
            core->setMarkerWidth(width);
        else
            core->setEraserWidth(width);
    }
    if (step.contains(QStringLiteral("color"))) {
        const QColor color(step.value(QStringLiteral("color")).toString());
        if (!color.isValid() || stylus == KvPen::EraserStylus)
            return fail(error,
                        QStringLiteral("\"color\" must be a colour of the pen or highlighter"));
        if (stylus == KvPen::PenStylus)
            core->setPenColor(color);
        else
            core->setMarkerColor(color);
    }
    return true;
}
