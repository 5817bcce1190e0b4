#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "audio/soundmanager.h"
#include "testing/fakeaudiobackend.h"

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write("not really music");
}

QString music(const QString &name)
{
    return "music/" + name;
}

} // namespace

class MusicPlaylistTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void playlistIsEveryFileSortedIgnoringCase();
    void noMusicMeansNothingHappens();
    void startUpPlaysTheFirstTrackThenWaitsForThePlayer();
    void eachTrackStartReleasesThePreviousStream();
    void playRestartsTheCurrentTrack();
    void nextWrapsAndPreviousStopsAtTheFirst();
    void stopHoldsTheMusicUntilThePlayerActs();
    void rejectedFileIsDroppedAndTheNextPlaysAtOnce_data();
    void rejectedFileIsDroppedAndTheNextPlaysAtOnce();
    void rejectedFirstTrackAtStartUpGivesWayToTheSecond();
    void everyFileRejectedLeavesTheMusicSilent();
    void otherFailureSwitchesTheMusicOffForGood_data();
    void otherFailureSwitchesTheMusicOffForGood();

private:
    void makeManager(const QStringList &files);
    QStringList streamsCreated() const;

    std::unique_ptr<QTemporaryDir> dir;
    QString previousDir;
    std::unique_ptr<SoundManager> manager;
    FakeAudioBackend *fake = nullptr;
    FakeAudioBackend *preset = nullptr; // set up by the test before makeManager() hands it over
};

void MusicPlaylistTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir->path());
    preset = new FakeAudioBackend;
}

void MusicPlaylistTest::cleanup()
{
    if (fake) {
        QCOMPARE(fake->faults, QStringList());
        QVERIFY(fake->liveSounds() <= 1);
    }
    manager.reset();
    delete preset;
    fake = nullptr;
    preset = nullptr;
    QDir::setCurrent(previousDir);
    dir.reset();
}

void MusicPlaylistTest::makeManager(const QStringList &files)
{
    if (!files.isEmpty())
        QDir().mkdir("music");
    for (const QString &file : files)
        touch(music(file));
    fake = preset;
    preset = nullptr;
    manager = std::make_unique<SoundManager>(std::unique_ptr<AudioBackend>(fake));
}

QStringList MusicPlaylistTest::streamsCreated() const
{
    QStringList paths;
    for (const QString &call : fake->calls)
        if (call.startsWith("createSound ") && call.endsWith(" stream"))
            paths << call.section(' ', 1, 1);
    return paths;
}

void MusicPlaylistTest::playlistIsEveryFileSortedIgnoringCase()
{
    QDir().mkpath("music/sub.ogg");
    touch("music/.hidden.ogg");
    makeManager({"b.ogg", "A.mp3", "C.wav", "d.txt", "noextension"});

    for (int i = 0; i < 5; ++i)
        manager->nextTrack();
    QCOMPARE(fake->playedMusicFiles(),
             QStringList({music("A.mp3"), music("b.ogg"), music("C.wav"), music("d.txt"),
                          music("noextension"), music("A.mp3")}));
}

void MusicPlaylistTest::noMusicMeansNothingHappens()
{
    makeManager({});
    QCOMPARE(fake->calls, QStringList({"createSystem", "init 2"}));
    manager->playMusic();
    manager->nextTrack();
    manager->previousTrack();
    manager->pollMusic();
    manager->stopMusic();
    QCOMPARE(fake->calls, QStringList({"createSystem", "init 2"}));
}

void MusicPlaylistTest::startUpPlaysTheFirstTrackThenWaitsForThePlayer()
{
    makeManager({"a.ogg", "b.ogg"});
    QCOMPARE(fake->calls, QStringList({"createSystem", "init 2", "createSound music/a.ogg stream",
                                       "play music/a.ogg on music"}));

    // The first track plays out and the music falls silent.
    fake->clearCalls();
    manager->pollMusic();
    fake->finishMusic();
    manager->pollMusic();
    QCOMPARE(fake->calls, QStringList());

    // Once the player presses play, polls watch the track and advance when
    // it has ended, after the last track to the first.
    manager->playMusic();
    fake->clearCalls();
    manager->pollMusic();
    QCOMPARE(fake->calls, QStringList({"isPlaying music"}));
    fake->finishMusic();
    manager->pollMusic();
    fake->finishMusic();
    manager->pollMusic();
    QCOMPARE(fake->playedMusicFiles(),
             QStringList({music("a.ogg"), music("a.ogg"), music("b.ogg"), music("a.ogg")}));
}

void MusicPlaylistTest::eachTrackStartReleasesThePreviousStream()
{
    makeManager({"a.ogg", "b.ogg"});
    fake->clearCalls();
    manager->nextTrack();
    QCOMPARE(fake->calls, QStringList({"stop music", "release music/a.ogg", "createSound music/b.ogg stream",
                                       "play music/b.ogg on music"}));
    // Also a stream that has ended, and the one left behind by stopMusic.
    fake->finishMusic();
    manager->nextTrack();
    manager->stopMusic();
    manager->playMusic();
    QCOMPARE(fake->liveSounds(), 1);
    QCOMPARE(fake->channelCount(), 1);
}

void MusicPlaylistTest::playRestartsTheCurrentTrack()
{
    makeManager({"a.ogg", "b.ogg"});
    manager->nextTrack();
    fake->clearCalls();
    manager->playMusic();
    QCOMPARE(fake->calls, QStringList({"stop music", "release music/b.ogg", "createSound music/b.ogg stream",
                                       "play music/b.ogg on music"}));
}

void MusicPlaylistTest::nextWrapsAndPreviousStopsAtTheFirst()
{
    makeManager({"a.ogg", "b.ogg", "c.ogg"});
    manager->previousTrack();
    manager->nextTrack();
    manager->nextTrack();
    manager->nextTrack();
    manager->previousTrack();
    manager->previousTrack();
    QCOMPARE(fake->playedMusicFiles(), QStringList({music("a.ogg"), music("a.ogg"), music("b.ogg"),
                                                    music("c.ogg"), music("a.ogg"), music("a.ogg"),
                                                    music("a.ogg")}));
}

void MusicPlaylistTest::stopHoldsTheMusicUntilThePlayerActs()
{
    makeManager({"a.ogg", "b.ogg", "c.ogg"});
    manager->nextTrack();
    fake->clearCalls();

    manager->stopMusic();
    QCOMPARE(fake->calls, QStringList({"stop music"}));
    manager->pollMusic();
    QCOMPARE(fake->calls, QStringList({"stop music"}));

    // No pause: play starts the stopped track again from its beginning.
    manager->playMusic();
    QCOMPARE(fake->playedMusicFiles().last(), music("b.ogg"));

    // Next after stop plays the next track, and the advance resumes.
    manager->stopMusic();
    manager->nextTrack();
    fake->finishMusic();
    manager->pollMusic();
    QCOMPARE(fake->playedMusicFiles(),
             QStringList({music("a.ogg"), music("b.ogg"), music("b.ogg"), music("c.ogg"), music("a.ogg")}));
}

void MusicPlaylistTest::rejectedFileIsDroppedAndTheNextPlaysAtOnce_data()
{
    QTest::addColumn<int>("result");
    QTest::newRow("cannot be loaded") << int(AudioResult::FileBad);
    QTest::newRow("unsupported format") << int(AudioResult::Format);
}

void MusicPlaylistTest::rejectedFileIsDroppedAndTheNextPlaysAtOnce()
{
    QFETCH(int, result);
    preset->createSoundResults.insert(music("c.txt"), AudioResult(result));
    makeManager({"a.ogg", "b.ogg", "c.txt", "d.ogg"});

    manager->nextTrack();
    manager->nextTrack(); // c.txt is rejected, d.ogg takes its place
    manager->nextTrack(); // past the end
    manager->nextTrack();
    manager->nextTrack();
    QCOMPARE(fake->playedMusicFiles(), QStringList({music("a.ogg"), music("b.ogg"), music("d.ogg"),
                                                    music("a.ogg"), music("b.ogg"), music("d.ogg")}));
    QCOMPARE(streamsCreated().count(music("c.txt")), 1);
}

void MusicPlaylistTest::rejectedFirstTrackAtStartUpGivesWayToTheSecond()
{
    preset->createSoundResults.insert(music("A.mp3"), AudioResult::Format);
    makeManager({"b.ogg", "A.mp3", "C.wav"});
    QCOMPARE(streamsCreated(), QStringList({music("A.mp3"), music("b.ogg")}));
    QCOMPARE(fake->playedMusicFiles(), QStringList({music("b.ogg")}));

    // A rejected last track wraps round to the first.
    fake->createSoundResults.insert(music("C.wav"), AudioResult::FileBad);
    manager->nextTrack();
    QCOMPARE(fake->playedMusicFiles(), QStringList({music("b.ogg"), music("b.ogg")}));
    manager->previousTrack();
    manager->nextTrack();
    QCOMPARE(fake->playedMusicFiles().size(), 4);
    QCOMPARE(streamsCreated().count(music("C.wav")), 1);
}

void MusicPlaylistTest::everyFileRejectedLeavesTheMusicSilent()
{
    preset->createSoundResult = AudioResult::Format;
    makeManager({"a.ogg", "b.ogg", "c.ogg"});
    QCOMPARE(streamsCreated(), QStringList({music("a.ogg"), music("b.ogg"), music("c.ogg")}));

    fake->clearCalls();
    fake->createSoundResult = AudioResult::Ok;
    manager->playMusic();
    manager->nextTrack();
    manager->previousTrack();
    manager->pollMusic();
    QCOMPARE(fake->calls, QStringList());
}

void MusicPlaylistTest::otherFailureSwitchesTheMusicOffForGood_data()
{
    QTest::addColumn<bool>("playFails"); // else creating the stream fails
    QTest::newRow("stream cannot be created") << false;
    QTest::newRow("stream cannot be played") << true;
}

void MusicPlaylistTest::otherFailureSwitchesTheMusicOffForGood()
{
    QFETCH(bool, playFails);
    if (playFails)
        preset->playResults.insert(music("b.ogg"), AudioResult::Failed);
    else
        preset->createSoundResults.insert(music("b.ogg"), AudioResult::Failed);
    makeManager({"a.ogg", "b.ogg", "c.ogg"});

    manager->nextTrack();
    fake->clearCalls();
    // Nothing starts again, even on files that would play; stop still silences the channel.
    fake->createSoundResults.clear();
    fake->playResults.clear();
    manager->nextTrack();
    manager->previousTrack();
    manager->playMusic();
    manager->stopMusic();
    QCOMPARE(fake->calls, QStringList({"stop music"}));
    QCOMPARE(fake->playedMusicFiles(), QStringList({music("a.ogg")}));
}

QTEST_MAIN(MusicPlaylistTest)
#include "test_musicplaylist.moc"
