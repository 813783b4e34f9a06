// Turns kvpen_bench's JSON results into the tables of BENCHMARKS.md: the targets with the
// numbers beside them, then every result. With a second argument the tables replace what
// stands between the markers in that file; otherwise they are printed. A third names the file
// that gets the board-size series for the plot.
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMap>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <cmath>

namespace {

const QString kBegin = QStringLiteral("<!-- bench-table:begin -->");
const QString kEnd = QStringLiteral("<!-- bench-table:end -->");

struct Result
{
    double micros = 0.0; // median real time of one iteration
    QMap<QString, double> counters;
};

double toMicros(double value, const QString &unit)
{
    if (unit == QLatin1String("ns"))
        return value / 1000.0;
    if (unit == QLatin1String("ms"))
        return value * 1000.0;
    if (unit == QLatin1String("s"))
        return value * 1e6;
    return value;
}

QString formatTime(double micros)
{
    if (micros >= 1000.0)
        return QStringLiteral("%1 ms").arg(micros / 1000.0, 0, 'f', micros >= 100000.0 ? 0 : 2);
    return QStringLiteral("%1 µs").arg(micros, 0, 'f', micros >= 100.0 ? 0 : 2);
}

QString formatNumber(double value)
{
    if (std::abs(value) >= 100.0 || value == std::trunc(value))
        return QLocale::c().toString(qRound64(value));
    return QString::number(value, 'f', 2);
}

// "Ink/Press/pieces:0/min_time:0.100/repeats:5" -> "Ink/Press/pieces:0"
QString plainName(QString name)
{
    static const QRegularExpression settings(
        QStringLiteral("/(min_time|repeats|iterations):[^/]*"));
    return name.remove(settings);
}

QHash<QString, Result> readResults(const QJsonArray &benchmarks, QStringList *order)
{
    static const QStringList notCounters = {"name",
                                            "family_index",
                                            "per_family_instance_index",
                                            "run_name",
                                            "run_type",
                                            "repetitions",
                                            "repetition_index",
                                            "threads",
                                            "aggregate_name",
                                            "aggregate_unit",
                                            "iterations",
                                            "real_time",
                                            "cpu_time",
                                            "time_unit",
                                            "error_occurred",
                                            "error_message"};
    QHash<QString, Result> results;
    for (const QJsonValue &value : benchmarks) {
        const QJsonObject entry = value.toObject();
        const bool median = entry.value("aggregate_name").toString() == QLatin1String("median");
        const bool single = entry.value("run_type").toString() == QLatin1String("iteration")
            && entry.value("repetitions").toInt() <= 1;
        if (!median && !single)
            continue;
        const QString name = plainName(entry.value("run_name").toString());
        Result result;
        result.micros
            = toMicros(entry.value("real_time").toDouble(), entry.value("time_unit").toString());
        for (auto it = entry.constBegin(); it != entry.constEnd(); ++it) {
            if (!notCounters.contains(it.key()) && it.value().isDouble())
                result.counters.insert(it.key(), it.value().toDouble());
        }
        if (!results.contains(name))
            order->append(name);
        results.insert(name, result);
    }
    return results;
}

QString formatCounters(const Result &result)
{
    QStringList parts;
    for (auto it = result.counters.constBegin(); it != result.counters.constEnd(); ++it)
        parts.append(it.key() + QLatin1Char('=') + formatNumber(it.value()));
    return parts.join(QStringLiteral(", "));
}

// One row of the targets table: a time against a limit in µs, a ratio of two times, or a
// counter against a limit. A time divided by a counter of its own benchmark (`per`) is the time
// per counted thing.
struct Target
{
    QString path;
    QString benchmark;
    QString denominator; // a ratio of two times when set
    double limit;
    QString per = {};
    QString counter = {}; // the row shows this counter of `benchmark` instead of a time
};

const QList<Target> &targets()
{
    static const QList<Target> list = {
        {"eraser step and its event-loop work, 8,000 strokes",
         "Board/EraserStep/strokes:8000",
         {},
         50},
        {"eraser step and its event-loop work, 30,000 strokes",
         "Board/EraserStep/strokes:30000",
         {},
         100},
        {"eraser step, 8,000 strokes ÷ 500 strokes", "Board/EraserStep/strokes:8000",
         "Board/EraserStep/strokes:500", 2},
        {"stroke of 40 moves, 8,000 strokes ÷ 500 strokes", "Board/Stroke/strokes:8000",
         "Board/Stroke/strokes:500", 1.3},
        {"press, 30,000 strokes ÷ empty board", "Board/Press/strokes:30000",
         "Board/Press/strokes:0", 1.3},
        {"repaint per stroke in view, 8,000 strokes ÷ 500 strokes", "Board/Repaint/strokes:8000",
         "Board/Repaint/strokes:500", 1, "strokes_in_view"},
        {"move without commit, empty board", "Ink/MoveNoCommit/pieces:0", {}, 1.4},
        {"move with pen commit, empty board", "Ink/MovePenCommit/pieces:0", {}, 7.7},
        {"move without commit, 100,000 pieces ÷ empty", "Ink/MoveNoCommit/pieces:100000",
         "Ink/MoveNoCommit/pieces:0", 1.3},
        {"move with pen commit, 100,000 pieces ÷ empty", "Ink/MovePenCommit/pieces:100000",
         "Ink/MovePenCommit/pieces:0", 1.3},
        {"move with highlighter commit, 100,000 pieces ÷ empty",
         "Ink/MoveMarkerCommit/pieces:100000", "Ink/MoveMarkerCommit/pieces:0", 1.3},
        {"`paintPen`, 500 points, empty board", "Remote/PaintPen500/pieces:0", {}, 10000},
        {"heap per committed piece (bytes)", "Memory/Ink", {}, 1536, {}, "bytes_per_piece"},
        {"XML save of 1,000 strokes ÷ `QDomDocument` alone, in turns",
         "Save/XmlInTurnsWithQt/strokes:1000",
         {},
         1.5,
         {},
         "times_qt"},
        {"XML load of 1,000 strokes ÷ `QDomDocument` parse, in turns",
         "Load/XmlInTurnsWithQt/strokes:1000",
         {},
         1.5,
         {},
         "times_qt"},
        {"record save of 1,000 strokes ÷ `QDataStream` alone, in turns",
         "Save/RecordsInTurnsWithQt/strokes:1000",
         {},
         1.5,
         {},
         "times_qt"},
        {"record load of 1,000 strokes ÷ `QDataStream` read, in turns",
         "Load/RecordsInTurnsWithQt/strokes:1000",
         {},
         1.5,
         {},
         "times_qt"},
    };
    return list;
}

// Comparisons without a target: ratios worth watching.
const QList<Target> &comparisons()
{
    static const QList<Target> list = {
        {"eraser step, 30,000 strokes ÷ 500 strokes", "Board/EraserStep/strokes:30000",
         "Board/EraserStep/strokes:500", 0},
        {"stroke of 40 moves, 30,000 strokes ÷ 500 strokes", "Board/Stroke/strokes:30000",
         "Board/Stroke/strokes:500", 0},
        {"100-pixel scroll, 8,000 strokes ÷ 500 strokes", "Board/Scroll/strokes:8000",
         "Board/Scroll/strokes:500", 0},
        {"`QPainterPathStroker` ÷ `samplesOutlinePolygon`, one piece (11 samples)",
         "Outline/QPainterPathStroker/samples:11", "Outline/SamplesOutlinePolygon/samples:11", 0},
        {"`QPainterPathStroker` ÷ `samplesOutlinePolygon`, ten pieces (101 samples)",
         "Outline/QPainterPathStroker/samples:101", "Outline/SamplesOutlinePolygon/samples:101", 0},
        {"press, 100,000 pieces ÷ empty", "Ink/Press/pieces:100000", "Ink/Press/pieces:0", 0},
        {"release of 200 samples, 100,000 pieces ÷ empty", "Ink/Release200/pieces:100000",
         "Ink/Release200/pieces:0", 0},
        {"remote live message, 100,000 pieces ÷ empty", "Remote/LiveMessage/pieces:100000",
         "Remote/LiveMessage/pieces:0", 0},
        {"XML save of 10,000 strokes ÷ `QDomDocument` alone", "Save/Xml/strokes:10000",
         "Save/XmlQDomDocumentOnly/strokes:10000", 0},
        {"XML load of 10,000 strokes ÷ `QDomDocument` parse", "Load/Xml/strokes:10000",
         "Load/XmlQDomDocumentOnly/strokes:10000", 0},
        {"record load of 10,000 strokes ÷ `QDataStream` read", "Load/Records/strokes:10000",
         "Load/RecordsQDataStreamOnly/strokes:10000", 0},
    };
    return list;
}

// The time of `name`, per counted thing when `per` is set; NaN when it was not run.
double timeOf(const QHash<QString, Result> &results, const QString &name, const QString &per)
{
    if (!results.contains(name))
        return std::nan("");
    const Result &result = results.value(name);
    return per.isEmpty() ? result.micros : result.micros / result.counters.value(per, std::nan(""));
}

QString targetRow(const Target &target, const QHash<QString, Result> &results, bool withLimit)
{
    const bool ratio = !target.denominator.isEmpty();
    const bool counter = !target.counter.isEmpty();
    double number = counter
        ? results.value(target.benchmark).counters.value(target.counter, std::nan(""))
        : timeOf(results, target.benchmark, target.per);
    if (ratio)
        number /= timeOf(results, target.denominator, target.per);
    QString value = QStringLiteral("not run");
    QString verdict = QStringLiteral("–");
    if (!std::isnan(number)) {
        value = ratio ? QString::number(number, 'f', 2)
            : counter ? formatNumber(number)
                      : formatTime(number);
        verdict = number <= target.limit ? QStringLiteral("holds") : QStringLiteral("**missed**");
    }
    QString row = QStringLiteral("| %1 | %2 |").arg(target.path, value);
    if (withLimit) {
        const QString limit = ratio || counter ? formatNumber(target.limit)
            : target.limit >= 1000             ? QStringLiteral("%1 ms").arg(target.limit / 1000)
                                               : QStringLiteral("%1 µs").arg(target.limit);
        row += QStringLiteral(" ≤ %1 | %2 |").arg(limit, verdict);
    }
    return row;
}

// The board-size series of the plot: strokes, then the eraser step, the stroke and the repaint
// in µs, one line per board size.
QString plotData(const QHash<QString, Result> &results)
{
    QString data = QStringLiteral("# strokes eraser_step_us stroke_us repaint_us\n");
    for (const int strokes : {500, 2000, 8000, 30000}) {
        QStringList line = {QString::number(strokes)};
        for (const char *path : {"Board/EraserStep", "Board/Stroke", "Board/Repaint"}) {
            const QString name
                = QStringLiteral("%1/strokes:%2").arg(QLatin1String(path)).arg(strokes);
            line << (results.contains(name) ? QString::number(results.value(name).micros, 'g', 6)
                                            : QStringLiteral("NaN"));
        }
        data += line.join(QLatin1Char(' ')) + QLatin1Char('\n');
    }
    return data;
}

QString cpuModel()
{
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (!cpuinfo.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown CPU");
    for (const QByteArray &line : cpuinfo.readAll().split('\n')) {
        if (line.startsWith("model name"))
            return QString::fromUtf8(line.mid(line.indexOf(':') + 1)).trimmed();
    }
    return QStringLiteral("unknown CPU");
}

QString tables(const QJsonObject &document)
{
    const QJsonObject context = document.value("context").toObject();
    QStringList order;
    const QHash<QString, Result> results
        = readResults(document.value("benchmarks").toArray(), &order);
    QStringList loads;
    for (const QJsonValue &load : context.value("load_avg").toArray())
        loads.append(QString::number(load.toDouble(), 'f', 2));

    const int cores = context.value("num_cpus").toInt();
    const QStringList allowed
        = context.value("allowed_cpus").toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    const QString pinned = allowed.size() == 1 && cores > 1
        ? QStringLiteral(", pinned to core %1").arg(allowed.first())
        : QString();

    QStringList lines;
    lines << QStringLiteral("Run of %1 on %2: %3, %4 cores, Qt %5, Release build%6; load average "
                            "%7 at the start. Times are medians of three runs (real time), one run "
                            "for the 10,000-stroke saves and loads.")
                 .arg(context.value("date").toString(), context.value("host_name").toString(),
                      cpuModel(), QString::number(cores), QString::fromLatin1(qVersion()), pinned,
                      loads.join(QStringLiteral(", ")))
          << QString();
    lines << QStringLiteral("| path | median | target | verdict |")
          << QStringLiteral("|---|---|---|---|");
    for (const Target &target : targets())
        lines << targetRow(target, results, true);
    lines << QString() << QStringLiteral("| comparison | ratio |") << QStringLiteral("|---|---|");
    for (const Target &target : comparisons())
        lines << targetRow(target, results, false);
    lines << QString() << QStringLiteral("| benchmark | median | counters |")
          << QStringLiteral("|---|---|---|");
    for (const QString &name : qAsConst(order)) {
        const Result &result = results.value(name);
        lines << QStringLiteral("| `%1` | %2 | %3 |")
                     .arg(name, formatTime(result.micros), formatCounters(result));
    }
    if (results.contains(QStringLiteral("Memory/Ink"))) {
        const QMap<QString, double> memory = results.value(QStringLiteral("Memory/Ink")).counters;
        lines << QString()
              << QStringLiteral("Memory: %1 bytes per committed piece, %2 bytes per finished "
                                "stroke of 100 samples (%3 pieces).")
                     .arg(formatNumber(memory.value(QStringLiteral("bytes_per_piece"))),
                          formatNumber(memory.value(QStringLiteral("bytes_per_stroke100"))),
                          formatNumber(memory.value(QStringLiteral("pieces_per_stroke100"))));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() < 2 || arguments.size() > 4) {
        QTextStream(stderr)
            << "usage: kvpen_bench_report RESULTS.json [BENCHMARKS.md [PLOT.dat]]\n";
        return 2;
    }
    QFile input(arguments.at(1));
    if (!input.open(QIODevice::ReadOnly)) {
        QTextStream(stderr) << "kvpen_bench_report: cannot read " << arguments.at(1) << '\n';
        return 1;
    }
    // Aggregates of constant counters come out as NaN, which JSON has no word for.
    QString json = QString::fromUtf8(input.readAll());
    json.replace(QRegularExpression(QStringLiteral(":\\s*-?(nan|inf|infinity)\\b"),
                                    QRegularExpression::CaseInsensitiveOption),
                 QStringLiteral(": null"));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (document.isNull()) {
        QTextStream(stderr) << "kvpen_bench_report: " << error.errorString() << '\n';
        return 1;
    }
    const QString generated = tables(document.object());
    if (arguments.size() == 2) {
        QTextStream(stdout) << generated;
        return 0;
    }
    QFile markdown(arguments.at(2));
    if (!markdown.open(QIODevice::ReadOnly)) {
        QTextStream(stderr) << "kvpen_bench_report: cannot read " << arguments.at(2) << '\n';
        return 1;
    }
    QString text = QString::fromUtf8(markdown.readAll());
    markdown.close();
    const int begin = text.indexOf(kBegin);
    const int end = text.indexOf(kEnd);
    if (begin < 0 || end < begin) {
        QTextStream(stderr) << "kvpen_bench_report: no table markers in " << arguments.at(2)
                            << '\n';
        return 1;
    }
    text.replace(begin + kBegin.size(), end - begin - kBegin.size(), QLatin1Char('\n') + generated);
    if (!markdown.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        QTextStream(stderr) << "kvpen_bench_report: cannot write " << arguments.at(2) << '\n';
        return 1;
    }
    markdown.write(text.toUtf8());
    QTextStream(stdout) << generated;
    if (arguments.size() == 4) {
        QFile plot(arguments.at(3));
        if (!plot.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            QTextStream(stderr) << "kvpen_bench_report: cannot write " << arguments.at(3) << '\n';
            return 1;
        }
        QStringList order;
        plot.write(plotData(readResults(document.object().value("benchmarks").toArray(), &order))
                       .toUtf8());
    }
    return 0;
}
