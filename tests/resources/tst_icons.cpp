#include "resources/icons.h"

#include <QtTest>

namespace {

// Every `scale` by `scale` block of `big` is one pixel of `small`: enlarged
// without smoothing.
bool enlargedPixelByPixel(const QImage &small, const QImage &big, int scale)
{
    if (big.size() != small.size() * scale)
        return false;
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x)
            if (big.pixel(x, y) != small.pixel(x / scale, y / scale))
                return false;
    return true;
}

} // namespace

class tst_Icons : public QObject
{
    Q_OBJECT

private slots:
    void iconIsFramedPixelArt();
    void iconSizesAreSharp_data();
    void iconSizesAreSharp();
    void pictureFollowsThePixelDensity_data();
    void pictureFollowsThePixelDensity();
};

// The 16-pixel icon: a one-pixel transparent frame around the square.
void tst_Icons::iconIsFramedPixelArt()
{
    const QImage icon = programIconImage(16);
    QCOMPARE(icon.size(), QSize(16, 16));
    for (int i = 0; i < 16; ++i) {
        for (QPoint edge : {QPoint(i, 0), QPoint(i, 15), QPoint(0, i), QPoint(15, i)})
            QCOMPARE(qAlpha(icon.pixel(edge)), 0);
    }
    QCOMPARE(icon.pixel(1, 1), qRgb(0, 255, 0));   // upper-left half
    QCOMPARE(icon.pixel(13, 13), qRgb(255, 0, 0)); // lower-right half
    QCOMPARE(icon.pixel(14, 1), qRgb(0, 0, 0));    // the diagonal's top end
}

void tst_Icons::iconSizesAreSharp_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("32") << 2;
    QTest::newRow("48") << 3;
    QTest::newRow("64") << 4;
}

void tst_Icons::iconSizesAreSharp()
{
    QFETCH(int, scale);
    QVERIFY(enlargedPixelByPixel(programIconImage(16), programIconImage(16 * scale), scale));
    const QIcon icon = programIcon();
    QVERIFY(icon.availableSizes().contains(QSize(16 * scale, 16 * scale)));
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
}

void tst_Icons::pictureFollowsThePixelDensity_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("scale");
    QTest::newRow("ordinary screen") << 1.0 << 1;
    QTest::newRow("150%") << 1.5 << 2;
    QTest::newRow("200%") << 2.0 << 2;
    QTest::newRow("300%") << 3.0 << 3;
}

void tst_Icons::pictureFollowsThePixelDensity()
{
    QFETCH(qreal, ratio);
    QFETCH(int, scale);
    const QPixmap plain = aboutPicture();
    const QPixmap dense = aboutPicture(ratio);
    QCOMPARE(plain.size(), QSize(32, 32));
    QCOMPARE(dense.deviceIndependentSize(), QSizeF(32, 32));
    QCOMPARE(dense.devicePixelRatio(), qreal(scale));
    QVERIFY(enlargedPixelByPixel(plain.toImage().convertToFormat(QImage::Format_RGB32),
                                 dense.toImage().convertToFormat(QImage::Format_RGB32), scale));
}

QTEST_MAIN(tst_Icons)
#include "tst_icons.moc"
