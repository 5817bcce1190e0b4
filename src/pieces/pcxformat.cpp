#include "pieces/pcxformat.h"

#include <QtEndian>

namespace {

PcxResult refuse(const QString &why)
{
    PcxResult result;
    result.error = why;
    return result;
}

} // namespace

PcxResult decodePcx(QByteArrayView bytes)
{
    const qint64 length = bytes.size();
    const unsigned char *data = reinterpret_cast<const unsigned char *>(bytes.data());
    if (length < pcx::headerSize + pcx::paletteSize)
        return refuse(
            QStringLiteral("file too short for a PCX header and palette (%1 bytes)").arg(length));

    const qint64 width =
        qint64(qFromLittleEndian<qint16>(data + 8)) - qFromLittleEndian<qint16>(data + 4) + 1;
    const qint64 height =
        qint64(qFromLittleEndian<qint16>(data + 10)) - qFromLittleEndian<qint16>(data + 6) + 1;
    if (width <= 0 || height <= 0)
        return refuse(QStringLiteral("image size %1 x %2").arg(width).arg(height));
    if (width > pcx::maxSide || height > pcx::maxSide)
        return refuse(QStringLiteral("image size %1 x %2 too large").arg(width).arg(height));

    // Rows padded to an even or aligned length carry their padding in the
    // encoded stream; it is decoded and dropped.
    qint64 stride = qFromLittleEndian<quint16>(data + 66);
    if (stride < width)
        stride = width;

    const qint64 dataEnd = length - pcx::paletteSize;
    const qint64 encodedBytes = dataEnd - pcx::headerSize;
    // Two bytes encode at most 63 indices (one more for a trailing literal).
    if (stride * height > encodedBytes / 2 * 63 + encodedBytes % 2)
        return refuse(QStringLiteral("image size %1 x %2 cannot fit in %3 bytes of data")
                          .arg(width)
                          .arg(height)
                          .arg(encodedBytes));

    const qint64 total = stride * height;
    QByteArray indices(total, '\0');
    unsigned char *index = reinterpret_cast<unsigned char *>(indices.data());
    qint64 written = 0;
    qint64 at = pcx::headerSize;
    while (written < total && at < dataEnd) {
        const unsigned char c = data[at++];
        if (c > 191) {
            if (at >= dataEnd)
                break;
            const unsigned char value = data[at++];
            qint64 run = c & 63;
            if (run > total - written)
                run = total - written;
            for (qint64 k = 0; k < run; ++k)
                index[written++] = value;
        } else {
            index[written++] = c;
        }
    }

    const unsigned char *palette = data + dataEnd;
    PcxResult result;
    result.ok = true;
    result.image.width = int(width);
    result.image.height = int(height);
    result.image.rgb = QByteArray(width * height * 3, Qt::Uninitialized);
    unsigned char *rgb = reinterpret_cast<unsigned char *>(result.image.rgb.data());
    for (qint64 r = 0; r < height; ++r) {
        for (qint64 c = 0; c < width; ++c) {
            const unsigned char *entry = palette + 3 * index[r * stride + c];
            unsigned char *out = rgb + (r * width + c) * 3;
            out[0] = entry[0];
            out[1] = entry[1];
            out[2] = entry[2];
        }
    }
    return result;
}
