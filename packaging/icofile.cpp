#include "packaging/icofile.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>

namespace {
constexpr int kHeaderSize = 6;
constexpr int kEntrySize = 16;
constexpr int kLargest = 256;
} // namespace

QByteArray icoFile(const QList<QImage> &images)
{
    QList<QByteArray> pngs;
    for (const QImage &image : images) {
        if (image.width() != image.height() || image.width() < 1 || image.width() > kLargest)
            return {};
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG"))
            return {};
        pngs.append(png);
    }

    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(pngs.size()); // reserved, type icon, count
    quint32 offset = kHeaderSize + kEntrySize * pngs.size();
    for (int i = 0; i < pngs.size(); ++i) {
        const int side = images[i].width();
        // A side of 256 is written as 0; no palette, one plane, 32 bits a pixel.
        out << quint8(side % kLargest) << quint8(side % kLargest) << quint8(0) << quint8(0)
            << quint16(1) << quint16(32) << quint32(pngs[i].size()) << offset;
        offset += pngs[i].size();
    }
    for (const QByteArray &png : pngs)
        out.writeRawData(png.constData(), int(png.size()));
    return file;
}
