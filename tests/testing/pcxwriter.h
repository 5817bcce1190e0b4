#pragma once

#include <QByteArray>
#include <QColor>

// Builds 8-bit, one-plane, run-length encoded PCX files in memory, each row encoded on its own as
// ZSoft encoders do; assemble() takes hostile parts as they stand.
class PcxWriter
{
public:
    PcxWriter(int width, int height)
        : width(width)
        , height(height)
        , indices(width * height, 0)
        , palette(768, 0)
    {
    }

    int width, height;
    QByteArray indices;   // rows top first
    QByteArray palette;   // 768 bytes
    int bytesPerLine = 0; // above the width: rows padded with index 0

    void setColour(int index, const QColor &colour);
    QByteArray toBytes() const;
    static QByteArray assemble(qint16 xMin, qint16 yMin, qint16 xMax, qint16 yMax, quint16 bytesPerLine,
                               const QByteArray &encoded, const QByteArray &palette);
};
