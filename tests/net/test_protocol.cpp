// Where a line ends and how long it may be, which nicknames and codes pass, what a stored port means.
#include "net/protocol.h"

#include <QBuffer>
#include <QTest>

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void aLineEndsAtItsLineFeedAndMayNotPassTheLimit()
    {
        // 4096 bytes with the "\n" pass, 4097 do not: the host's limit for what a client sends.
        QByteArray bytes = QByteArray(4095, 'a') + "\n" + "{\"type\":\"ping\"}\r\n" + "half";
        QBuffer device(&bytes);
        device.open(QIODevice::ReadOnly);
        LineReader reader(protocol::maxClientLine);
        QByteArray line;
        QCOMPARE(reader.next(device, &line), LineReader::Line);
        QCOMPARE(line.size(), 4095);
        QCOMPARE(reader.next(device, &line), LineReader::Line);
        QCOMPARE(line, "{\"type\":\"ping\"}");                      // the carriage return goes too
        QCOMPARE(reader.next(device, &line), LineReader::NeedMore); // "half" waits for the rest

        QByteArray tooLong = QByteArray(4096, 'a') + "\n";
        QBuffer second(&tooLong);
        second.open(QIODevice::ReadOnly);
        LineReader limited(protocol::maxClientLine);
        QCOMPARE(limited.next(second, &line), LineReader::TooLong);
        QVERIFY(second.bytesAvailable() > 0); // refused before it was read whole
    }

    void nicknamesAreTrimmedAndHoldNoControlCharacters_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("kept"); // empty: refused
        QTest::newRow("spaces around") << "  Ann Lee "
                                       << "Ann Lee";
        QTest::newRow("24 letters") << QString(24, 'a') << QString(24, 'a');
        QTest::newRow("25 letters") << QString(25, 'a') << "";
        QTest::newRow("an accent and an emoji count one each")
            << QString::fromUtf8("Zoë \xF0\x9F\x90\xA2") << QString::fromUtf8("Zoë \xF0\x9F\x90\xA2");
        QTest::newRow("a bell") << "A\u0007"
                                << "";
        QTest::newRow("a right-to-left mark") << "A\u200F"
                                              << "";
    }

    void nicknamesAreTrimmedAndHoldNoControlCharacters()
    {
        QFETCH(QString, given);
        QFETCH(QString, kept);
        QCOMPARE(protocol::validName(given), kept);
    }

    void codesAndPorts()
    {
        for (const char *code : {"0000", "4821", "9999"})
            QVERIFY(protocol::validCode(code));
        for (const char *code : {"482", "48210", "48a1", " 482", "４８２１"})
            QVERIFY2(!protocol::validCode(QString::fromUtf8(code)), code);
        QVERIFY(protocol::validCode(protocol::randomCode()));
        QCOMPARE(protocol::portSetting(QVariant(), 47820), 47820); // absent
        QCOMPARE(protocol::portSetting(QVariant("47900"), 47820), 47900);
        QCOMPARE(protocol::portSetting(QVariant(0), 47820), 0); // any free port
        QCOMPARE(protocol::portSetting(QVariant(70000), 47820), 47820);
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "test_protocol.moc"
