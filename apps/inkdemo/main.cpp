#include "KvGraphicsPolygonItem.h"
#include "KvGraphicsStroke.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QTextStream>

#include <cmath>
#include <functional>

namespace {

// The drawing engine commits a piece once the distances from the end of the ink pass this.
const double kMinimumSegmentDistance = 10.0;
// About the spacing of pointer events from a quick hand.
const double kInputSpacing = 3.0;

// Pointer positions along curve(t), t in [0, 1], about kInputSpacing apart.
QList<QPointF> pointerTrack(const std::function<QPointF(double)> &curve)
{
    QList<QPointF> track {curve(0)};
    const double step = 1e-4;
    for (double t = step; t <= 1.0; t += step) {
        const QPointF point = curve(t);
        if (QLineF(track.last(), point).length() >= kInputSpacing)
            track.append(point);
    }
    return track;
}

// Feeds the track to a stroke as the engine does: a round dot at the press, then one smoothed
// piece, flat at its start, whenever enough distance has gathered. Translucent pieces are cut
// against the stroke's earlier pieces so that no ink is painted twice.
void drawStroke(QGraphicsScene &scene, const QList<QPointF> &track, const QColor &colour,
                double width)
{
    auto *stroke = new KvGraphicsStroke; // owned by its pieces
    const auto addPiece = [&](const QList<KvStrokeSample> &samples, bool startCap) {
        const QPolygonF outline = samplesOutlinePolygon(samples, startCap, true);
        auto *piece = new KvGraphicsPolygonItem(outline);
        piece->setFullPolygon(outline);
        piece->setColor(colour);
        // Cut against the earlier pieces' whole outlines: the same area as their cut polygons,
        // which Qt's path clipper can lose whole pieces on once they hold several parts.
        if (!piece->brush().isOpaque()) {
            for (KvGraphicsPolygonItem *earlier : stroke->items()) {
                if (earlier->boundingRect().intersects(piece->boundingRect()))
                    piece->setPolygon(piece->polygon().subtracted(earlier->fullPolygon()));
            }
        }
        scene.addItem(piece);
        piece->setStroke(stroke);
    };

    addPiece(stroke->addPoint(track.first(), width, false), true);
    double distance = 0;
    for (int i = 1; i < track.size(); ++i) {
        distance += QLineF(stroke->lastSmoothedSample().position, track.at(i)).length();
        if (distance > kMinimumSegmentDistance) {
            addPiece(stroke->addPoint(track.at(i), width, true), false);
            distance = 0;
        }
    }
}

void drawBoard(QGraphicsScene &scene)
{
    const double pi = 4 * std::atan(1.0);
    QColor marker("#F8E71C");
    marker.setAlphaF(0.5);
    QColor greenMarker("#7ED321");
    greenMarker.setAlphaF(0.5);

    // A sine wave in thin white pen.
    drawStroke(scene, pointerTrack([&](double t) {
                   return QPointF(60 + 1080 * t, 140 + 60 * std::sin(t * 6 * pi));
               }),
               Qt::white, 4);
    // Handwriting-like loops in a finer red pen.
    drawStroke(scene, pointerTrack([&](double t) {
                   const double a = t * 8 * pi;
                   return QPointF(80 + 500 * t + 28 * std::cos(a), 330 - 40 * std::sin(a));
               }),
               QColor("#FF6B6B"), 2);
    // A thick spiral in blue.
    drawStroke(scene, pointerTrack([&](double t) {
                   const double a = t * 5 * pi;
                   return QPointF(880 + (20 + 140 * t) * std::cos(a),
                                  420 + (20 + 140 * t) * std::sin(a));
               }),
               QColor("#4A90E2"), 14);
    // The highlighter across the wave and back, the two passes overlapping.
    drawStroke(scene, pointerTrack([&](double t) {
                   const double a = pi + t * 1.9 * pi;
                   return QPointF(600 + 520 * std::cos(a), 150 + 10 * std::sin(a));
               }),
               marker, 30);
    // A broad green highlighter loop that crosses itself.
    drawStroke(scene, pointerTrack([&](double t) {
                   const double a = t * 2 * pi;
                   return QPointF(300 + 220 * std::sin(a), 560 + 120 * std::sin(2 * a));
               }),
               greenMarker, 40);
    // A single press: a dot.
    drawStroke(scene, {QPointF(640, 620)}, Qt::white, 20);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("ink.png");

    QGraphicsScene scene(0, 0, 1200, 720);
    scene.setBackgroundBrush(QColor("#1E2329"));
    drawBoard(scene);

    QImage image(scene.sceneRect().size().toSize(), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter);
    painter.end();

    QDir().mkpath(QFileInfo(output).absolutePath());
    if (!image.save(output)) {
        QTextStream(stderr) << "inkdemo: cannot write " << output << '\n';
        return 1;
    }
    QTextStream(stdout) << QFileInfo(output).absoluteFilePath() << '\n';
    return 0;
}
