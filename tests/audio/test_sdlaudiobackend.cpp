// Drives the real SDL2_mixer layer with SDL's dummy driver and its file-writing
// "disk" driver, so no sound card is needed.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <memory>

#include "audio/audiobackend.h"
#include "audio/sdlaudiobackend.h"
#include "audio/soundmanager.h"
#include "testing/fakeaudiobackend.h"

namespace {

// A mono 16-bit 22050 Hz WAV file holding a sine tone.
QByteArray toneWav(int milliseconds, int amplitude = 12000)
{
    const int rate = 22050;
    const int frames = rate * milliseconds / 1000;
    QByteArray data(frames * 2, Qt::Uninitialized);
    for (int i = 0; i < frames; ++i) {
        const auto sample = qint16(amplitude * std::sin(2 * M_PI * 440.0 * i / rate));
        qToLittleEndian(sample, data.data() + 2 * i);
    }
    QByteArray wav;
    auto u32 = [&wav](quint32 v) { char b[4]; qToLittleEndian(v, b); wav.append(b, 4); };
    auto u16 = [&wav](quint16 v) { char b[2]; qToLittleEndian(v, b); wav.append(b, 2); };
    wav.append("RIFF");
    u32(36 + data.size());
    wav.append("WAVEfmt ");
    u32(16);
    u16(1);        // PCM
    u16(1);        // mono
    u32(rate);
    u32(rate * 2); // bytes per second
    u16(2);        // block align
    u16(16);       // bits per sample
    wav.append("data");
    u32(data.size());
    return wav + data;
}

// Half a second of a 440 Hz tone as mono 8 kHz Ogg Vorbis (made with libvorbisenc).
const char toneOggBase64[] =
    "T2dnUwACAAAAAAAAAAABAAAAAAAAAAQYzSMBHgF2b3JiaXMAAAAAAUAfAAAAAAAAQB8AAAAAAACZAU9nZ1MAAAAAAAAAAAAA"
    "AQAAAAEAAABsy1XYCkT//////////5ADdm9yYmlzNAAAAFhpcGguT3JnIGxpYlZvcmJpcyBJIDIwMjAwNzA0IChSZWR1Y2lu"
    "ZyBFbnZpcm9ubWVudCkAAAAAAQV2b3JiaXMPQkNWAQAAAQAMUhQhJRlTSmMIlVJSKQUdY1BbRx1j1DlGIWQQU4hJGaV7TyqV"
    "WErIEVJYKUUdU0xTSZVSlilFHWMUU0ghU9YxZaFzFEuGSQklbE2udBZL6JljljFGHWPOWkqdY9YxRR1jUlJJoXMYOmYlZBQ6"
    "RsXoYnwwOpWiQii+x95S6S2FiluKvdcaU+sthBhLacEIYXPttdXcSmrFGGOMMcbF4lMogtCQVQAAAQAAQAQBQkNWAQAKAADC"
    "UAxFUYDQkFUAQAYAgAAURXEUx3EcR5IkywJCQ1YBAEAAAAIAACiO4SiSI0mSZFmWZVmWpnmWqLmqL/uuLuuu7eq6DoSGrAQA"
    "gAAAGEahdUwqgxBDykOEFGPQM6MQQwxMxhxjTjSkDDKIM8WQMohbLC6oEAShISsCgCgAAMAYxBhiDDnnpGRSIueYlE5KA52j"
    "1FHKKJUUS4wZpRJbiTGCzlHqKGWUQoylxYxSibHEVAAAQIADAECAhVBoyIoAIAoAgDAGKYWUQowp5hRziDHlHIMMMcYgZM4p"
    "6BiTTkrlnJPOSYkYY84xB5VzTkrnpHLQScmkEwAAEOAAABBgIRQasiIAiBMAMEiSplmaJoqWpomiZ4qq6omiqlqeZ5qeaaqq"
    "Z5qqaqqq65qq6sqW55mmZ5qq6pmmqoqm6rqmqrqup6q2bLqqLpuuatuu7Pq2a7u+7qmqbJuqK+um6sq66sq27rq27Uuep6qi"
    "qrquZ6quq7qubquua9uaasquqbqybbquLbuybOuuLOu6ZqqubLqqLZuuLOuu7Nq2Ksu6L7qubquyrPuqLPu+bOu67tq68Iuu"
    "a+uqLOu+Ksu+Mdu28Mu6LhyTJ6qqp6qu65mq66qua9uq69q6ppqubLquLZuqK9uqLOu2K8u2rpmqLJuuK9um68qyKsu+78qy"
    "bouu6+umLOu6KsvC7uq6Mcy2rfui6+q6Ksu6r8qyrru67vuybgu7pqq6bsqyr5uyrPu2rgvLrNu6Mbqu76uyLfyqLAu/rvvC"
    "Mus+Y3RdX1dtWRhW2fZ93feVY9Z1YVltW/ldW2e8vm4Mu278yq0Ly7LatrHMuq0sr68bwy7sfFv4lZqq2rbpurpuyrKvy7ou"
    "tHXdV0bX9X3Vtn1flWXft4VfaRvDsIyuq/uqLOvCa8vKL+u6sOzCLyyrbSu/q+vKMNu6sNy+sCy/7gvLqtu+7+q60rV1Zbl9"
    "n7Ert/ELAAAYcAAACDChDBQasiIAiBMAQBByDikGoWIKQgihpBBCKhVjUjLmpGTOSSmllBRKSa1iTErmnJTMMSmhlJZKKamE"
    "UloqpcQUSmktpdZiSqnFUEprpaTWSkmtpZRiTK3FGDEmJXNOSuaclJJSayWV1jLnKGUOSuogpJRKKq2k1GLmnKQOOisdhNRK"
    "KjGVlGILqcRWSmqtpBRjKzHV1FqOIaUYS0qxlZRabTHV1lqrNWJMSuaclMw5KiWl1koqrWXOSeogtNQ5KKmk1GIqKcXKOUkd"
    "hJQyyKiUlForqcQSUomttBRjKanF1GKuKcUWQ0ktlpRaLKnE1mKMtbVUUyelxZJSjCWVGFusubbWagylxFZKi7GklFtrMdcW"
    "Y46hpBZLK7GVlFpsteXYWss1tVRjSq3WFmONMeWUa609p9ZiTTHV2lqsudWWW8y1505Ka6WUFktKMbbWYo0x5hxKaa2kFFsp"
    "KcbWWq2txVxDKbGV0losqcTYYqy1xVZjaq3GFlutpbVaa629xlZbLq3V3GKsPbWUa6y15lhTbQUAAAw4AAAEmFAGCg1ZCQBE"
    "AQAAxjDGGIRGKceck9Io5ZxzUirnIISQUuYchBBSypyDUEpLmXMQSkkplJJSaq2FUlJqrbUCAAAKHAAAAmzQlFgcoNCQlQBA"
    "KgCAwXE0TRRV1XV9X7EsUVRV15Vt41csTRRVVXZtW/g1UVRV17Vt2xZ+TRRVVXZl2baFoqq6sm3bsm4Lw6iqrmvbsm3rqK6r"
    "27qt27ovVF1Zlm1bt3Ud17Z13fZ1XfgZs23rtm7rvvAjDEff+CHk4/t0QggAAE9wAAAqsGF1hJOiscBCQ1YCABkAAIAxShmF"
    "GDNIMaYYY0wxxpgAAIABBwCAABPKQKEhKwKAKAAAwDnnnHPOOeecc84555xzzjnnnHOOMcYYY4wxxhhjjDHGGGOMMcYYY4wx"
    "xhhjjDHGGGNMAMBOhAPAToSFUGjISgAgHAAAQAghKSmllFJKEVPOQUkppZRSqhSDjEpKKaWUUqQUdZRSSimllCKloKSSUkop"
    "pZRJSSmllFJKKaWMOkoppZRSSimllFJKKaWUUkoppZRSSimllFJKKaWUUkoppZRSSimllFJKKaWUUkoppZRSSimllFJKKaWU"
    "UkoppZRSSimlVEoppZRSSimllFJKKaUUAGDy4AAAlWDjDCtJZ4WjwYWGrAQAcgMAAIUYgxBCaa2kVFJKJVXOQSgllJRKSimV"
    "lFKqmIMQSiqppZJSSim10kEooZRQSikllFJKKCWEEEoJoZRUQiuphFJKB6GEEkIpoYRUSikllM5BKCGFDkJJpZTUQkgddFRS"
    "KSGVUkopJaWUOgihlJJSSy2VUlpKqXQSUimpldRSaqm1klIJoaRWSkklpdJaSSW1EkpJJaWUUksphVRSSSWEklIqJbWWWkqp"
    "tdZSSKmVlFJKqaXUUkolpZBKSqmUklJqJZWUUmohlZRKSSmk1EoppaRUQkmppVJaSi21lEpJqbRUUkmllJRKSSmlUkpLKaUS"
    "SkqppZRaSSmFklJKKZWSUksltVRKCiWllFJJqbSUUksplZJSAQBABw4AAAFGVFqInWZceQSOKGSYgAIAAEAAQIAJIDBAUDAK"
    "QYAwAgEAAAAAwAAAHwAARwEQEdGcwQFCgsICQ4PDAwAAAAAAAAAAAAAAgE9nZ1MABKAPAAAAAAAAAQAAAAIAAAC4j2fdEREO"
    "DhAPDxAQDQ8QDw8PDhASsp2Z01UJAPSpNACA6ogjnnW6nplzpxIA6JYCAABMHbaemW1VAgBKAQAAoiMAup6Zc6cSAOiUAgAA"
    "3K5vALqemXOnEgCsH+UAAMDrFraembNTCQDWjwMAgPe6ALqemXOnEgCsH+UBAMDbVwK6nplzpxIA6F1KAABwf38Jtp6ZbVUC"
    "AEoJAADykrqemXOnEgDolhIAABw6AbqemXOnEgDod0kAAPD2IwG2npmzUwkA3u8aAABc7w+2npmzUwkA3u8KAABcfgC6nplz"
    "pxIA6FsCAAC8HgG2npltVQIALwUAAJjdAbaembNTCQCsFAAAjtRVHwGm0lBYqQQA6nIAgDnDeN4/ZQE=";

QByteArray toneOgg()
{
    return QByteArray::fromBase64(toneOggBase64);
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(contents);
}

// Loudest sample in raw signed 16-bit output, from byte `from` on.
int peak(const QByteArray &raw, qsizetype from = 0, qsizetype to = -1)
{
    if (to < 0 || to > raw.size())
        to = raw.size();
    int loudest = 0;
    for (qsizetype i = from & ~qsizetype(1); i + 1 < to; i += 2)
        loudest = std::max(loudest, std::abs(int(qFromLittleEndian<qint16>(raw.constData() + i))));
    return loudest;
}


// The mixer opens 44.1 kHz signed 16-bit stereo: 4 bytes a frame.
constexpr qsizetype bytesPerSecond = 44100 * 4;

} // namespace

class SdlAudioBackendTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createSoundTellsMissingFilesFromUndecodableOnes_data();
    void createSoundTellsMissingFilesFromUndecodableOnes();
    void nothingIsCreatedWithoutAnOpenDevice();
    void channelReportsItsSampleUntilReplacedOrReleased();
    void streamPlaysOnItsOwnChannelAndCanBeReleasedWhilePlaying();
    void unknownDriverFailsInit();
    void managerWithoutDeviceGivesTheMessageAndStaysSilent();
    void musicSkipsAnUndecodableFileAndReachesTheOutput();
    void effectReachesTheOutputOnlyWhenPlayed();
    void oggVorbisTrackReachesTheOutput();

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString previousDir;
    QByteArray previousDriver;
};

void SdlAudioBackendTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir->path());
    previousDriver = qgetenv("SDL_AUDIODRIVER");
    qputenv("SDL_AUDIODRIVER", "dummy");
}

void SdlAudioBackendTest::cleanup()
{
    qputenv("SDL_AUDIODRIVER", previousDriver);
    qunsetenv("SDL_DISKAUDIOFILE");
    QDir::setCurrent(previousDir);
    dir.reset();
}

void SdlAudioBackendTest::createSoundTellsMissingFilesFromUndecodableOnes_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<bool>("stream");
    QTest::addColumn<int>("expected");

    for (bool stream : {false, true}) {
        const char *mode = stream ? "stream" : "sample";
        auto row = [&](const char *what) -> QTestData & { return QTest::addRow("%s, %s", mode, what); };
        row("tone") << QByteArray("tone.wav") << stream << int(AudioResult::Ok);
        row("ogg vorbis tone") << QByteArray("tone.ogg") << stream << int(AudioResult::Ok);
        row("tone under another extension") << QByteArray("tone.txt.bin") << stream << int(AudioResult::Ok);
        row("missing file") << QByteArray("missing.wav") << stream << int(AudioResult::FileBad);
        row("empty path") << QByteArray() << stream << int(AudioResult::FileBad);
        row("directory") << QByteArray("adir.ogg") << stream << int(AudioResult::FileBad);
        row("text file") << QByteArray("notes.txt") << stream << int(AudioResult::Format);
        row("text file named ogg") << QByteArray("notes.ogg") << stream << int(AudioResult::Format);
        row("empty file") << QByteArray("empty.wav") << stream << int(AudioResult::Format);
        row("truncated wav") << QByteArray("cut.wav") << stream << int(AudioResult::Format);
    }
}

void SdlAudioBackendTest::createSoundTellsMissingFilesFromUndecodableOnes()
{
    QFETCH(QByteArray, path);
    QFETCH(bool, stream);
    QFETCH(int, expected);

    writeFile("tone.wav", toneWav(100));
    writeFile("tone.txt.bin", toneWav(100));
    writeFile("tone.ogg", toneOgg());
    QDir().mkdir("adir.ogg");
    writeFile("notes.txt", "These are not sounds.\nJust words.\n");
    writeFile("notes.ogg", "These are not sounds.\nJust words.\n");
    writeFile("empty.wav", "");
    writeFile("cut.wav", toneWav(100).left(30));

    auto backend = createSdlAudioBackend();
    QCOMPARE(backend->createSystem(), AudioResult::Ok);
    QCOMPARE(backend->init(2), AudioResult::Ok);
    SoundHandle sound{42};
    const AudioResult result = backend->createSound(path, stream ? SoundMode::Stream : SoundMode::Sample, &sound);
    QCOMPARE(int(result), expected);
    QCOMPARE(sound.isNull(), result != AudioResult::Ok);
    backend->releaseSystem();
}

void SdlAudioBackendTest::nothingIsCreatedWithoutAnOpenDevice()
{
    writeFile("tone.wav", toneWav(100));
    auto backend = createSdlAudioBackend();
    QCOMPARE(backend->createSystem(), AudioResult::Ok);
    SoundHandle sound;
    QCOMPARE(backend->createSound("tone.wav", SoundMode::Sample, &sound), AudioResult::Failed);
    QVERIFY(sound.isNull());
    ChannelHandle channel;
    QCOMPARE(backend->stopChannel(channel), AudioResult::Failed);
    QVERIFY(!backend->isPlaying(channel));
}

void SdlAudioBackendTest::channelReportsItsSampleUntilReplacedOrReleased()
{
    writeFile("short.wav", toneWav(60));
    writeFile("long.wav", toneWav(3000));
    auto backend = createSdlAudioBackend();
    QCOMPARE(backend->createSystem(), AudioResult::Ok);
    QCOMPARE(backend->init(2), AudioResult::Ok);

    SoundHandle shortSound;
    SoundHandle longSound;
    QCOMPARE(backend->createSound("short.wav", SoundMode::Sample, &shortSound), AudioResult::Ok);
    QCOMPARE(backend->createSound("long.wav", SoundMode::Sample, &longSound), AudioResult::Ok);
    QVERIFY(shortSound != longSound);

    ChannelHandle channel;
    QCOMPARE(backend->playSound(shortSound, &channel), AudioResult::Ok);
    QVERIFY(!channel.isNull());
    QVERIFY(backend->isPlaying(channel));
    QCOMPARE(backend->currentSound(channel), shortSound);
    // Played once, then the channel falls silent but still names its sound.
    QTRY_VERIFY_WITH_TIMEOUT(!backend->isPlaying(channel), 3000);
    QCOMPARE(backend->currentSound(channel), shortSound);

    const ChannelHandle first = channel;
    QCOMPARE(backend->playSound(longSound, &channel), AudioResult::Ok);
    QCOMPARE(channel, first);
    QCOMPARE(backend->currentSound(channel), longSound);
    QVERIFY(backend->isPlaying(channel));
    QCOMPARE(backend->stopChannel(channel), AudioResult::Ok);
    QVERIFY(!backend->isPlaying(channel));
    QCOMPARE(backend->currentSound(channel), longSound);

    // Releasing a sound that is sounding silences its channel first.
    QCOMPARE(backend->playSound(longSound, &channel), AudioResult::Ok);
    backend->releaseSound(longSound);
    QVERIFY(!backend->isPlaying(channel));
    QVERIFY(backend->currentSound(channel).isNull());
    QCOMPARE(backend->playSound(longSound, &channel), AudioResult::Failed);
    backend->releaseSound(longSound); // twice is harmless
    backend->releaseSystem();
}

void SdlAudioBackendTest::streamPlaysOnItsOwnChannelAndCanBeReleasedWhilePlaying()
{
    writeFile("track.wav", toneWav(3000));
    writeFile("short.wav", toneWav(60));
    auto backend = createSdlAudioBackend();
    QCOMPARE(backend->createSystem(), AudioResult::Ok);
    QCOMPARE(backend->init(2), AudioResult::Ok);

    SoundHandle effect;
    SoundHandle track;
    QCOMPARE(backend->createSound("short.wav", SoundMode::Sample, &effect), AudioResult::Ok);
    QCOMPARE(backend->createSound("track.wav", SoundMode::Stream, &track), AudioResult::Ok);
    ChannelHandle effectChannel;
    ChannelHandle musicChannel;
    QCOMPARE(backend->playSound(track, &musicChannel), AudioResult::Ok);
    QCOMPARE(backend->playSound(effect, &effectChannel), AudioResult::Ok);
    QVERIFY(musicChannel != effectChannel);
    QVERIFY(backend->isPlaying(musicChannel));
    QCOMPARE(backend->currentSound(musicChannel), track);

    // The effect ending leaves the music playing.
    QTRY_VERIFY_WITH_TIMEOUT(!backend->isPlaying(effectChannel), 3000);
    QVERIFY(backend->isPlaying(musicChannel));

    QCOMPARE(backend->stopChannel(musicChannel), AudioResult::Ok);
    QVERIFY(!backend->isPlaying(musicChannel));
    QCOMPARE(backend->playSound(track, &musicChannel), AudioResult::Ok);
    QVERIFY(backend->isPlaying(musicChannel));
    backend->releaseSound(track);
    QVERIFY(!backend->isPlaying(musicChannel));
    QVERIFY(backend->currentSound(musicChannel).isNull());

    // A new stream on the same handle after the old one is gone.
    SoundHandle again;
    QCOMPARE(backend->createSound("track.wav", SoundMode::Stream, &again), AudioResult::Ok);
    QVERIFY(again != track);
    QCOMPARE(backend->playSound(again, &musicChannel), AudioResult::Ok);
    QVERIFY(backend->isPlaying(musicChannel));
    backend->releaseSystem();
    QVERIFY(!backend->isPlaying(musicChannel));
}

void SdlAudioBackendTest::unknownDriverFailsInit()
{
    qputenv("SDL_AUDIODRIVER", "nosuchdriver");
    auto backend = createSdlAudioBackend();
    QCOMPARE(backend->createSystem(), AudioResult::Ok);
    QCOMPARE(backend->init(2), AudioResult::Failed);
    backend->releaseSystem();

    // The failure leaves nothing behind that keeps a working device from opening.
    qputenv("SDL_AUDIODRIVER", "dummy");
    QCOMPARE(backend->init(2), AudioResult::Ok);
}

void SdlAudioBackendTest::managerWithoutDeviceGivesTheMessageAndStaysSilent()
{
    QDir().mkdir("music");
    QDir().mkdir("sound");
    writeFile("music/a.wav", toneWav(100));
    writeFile("sound/click.wav", toneWav(100));
    writeFile("sound/sounds.xml", "<sounds><sound><name>click</name><file>click.wav</file></sound></sounds>");
    qputenv("SDL_AUDIODRIVER", "nosuchdriver");

    StdoutCapture capture;
    {
        SoundManager manager;
        manager.playEffect("click");
        manager.playMusic();
        manager.nextTrack();
        manager.previousTrack();
        manager.pollMusic();
        manager.stopMusic();
    }
    QCOMPARE(capture.finish(), QByteArray("Error, could not initialize FMOD\n"));
}

void SdlAudioBackendTest::musicSkipsAnUndecodableFileAndReachesTheOutput()
{
    QDir().mkdir("music");
    writeFile("music/a.txt", "Track list:\n1. b.wav\n");
    writeFile("music/b.wav", toneWav(400));
    const QString output = dir->filePath("music.raw");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output));

    StdoutCapture capture;
    {
        SoundManager manager;
        QTest::qWait(700);
    }
    QCOMPARE(capture.finish(), QByteArray());

    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray raw = file.readAll();
    QVERIFY2(raw.size() > bytesPerSecond / 4, QByteArray::number(raw.size()));
    QVERIFY2(peak(raw) > 6000, QByteArray::number(peak(raw)));
}

void SdlAudioBackendTest::effectReachesTheOutputOnlyWhenPlayed()
{
    QDir().mkdir("sound");
    writeFile("sound/click.wav", toneWav(300));
    writeFile("sound/sounds.xml", "<sounds><sound><name>click</name><file>click.wav</file></sound></sounds>");
    const QString output = dir->filePath("effect.raw");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output));

    {
        SoundManager manager;
        QTest::qWait(500);
        manager.playEffect("click");
        QTest::qWait(600);
    }

    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray raw = file.readAll();
    QVERIFY2(raw.size() > bytesPerSecond / 2, QByteArray::number(raw.size()));
    // The device writes in real time: its first 200 ms came before the effect.
    QCOMPARE(peak(raw, 0, bytesPerSecond / 5), 0);
    QVERIFY2(peak(raw) > 6000, QByteArray::number(peak(raw)));
}

void SdlAudioBackendTest::oggVorbisTrackReachesTheOutput()
{
    QDir().mkdir("music");
    writeFile("music/tone.ogg", toneOgg());
    const QString output = dir->filePath("ogg.raw");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output));

    {
        SoundManager manager;
        QTest::qWait(700);
    }

    QFile file(output);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray raw = file.readAll();
    QVERIFY2(peak(raw) > 4000, QByteArray::number(peak(raw)));
}

QTEST_MAIN(SdlAudioBackendTest)
#include "test_sdlaudiobackend.moc"
