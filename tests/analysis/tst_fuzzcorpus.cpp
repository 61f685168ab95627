#include <QtTest>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

class tst_FuzzCorpus : public QObject
{
    Q_OBJECT

private slots:
    void replay_data()
    {
        QTest::addColumn<QString>("path");
        const QDir corpus(QStringLiteral(CORPUS_DIR));
        const QStringList names = corpus.entryList(QDir::Files, QDir::Name);
        QVERIFY2(names.size() >= 10, "the seed corpus is missing");
        for (const QString &name : names)
            QTest::newRow(qPrintable(name)) << corpus.filePath(name);
    }

    // A violated check aborts, which fails this test with the input's name.
    void replay()
    {
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        QCOMPARE(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(data.constData()),
                                        static_cast<std::size_t>(data.size())),
                 0);
    }
};

QTEST_APPLESS_MAIN(tst_FuzzCorpus)
#include "tst_fuzzcorpus.moc"
