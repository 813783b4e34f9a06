#include <QFile>
#include <QTranslator>
#include <QtTest>

// The plug-in's embedded resources are registered by loading the library, with no call of
// its own, and the translation is left for the host to install.
class tst_Resources : public QObject
{
    Q_OBJECT

private slots:
    void translationIsEmbedded_data();
    void translationIsEmbedded();
    void imagesAreEmbedded_data();
    void imagesAreEmbedded();
};

void tst_Resources::translationIsEmbedded_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("translation");
    QTest::newRow("pen") << "Pen" << QStringLiteral("笔");
    QTest::newRow("erase") << "Erase" << QStringLiteral("橡皮");
}

void tst_Resources::translationIsEmbedded()
{
    QFETCH(QString, source);
    QFETCH(QString, translation);
    QVERIFY(QCoreApplication::translate("KvPenImpl", "Pen") == QLatin1String("Pen"));
    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(":/trans/kvpen_CN")));
    QCOMPARE(translator.translate("KvPenImpl", source.toUtf8().constData()), translation);
}

void tst_Resources::imagesAreEmbedded_data()
{
    QTest::addColumn<QString>("file");
    for (const char *file : {"icon_pen1_nor.svg", "color_pla_sel.png"})
        QTest::newRow(file) << QStringLiteral(":/pen/res/imgs/") + QLatin1String(file);
}

void tst_Resources::imagesAreEmbedded()
{
    QFETCH(QString, file);
    QVERIFY2(QFile::exists(file), qPrintable(file));
}

QTEST_MAIN(tst_Resources)
#include "tst_resources.moc"
