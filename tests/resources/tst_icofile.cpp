#include "packaging/icofile.h"
#include "resources/icons.h"

#include <QBuffer>
#include <QImageReader>
#include <QtTest>

// The Windows icon file the game's executable carries, read back the way an
// image reader finds it.
class tst_IcoFile : public QObject
{
    Q_OBJECT

private slots:
    void holdsEveryImageAsDrawn_data();
    void holdsEveryImageAsDrawn();
    void entriesPointAtTheirImages();
    void refusesWhatAnIconCannotHold_data();
    void refusesWhatAnIconCannotHold();
};

void tst_IcoFile::holdsEveryImageAsDrawn_data()
{
    QTest::addColumn<QList<int>>("sizes");
    QTest::newRow("one size") << QList<int>{16};
    QTest::newRow("the executable's sizes, 256 written as 0")
        << QList<int>{16, 32, 48, 64, 128, 256};
    QTest::newRow("largest first") << QList<int>{256, 16};
}

void tst_IcoFile::holdsEveryImageAsDrawn()
{
    QFETCH(QList<int>, sizes);
    QList<QImage> images;
    for (int size : sizes)
        images.append(programIconImage(size));
    QByteArray ico = icoFile(images);
    QBuffer buffer(&ico);
    QImageReader reader(&buffer, "ico");
    QCOMPARE(reader.imageCount(), int(sizes.size()));
    for (int i = 0; i < sizes.size(); ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage read = reader.read();
        QVERIFY2(!read.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(read.size(), QSize(sizes[i], sizes[i]));
        // Transparent corners stay transparent; every colour is kept exactly.
        QCOMPARE(read.convertToFormat(QImage::Format_ARGB32),
                 images[i].convertToFormat(QImage::Format_ARGB32));
    }
}

// Each directory entry gives the length and place of a whole PNG, back to back
// up to the end of the file, as Windows' own loader expects.
void tst_IcoFile::entriesPointAtTheirImages()
{
    const QByteArray ico = icoFile({programIconImage(16), programIconImage(48)});
    QDataStream in(ico);
    in.setByteOrder(QDataStream::LittleEndian);
    quint16 reserved = 1, type = 0, count = 0;
    in >> reserved >> type >> count;
    QCOMPARE(reserved, quint16(0));
    QCOMPARE(type, quint16(1));
    QCOMPARE(count, quint16(2));
    quint32 expectedOffset = 6 + 16 * 2;
    for (int side : {16, 48}) {
        quint8 width = 0, height = 0, colours = 1, zero = 1;
        quint16 planes = 0, bits = 0;
        quint32 length = 0, offset = 0;
        in >> width >> height >> colours >> zero >> planes >> bits >> length >> offset;
        QCOMPARE(int(width), side);
        QCOMPARE(int(height), side);
        QCOMPARE(bits, quint16(32));
        QCOMPARE(offset, expectedOffset);
        QVERIFY(ico.mid(offset, 8) == QByteArray("\x89PNG\r\n\x1a\n", 8));
        QVERIFY(QImage::fromData(ico.mid(offset, length), "PNG").size() == QSize(side, side));
        expectedOffset += length;
    }
    QCOMPARE(qsizetype(expectedOffset), ico.size());
}

void tst_IcoFile::refusesWhatAnIconCannotHold_data()
{
    QTest::addColumn<QImage>("image");
    QTest::newRow("not square") << QImage(16, 32, QImage::Format_ARGB32);
    QTest::newRow("wider than 256") << QImage(512, 512, QImage::Format_ARGB32);
    QTest::newRow("empty") << QImage();
}

void tst_IcoFile::refusesWhatAnIconCannotHold()
{
    QFETCH(QImage, image);
    QVERIFY(icoFile({programIconImage(16), image}).isEmpty());
}

QTEST_MAIN(tst_IcoFile)
#include "tst_icofile.moc"
