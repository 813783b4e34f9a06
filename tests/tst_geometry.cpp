#include "KvGraphicsStroke.h"
#include "KvTestMessages.h"

#include <QLineF>
#include <QScopedArrayPointer>
#include <QTest>

#include <algorithm>
#include <cmath>

Q_DECLARE_METATYPE(KvStrokeSample)

namespace {

const double kEpsilon = 1e-9;

template<typename T> QByteArray describe(const T &value)
{
    QScopedArrayPointer<char> text(QTest::toString(value));
    return QByteArray(text.data());
}

bool near(const QPointF &a, const QPointF &b, double epsilon = kEpsilon)
{
    return std::abs(a.x() - b.x()) <= epsilon && std::abs(a.y() - b.y()) <= epsilon;
}

bool near(const QRectF &a, const QRectF &b)
{
    return near(a.topLeft(), b.topLeft()) && near(a.bottomRight(), b.bottomRight());
}

bool hasVertex(const QPolygonF &polygon, const QPointF &point)
{
    return std::any_of(polygon.cbegin(), polygon.cend(),
                       [&](const QPointF &vertex) { return near(vertex, point); });
}

QList<KvStrokeSample> samples(std::initializer_list<KvStrokeSample> list)
{
    return QList<KvStrokeSample>(list);
}

} // namespace

class TestGeometry : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    void lineCapsule_data();
    void lineCapsule();
    void lineCapsuleHorizontalVertices();
    void lineCapsuleFromPointsRefusesNullWidths();

    void samplesOutlineTrivial();
    void samplesOutline_data();
    void samplesOutline();
    void samplesOutlineCollapsedRung();

    void quadCurvePoints_data();
    void quadCurvePoints();

    void addPointFirstSample_data();
    void addPointFirstSample();
    void addPointSecondSample();
    void addPointContinuity();
    void addPointRepeatedPosition();
};

void TestGeometry::lineCapsule_data()
{
    QTest::addColumn<QLineF>("line");
    QTest::addColumn<double>("startWidth");
    QTest::addColumn<double>("endWidth");
    QTest::addColumn<QPointF>("firstVertex");
    QTest::addColumn<QRectF>("bounds");

    QTest::newRow("horizontal") << QLineF(0, 0, 10, 0) << 4.0 << 4.0 << QPointF(0, -2)
                                << QRectF(-2, -2, 14, 4);
    QTest::newRow("downwards") << QLineF(0, 0, 0, 10) << 4.0 << 4.0 << QPointF(2, 0)
                               << QRectF(-2, -2, 4, 14);
    QTest::newRow("leftwards") << QLineF(10, 5, 0, 5) << 2.0 << 2.0 << QPointF(10, 6)
                               << QRectF(-1, 4, 12, 2);
    QTest::newRow("diagonal") << QLineF(0, 0, 10, 10) << 4.0 << 4.0
                              << QPointF(std::sqrt(2.0), -std::sqrt(2.0)) << QRectF(-2, -2, 14, 14);
    // The sides join the offset points directly, so the narrow end's circle decides nothing.
    QTest::newRow("widening") << QLineF(0, 0, 10, 0) << 2.0 << 6.0 << QPointF(0, -1)
                              << QRectF(-1, -3, 14, 6);
    QTest::newRow("narrowing") << QLineF(0, 0, 10, 0) << 6.0 << 2.0 << QPointF(0, -3)
                               << QRectF(-3, -3, 14, 6);
    QTest::newRow("disc") << QLineF(3, 4, 3, 4) << 6.0 << 6.0 << QPointF(3, 1)
                          << QRectF(0, 1, 6, 6);
}

void TestGeometry::lineCapsule()
{
    QFETCH(QLineF, line);
    QFETCH(double, startWidth);
    QFETCH(double, endWidth);
    QFETCH(QPointF, firstVertex);
    QFETCH(QRectF, bounds);

    const QPolygonF capsule = lineCapsulePolygon(line, startWidth, endWidth);
    QVERIFY(capsule.size() > 8);
    QVERIFY(capsule.isClosed());
    QVERIFY2(near(capsule.first(), firstVertex), (describe(capsule.first())));
    QVERIFY2(near(capsule.boundingRect(), bounds), (describe(capsule.boundingRect())));

    QCOMPARE(lineCapsulePolygon(line.p1(), line.p2(), &startWidth, &endWidth), capsule);
}

void TestGeometry::lineCapsuleHorizontalVertices()
{
    const QPolygonF capsule = lineCapsulePolygon(QLineF(0, 0, 10, 0), 4, 4);
    // Straight sides along y = -2 and y = 2, round over x = 12 and x = -2.
    for (const QPointF &vertex : {QPointF(0, -2), QPointF(10, -2), QPointF(12, 0), QPointF(10, 2),
                                  QPointF(0, 2), QPointF(-2, 0)})
        QVERIFY2(hasVertex(capsule, vertex), (describe(vertex)));
    QVERIFY(near(capsule.at(1), QPointF(10, -2)));
    QVERIFY(near(capsule.at(3), QPointF(12, 0)));
}

void TestGeometry::lineCapsuleFromPointsRefusesNullWidths()
{
    const double width = 4;
    QTest::ignoreMessage(QtDebugMsg, "lineCapsulePolygon null width");
    QVERIFY(lineCapsulePolygon(QPointF(0, 0), QPointF(10, 0), &width, nullptr).isEmpty());
}

void TestGeometry::samplesOutlineTrivial()
{
    QVERIFY(samplesOutlinePolygon({}, true, true).isEmpty());
    const QList<KvStrokeSample> dot {{QPointF(5, 6), 8}};
    const QPolygonF disc = lineCapsulePolygon(QLineF(5, 6, 5, 6), 8, 8);
    QCOMPARE(samplesOutlinePolygon(dot, true, true), disc);
    QCOMPARE(samplesOutlinePolygon(dot, false, false), disc);
}

void TestGeometry::samplesOutline_data()
{
    QTest::addColumn<QList<KvStrokeSample>>("input");
    QTest::addColumn<bool>("startCap");
    QTest::addColumn<bool>("endCap");
    QTest::addColumn<QRectF>("bounds");
    QTest::addColumn<QPolygonF>("exactPolygon"); // empty when arcs make it inexact

    const QPolygonF none;
    const auto straight = samples({{QPointF(0, 0), 4}, {QPointF(10, 0), 4}});
    QTest::newRow("flat ends") << straight << false << false << QRectF(0, -2, 10, 4)
                               << QPolygonF({QPointF(0, -2), QPointF(10, -2), QPointF(10, 2),
                                             QPointF(0, 2), QPointF(0, -2)});
    QTest::newRow("end cap") << straight << false << true << QRectF(0, -2, 12, 4) << none;
    QTest::newRow("start cap") << straight << true << false << QRectF(-2, -2, 12, 4) << none;
    // Left side, the end arc from L1 round to R1, right side back, the start arc to L0; Qt
    // flattens an arc of radius 2 at every 45 degrees.
    const double h = std::sqrt(2.0);
    QTest::newRow("both caps") << straight << true << true << QRectF(-2, -2, 14, 4)
                               << QPolygonF({QPointF(0, -2), QPointF(10, -2), QPointF(10 + h, -h),
                                             QPointF(12, 0), QPointF(10 + h, h), QPointF(10, 2),
                                             QPointF(0, 2), QPointF(-h, h), QPointF(-2, 0),
                                             QPointF(-h, -h), QPointF(0, -2)});
    QTest::newRow("widening") << samples({{QPointF(0, 0), 2}, {QPointF(10, 0), 6}}) << false
                              << false << QRectF(0, -3, 10, 6)
                              << QPolygonF({QPointF(0, -1), QPointF(10, -3), QPointF(10, 3),
                                            QPointF(0, 1), QPointF(0, -1)});
    // The middle rung is perpendicular to the chord of its neighbours (here along y = x).
    QTest::newRow("corner") << samples(
        {{QPointF(0, 0), 4}, {QPointF(10, 0), 4}, {QPointF(10, 10), 4}})
                            << false << false << QRectF(0, -2, 12, 12)
                            << QPolygonF({QPointF(0, -2), QPointF(10 + h, -h), QPointF(12, 10),
                                          QPointF(8, 10), QPointF(10 - h, h), QPointF(0, 2),
                                          QPointF(0, -2)});
}

void TestGeometry::samplesOutline()
{
    QFETCH(QList<KvStrokeSample>, input);
    QFETCH(bool, startCap);
    QFETCH(bool, endCap);
    QFETCH(QRectF, bounds);
    QFETCH(QPolygonF, exactPolygon);

    const QPolygonF outline = samplesOutlinePolygon(input, startCap, endCap);
    QVERIFY(outline.isClosed());
    QVERIFY2(near(outline.boundingRect(), bounds), (describe(outline.boundingRect())));
    if (!exactPolygon.isEmpty()) {
        QCOMPARE(outline.size(), exactPolygon.size());
        for (int i = 0; i < outline.size(); ++i)
            QVERIFY2(near(outline.at(i), exactPolygon.at(i)),
                     (QByteArray::number(i) + describe(outline.at(i))));
    }
}

void TestGeometry::samplesOutlineCollapsedRung()
{
    // Coincident first samples: the first tangent has no length, so its rung stays on S0.
    const auto input = samples(
        {{QPointF(0, 0), 4}, {QPointF(0, 0), 4}, {QPointF(10, 0), 4}, {QPointF(20, 0), 4}});
    const QPolygonF outline = samplesOutlinePolygon(input, false, false);
    QCOMPARE(outline,
             QPolygonF({QPointF(0, 0), QPointF(0, -2), QPointF(10, -2), QPointF(20, -2),
                        QPointF(20, 2), QPointF(10, 2), QPointF(0, 2), QPointF(0, 0)}));
}

void TestGeometry::quadCurvePoints_data()
{
    QTest::addColumn<unsigned>("segments");
    QTest::newRow("none") << 0u;
    QTest::newRow("one") << 1u;
    QTest::newRow("two") << 2u;
    QTest::newRow("ten") << 10u;
    QTest::newRow("refused") << (1u << 20);
}

void TestGeometry::quadCurvePoints()
{
    QFETCH(unsigned, segments);
    const QPointF start(0, 0);
    const QPointF control(10, 0);
    const QPointF end(10, 10);
    if (segments > 1000)
        QTest::ignoreMessage(QtDebugMsg, "quadCurvePoints refused 1048576 segments");

    const QList<QPointF> points = ::quadCurvePoints(start, control, end, segments);
    if (segments <= 1 || segments > 1000) {
        QVERIFY(points.isEmpty());
        return;
    }
    QCOMPARE(points.size(), int(segments) + 1);
    QCOMPARE(points.first(), start);
    QCOMPARE(points.last(), end);
    // A single quadratic: the percent is the curve parameter, B(t) = 2t(1-t)C + t²E.
    for (int i = 0; i <= int(segments); ++i) {
        const double t = double(i) / segments;
        const QPointF expected = 2 * t * (1 - t) * control + t * t * end;
        QVERIFY2(near(points.at(i), expected), qPrintable(QString::number(i)));
    }
}

void TestGeometry::addPointFirstSample_data()
{
    QTest::addColumn<bool>("smooth");
    QTest::newRow("press") << false;
    QTest::newRow("smooth flag ignored") << true;
}

void TestGeometry::addPointFirstSample()
{
    QFETCH(bool, smooth);
    KvGraphicsStroke stroke;
    QCOMPARE(stroke.lastSmoothedSample(), KvStrokeSample());
    const KvStrokeSample press {QPointF(3, 4), 10};
    const QList<KvStrokeSample> first = stroke.addPoint(press.position, press.width, smooth);
    QCOMPARE(first, QList<KvStrokeSample> {press});
    QCOMPARE(stroke.lastSmoothedSample(), press);
}

void TestGeometry::addPointSecondSample()
{
    KvGraphicsStroke smoothed;
    smoothed.addPoint(QPointF(0, 0), 4, false);
    const QList<KvStrokeSample> half = smoothed.addPoint(QPointF(10, 20), 8, true);
    const KvStrokeSample middle {QPointF(5, 10), 6};
    QCOMPARE(half, samples({{QPointF(0, 0), 4}, middle}));
    QCOMPARE(smoothed.lastSmoothedSample(), middle);

    KvGraphicsStroke straight;
    straight.addPoint(QPointF(0, 0), 4, false);
    straight.addPoint(QPointF(10, 0), 4, false);
    const QList<KvStrokeSample> line = straight.addPoint(QPointF(10, 10), 6, false);
    QCOMPARE(line, samples({{QPointF(10, 0), 4}, {QPointF(10, 10), 6}}));
    QCOMPARE(straight.lastSmoothedSample(), line.last());
}

void TestGeometry::addPointContinuity()
{
    const QList<KvStrokeSample> input = samples({{QPointF(0, 0), 4},
                                                 {QPointF(20, 0), 6},
                                                 {QPointF(20, 20), 10},
                                                 {QPointF(0, 20), 2},
                                                 {QPointF(-5, 40), 2},
                                                 {QPointF(30, 45), 7}});
    KvGraphicsStroke stroke;
    QList<KvStrokeSample> previous;
    for (int n = 0; n < input.size(); ++n) {
        const KvStrokeSample &p = input.at(n);
        const QList<KvStrokeSample> result = stroke.addPoint(p.position, p.width, n > 0);
        QCOMPARE(stroke.lastSmoothedSample(), result.last());
        if (n < 2) {
            previous = result;
            continue;
        }
        QCOMPARE(result.size(), 11);
        // Starts where the previous result ended: the mid-point of the two samples before p.
        const KvStrokeSample &a = input.at(n - 2);
        const KvStrokeSample &b = input.at(n - 1);
        QVERIFY(near(result.first().position, previous.last().position));
        QCOMPARE(result.first().width, previous.last().width);
        QVERIFY(near(result.first().position, (a.position + b.position) * 0.5));
        QVERIFY(near(result.last().position, (b.position + p.position) * 0.5));
        // Widths run linearly by index up to the new sample's width.
        const double w0 = previous.last().width;
        for (int i = 0; i < result.size(); ++i)
            QCOMPARE(result.at(i).width, w0 + (i / 10.0) * (p.width - w0));
        previous = result;
    }
}

void TestGeometry::addPointRepeatedPosition()
{
    KvGraphicsStroke stroke;
    for (int n = 0; n < 3; ++n)
        stroke.addPoint(QPointF(7, 7), 6, n > 0);
    const QList<KvStrokeSample> curve = stroke.addPoint(QPointF(7, 7), 6, true);
    QCOMPARE(curve.size(), 11);
    for (const KvStrokeSample &sample : curve)
        QCOMPARE(sample, (KvStrokeSample {QPointF(7, 7), 6}));
    // Every rung collapses: only the caps are left, a disc with both and a half disc with one.
    QVERIFY(near(samplesOutlinePolygon(curve, true, true).boundingRect(), QRectF(4, 4, 6, 6)));
    QVERIFY(near(samplesOutlinePolygon(curve, false, true).boundingRect(), QRectF(7, 4, 3, 6)));
}

QTEST_GUILESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
