// Named effects and the music playlist, heard through a recording stand-in.
#include "audio/soundmanager.h"
#include "testing/fakeaudiobackend.h"
#include "testing/gamedata.h"

#include <QTest>

namespace {

struct Manager
{
    FakeAudioBackend *fake = new FakeAudioBackend; // owned by the manager
    std::unique_ptr<SoundManager> manager;
    QString music() const { return fake->sounding(SoundMode::Stream); }
    QString effect() const { return fake->sounding(SoundMode::Sample); }
    void start() { manager = std::make_unique<SoundManager>(std::unique_ptr<AudioBackend>(fake)); }
};

} // namespace

class TestSoundManager : public QObject
{
    Q_OBJECT

private slots:
    void catalogueDecidesWhichFileAnEffectPlays_data();
    void catalogueDecidesWhichFileAnEffectPlays();
    void everyEffectCutsOffTheOneBefore();
    void soundThatCannotStartLeavesTheGameSilent();
    void playlistFollowsThePlayerAndDropsUnplayableFiles();
    void otherMusicFailureSwitchesMusicOffButNotEffects();
};

void TestSoundManager::catalogueDecidesWhichFileAnEffectPlays_data()
{
    QTest::addColumn<QByteArray>("catalogue");
    QTest::addColumn<QString>("played"); // by the effect "click"
    const QByteArray entry = "<sound><name>click</name><file>a.wav</file></sound>";
    QTest::newRow("name and file") << "<x>" + entry + "</x>" << "sound/a.wav";
    QTest::newRow("no file") << QByteArray("<x><sound><name>click</name></sound></x>") << "";
    QTest::newRow("no name") << QByteArray("<x><sound><file>a.wav</file></sound></x>") << "";
    QTest::newRow("empty name") << QByteArray("<x><sound><name></name><file>a.wav</file></sound></x>") << "";
    QTest::newRow("last name counts")
        << QByteArray("<x><sound><name>clack</name><file>a.wav</file><name>click</name></sound></x>") << "sound/a.wav";
    QTest::newRow("later entry wins")
        << "<x>" + entry + "<sound><name>click</name><file>b.wav</file></sound></x>" << "sound/b.wav";
    QTest::newRow("names are case-sensitive") << QByteArray("<x><sound><name>Click</name><file>a.wav</file></sound></x>") << "";
    QTest::newRow("nested too deep") << "<x><group>" + entry + "</group></x>" << "";
    QTest::newRow("not well-formed") << "<x>" + entry << "";
}

void TestSoundManager::catalogueDecidesWhichFileAnEffectPlays()
{
    QFETCH(QByteArray, catalogue);
    QFETCH(QString, played);
    GameData data;
    data.write(QStringLiteral("sound/sounds.xml"), catalogue);
    Manager m;
    m.start();
    m.manager->playEffect(QStringLiteral("click"));
    QCOMPARE(m.fake->playedEffectFiles(), played.isEmpty() ? QStringList() : QStringList{played});
}

void TestSoundManager::everyEffectCutsOffTheOneBefore()
{
    FakeSoundScope sound;
    FakeAudioBackend &fake = sound.backend();
    sound.manager().playEffect(QStringLiteral("click"));
    sound.manager().playEffect(QStringLiteral("fits"));
    QCOMPARE(fake.sounding(SoundMode::Sample), QStringLiteral("sound/fits.wav"));
    sound.manager().playEffect(QStringLiteral("fits")); // again from its beginning
    QCOMPARE(sound.playedEffects(), QStringList({"click", "fits", "fits"}));
    QCOMPARE(fake.liveSounds(), 1); // nothing kept between plays
    sound.manager().playEffect(QStringLiteral("boom")); // unknown: the last one stops all the same
    QCOMPARE(fake.sounding(SoundMode::Sample), QString());
    QVERIFY(fake.faults.isEmpty());
}

void TestSoundManager::soundThatCannotStartLeavesTheGameSilent()
{
    GameData data;
    data.write(QStringLiteral("music/a.ogg"), "a");
    data.write(QStringLiteral("sound/sounds.xml"), "<x><sound><name>click</name><file>a.wav</file></sound></x>");
    for (bool initFails : {true, false}) {
        Manager m;
        (initFails ? m.fake->initResult : m.fake->createSystemResult) = AudioResult::Failed;
        StdoutCapture out;
        m.start();
        m.manager->playEffect(QStringLiteral("click"));
        m.manager->playMusic();
        m.manager->nextTrack();
        QCOMPARE(out.finish(), initFails ? QByteArray("Error, could not initialize FMOD\n") : QByteArray());
        QVERIFY(m.fake->playedEffectFiles().isEmpty() && m.fake->playedMusicFiles().isEmpty());
    }
}

void TestSoundManager::playlistFollowsThePlayerAndDropsUnplayableFiles()
{
    GameData data;
    for (const char *file : {"music/b.ogg", "music/A.mp3", "music/C.wav", "music/d.txt", "music/sub/e.ogg"})
        data.write(QLatin1String(file), "x"); // the folder holds no track
    Manager m;
    m.fake->createSoundResults.insert(QStringLiteral("music/d.txt"), AudioResult::Format);
    m.start();
    const auto ended = [&m] {
        m.fake->finishMusic();
        m.manager->pollMusic();
        return m.music();
    };
    // Name order, case ignored; the first track plays out, then waits for the player.
    QCOMPARE(m.music(), QStringLiteral("music/A.mp3"));
    QCOMPARE(ended(), QString());
    m.manager->playMusic();
    QCOMPARE(ended(), QStringLiteral("music/b.ogg")); // now the end of a track moves on
    m.manager->nextTrack();
    QCOMPARE(m.music(), QStringLiteral("music/C.wav"));
    m.manager->nextTrack(); // d.txt will not decode: dropped, and the first plays at once
    QCOMPARE(m.music(), QStringLiteral("music/A.mp3"));
    m.manager->previousTrack(); // stays on the first, from its beginning
    m.manager->stopMusic();
    QCOMPARE(ended(), QString());
    m.manager->playMusic(); // stop and play start the same track again
    m.manager->playMusic();
    ended();
    ended();
    m.manager->nextTrack(); // three tracks left: this wraps to the first
    QCOMPARE(m.fake->playedMusicFiles(), QStringList({"music/A.mp3", "music/A.mp3", "music/b.ogg", "music/C.wav", "music/A.mp3",
                                                      "music/A.mp3", "music/A.mp3", "music/A.mp3", "music/b.ogg", "music/C.wav",
                                                      "music/A.mp3"}));
    QCOMPARE(m.fake->liveSounds(), 1);
    QVERIFY(m.fake->faults.isEmpty());
}

void TestSoundManager::otherMusicFailureSwitchesMusicOffButNotEffects()
{
    GameData data;
    data.write(QStringLiteral("music/a.ogg"), "x");
    data.write(QStringLiteral("music/b.ogg"), "x");
    data.write(QStringLiteral("sound/sounds.xml"), "<x><sound><name>click</name><file>c.wav</file></sound></x>");
    Manager m;
    m.fake->createSoundResults.insert(QStringLiteral("music/b.ogg"), AudioResult::Failed);
    m.start();
    m.manager->nextTrack(); // b fails for another reason than its file: music is off for good
    m.manager->previousTrack();
    m.manager->playMusic();
    QCOMPARE(m.fake->playedMusicFiles(), QStringList({"music/a.ogg"}));
    m.manager->playEffect(QStringLiteral("click"));
    QCOMPARE(m.effect(), QStringLiteral("sound/c.wav"));
}

QTEST_GUILESS_MAIN(TestSoundManager)
#include "test_soundmanager.moc"
