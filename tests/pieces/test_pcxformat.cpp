// Decoding 8-bit PCX skins, good and hostile.
#include "pieces/pcxformat.h"
#include "testing/pcxwriter.h"

#include <QTest>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// Entry i is (i, 255 - i, i / 2): the colour tells the index back.
QByteArray ramp()
{
    QByteArray palette;
    for (int i = 0; i < 256; ++i)
        palette += bytes({i, 255 - i, i / 2});
    return palette;
}

QByteArray indicesOf(const PcxImage &image)
{
    QByteArray indices;
    for (qsizetype i = 0; i < image.rgb.size(); i += 3)
        indices.append(image.rgb[i]);
    return indices;
}

} // namespace

class TestPcxFormat : public QObject
{
    Q_OBJECT

private slots:
    void decodesRunsRowsAndPalette_data();
    void decodesRunsRowsAndPalette();
    void refusesFilesThatCannotHoldTheirImage_data();
    void refusesFilesThatCannotHoldTheirImage();
};

void TestPcxFormat::decodesRunsRowsAndPalette_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("bytesPerLine");
    QTest::addColumn<QByteArray>("encoded");
    QTest::addColumn<QByteArray>("indices");
    QTest::newRow("run of five sevens") << QSize(5, 1) << 5 << bytes({0xC5, 7}) << bytes({7, 7, 7, 7, 7});
    QTest::newRow("191 is one index") << QSize(2, 1) << 2 << bytes({0xBF, 3}) << bytes({191, 3});
    QTest::newRow("run of 0 eats its value") << QSize(2, 1) << 2 << bytes({0xC0, 0x20, 1, 2}) << bytes({1, 2});
    QTest::newRow("run of 63") << QSize(63, 1) << 63 << bytes({0xFF, 9}) << QByteArray(63, 9);
    QTest::newRow("rows top first, no flip") << QSize(2, 2) << 2 << bytes({0, 1, 2, 3}) << bytes({0, 1, 2, 3});
    QTest::newRow("padded rows drop the padding") << QSize(3, 2) << 4 << bytes({1, 2, 3, 99, 4, 5, 6, 99})
                                                  << bytes({1, 2, 3, 4, 5, 6});
    QTest::newRow("run past the end is cut") << QSize(10, 1) << 10 << bytes({0xFF, 4}) << QByteArray(10, 4);
    // The 12 that marks the palette is read as data, like anything before it.
    QTest::newRow("data ending early leaves index 0") << QSize(4, 1) << 4 << bytes({5}) << bytes({5, 12, 0, 0});
}

void TestPcxFormat::decodesRunsRowsAndPalette()
{
    QFETCH(QSize, size);
    QFETCH(int, bytesPerLine);
    QFETCH(QByteArray, encoded);
    QFETCH(QByteArray, indices);
    // The window need not start at 0: x 10..10+w-1, y -5..-5+h-1.
    const QByteArray file = PcxWriter::assemble(10, -5, qint16(9 + size.width()), qint16(-6 + size.height()),
                                                quint16(bytesPerLine), encoded, ramp());
    const PcxResult result = decodePcx(file);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(QSize(result.image.width, result.image.height), size);
    QCOMPARE(result.image.rgb.size(), size.width() * size.height() * 3);
    QCOMPARE(indicesOf(result.image), indices);
    QCOMPARE(quint8(result.image.rgb[1]), quint8(255 - quint8(indices[0])));
}

void TestPcxFormat::refusesFilesThatCannotHoldTheirImage_data()
{
    QTest::addColumn<QByteArray>("file");
    const QByteArray palette(768, 0);
    QTest::newRow("shorter than header and palette") << PcxWriter(1, 1).toBytes().left(895);
    QTest::newRow("width 0") << PcxWriter::assemble(5, 0, 4, 0, 0, bytes({1}), palette);
    QTest::newRow("negative height") << PcxWriter::assemble(0, 3, 0, -3, 1, bytes({1}), palette);
    QTest::newRow("65535 x 65535 in 2 KiB") << PcxWriter::assemble(0, 0, -1, -1, 0, QByteArray(1000, char(0xFF)), palette);
    QTest::newRow("side above 16384") << PcxWriter::assemble(0, 0, 20000, 0, 0, QByteArray(700, char(0xFF)), palette);
    QTest::newRow("more pixels than the data can hold") << PcxWriter::assemble(0, 0, 999, 999, 0, bytes({0xFF, 1}), palette);
}

void TestPcxFormat::refusesFilesThatCannotHoldTheirImage()
{
    QFETCH(QByteArray, file);
    const PcxResult result = decodePcx(file);
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());
}

QTEST_GUILESS_MAIN(TestPcxFormat)
#include "test_pcxformat.moc"
