#include "KvGraphicsStroke.h"
#include "KvLogRecorder.h"
#include "KvOutlineContact.h"
#include "KvTestMessages.h"

#include <QLineF>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QScopedArrayPointer>
#include <QTest>

#include <cmath>

Q_DECLARE_METATYPE(KvStrokeSample)

namespace {

using Samples = QList<KvStrokeSample>;

template<typename T> QByteArray describe(const T &value)
{
    QScopedArrayPointer<char> text(QTest::toString(value));
    return QByteArray(text.data());
}

bool near(const QPointF &a, const QPointF &b)
{
    return std::abs(a.x() - b.x()) <= 1e-9 && std::abs(a.y() - b.y()) <= 1e-9;
}

double area(const QPolygonF &polygon)
{
    double sum = 0;
    for (int i = 0; i < polygon.size(); ++i) {
        const QPointF &p = polygon.at(i);
        const QPointF &q = polygon.at((i + 1) % polygon.size());
        sum += p.x() * q.y() - q.x() * p.y();
    }
    return std::abs(sum) / 2;
}

bool near(const QRectF &a, const QRectF &b)
{
    return near(a.topLeft(), b.topLeft()) && near(a.bottomRight(), b.bottomRight());
}

} // namespace

class tst_Geometry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    void outlineContact_data()
    {
        QTest::addColumn<QPolygonF>("a");
        QTest::addColumn<QPolygonF>("b");
        QTest::addColumn<bool>("meet");
        const QPolygonF square({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
        const QPolygonF diagonal({{0, 0}, {100, 90}, {100, 100}, {0, 10}});
        QTest::newRow("apart") << square << square.translated(20, 0) << false;
        QTest::newRow("long diagonals side by side")
            << diagonal << diagonal.translated(0, 30) << false;
        QTest::newRow("crossing") << square << square.translated(5, 5) << true;
        QTest::newRow("sharing an edge") << square << square.translated(10, 0) << true;
        QTest::newRow("sharing a corner") << square << square.translated(10, 10) << true;
        QTest::newRow("one inside the other")
            << square << QPolygonF({{2, 2}, {8, 2}, {8, 8}, {2, 8}}) << true;
        QTest::newRow("around the other")
            << QPolygonF({{2, 2}, {8, 2}, {8, 8}, {2, 8}}) << square << true;
        // Inside a loop the odd-even rule leaves empty, as Qt's clipper reads it.
        const QPolygonF twice(
            {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}, {10, 0}, {10, 10}, {0, 10}});
        QTest::newRow("in an area wound twice")
            << twice << QPolygonF({{2, 2}, {8, 2}, {8, 8}, {2, 8}}) << false;
        QTest::newRow("a line, not an area")
            << QPolygonF(QVector<QPointF> {{0, 0}, {50, 50}}) << square << true;
    }

    void outlineContact()
    {
        QFETCH(QPolygonF, a);
        QFETCH(QPolygonF, b);
        QFETCH(bool, meet);
        QCOMPARE(KvOutlineContact::mayMeet(a, b), meet);
        QCOMPARE(KvOutlineContact::mayMeet(b, a), meet);
        // Where they are said not to meet, Qt's clipper finds nothing in common.
        if (!meet)
            QCOMPARE(area(a.intersected(b)), 0.0);
    }

    void simpleOutline_data()
    {
        QTest::addColumn<QPolygonF>("outline");
        QTest::addColumn<bool>("simple");
        const QPolygonF square({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
        QTest::newRow("square") << square << true;
        QTest::newRow("square, closed") << QPolygonF(QPolygonF(square) << QPointF(0, 0)) << true;
        QTest::newRow("straight on through a corner")
            << QPolygonF({{0, 0}, {5, 0}, {10, 0}, {10, 10}}) << true;
        QTest::newRow("bow tie") << QPolygonF({{0, 0}, {10, 10}, {10, 0}, {0, 10}}) << false;
        QTest::newRow("folding back") << QPolygonF({{0, 0}, {10, 0}, {5, 0}, {5, 10}}) << false;
        QTest::newRow("repeated point")
            << QPolygonF({{0, 0}, {10, 0}, {10, 0}, {10, 10}, {0, 10}}) << false;
        QTest::newRow("touching itself")
            << QPolygonF({{0, 0}, {10, 0}, {10, 10}, {5, 0}, {0, 10}}) << false;
        QTest::newRow("two loops joined by a bridge") << QPolygonF(
            {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {10, 0}, {14, 0}, {14, 4}, {10, 4}, {10, 0}})
                                                      << false;
    }

    void simpleOutline()
    {
        QFETCH(QPolygonF, outline);
        QFETCH(bool, simple);
        QCOMPARE(KvOutlineContact::isSimple(outline), simple);
    }

    void lineCapsule_data()
    {
        QTest::addColumn<QLineF>("line");
        QTest::addColumn<double>("startWidth");
        QTest::addColumn<double>("endWidth");
        QTest::addColumn<QLineF>("side"); // the first two vertices: p1 - u1, p2 - u2
        QTest::addColumn<QRectF>("bounds");

        const double h = std::sqrt(2.0);
        QTest::newRow("horizontal")
            << QLineF(0, 0, 10, 0) << 4.0 << 4.0 << QLineF(0, -2, 10, -2) << QRectF(-2, -2, 14, 4);
        QTest::newRow("downwards")
            << QLineF(0, 0, 0, 10) << 4.0 << 4.0 << QLineF(2, 0, 2, 10) << QRectF(-2, -2, 4, 14);
        QTest::newRow("diagonal") << QLineF(0, 0, 10, 10) << 4.0 << 4.0
                                  << QLineF(h, -h, 10 + h, 10 - h) << QRectF(-2, -2, 14, 14);
        // The sides join the offset points directly, so the narrow end's circle decides nothing.
        QTest::newRow("widening") << QLineF(0, 0, 10, 0) << 2.0 << 6.0 << QLineF(0, -1, 10, -3)
                                  << QRectF(-1, -3, 14, 6);
        // The side has no length here, so the arc's first point at 45 degrees follows.
        QTest::newRow("disc") << QLineF(3, 4, 3, 4) << 6.0 << 6.0
                              << QLineF(3, 1, 3 + 3 / std::sqrt(2.0), 4 - 3 / std::sqrt(2.0))
                              << QRectF(0, 1, 6, 6);
    }

    void lineCapsule()
    {
        QFETCH(QLineF, line);
        QFETCH(double, startWidth);
        QFETCH(double, endWidth);
        QFETCH(QLineF, side);
        QFETCH(QRectF, bounds);

        const QPolygonF capsule = lineCapsulePolygon(line, startWidth, endWidth);
        QVERIFY(capsule.size() > 8 && capsule.isClosed());
        QVERIFY2(near(capsule.at(0), side.p1()), describe(capsule.at(0)));
        QVERIFY2(near(capsule.at(1), side.p2()), describe(capsule.at(1)));
        QVERIFY2(near(capsule.boundingRect(), bounds), describe(capsule.boundingRect()));
        QCOMPARE(lineCapsulePolygon(line.p1(), line.p2(), &startWidth, &endWidth), capsule);
    }

    void lineCapsuleFromPointsRefusesNullWidths()
    {
        const double width = 4;
        KvLogRecorder log;
        QVERIFY(lineCapsulePolygon(QPointF(0, 0), QPointF(10, 0), &width, nullptr).isEmpty());
        QCOMPARE(log.lines(), QStringList {"kvpen.engine lineCapsulePolygon"});
    }

    void samplesOutlineTrivial()
    {
        QVERIFY(samplesOutlinePolygon({}, true, true).isEmpty());
        const Samples dot {{QPointF(5, 6), 8}};
        const QPolygonF disc = lineCapsulePolygon(QLineF(5, 6, 5, 6), 8, 8);
        QCOMPARE(samplesOutlinePolygon(dot, true, true), disc);
        QCOMPARE(samplesOutlinePolygon(dot, false, false), disc);
    }

    void samplesOutline_data()
    {
        QTest::addColumn<Samples>("input");
        QTest::addColumn<bool>("startCap");
        QTest::addColumn<bool>("endCap");
        QTest::addColumn<QRectF>("bounds");
        QTest::addColumn<QPolygonF>("exactPolygon"); // empty when arcs make it inexact

        const Samples straight {{QPointF(0, 0), 4}, {QPointF(10, 0), 4}};
        const double h = std::sqrt(2.0);
        QTest::newRow("flat ends") << straight << false << false << QRectF(0, -2, 10, 4)
                                   << QPolygonF({{0, -2}, {10, -2}, {10, 2}, {0, 2}, {0, -2}});
        QTest::newRow("end cap only")
            << straight << false << true << QRectF(0, -2, 12, 4) << QPolygonF();
        // Left side, the end arc from L1 round to R1, right side back, the start arc to L0; Qt
        // flattens an arc of radius 2 at every 45 degrees.
        QTest::newRow("both caps") << straight << true << true << QRectF(-2, -2, 14, 4)
                                   << QPolygonF({{0, -2},
                                                 {10, -2},
                                                 {10 + h, -h},
                                                 {12, 0},
                                                 {10 + h, h},
                                                 {10, 2},
                                                 {0, 2},
                                                 {-h, h},
                                                 {-2, 0},
                                                 {-h, -h},
                                                 {0, -2}});
        QTest::newRow("widening") << Samples {{QPointF(0, 0), 2}, {QPointF(10, 0), 6}} << false
                                  << false << QRectF(0, -3, 10, 6)
                                  << QPolygonF({{0, -1}, {10, -3}, {10, 3}, {0, 1}, {0, -1}});
        // The middle rung is perpendicular to the chord of its neighbours (here along y = x).
        QTest::newRow("corner")
            << Samples {{QPointF(0, 0), 4}, {QPointF(10, 0), 4}, {QPointF(10, 10), 4}} << false
            << false << QRectF(0, -2, 12, 12)
            << QPolygonF({{0, -2}, {10 + h, -h}, {12, 10}, {8, 10}, {10 - h, h}, {0, 2}, {0, -2}});
        // Coincident first samples: the first tangent has no length, so its rung stays on S0.
        QTest::newRow("collapsed rung")
            << Samples {{QPointF(0, 0), 4}, {QPointF(0, 0), 4}, {QPointF(10, 0), 4}} << false
            << false << QRectF(0, -2, 10, 4)
            << QPolygonF({{0, 0}, {0, -2}, {10, -2}, {10, 2}, {0, 2}, {0, 0}});
    }

    void samplesOutline()
    {
        QFETCH(Samples, input);
        QFETCH(bool, startCap);
        QFETCH(bool, endCap);
        QFETCH(QRectF, bounds);
        QFETCH(QPolygonF, exactPolygon);

        const QPolygonF outline = samplesOutlinePolygon(input, startCap, endCap);
        QVERIFY(outline.isClosed());
        QVERIFY2(near(outline.boundingRect(), bounds), describe(outline.boundingRect()));
        if (exactPolygon.isEmpty())
            return;
        QCOMPARE(outline.size(), exactPolygon.size());
        for (int i = 0; i < outline.size(); ++i)
            QVERIFY2(near(outline.at(i), exactPolygon.at(i)),
                     describe(i) + describe(outline.at(i)));
    }

    void quadCurvePoints()
    {
        const QPointF control(10, 0);
        const QPointF end(10, 10);
        QVERIFY(::quadCurvePoints(QPointF(0, 0), control, end, 0).isEmpty());
        QVERIFY(::quadCurvePoints(QPointF(0, 0), control, end, 1).isEmpty());
        KvLogRecorder log;
        QVERIFY(::quadCurvePoints(QPointF(0, 0), control, end, 1u << 20).isEmpty());
        QCOMPARE(log.lines(), QStringList {"kvpen.engine quadCurvePoints"});

        const QList<QPointF> points = ::quadCurvePoints(QPointF(0, 0), control, end, 10);
        QCOMPARE(points.size(), 11);
        QCOMPARE(points.last(), end);
        // A single quadratic: the percent is the curve parameter, B(t) = 2t(1-t)C + t²E.
        for (int i = 0; i <= 10; ++i) {
            const double t = i / 10.0;
            QVERIFY2(near(points.at(i), 2 * t * (1 - t) * control + t * t * end), describe(i));
        }
    }

    // The points are Qt's pointAtPercent on the curve's path, bit for bit, near the origin and at
    // the edge of the ink's range, down to curves of one point.
    void quadCurvePointsAreQts_data()
    {
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("scale");
        QTest::newRow("handwriting") << 0.0 << 20.0;
        QTest::newRow("long strokes") << 0.0 << 1e5;
        QTest::newRow("tiny strokes") << 3.0 << 1e-6;
        QTest::newRow("far from the origin") << -16.7e6 << 50.0;
    }

    void quadCurvePointsAreQts()
    {
        QFETCH(double, offset);
        QFETCH(double, scale);
        QRandomGenerator random(11);
        const auto point = [&] {
            return QPointF(offset + (random.generateDouble() - 0.5) * scale,
                           offset + (random.generateDouble() - 0.5) * scale);
        };
        for (int curve = 0; curve < 2000; ++curve) {
            const QPointF start = point();
            const QPointF control = curve % 5 == 0 ? start : point();
            const QPointF end = curve % 7 == 0 ? start : curve % 9 == 0 ? control : point();
            QPainterPath path(start);
            path.quadTo(control, end);
            const QList<QPointF> points = ::quadCurvePoints(start, control, end, 10);
            for (int i = 0; i <= 10; ++i) {
                const QPointF qts = path.pointAtPercent(i / 10.0);
                QVERIFY2(points.at(i).x() == qts.x() && points.at(i).y() == qts.y(),
                         describe(curve) + " " + describe(i));
            }
        }
    }

    void addPointFirstTwoSamples()
    {
        const KvStrokeSample press {QPointF(0, 0), 4};
        for (bool smooth : {false, true}) {
            // The flag is not consulted for the first sample.
            KvGraphicsStroke stroke;
            QCOMPARE(stroke.lastSmoothedSample(), KvStrokeSample());
            QCOMPARE(stroke.addPoint(press.position, press.width, smooth), Samples {press});
            QCOMPARE(stroke.lastSmoothedSample(), press);
            const Samples second = stroke.addPoint(QPointF(10, 20), 8, smooth);
            // Smoothed, the second sample gives way to the mid-point; straight, it is taken as is.
            const KvStrokeSample end
                = smooth ? KvStrokeSample {QPointF(5, 10), 6} : KvStrokeSample {QPointF(10, 20), 8};
            QCOMPARE(second, (Samples {press, end}));
            QCOMPARE(stroke.lastSmoothedSample(), end);
        }
        // Without smoothing no curve is made past the second sample either.
        KvGraphicsStroke straight;
        for (const QPointF &point : {QPointF(0, 0), QPointF(10, 0)})
            straight.addPoint(point, 4, false);
        QCOMPARE(straight.addPoint(QPointF(10, 10), 6, false),
                 (Samples {{QPointF(10, 0), 4}, {QPointF(10, 10), 6}}));
    }

    void addPointContinuity()
    {
        const Samples input {{QPointF(0, 0), 4},  {QPointF(20, 0), 6},  {QPointF(20, 20), 10},
                             {QPointF(0, 20), 2}, {QPointF(-5, 40), 2}, {QPointF(30, 45), 7}};
        KvGraphicsStroke stroke;
        Samples previous;
        for (int n = 0; n < input.size(); ++n) {
            const KvStrokeSample &p = input.at(n);
            const Samples result = stroke.addPoint(p.position, p.width, n > 0);
            QCOMPARE(stroke.lastSmoothedSample(), result.last());
            if (n >= 2) {
                QCOMPARE(result.size(), 11);
                // Starts where the previous result ended, the mid-point of the two samples
                // before p, and ends at the mid-point of the last sample and p.
                const QPointF a = input.at(n - 2).position;
                const QPointF b = input.at(n - 1).position;
                QVERIFY(near(result.first().position, previous.last().position));
                QVERIFY(near(result.first().position, (a + b) * 0.5));
                QVERIFY(near(result.last().position, (b + p.position) * 0.5));
                // Widths run linearly by index from the previous end width to the new one.
                const double w0 = previous.last().width;
                for (int i = 0; i < result.size(); ++i)
                    QCOMPARE(result.at(i).width, w0 + (i / 10.0) * (p.width - w0));
            }
            previous = result;
        }
    }

    void addPointRepeatedPosition()
    {
        KvGraphicsStroke stroke;
        Samples curve;
        for (int n = 0; n < 4; ++n)
            curve = stroke.addPoint(QPointF(7, 7), 6, n > 0);
        QCOMPARE(curve.size(), 11);
        QVERIFY(curve.count(KvStrokeSample {QPointF(7, 7), 6}) == 11);
        // Every rung collapses: only the caps are left, a disc with both and a half disc with one.
        QVERIFY(near(samplesOutlinePolygon(curve, true, true).boundingRect(), QRectF(4, 4, 6, 6)));
        QVERIFY(near(samplesOutlinePolygon(curve, false, true).boundingRect(), QRectF(7, 4, 3, 6)));
    }
};

QTEST_GUILESS_MAIN(tst_Geometry)
#include "tst_geometry.moc"
