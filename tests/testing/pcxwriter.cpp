#include "pcxwriter.h"

#include <QtEndian>

void PcxWriter::setColour(int index, const QColor &colour)
{
    palette[3 * index] = char(colour.red());
    palette[3 * index + 1] = char(colour.green());
    palette[3 * index + 2] = char(colour.blue());
}

QByteArray PcxWriter::toBytes() const
{
    QByteArray encoded;
    for (int r = 0; r < height; ++r) {
        const QByteArray row = indices.mid(qsizetype(r) * width, width) + QByteArray(qMax(0, bytesPerLine - width), 0);
        for (qsizetype i = 0, run = 1; i < row.size(); i += run, run = 1) {
            while (i + run < row.size() && run < 63 && row[i + run] == row[i])
                ++run;
            if (run > 1 || quint8(row[i]) > 191)
                encoded.append(char(0xC0 | run));
            encoded.append(row[i]);
        }
    }
    return assemble(0, 0, qint16(width - 1), qint16(height - 1), quint16(qMax(width, bytesPerLine)), encoded, palette);
}

QByteArray PcxWriter::assemble(qint16 xMin, qint16 yMin, qint16 xMax, qint16 yMax, quint16 bytesPerLine,
                               const QByteArray &encoded, const QByteArray &palette)
{
    QByteArray header(128, '\0');
    char *h = header.data();
    h[0] = 10; // ZSoft, version 3.0 with palette, run-length encoded, 8 bits, one plane
    h[1] = 5;
    h[2] = 1;
    h[3] = 8;
    h[65] = 1;
    qToLittleEndian(xMin, h + 4);
    qToLittleEndian(yMin, h + 6);
    qToLittleEndian(xMax, h + 8);
    qToLittleEndian(yMax, h + 10);
    qToLittleEndian(bytesPerLine, h + 66);
    return header + encoded + char(0x0C) + palette.left(768).leftJustified(768, '\0');
}
