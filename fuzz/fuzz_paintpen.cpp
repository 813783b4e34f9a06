// Whole-stroke messages replayed on a board with a view, one JSON object per line. A line
// "view <zoom> <rotation> <width>" first changes the receiving view.
#include "KvFuzzBoard.h"

#include <QGraphicsView>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

void changeView(const QString &line)
{
    QGraphicsView *view = KvFuzzBoard::view();
    const double zoom = line.section(QLatin1Char(' '), 1, 1).toDouble();
    const double rotation = line.section(QLatin1Char(' '), 2, 2).toDouble();
    const int width = line.section(QLatin1Char(' '), 3, 3).toInt();
    // The host's views zoom within a sane range; the messages are what is under test.
    if (zoom > 0.01 && zoom < 100 && rotation >= -360 && rotation <= 360) {
        view->resetTransform();
        view->scale(zoom, zoom);
        view->rotate(rotation);
    }
    view->resize(qBound(0, width, 4000), 600);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    KvFuzzBoard board;
    // The replay scales by the receiving view.
    QGraphicsView *view = KvFuzzBoard::view();
    view->setScene(&board.scene());
    view->resetTransform();
    view->resize(800, 600);
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    for (const QString &line : fuzzLines(input, 200)) {
        if (line.startsWith(QLatin1String("view ")))
            changeView(line);
        else
            board.core().paintPen(QJsonDocument::fromJson(line.toUtf8()).object());
    }
    board.render();
    board.roundTrip();
    return 0;
}
