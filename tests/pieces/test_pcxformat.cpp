// Decoding 8-bit PCX skins, good and hostile.
#include "pieces/pcxformat.h"
#include "testing/pcxwriter.h"

#include <QTest>

class TestPcxFormat : public QObject
{
    Q_OBJECT

private slots:
    void decodesRunsRowsAndPalette_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("bytesPerLine");
        QTest::addColumn<QByteArray>("encoded"); // in hex
        QTest::addColumn<QByteArray>("indices");
        QTest::newRow("run of five sevens") << QSize(5, 1) << 5 << QByteArray("c507") << QByteArray("0707070707");
        QTest::newRow("191 is one index") << QSize(2, 1) << 2 << QByteArray("bf03") << QByteArray("bf03");
        QTest::newRow("run of 0 eats its value") << QSize(2, 1) << 2 << QByteArray("c0200102") << QByteArray("0102");
        QTest::newRow("padded rows drop the padding")
            << QSize(3, 2) << 4 << QByteArray("0102036304050663") << QByteArray("010203040506");
        QTest::newRow("run past the end is cut")
            << QSize(10, 1) << 10 << QByteArray("ff04") << QByteArray("04").repeated(10);
        // The 12 that marks the palette is read as data, like anything before it.
        QTest::newRow("data ending early leaves index 0")
            << QSize(4, 1) << 4 << QByteArray("05") << QByteArray("050c0000");
    }

    void decodesRunsRowsAndPalette()
    {
        QFETCH(QSize, size);
        QFETCH(int, bytesPerLine);
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, indices);
        QByteArray ramp, rgb; // palette entry i is (i, 255 - i, i / 2)
        for (int i = 0; i < 256; ++i)
            ramp.append(char(i)).append(char(255 - i)).append(char(i / 2));
        for (const char i : QByteArray::fromHex(indices))
            rgb += ramp.mid(quint8(i) * 3, 3);
        // The window need not start at 0: x 10..10+w-1, y -5..-5+h-1.
        const PcxResult result =
            decodePcx(PcxWriter::assemble(10, -5, qint16(9 + size.width()), qint16(-6 + size.height()),
                                          quint16(bytesPerLine), QByteArray::fromHex(encoded), ramp));
        QVERIFY2(result.ok, qPrintable(result.error));
        QCOMPARE(QSize(result.image.width, result.image.height), size);
        QCOMPARE(result.image.rgb, rgb);
    }

    void refusesFilesThatCannotHoldTheirImage_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray palette(768, 0), runs(1000, char(0xFF));
        QTest::newRow("shorter than header and palette") << PcxWriter(1, 1).toBytes().left(895);
        QTest::newRow("negative height") << PcxWriter::assemble(0, 3, 0, -3, 1, "\x01", palette);
        QTest::newRow("65535 x 65535 in 2 KiB") << PcxWriter::assemble(0, 0, -1, -1, 0, runs, palette);
        QTest::newRow("side above 16384") << PcxWriter::assemble(0, 0, 20000, 0, 0, runs.left(700), palette);
        QTest::newRow("more pixels than the data can hold")
            << PcxWriter::assemble(0, 0, 999, 999, 0, "\xFF\x01", palette);
    }

    void refusesFilesThatCannotHoldTheirImage()
    {
        QFETCH(QByteArray, file);
        const PcxResult result = decodePcx(file);
        QVERIFY(!result.ok && !result.error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPcxFormat)
#include "test_pcxformat.moc"
