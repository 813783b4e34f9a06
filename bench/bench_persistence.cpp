// Saving and loading a board's ink through save records (as a host streams them with
// QDataStream) and through the XML form, with the bare reading of the same bytes beside each.
#include "KvBenchBoard.h"
#include "KvBenchSettings.h"
#include "KvPenObject.h"
#include "KvSaveDataItem.h"

#include <QBuffer>
#include <QDataStream>
#include <QDomDocument>
#include <QDomElement>

#include <chrono>
#include <memory>

// How a host streams its save records (found by Qt's container operators through the type).
QDataStream &operator<<(QDataStream &stream, const KvSaveDataItem &record)
{
    return stream << record.uuid << record.type << record.name << record.data;
}

QDataStream &operator>>(QDataStream &stream, KvSaveDataItem &record)
{
    return stream >> record.uuid >> record.type >> record.name >> record.data;
}

namespace {

const QString kName = QStringLiteral("board");

// Streams into `bytes` from its start. Made room for once, the array keeps its capacity, as a
// file keeps writing where it is: grown anew each time, its copies and first touches of fresh
// pages cost more than the records and vary with the state of the heap.
void writeRecords(const QList<KvSaveDataItem> &records, QByteArray *bytes)
{
    bytes->resize(0);
    QBuffer device(bytes);
    device.open(QIODevice::WriteOnly);
    QDataStream stream(&device);
    stream << records;
}

void saveRecords(KvPenObject &engine, QByteArray *bytes)
{
    QList<KvSaveDataItem> records;
    engine.exportScene(records, kName);
    writeRecords(records, bytes);
}

QByteArray saveRecords(KvPenObject &engine)
{
    QByteArray bytes;
    saveRecords(engine, &bytes);
    return bytes;
}

QByteArray roomFor(const QByteArray &bytes)
{
    QByteArray room;
    room.reserve(bytes.size());
    return room;
}

QList<KvSaveDataItem> readRecords(const QByteArray &bytes)
{
    QList<KvSaveDataItem> records;
    QDataStream stream(bytes);
    stream >> records;
    return records;
}

QDomDocument exportXml(KvPenObject &engine)
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("board"));
    document.appendChild(root);
    engine.exportSceneXml(&document, &root, kName);
    return document;
}

QByteArray saveXml(KvPenObject &engine)
{
    return exportXml(engine).toByteArray(-1);
}

// A board as a host loads one: a fresh scene, not yet shown.
struct EmptyBoard
{
    EmptyBoard() { engine.setScene(&scene); }
    KvGraphicsScene scene;
    KvPenObject engine;
};

void saveAsRecords(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    QByteArray bytes = roomFor(saveRecords(engine));
    for (auto _ : state)
        saveRecords(engine, &bytes);
    state.counters["bytes"] = bytes.size();
    state.counters["pieces"] = board.pieceCount();
}

// The same records written by QDataStream alone.
void writeRecordsOnly(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    QList<KvSaveDataItem> records;
    engine.exportScene(records, kName);
    QByteArray bytes;
    writeRecords(records, &bytes);
    bytes = roomFor(bytes);
    for (auto _ : state)
        writeRecords(records, &bytes);
    state.counters["bytes"] = bytes.size();
}

void saveAsXml(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    QByteArray bytes;
    for (auto _ : state)
        bytes = saveXml(engine);
    state.counters["bytes"] = bytes.size();
}

// The same document serialised by QDomDocument alone.
void writeXmlOnly(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    const QDomDocument document = exportXml(engine);
    QByteArray bytes;
    for (auto _ : state)
        bytes = document.toByteArray(-1);
    state.counters["bytes"] = bytes.size();
}

// A load: the bytes read and every group put on a fresh board, returned to be freed untimed; or
// Qt's part of it alone, which leaves no board.
using Load = std::unique_ptr<EmptyBoard> (*)(const QByteArray &bytes);
using Save = QByteArray (*)(KvPenObject &engine);

std::unique_ptr<EmptyBoard> loadRecordsOnto(const QByteArray &bytes)
{
    auto target = std::make_unique<EmptyBoard>();
    target->engine.importScene(readRecords(bytes), kName);
    return target;
}

std::unique_ptr<EmptyBoard> readRecordsOnly(const QByteArray &bytes)
{
    readRecords(bytes);
    return {};
}

std::unique_ptr<EmptyBoard> loadXmlOnto(const QByteArray &bytes)
{
    auto target = std::make_unique<EmptyBoard>();
    QDomDocument document;
    document.setContent(bytes);
    QDomElement root = document.documentElement();
    target->engine.importSceneXml(&document, &root, kName);
    return target;
}

std::unique_ptr<EmptyBoard> parseXmlOnly(const QByteArray &bytes)
{
    QDomDocument document;
    document.setContent(bytes);
    return {};
}

void loadBoard(benchmark::State &state, Save save, Load load)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    const QByteArray bytes = save(engine);
    for (auto _ : state) {
        std::unique_ptr<EmptyBoard> target = load(bytes);
        state.PauseTiming();
        target.reset();
        state.ResumeTiming();
    }
    state.counters["bytes"] = bytes.size();
}

// Each iteration runs the plug-in's save or load and Qt's part of it alone on the same data, one
// after the other, taking turns at going first, so that both meet the same heap: apart, on a
// heap the board benchmarks left behind, either could come out twice the other's time.
// `times_qt` is the plug-in's time over Qt's (`ours_ms`, `qt_ms` an iteration); what `after` does
// (freeing a loaded board) is not timed.
template<typename Ours, typename QtAlone, typename After>
void inTurnsWithQt(benchmark::State &state, Ours ours, QtAlone qtAlone, After after)
{
    static int turn = 0;
    const auto seconds = [](auto &&work) {
        const auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double oursTotal = 0.0;
    double qtTotal = 0.0;
    for (auto _ : state) {
        if (++turn % 2 == 0)
            qtTotal += seconds(qtAlone);
        oursTotal += seconds(ours);
        if (turn % 2 == 1)
            qtTotal += seconds(qtAlone);
        after();
    }
    state.counters["times_qt"] = oursTotal / qtTotal;
    state.counters["ours_ms"] = 1000.0 * oursTotal / double(state.iterations());
    state.counters["qt_ms"] = 1000.0 * qtTotal / double(state.iterations());
}

void saveRecordsInTurns(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    QList<KvSaveDataItem> records;
    engine.exportScene(records, kName);
    QByteArray bytes = roomFor(saveRecords(engine));
    inTurnsWithQt(
        state, [&] { saveRecords(engine, &bytes); }, [&] { writeRecords(records, &bytes); }, [] {});
}

void saveXmlInTurns(benchmark::State &state)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    const QDomDocument document = exportXml(engine);
    inTurnsWithQt(
        state, [&] { saveXml(engine); }, [&] { document.toByteArray(-1); }, [] {});
}

void loadInTurns(benchmark::State &state, Save save, Load load, Load qtAlone)
{
    KvBenchBoard &board = KvBenchBoard::withStrokes(int(state.range(0)));
    KvPenObject engine;
    engine.setScene(board.scene());
    const QByteArray bytes = save(engine);
    std::unique_ptr<EmptyBoard> target;
    inTurnsWithQt(
        state, [&] { target = load(bytes); }, [&] { qtAlone(bytes); }, [&] { target.reset(); });
}

void boards(benchmark::internal::Benchmark *benchmark)
{
    kvBenchDefaults(benchmark);
    benchmark->Unit(benchmark::kMillisecond)->ArgName("strokes")->Arg(1000);
}

// Ten thousand strokes take seconds per save or load: one run.
void largeBoard(benchmark::internal::Benchmark *benchmark)
{
    benchmark->Unit(benchmark::kMillisecond)->ArgName("strokes")->Arg(10000)->Iterations(1);
}

} // namespace

BENCHMARK(saveAsRecords)->Name("Save/Records")->Apply(boards);
BENCHMARK(saveAsRecords)->Name("Save/Records")->Apply(largeBoard);

BENCHMARK(writeRecordsOnly)->Name("Save/RecordsQDataStreamOnly")->Apply(boards);
BENCHMARK(writeRecordsOnly)->Name("Save/RecordsQDataStreamOnly")->Apply(largeBoard);

BENCHMARK_CAPTURE(loadBoard, records, saveRecords, loadRecordsOnto)
    ->Name("Load/Records")
    ->Apply(boards);
BENCHMARK_CAPTURE(loadBoard, records, saveRecords, loadRecordsOnto)
    ->Name("Load/Records")
    ->Apply(largeBoard);

BENCHMARK_CAPTURE(loadBoard, streamOnly, saveRecords, readRecordsOnly)
    ->Name("Load/RecordsQDataStreamOnly")
    ->Apply(boards);
BENCHMARK_CAPTURE(loadBoard, streamOnly, saveRecords, readRecordsOnly)
    ->Name("Load/RecordsQDataStreamOnly")
    ->Apply(largeBoard);

BENCHMARK(saveAsXml)->Name("Save/Xml")->Apply(boards);
BENCHMARK(saveAsXml)->Name("Save/Xml")->Apply(largeBoard);

BENCHMARK(writeXmlOnly)->Name("Save/XmlQDomDocumentOnly")->Apply(boards);
BENCHMARK(writeXmlOnly)->Name("Save/XmlQDomDocumentOnly")->Apply(largeBoard);

BENCHMARK_CAPTURE(loadBoard, xml, saveXml, loadXmlOnto)->Name("Load/Xml")->Apply(boards);
BENCHMARK_CAPTURE(loadBoard, xml, saveXml, loadXmlOnto)->Name("Load/Xml")->Apply(largeBoard);

BENCHMARK_CAPTURE(loadBoard, domOnly, saveXml, parseXmlOnly)
    ->Name("Load/XmlQDomDocumentOnly")
    ->Apply(boards);
BENCHMARK_CAPTURE(loadBoard, domOnly, saveXml, parseXmlOnly)
    ->Name("Load/XmlQDomDocumentOnly")
    ->Apply(largeBoard);

BENCHMARK(saveRecordsInTurns)->Name("Save/RecordsInTurnsWithQt")->Apply(boards);
BENCHMARK_CAPTURE(loadInTurns, records, saveRecords, loadRecordsOnto, readRecordsOnly)
    ->Name("Load/RecordsInTurnsWithQt")
    ->Apply(boards);
BENCHMARK(saveXmlInTurns)->Name("Save/XmlInTurnsWithQt")->Apply(boards);
BENCHMARK_CAPTURE(loadInTurns, xml, saveXml, loadXmlOnto, parseXmlOnly)
    ->Name("Load/XmlInTurnsWithQt")
    ->Apply(boards);
