#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>

// Builds 8-bit, one-plane, run-length encoded PCX files in memory for tests
// and tools.
//
//   PcxWriter pcx(2, 2);                          // indices all 0, black palette
//   pcx.indices = QByteArray("\x00\x01\x02\x03", 4);
//   pcx.setColour(1, QColor(255, 0, 0));
//   QByteArray bytes = pcx.toBytes();
//
// Rows are encoded one by one as ZSoft encoders do (runs never cross a row,
// at most 63 long, indices above 191 always as a run). With `bytesPerLine`
// larger than the width, each row is padded with `padIndex` up to that length
// and the header says so. For hostile files, assemble() takes the encoded
// data and header values as they stand.
class PcxWriter
{
public:
    PcxWriter(int width, int height);

    int width = 0;
    int height = 0;
    QByteArray indices;  // width * height, rows top first
    QByteArray palette;  // 768 bytes: 256 x (r, g, b)
    int bytesPerLine = 0; // 0: the width
    char padIndex = 0;

    void setColour(int index, const QColor &colour);
    QByteArray toBytes() const;
    bool writeFile(const QString &path) const;

    // Encodes one row (or any run of indices) with the ZSoft run-length code.
    static QByteArray encode(const QByteArray &indices);
    // A whole file from its parts: header with this window and bytes per line,
    // the encoded bytes as given, the 0x0C marker and the palette (padded or
    // cut to 768 bytes).
    static QByteArray assemble(qint16 xMin, qint16 yMin, qint16 xMax, qint16 yMax, quint16 bytesPerLine,
                               const QByteArray &encoded, const QByteArray &palette);
};
