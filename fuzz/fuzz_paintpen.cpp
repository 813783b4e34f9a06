// Whole-stroke messages replayed on a board with a view, one JSON object per line. A line
// "view <zoom> <rotation> <width>" first changes the receiving view. The board is checked, and
// saved and loaded again as fuzzChecksRoundTrip shares that out.
#include "KvFuzzBoard.h"

#include <QGraphicsView>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// A campaign replays a stroke's first points only. Cutting a translucent stroke's pieces is
// quadratic in how often it crosses itself: scribbles of hundreds of points over one spot took
// up to a second and a half each, and a campaign that met them ran under 1,000 inputs a second.
// Inputs of past findings stay within the cap; a replay takes every point.
constexpr int kCampaignPoints = 48;

QJsonObject campaignMessage(QJsonObject message)
{
    if (fuzzReplaying())
        return message;
    const QString pos = message.value(QLatin1String("pos")).toString();
    int end = -1;
    for (int point = 0; point < kCampaignPoints; ++point) {
        end = pos.indexOf(QLatin1Char(';'), end + 1);
        if (end < 0)
            return message;
    }
    message.insert(QLatin1String("pos"), pos.left(end));
    return message;
}

void changeView(const QByteArray &line)
{
    QGraphicsView *view = KvFuzzBoard::view();
    const QList<QByteArray> fields = fuzzFields(line, 5);
    const double zoom = fields.at(1).toDouble();
    const double rotation = fields.at(2).toDouble();
    const int width = fields.at(3).toInt();
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
    for (const QByteArray &line : fuzzLines(input, 200)) {
        if (line.startsWith("view "))
            changeView(line);
        else
            board.core().paintPen(campaignMessage(QJsonDocument::fromJson(line).object()));
    }
    board.render();
    if (fuzzChecksRoundTrip(data, size))
        board.roundTrip(fuzzSaveForm(data, size));
    else
        board.check();
    return 0;
}
