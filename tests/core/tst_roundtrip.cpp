#include "KvPenTypes.h"
#include "KvRoundTripCheck.h"
#include "KvTestMessages.h"

#include <QtTest>

class tst_RoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { failOnUnexpectedWarnings(); }

    // Ink far out on an endless board and a stroke longer than a group holds: both saved forms
    // and both mirrors hold all of it.
    void farInkAndALongStroke()
    {
        KvRoundTripCheck check(1);
        for (const QPointF &corner : {QPointF(1e7, 1e7), QPointF(-1e7, -1e7), QPointF(1e7, -1e7)})
            check.stroke(KvPen::PenStylus, 8, Qt::red, {corner, corner + QPointF(30, 12)});
        check.stroke(KvPen::MarkerStylus, 20, Qt::yellow,
                     {QPointF(-1e7, 1e7), QPointF(-1e7 + 40, 1e7 - 3)});
        QList<QPointF> longStroke;
        for (int i = 0; i <= 12000; ++i)
            longStroke.append(QPointF(11.0 * i - 66000, 300 * std::sin(i / 50.0)));
        check.stroke(KvPen::PenStylus, 6, Qt::green, longStroke);
        QCOMPARE(check.groupCount(), 4 + 2);
        const QStringList failures = check.failures();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    }

    // Random boards; the soak program takes many more (--roundtrips).
    void randomBoards_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed : {1u, 2u, 3u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void randomBoards()
    {
        QFETCH(quint32, seed);
        KvRoundTripCheck check(seed);
        check.drawRandomBoard(30);
        QVERIFY(check.groupCount() > 0);
        const QStringList failures = check.failures();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(tst_RoundTrip)
#include "tst_roundtrip.moc"
