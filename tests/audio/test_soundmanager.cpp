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
    void start() { manager = std::make_unique<SoundManager>(std::unique_ptr<AudioBackend>(fake)); }
};

} // namespace

class TestSoundManager : public QObject
{
    Q_OBJECT

private slots:
    void catalogueDecidesWhichFileAnEffectPlays_data()
    {
        QTest::addColumn<QString>("sounds"); // the catalogue's root holds these
        QTest::addColumn<QString>("played"); // by the effect "click"
        const QString entry = "<sound><name>click</name><file>a.wav</file></sound>";
        QTest::newRow("name and file") << entry << "sound/a.wav";
        QTest::newRow("no file") << "<sound><name>click</name></sound>"
                                 << "";
        QTest::newRow("later entry wins") << entry + "<sound><name>click</name><file>b.wav</file></sound>"
                                          << "sound/b.wav";
        QTest::newRow("names are case-sensitive") << "<sound><name>Click</name><file>a.wav</file></sound>"
                                                  << "";
        QTest::newRow("nested too deep") << "<group>" + entry + "</group>"
                                         << "";
        QTest::newRow("not well-formed") << entry + "<sound>"
                                         << "";
    }

    void catalogueDecidesWhichFileAnEffectPlays()
    {
        QFETCH(QString, sounds);
        QFETCH(QString, played);
        GameData data;
        data.write(QStringLiteral("sound/sounds.xml"), QStringLiteral("<x>%1</x>").arg(sounds).toUtf8());
        Manager m;
        m.start();
        m.manager->playEffect(QStringLiteral("click"));
        QCOMPARE(m.fake->playedEffectFiles(), played.isEmpty() ? QStringList() : QStringList{played});
    }

    void everyEffectCutsOffTheOneBefore()
    {
        FakeSoundScope sound;
        for (const char *name : {"click", "fits", "fits"}) // the second from its beginning again
            sound.manager->playEffect(QLatin1String(name));
        QCOMPARE(sound.fake->sounding(SoundMode::Sample), QStringLiteral("sound/fits.wav"));
        QCOMPARE(sound.playedEffects(), QStringList({"click", "fits", "fits"}));
        QCOMPARE(sound.fake->liveSounds(), 1);             // nothing kept between plays
        sound.manager->playEffect(QStringLiteral("boom")); // unknown: the last one stops all the same
        QCOMPARE(sound.fake->sounding(SoundMode::Sample), QString());
        QVERIFY(sound.fake->faults.isEmpty());
    }

    void playlistFollowsThePlayerAndDropsUnplayableFiles()
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
        };
        // Name order, case ignored: A, b, C, d. The first track plays out, then waits for the player.
        ended();
        m.manager->playMusic();
        ended();                    // now the end of a track moves on, to b
        m.manager->nextTrack();     // C
        m.manager->nextTrack();     // d will not decode: dropped, and the first plays at once
        m.manager->previousTrack(); // stays on the first, from its beginning
        m.manager->stopMusic();
        ended();
        m.manager->playMusic(); // stop and play start the same track again
        m.manager->playMusic();
        ended();
        ended();
        m.manager->nextTrack(); // three tracks left: this wraps to the first
        QCOMPARE(m.fake->playedMusicFiles().join(' ').remove(QStringLiteral("music/")),
                 QStringLiteral("A.mp3 A.mp3 b.ogg C.wav A.mp3 A.mp3 A.mp3 A.mp3 b.ogg C.wav A.mp3"));
        QCOMPARE(m.fake->liveSounds(), 1);
        QVERIFY(m.fake->faults.isEmpty());
    }

    void failureSilencesWhatItReaches()
    {
        GameData data;
        data.write(QStringLiteral("music/a.ogg"), "x");
        data.write(QStringLiteral("music/b.ogg"), "x");
        data.write(QStringLiteral("sound/sounds.xml"), "<x><sound><name>click</name><file>c.wav</file></sound></x>");
        // No system: silence. No device: silence and a message. Track b failing: music off, effects on.
        for (const int failing : {0, 1, 2}) {
            Manager m;
            if (failing < 2)
                (failing ? m.fake->initResult : m.fake->createSystemResult) = AudioResult::Failed;
            m.fake->createSoundResults.insert(QStringLiteral("music/b.ogg"), AudioResult::Failed);
            StdoutCapture out;
            m.start();
            m.manager->nextTrack();
            m.manager->previousTrack();
            m.manager->playMusic();
            m.manager->playEffect(QStringLiteral("click"));
            QCOMPARE(out.finish(), failing == 1 ? QByteArray("Error, could not initialize FMOD\n") : QByteArray());
            QCOMPARE(m.fake->playedMusicFiles() + m.fake->playedEffectFiles(),
                     failing < 2 ? QStringList() : QStringList({"music/a.ogg", "sound/c.wav"}));
        }
    }
};

QTEST_GUILESS_MAIN(TestSoundManager)
#include "test_soundmanager.moc"
