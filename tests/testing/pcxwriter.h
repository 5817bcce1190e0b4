#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>

// Builds 8-bit, one-plane, run-length encoded PCX files in memory, rows
// encoded one by one as ZSoft encoders do (runs never cross a row, at most
// 63 long, indices above 191 always as a run). With `bytesPerLine` above the
// width each row is padded with `padIndex`. assemble() takes hostile parts as
// they stand.
class PcxWriter
{
public:
    PcxWriter(int width, int height);

    int width = 0;
    int height = 0;
    QByteArray indices;   // width * height, rows top first
    QByteArray palette;   // 768 bytes
    int bytesPerLine = 0; // 0: the width
    char padIndex = 0;

    void setColour(int index, const QColor &colour);
    QByteArray toBytes() const;
    bool writeFile(const QString &path) const;

    static QByteArray encode(const QByteArray &indices);
    static QByteArray assemble(qint16 xMin, qint16 yMin, qint16 xMax, qint16 yMax, quint16 bytesPerLine,
                               const QByteArray &encoded, const QByteArray &palette);
};
