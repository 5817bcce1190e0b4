// The real SDL2_mixer layer on SDL's "disk" driver, which writes what would reach the speakers into a file.
#include "audio/sdlaudiobackend.h"
#include "audio/soundmanager.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

#include <cmath>

namespace {

// Mono 16-bit 22050 Hz WAV of a 440 Hz tone.
QByteArray toneWav(int milliseconds)
{
    QByteArray data;
    for (int i = 0; i < 22050 * milliseconds / 1000; ++i) {
        const auto sample = qToLittleEndian(qint16(12000 * std::sin(2 * M_PI * 440.0 * i / 22050)));
        data.append(reinterpret_cast<const char *>(&sample), 2);
    }
    QByteArray wav("RIFF....WAVEfmt ");
    for (quint32 v : {16u, 0x10001u, 22050u, 44100u, 0x100002u, 0x61746164u /* "data" */, quint32(data.size())})
        wav.append(reinterpret_cast<const char *>(&(v = qToLittleEndian(v))), 4);
    qToLittleEndian(quint32(36 + data.size()), wav.data() + 4);
    return wav + data;
}

// Loudest sample of the device's 44.1 kHz 16-bit stereo output (176 bytes a ms) between two times.
int peak(const QByteArray &raw, int fromMs, int toMs)
{
    int loudest = 0;
    for (qsizetype i = qsizetype(fromMs) * 176; i + 1 < qMin(raw.size(), qsizetype(toMs) * 176); i += 2)
        loudest = qMax(loudest, qAbs(int(qFromLittleEndian<qint16>(raw.constData() + i))));
    return loudest;
}

} // namespace

class TestSdlAudioBackend : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { qputenv("SDL_AUDIODRIVER", "dummy"); }

    void tracksAndEffectsWithAnyLettersInTheirNamesReachTheOutputOnce()
    {
        GameData data;
        data.write(QStringLiteral("music/A notes.txt"), "Track list\n"); // not music: dropped, not the end of the music
        data.write(QStringLiteral("music/Für Elise.wav"), toneWav(300));
        data.write(QStringLiteral("sound/Klänge – klick.wav"), toneWav(300));
        data.write("sound/sounds.xml", "<s><sound><name>click</name><file>Klänge – klick.wav</file></sound></s>");
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(data.path() + "/out.raw"));
        {
            SoundManager manager;
            QTest::qWait(400);
            manager.playEffect(QStringLiteral("click"));
            QTest::qWait(600);
        }
        QFile file(data.path() + "/out.raw");
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray raw = file.readAll();
        // Written in real time: the track from 0 ms, the effect from 400 ms, each loud once for 300 ms.
        int loudMs = 0;
        for (int ms = 0; ms < raw.size() / 176; ms += 10)
            loudMs += peak(raw, ms, ms + 10) > 10000 ? 10 : 0;
        QCOMPARE(QList<bool>({peak(raw, 0, 250) > 10000, peak(raw, 330, 390) > 500, peak(raw, 450, 650) > 10000}),
                 QList<bool>({true, false, true}));
        QVERIFY2(qAbs(loudMs - 600) <= 60, qPrintable(QString::number(loudMs)));
    }
};

QTEST_GUILESS_MAIN(TestSdlAudioBackend)
#include "test_sdlaudiobackend.moc"
