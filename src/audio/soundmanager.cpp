#include "audio/soundmanager.h"

#include <QDir>
#include <QDomDocument>
#include <QDomElement>
#include "game/xmlfile.h"

#include <QFile>

#include <cstdio>

#include "audio/sdlaudiobackend.h"

SoundManager *soundManager = nullptr;

namespace {

// One channel for effects, one for music.
constexpr int channelCount = 2;

const QString catalogueFile = QStringLiteral("sound/sounds.xml");
const QString soundDir = QStringLiteral("sound/");
const QString musicDir = QStringLiteral("music/");

} // namespace

SoundManager::SoundManager()
    : SoundManager(createSdlAudioBackend())
{
}

SoundManager::SoundManager(std::unique_ptr<AudioBackend> backend)
    : system(std::move(backend))
{
    start();
}

void SoundManager::start()
{
    if (!system || system->createSystem() != AudioResult::Ok)
        return;
    created = true;
    if (system->init(channelCount) != AudioResult::Ok) {
        std::printf("Error, could not initialize FMOD\n");
        std::fflush(stdout);
        return;
    }
    started = true;
    currentTrack = -1;
    ready = true;

    readPlaylist();
    readEffects();
    // The first track plays out at start-up; advancing waits for the player.
    musicStopped = true;
}

SoundManager::~SoundManager()
{
    // Released whenever it was created, not only while music is on: a failed
    // track start must not keep the device open.
    if (created)
        system->releaseSystem();
}

void SoundManager::readEffects()
{
    QDomDocument document;
    if (!readXmlFile(catalogueFile, document))
        return;

    for (QDomNode node = document.documentElement().firstChild(); !node.isNull();
         node = node.nextSibling()) {
        const QDomElement sound = node.toElement();
        if (sound.isNull() || sound.tagName() != QLatin1String("sound"))
            continue;
        QString name;
        QString path;
        // Every matching child is read so the last one counts.
        for (QDomElement field = sound.firstChildElement(); !field.isNull();
             field = field.nextSiblingElement()) {
            if (field.tagName() == QLatin1String("name"))
                name = field.text();
            else if (field.tagName() == QLatin1String("file"))
                path = field.text();
        }
        if (name.isEmpty() || path.isEmpty())
            continue;
        effects.insert(name, soundDir + path);
    }
}

void SoundManager::playEffect(QString name)
{
    if (!started)
        return;
    if (!effectChannel.isNull())
        system->stopChannel(effectChannel);
    // The channel is silent now, so the last effect can go whatever the
    // channel reports; nothing is cached between plays.
    if (!effectSound.isNull()) {
        system->releaseSound(effectSound);
        effectSound = SoundHandle{};
    }

    const QString path = effects.value(name);
    SoundHandle sound;
    if (system->createSound(QFile::encodeName(path), SoundMode::Sample, &sound) != AudioResult::Ok)
        return;
    effectSound = sound;
    system->playSound(effectSound, &effectChannel);
}

void SoundManager::readPlaylist()
{
    const QStringList names = QDir(musicDir).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &name : names)
        playlist.append(musicDir + name);
    if (!playlist.isEmpty()) {
        currentTrack = 0;
        playMusic();
    }
}

void SoundManager::playMusic()
{
    // Unplayable files drop out one after another until one plays or none is left.
    while (ready && !playlist.isEmpty()) {
        if (currentTrack < 0 || currentTrack >= playlist.size())
            currentTrack = 0;

        if (!musicChannel.isNull())
            system->stopChannel(musicChannel);
        if (!musicSound.isNull()) {
            system->releaseSound(musicSound);
            musicSound = SoundHandle{};
        }

        SoundHandle sound;
        const AudioResult result = system->createSound(QFile::encodeName(playlist.at(currentTrack)),
                                                       SoundMode::Stream, &sound);
        if (result == AudioResult::Ok) {
            musicSound = sound;
            if (system->playSound(musicSound, &musicChannel) == AudioResult::Ok) {
                ready = true;
                musicStopped = false;
            } else {
                ready = false;
            }
            return;
        }
        if (result != AudioResult::FileBad && result != AudioResult::Format) {
            ready = false;
            return;
        }
        playlist.removeAt(currentTrack);
    }
}

void SoundManager::stopMusic()
{
    if (!musicChannel.isNull())
        system->stopChannel(musicChannel);
    musicStopped = true;
}

void SoundManager::nextTrack()
{
    if (!ready || playlist.isEmpty())
        return;
    ++currentTrack;
    if (currentTrack >= playlist.size())
        currentTrack = 0;
    playMusic();
}

void SoundManager::previousTrack()
{
    if (!ready || playlist.isEmpty())
        return;
    --currentTrack;
    if (currentTrack < 0)
        currentTrack = 0;
    playMusic();
}

void SoundManager::pollMusic()
{
    if (musicChannel.isNull() || musicStopped)
        return;
    if (!system->isPlaying(musicChannel))
        nextTrack();
}
