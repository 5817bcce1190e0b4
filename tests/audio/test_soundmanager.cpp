#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

#include "audio/soundmanager.h"
#include "testing/fakeaudiobackend.h"

namespace {

void writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(contents);
}

const QByteArray standardCatalogue = "<sounds>\n"
                                     "  <sound><name>click</name><file>click.wav</file></sound>\n"
                                     "  <sound><name>fits</name><file>fits.wav</file></sound>\n"
                                     "  <sound><name>won</name><file>won.wav</file></sound>\n"
                                     "</sounds>\n";

} // namespace

class SoundManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void catalogueDecidesWhichFileAnEffectPlays_data();
    void catalogueDecidesWhichFileAnEffectPlays();
    void everyEffectCutsOffThePreviousOneOnTheSameChannel();
    void effectThatCannotBeCreatedOnlyStopsThePrevious_data();
    void effectThatCannotBeCreatedOnlyStopsThePrevious();
    void failedInitPrintsTheMessageOnceAndStaysSilent();
    void failedCreateIsSilentWithoutMessage();
    void effectsKeepWorkingAfterTheMusicIsOff();
    void fakeSoundScopeInstallsTheGlobalAndRestoresIt();

private:
    // Builds a manager over a fresh fake in the test's directory; the fake
    // stays valid while the manager lives.
    FakeAudioBackend *makeManager();

    std::unique_ptr<QTemporaryDir> dir;
    QString previousDir;
    std::unique_ptr<SoundManager> manager;
    FakeAudioBackend *fake = nullptr;
    FakeAudioBackend *preset = nullptr; // set up by the test before makeManager() hands it over
};

void SoundManagerTest::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir->path());
    QDir().mkdir("sound");
    preset = new FakeAudioBackend;
}

void SoundManagerTest::cleanup()
{
    if (fake)
        QCOMPARE(fake->faults, QStringList());
    manager.reset();
    delete preset; // only when no manager took it
    fake = nullptr;
    preset = nullptr;
    QDir::setCurrent(previousDir);
    dir.reset();
}

FakeAudioBackend *SoundManagerTest::makeManager()
{
    fake = preset;
    preset = nullptr;
    manager = std::make_unique<SoundManager>(std::unique_ptr<AudioBackend>(fake));
    return fake;
}

void SoundManagerTest::catalogueDecidesWhichFileAnEffectPlays_data()
{
    QTest::addColumn<QByteArray>("catalogue"); // null: no catalogue file at all
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expectedPath"); // what reaches the layer; empty for unknown

    const QByteArray click = "<sound><name>click</name><file>c.wav</file></sound>";
    QTest::newRow("plain entry") << "<sounds>" + click + "</sounds>" << "click" << "sound/c.wav";
    QTest::newRow("any root tag") << "<anything>" + click + "</anything>" << "click" << "sound/c.wav";
    QTest::newRow("names are case-sensitive") << "<sounds>" + click + "</sounds>" << "Click" << "";
    QTest::newRow("file text kept as written")
        << QByteArray("<sounds><sound><name>click</name><file> sub/c d.wav </file></sound></sounds>")
        << "click" << "sound/ sub/c d.wav ";
    QTest::newRow("comments, text and other children around")
        << QByteArray("<sounds>text<!-- c --><sound><!-- x --><name>click</name>t<other>o</other>"
                      "<file>c.wav</file></sound><music/></sounds>")
        << "click" << "sound/c.wav";
    QTest::newRow("entry without file") << QByteArray("<sounds><sound><name>click</name></sound></sounds>")
                                        << "click" << "";
    QTest::newRow("entry with empty file")
        << QByteArray("<sounds><sound><name>click</name><file></file></sound></sounds>") << "click" << "";
    QTest::newRow("entry without name is not reachable by the empty name")
        << QByteArray("<sounds><sound><file>c.wav</file></sound></sounds>") << "" << "";
    QTest::newRow("entry with empty name")
        << QByteArray("<sounds><sound><name/><file>c.wav</file></sound></sounds>") << "" << "";
    QTest::newRow("second name counts")
        << QByteArray("<sounds><sound><name>a</name><name>b</name><file>c.wav</file></sound></sounds>")
        << "b" << "sound/c.wav";
    QTest::newRow("first of two names is gone")
        << QByteArray("<sounds><sound><name>a</name><name>b</name><file>c.wav</file></sound></sounds>")
        << "a" << "";
    QTest::newRow("empty second name drops the entry")
        << QByteArray("<sounds><sound><name>a</name><name></name><file>c.wav</file></sound></sounds>")
        << "a" << "";
    QTest::newRow("second file counts")
        << QByteArray("<sounds><sound><name>a</name><file>1.wav</file><file>2.wav</file></sound></sounds>")
        << "a" << "sound/2.wav";
    QTest::newRow("later entry with the same name replaces")
        << QByteArray("<sounds><sound><name>a</name><file>1.wav</file></sound>"
                      "<sound><name>a</name><file>2.wav</file></sound></sounds>")
        << "a" << "sound/2.wav";
    QTest::newRow("nested entries are not searched")
        << QByteArray("<sounds><group><sound><name>a</name><file>1.wav</file></sound></group></sounds>")
        << "a" << "";
    QTest::newRow("only elements tagged sound")
        << QByteArray("<sounds><Sound><name>a</name><file>1.wav</file></Sound>"
                      "<effect><name>b</name><file>2.wav</file></effect></sounds>")
        << "a" << "";
    QTest::newRow("missing catalogue") << QByteArray() << "click" << "";
    QTest::newRow("empty catalogue") << QByteArray("") << "click" << "";
    QTest::newRow("broken catalogue keeps nothing, not even the good start")
        << QByteArray("<sounds>" + click + "<sound><name>x</name></sounds>") << "click" << "";
}

void SoundManagerTest::catalogueDecidesWhichFileAnEffectPlays()
{
    QFETCH(QByteArray, catalogue);
    QFETCH(QString, name);
    QFETCH(QString, expectedPath);

    if (!catalogue.isNull())
        writeFile("sound/sounds.xml", catalogue);
    makeManager();
    fake->clearCalls();

    manager->playEffect(name);
    QCOMPARE(fake->calls.value(0), QStringLiteral("createSound %1 sample").arg(expectedPath));
}

void SoundManagerTest::everyEffectCutsOffThePreviousOneOnTheSameChannel()
{
    writeFile("sound/sounds.xml", standardCatalogue);
    makeManager();
    fake->clearCalls();

    manager->playEffect("fits");
    manager->playEffect("won");
    manager->playEffect("click");
    manager->playEffect("click");

    const QStringList expected = {
        "createSound sound/fits.wav sample", "play sound/fits.wav on effect",
        "stop effect", "release sound/fits.wav",
        "createSound sound/won.wav sample", "play sound/won.wav on effect",
        "stop effect", "release sound/won.wav",
        "createSound sound/click.wav sample", "play sound/click.wav on effect",
        "stop effect", "release sound/click.wav",
        "createSound sound/click.wav sample", "play sound/click.wav on effect",
    };
    QCOMPARE(fake->calls, expected);
    QCOMPARE(fake->channelCount(), 1);
    QCOMPARE(fake->liveSounds(), 1);

    // An effect that has already played out is released just the same.
    fake->finishEffect();
    manager->playEffect("won");
    QCOMPARE(fake->liveSounds(), 1);
    QCOMPARE(fake->playedEffectFiles().last(), QStringLiteral("sound/won.wav"));
}

void SoundManagerTest::effectThatCannotBeCreatedOnlyStopsThePrevious_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("result");
    QTest::newRow("unknown name") << "nope" << int(AudioResult::FileBad);
    QTest::newRow("missing file") << "fits" << int(AudioResult::FileBad);
    QTest::newRow("undecodable file") << "fits" << int(AudioResult::Format);
    QTest::newRow("other failure") << "fits" << int(AudioResult::Failed);
}

void SoundManagerTest::effectThatCannotBeCreatedOnlyStopsThePrevious()
{
    QFETCH(QString, name);
    QFETCH(int, result);

    writeFile("sound/sounds.xml", standardCatalogue);
    const QString path = name == "nope" ? QString() : "sound/" + name + ".wav";
    preset->createSoundResults.insert(path, AudioResult(result));
    makeManager();

    manager->playEffect("click");
    fake->clearCalls();
    manager->playEffect(name);
    QCOMPARE(fake->calls, QStringList({"stop effect", "release sound/click.wav",
                                       QStringLiteral("createSound %1 sample").arg(path)}));

    // Nothing is left over to release, and the next effect plays normally.
    fake->clearCalls();
    manager->playEffect("won");
    QCOMPARE(fake->calls, QStringList({"stop effect", "createSound sound/won.wav sample",
                                       "play sound/won.wav on effect"}));
    QCOMPARE(fake->playedEffectFiles(), QStringList({"sound/click.wav", "sound/won.wav"}));
}

void SoundManagerTest::failedInitPrintsTheMessageOnceAndStaysSilent()
{
    writeFile("sound/sounds.xml", standardCatalogue);
    QDir().mkdir("music");
    writeFile("music/a.ogg", "x");
    preset->initResult = AudioResult::Failed;
    QStringList log;
    preset->alsoRecordTo = &log;

    StdoutCapture capture;
    makeManager();
    manager->playEffect("click");
    manager->playMusic();
    manager->nextTrack();
    manager->previousTrack();
    manager->pollMusic();
    manager->stopMusic();
    QCOMPARE(capture.finish(), QByteArray("Error, could not initialize FMOD\n"));
    QCOMPARE(fake->calls, QStringList({"createSystem", "init 2"}));

    // The half-made system is still handed back.
    manager.reset();
    fake = nullptr;
    QCOMPARE(log, QStringList({"createSystem", "init 2", "releaseSystem"}));
}

void SoundManagerTest::failedCreateIsSilentWithoutMessage()
{
    writeFile("sound/sounds.xml", standardCatalogue);
    preset->createSystemResult = AudioResult::Failed;

    StdoutCapture capture;
    makeManager();
    manager->playEffect("click");
    manager->playMusic();
    manager->stopMusic();
    QCOMPARE(capture.finish(), QByteArray());
    QCOMPARE(fake->calls, QStringList({"createSystem"}));
}

void SoundManagerTest::effectsKeepWorkingAfterTheMusicIsOff()
{
    writeFile("sound/sounds.xml", standardCatalogue);
    QDir().mkdir("music");
    writeFile("music/a.ogg", "x");
    writeFile("music/b.ogg", "x");
    preset->playResults.insert("music/a.ogg", AudioResult::Failed);
    makeManager();
    QCOMPARE(fake->playedMusicFiles(), QStringList());

    fake->clearCalls();
    manager->nextTrack();
    manager->playMusic();
    QCOMPARE(fake->calls, QStringList());

    manager->playEffect("won");
    QCOMPARE(fake->playedEffectFiles(), QStringList({"sound/won.wav"}));
}

void SoundManagerTest::fakeSoundScopeInstallsTheGlobalAndRestoresIt()
{
    const QString here = QDir::currentPath();
    QCOMPARE(soundManager, nullptr);
    {
        FakeSoundScope sound;
        QCOMPARE(soundManager, &sound.manager());
        QCOMPARE(QDir::currentPath(), here);
        soundManager->playEffect("fits");
        soundManager->playEffect("won");
        soundManager->playEffect("click");
        QCOMPARE(sound.playedEffects(), QStringList({"fits", "won", "click"}));
        QCOMPARE(sound.backend().faults, QStringList());
    }
    QCOMPARE(soundManager, nullptr);
}

QTEST_MAIN(SoundManagerTest)
#include "test_soundmanager.moc"
