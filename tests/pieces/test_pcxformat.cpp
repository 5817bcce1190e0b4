#include "pieces/pcxformat.h"
#include "testing/pcxwriter.h"

#include <QTest>

namespace {

// Palette where entry i is (i, 255 - i, i / 2): every index has its own colour.
QByteArray rampPalette()
{
    QByteArray palette(768, '\0');
    for (int i = 0; i < 256; ++i) {
        palette[3 * i] = char(i);
        palette[3 * i + 1] = char(255 - i);
        palette[3 * i + 2] = char(i / 2);
    }
    return palette;
}

QByteArray rgbOf(const QByteArray &indices)
{
    QByteArray rgb;
    for (char c : indices) {
        const int i = static_cast<unsigned char>(c);
        rgb.append(char(i));
        rgb.append(char(255 - i));
        rgb.append(char(i / 2));
    }
    return rgb;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

} // namespace

class TestPcxFormat : public QObject
{
    Q_OBJECT

private slots:
    void sizeComesFromTheWindow()
    {
        PcxWriter pcx(256, 128);
        const PcxResult result = decodePcx(pcx.toBytes());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.image.width, 256);
        QCOMPARE(result.image.height, 128);
        QCOMPARE(result.image.rgb.size(), 256 * 128 * 3);

        // The window need not start at 0.
        const QByteArray shifted = PcxWriter::assemble(10, -5, 13, -4, 4, bytes({0xC8, 1}), rampPalette());
        const PcxResult moved = decodePcx(shifted);
        QVERIFY2(moved.ok, qPrintable(moved.error));
        QCOMPARE(moved.image.width, 4);
        QCOMPARE(moved.image.height, 2);
    }

    void runLengthCodesDecode_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QByteArray>("indices");

        QTest::newRow("run of five sevens") << 5 << bytes({0xC5, 0x07}) << bytes({7, 7, 7, 7, 7});
        QTest::newRow("191 is a literal") << 2 << bytes({0xBF, 0x03}) << bytes({191, 3});
        QTest::newRow("run of 0 writes nothing but eats its value")
            << 2 << bytes({0xC0, 0x20, 0x01, 0x02}) << bytes({1, 2});
        QTest::newRow("run of one for a high index") << 2 << bytes({0xC1, 0xC8, 0x05}) << bytes({200, 5});
        QTest::newRow("run of 63") << 63 << (bytes({0xFF, 0x09})) << QByteArray(63, 9);
        QTest::newRow("literals and runs mixed")
            << 6 << bytes({0x01, 0xC3, 0x02, 0x03, 0xC1, 0x04}) << bytes({1, 2, 2, 2, 3, 4});
    }

    void runLengthCodesDecode()
    {
        QFETCH(int, width);
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, indices);

        const QByteArray file = PcxWriter::assemble(0, 0, qint16(width - 1), 0, quint16(width), encoded, rampPalette());
        const PcxResult result = decodePcx(file);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.image.rgb, rgbOf(indices));
    }

    void pixelsTakeTheirPaletteColourRowByRow()
    {
        PcxWriter pcx(2, 2);
        pcx.indices = bytes({0, 1, 2, 3});
        pcx.setColour(0, QColor(10, 20, 30));
        pcx.setColour(1, QColor(40, 50, 60));
        pcx.setColour(2, QColor(70, 80, 90));
        pcx.setColour(3, QColor(100, 110, 120));
        const PcxResult result = decodePcx(pcx.toBytes());
        QVERIFY(result.ok);
        QCOMPARE(result.image.rgb, bytes({10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120}));

        PcxWriter red(3, 1);
        red.indices = bytes({7, 0, 7});
        red.setColour(7, QColor(255, 0, 0));
        QCOMPARE(decodePcx(red.toBytes()).image.rgb, bytes({255, 0, 0, 0, 0, 0, 255, 0, 0}));
    }

    // Odd widths and padded rows are where a literal reader skews the image.
    void roundTripsThroughTheWriter_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("bytesPerLine");

        QTest::newRow("power of two") << 16 << 8 << 0;
        QTest::newRow("odd width, unpadded") << 5 << 3 << 5;
        QTest::newRow("odd width padded to even") << 5 << 3 << 6;
        QTest::newRow("padded to a multiple of four") << 9 << 4 << 12;
        QTest::newRow("long rows across runs") << 130 << 2 << 130;
        QTest::newRow("one pixel") << 1 << 1 << 2;
    }

    void roundTripsThroughTheWriter()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, bytesPerLine);

        PcxWriter pcx(width, height);
        pcx.palette = rampPalette();
        pcx.bytesPerLine = bytesPerLine;
        pcx.padIndex = char(0xEE); // visible if padding leaked into the image
        for (int i = 0; i < width * height; ++i)
            pcx.indices[i] = char((i / 3) * 37 % 256); // runs and literals, some above 191
        const PcxResult result = decodePcx(pcx.toBytes());
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.image.width, width);
        QCOMPARE(result.image.height, height);
        QCOMPARE(result.image.rgb, rgbOf(pcx.indices));
    }

    void bytesPerLineSmallerThanTheWidthMeansTheWidth()
    {
        for (quint16 stride : {quint16(0), quint16(2)}) {
            const QByteArray file = PcxWriter::assemble(0, 0, 3, 1, stride, bytes({1, 2, 3, 4, 5, 6, 7, 8}), rampPalette());
            const PcxResult result = decodePcx(file);
            QVERIFY(result.ok);
            QCOMPARE(result.image.rgb, rgbOf(bytes({1, 2, 3, 4, 5, 6, 7, 8})));
        }
    }

    void refusesImpossibleHeaders_data()
    {
        QTest::addColumn<QByteArray>("file");

        const QByteArray palette = rampPalette();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header only") << QByteArray(128, '\0');
        QTest::newRow("one byte short of header and palette") << QByteArray(128 + 767, '\0');
        QTest::newRow("zero width") << PcxWriter::assemble(5, 0, 4, 0, 0, bytes({1}), palette);
        QTest::newRow("negative height") << PcxWriter::assemble(0, 10, 0, 2, 1, bytes({1}), palette);
        QTest::newRow("65535 x 65535 in a small file")
            << PcxWriter::assemble(-32768, -32768, 32766, 32766, 65535, QByteArray(1200, char(0xFF)), palette);
        QTest::newRow("more pixels than the data could encode")
            << PcxWriter::assemble(0, 0, 999, 999, 1000, QByteArray(100, char(0xFF)), palette);
        QTest::newRow("no data for any pixel") << QByteArray(128, '\0') + palette;
        QTest::newRow("padding makes the image impossible")
            << PcxWriter::assemble(0, 0, 0, 99, 65535, QByteArray(100, char(0xFF)), palette);
    }

    void refusesImpossibleHeaders()
    {
        QFETCH(QByteArray, file);
        const PcxResult result = decodePcx(file);
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(result.image.rgb.size(), 0);
    }

    void damagedDataStaysInsideItsBuffers_data()
    {
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QByteArray>("indices");

        // 4 x 4 image.
        QTest::newRow("data ends early") << bytes({0xC5, 0x03}) << bytes({3, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        QTest::newRow("run of 63 over the last pixels")
            << bytes({0xC6, 0x01, 0xFF, 0x02}) << bytes({1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2});
        QTest::newRow("run code as the last data byte")
            << bytes({0x05, 0xC4}) << bytes({5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    }

    void damagedDataStaysInsideItsBuffers()
    {
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, indices);

        // The palette follows the data directly (no marker byte) so that a
        // decoder reading on would take palette bytes as data.
        QByteArray file = PcxWriter::assemble(0, 0, 3, 3, 4, encoded, rampPalette());
        file.remove(128 + encoded.size(), 1);
        const PcxResult result = decodePcx(file);
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(result.image.rgb, rgbOf(indices));
    }

    // Every truncation of a valid file is either refused or decoded in
    // bounds (AddressSanitizer builds check the latter).
    void everyTruncationIsHandled()
    {
        PcxWriter pcx(7, 5);
        pcx.palette = rampPalette();
        for (int i = 0; i < 35; ++i)
            pcx.indices[i] = char(i % 3 == 0 ? 200 : i);
        const QByteArray whole = pcx.toBytes();
        for (qsizetype n = 0; n <= whole.size(); ++n) {
            const QByteArray cut = whole.left(n);
            const PcxResult result = decodePcx(QByteArrayView(cut));
            if (result.ok)
                QCOMPARE(result.image.rgb.size(), 7 * 5 * 3);
            else
                QVERIFY(!result.error.isEmpty());
        }
    }
};

QTEST_MAIN(TestPcxFormat)
#include "test_pcxformat.moc"
