#include "audio/audiobackend.h"
#include "audio/sdlaudiobackend.h"
#include "audio/soundmanager.h"
#include "testing/fakeaudiobackend.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <memory>

// Whatever lies in "music/" and whatever the catalogue names: a directory, an
// empty file, a name outside Latin-1. Each is skipped, refused or played
// silent, with the fake layer and with SDL2_mixer on its dummy driver.

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(content), content.size());
}

// A short, silent 8-bit mono PCM WAV that SDL2_mixer plays as a sample or as music.
QByteArray silentWav()
{
    const int samples = 800; // 0.1 s at 8 kHz
    QByteArray wav;
    auto put32 = [&wav](quint32 v) { char b[4]; qToLittleEndian(v, b); wav.append(b, 4); };
    auto put16 = [&wav](quint16 v) { char b[2]; qToLittleEndian(v, b); wav.append(b, 2); };
    wav += "RIFF";
    put32(36 + samples);
    wav += "WAVEfmt ";
    put32(16);
    put16(1);    // PCM
    put16(1);    // mono
    put32(8000); // sample rate
    put32(8000); // bytes per second
    put16(1);    // block align
    put16(8);    // bits per sample
    wav += "data";
    put32(samples);
    wav += QByteArray(samples, char(0x80));
    return wav;
}

const QString foreignName = QString::fromUtf8("music/\xe9\x9f\xb3\xe6\xa5\xbd.wav"); // two CJK characters

// Passes every call to the real layer and notes what createSound answered.
class RecordingLayer : public AudioBackend
{
public:
    RecordingLayer(std::unique_ptr<AudioBackend> real, QStringList *log) : real(std::move(real)), log(log) {}

    AudioResult createSystem() override { return real->createSystem(); }
    AudioResult init(int channels) override { return real->init(channels); }
    AudioResult createSound(const QByteArray &path, SoundMode mode, SoundHandle *sound) override
    {
        const AudioResult result = real->createSound(path, mode, sound);
        *log << QStringLiteral("%1 %2 -> %3")
                    .arg(mode == SoundMode::Stream ? "stream" : "sample", QString::fromLatin1(path))
                    .arg(int(result));
        return result;
    }
    AudioResult playSound(SoundHandle sound, ChannelHandle *channel) override
    {
        const AudioResult result = real->playSound(sound, channel);
        *log << QStringLiteral("play -> %1").arg(int(result));
        return result;
    }
    AudioResult stopChannel(ChannelHandle channel) override { return real->stopChannel(channel); }
    SoundHandle currentSound(ChannelHandle channel) override { return real->currentSound(channel); }
    bool isPlaying(ChannelHandle channel) override { return real->isPlaying(channel); }
    void releaseSound(SoundHandle sound) override { real->releaseSound(sound); }
    void releaseSystem() override { real->releaseSystem(); }

private:
    std::unique_ptr<AudioBackend> real;
    QStringList *log;
};

} // namespace

class TestHostileMusic : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        QVERIFY(QDir::setCurrent(dir->path()));
        QVERIFY(QDir().mkdir("music"));
        QVERIFY(QDir().mkdir("sound"));
        // The directory is no track; the empty file and the foreign name are.
        QVERIFY(QDir().mkdir("music/albums.ogg"));
        writeFile("music/albums.ogg/inside.wav", silentWav());
        writeFile("music/a.wav", silentWav());
        writeFile("music/empty.ogg", QByteArray());
        writeFile(foreignName, silentWav());
    }

    void cleanup()
    {
        QDir::setCurrent(QDir::tempPath());
        dir.reset();
    }

    void fakeLayerSeesTheFilesAsTheGameNamesThem()
    {
        auto *fake = new FakeAudioBackend;
        // What SDL answers for these, as the real-layer test below checks.
        fake->createSoundResults.insert("music/empty.ogg", AudioResult::Format);
        fake->createSoundResults.insert("music/??.wav", AudioResult::FileBad);
        SoundManager manager{std::unique_ptr<AudioBackend>(fake)};
        QCOMPARE(fake->playedMusicFiles(), QStringList({"music/a.wav"}));

        fake->clearCalls();
        manager.nextTrack(); // both bad files drop out, the first track comes round again
        QStringList created;
        for (const QString &call : std::as_const(fake->calls))
            if (call.startsWith("createSound"))
                created << call;
        QCOMPARE(created, QStringList({"createSound music/empty.ogg stream", "createSound music/??.wav stream",
                                       "createSound music/a.wav stream"}));
        QCOMPARE(fake->playedMusicFiles(), QStringList({"music/a.wav", "music/a.wav"}));

        fake->clearCalls();
        manager.nextTrack();
        manager.previousTrack();
        QCOMPARE(fake->playedMusicFiles(), QStringList({"music/a.wav", "music/a.wav", "music/a.wav", "music/a.wav"}));
        QCOMPARE(fake->faults, QStringList());
    }

    void realLayerSkipsWhatItCannotPlay()
    {
        writeFile("sound/sounds.xml", "<sounds>"
                                      "<sound><name>click</name><file>../music/a.wav</file></sound>"
                                      "<sound><name>dir</name><file>../music/albums.ogg</file></sound>"
                                      "<sound><name>empty</name><file>../music/empty.ogg</file></sound>"
                                      "<sound><name>missing</name><file>nothing.wav</file></sound>"
                                      "</sounds>");
        QStringList log;
        SoundManager manager{std::make_unique<RecordingLayer>(createSdlAudioBackend(), &log)};
        QCOMPARE(log, QStringList({"stream music/a.wav -> 0", "play -> 0"}));

        log.clear();
        manager.nextTrack();
        QCOMPARE(log, QStringList({"stream music/empty.ogg -> 25", "stream music/??.wav -> 19",
                                   "stream music/a.wav -> 0", "play -> 0"}));

        // The music is still on: polling, stopping and skipping go on quietly.
        log.clear();
        manager.pollMusic();
        manager.stopMusic();
        manager.previousTrack();
        manager.pollMusic();
        QCOMPARE(log, QStringList({"stream music/a.wav -> 0", "play -> 0"}));

        // Effects: the good one plays, the rest are refused without a sound.
        log.clear();
        for (const char *name : {"dir", "empty", "missing", "unknown", "click"})
            manager.playEffect(QString::fromLatin1(name));
        QCOMPARE(log, QStringList({"sample sound/../music/albums.ogg -> 19", "sample sound/../music/empty.ogg -> 25",
                                   "sample sound/nothing.wav -> 19", "sample  -> 19",
                                   "sample sound/../music/a.wav -> 0", "play -> 0"}));
    }

    void musicThatIsAFileOrMissingGivesNoPlaylist()
    {
        QVERIFY(QDir("music").removeRecursively());
        writeFile("music", silentWav());
        QStringList log;
        {
            SoundManager manager{std::make_unique<RecordingLayer>(createSdlAudioBackend(), &log)};
            manager.nextTrack();
            manager.previousTrack();
            manager.playMusic();
            manager.pollMusic();
        }
        QVERIFY(QFile::remove("music"));
        {
            SoundManager manager{std::make_unique<RecordingLayer>(createSdlAudioBackend(), &log)};
            manager.playMusic();
        }
        QCOMPARE(log, QStringList());
    }

private:
    std::unique_ptr<QTemporaryDir> dir;
};

QTEST_GUILESS_MAIN(TestHostileMusic)
#include "test_hostilemusic.moc"
