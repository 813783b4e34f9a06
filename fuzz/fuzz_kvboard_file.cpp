// A board file as kvboard opens it: save records when the bytes start with the records magic,
// the XML document otherwise, onto one board kept for the whole run, which every input finds
// holding the same one stroke. A refused file leaves the open board and its history as they
// were; a loaded one accounts for every stroke, and what it put on the board saves and loads
// back whole in the other format.
#include "KvBoard.h"
#include "KvBoardDocument.h"
#include "KvGraphicsStrokesGroup.h"

#include <QCoreApplication>
#include <QUndoStack>

#include <cstdio>
#include <cstdlib>

namespace {

const QByteArray kRecordsMagic = QByteArray::fromHex("4b56424b");

[[noreturn]] void finding(const char *what)
{
    std::fprintf(stderr, "kvboard file: %s\n", what);
    std::abort();
}

QList<KvGraphicsStrokesGroup *> strokes(const KvBoard &board)
{
    return board.scene()->strokes();
}

// The board every input opens its file on: one stroke, no history.
const QByteArray &startingBoard()
{
    static const QByteArray saved = [] {
        KvBoard drawn(QStringLiteral("fuzz"));
        drawn.pointerPress({10, 10});
        drawn.pointerMove({60, 40});
        drawn.pointerRelease();
        return drawn.toRecords();
    }();
    return saved;
}

// Puts the board back as every input finds it. An input that leaves more allocated than it
// found costs libFuzzer a second run, looking for a leak: a quarter of the harness's time when
// each opened file stayed on the board.
void reset(KvBoard &board)
{
    KvBoardDocument document = KvBoardDocument::fromRecords(startingBoard());
    if (!board.load(document))
        finding("the starting board does not open");
    // The board's queued bookkeeping, which kvboard's event loop runs between files.
    QCoreApplication::sendPostedEvents();
}

KvBoard &board()
{
    // Lives until the process ends, as the harness's one board.
    static KvBoard *board = [] {
        auto *made = new KvBoard(QStringLiteral("fuzz"));
        reset(*made);
        return made;
    }();
    return *board;
}

void reload(KvBoard &board, const QByteArray &saved, bool xml)
{
    KvBoardDocument document
        = xml ? KvBoardDocument::fromXml(saved) : KvBoardDocument::fromRecords(saved);
    const int before = strokes(board).size();
    KvBoardLoadReport report;
    if (!board.load(document, nullptr, &report))
        finding("a saved board does not open again");
    if (!report.isComplete() || strokes(board).size() != before)
        finding("a saved board loses ink when it opens again");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    KvBoard &target = board();
    const QList<KvGraphicsStrokesGroup *> before = strokes(target);
    const int steps = target.undoStack()->count();

    const bool records = bytes.startsWith(kRecordsMagic);
    KvBoardDocument document
        = records ? KvBoardDocument::fromRecords(bytes) : KvBoardDocument::fromXml(bytes);
    QString error;
    KvBoardLoadReport report;
    if (!target.load(document, &error, &report)) {
        if (error.isEmpty())
            finding("a refused file without a reason");
        if (strokes(target) != before || target.undoStack()->count() != steps)
            finding("a refused file changed the open board");
        return 0;
    }
    if (report.strokes != strokes(target).size() || report.refusedStrokes > report.strokes)
        finding("a loaded file's strokes are not accounted for");
    reload(target, records ? target.toXml() : target.toRecords(), records);
    reset(target);
    return 0;
}
