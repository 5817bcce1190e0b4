#include "fakeaudiobackend.h"

#include "audio/soundmanager.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <unistd.h>

QStringList FakeAudioBackend::played(SoundMode mode) const
{
    QStringList files;
    for (const Sound &s : history)
        if (s.mode == mode)
            files << s.path;
    return files;
}

QString FakeAudioBackend::sounding(SoundMode mode) const
{
    for (const Channel &c : channels)
        if (c.playing && sounds.value(c.sound.id).mode == mode)
            return sounds.value(c.sound.id).path;
    return QString();
}

int FakeAudioBackend::liveSounds() const
{
    return int(std::count_if(sounds.begin(), sounds.end(), [](const Sound &s) { return s.alive; }));
}

void FakeAudioBackend::finishMusic()
{
    for (Channel &c : channels)
        c.playing &= sounds.value(c.sound.id).mode != SoundMode::Stream;
}

AudioResult FakeAudioBackend::createSound(const QByteArray &path, SoundMode mode, SoundHandle *sound)
{
    const QString file = QString::fromUtf8(path);
    const AudioResult result = file.isEmpty() ? AudioResult::FileBad : createSoundResults.value(file, AudioResult::Ok);
    *sound = SoundHandle{result == AudioResult::Ok ? next : 0};
    if (result == AudioResult::Ok)
        sounds.insert(next++, Sound{file, mode, true});
    return result;
}

AudioResult FakeAudioBackend::playSound(SoundHandle sound, ChannelHandle *channel)
{
    if (!sounds.value(sound.id).alive) {
        faults << QStringLiteral("played released sound %1").arg(sound.id);
        return AudioResult::Failed;
    }
    if (!channels.contains(channel->id))
        *channel = ChannelHandle{next++};
    channels[channel->id] = Channel{sound, true};
    history << sounds.value(sound.id);
    return AudioResult::Ok;
}

AudioResult FakeAudioBackend::stopChannel(ChannelHandle channel)
{
    const bool known = channels.contains(channel.id);
    if (known)
        channels[channel.id].playing = false;
    return known ? AudioResult::Ok : AudioResult::Failed;
}

void FakeAudioBackend::releaseSound(SoundHandle sound)
{
    if (!sounds.value(sound.id).alive) {
        faults << QStringLiteral("released sound %1 twice").arg(sound.id);
        return;
    }
    sounds[sound.id].alive = false;
    for (Channel &c : channels)
        if (c.sound == sound)
            c = Channel{};
}

void FakeAudioBackend::releaseSystem()
{
    for (Sound &s : sounds)
        s.alive = false;
    channels.clear();
}

FakeSoundScope::FakeSoundScope()
{
    QTemporaryDir dir;
    const QString here = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QDir().mkdir(QStringLiteral("sound"));
    QFile catalogue(QStringLiteral("sound/sounds.xml"));
    if (catalogue.open(QIODevice::WriteOnly))
        catalogue.write("<s><sound><name>click</name><file>click.wav</file></sound><sound><name>fits</name>"
                        "<file>fits.wav</file></sound><sound><name>won</name><file>won.wav</file></sound></s>");
    catalogue.close();
    fake = new FakeAudioBackend;
    owned = std::make_unique<SoundManager>(std::unique_ptr<AudioBackend>(fake));
    QDir::setCurrent(here);
    previous = std::exchange(soundManager, owned.get());
}

FakeSoundScope::~FakeSoundScope()
{
    soundManager = previous;
}

QStringList FakeSoundScope::playedEffects() const
{
    QStringList names;
    for (const QString &file : fake->playedEffectFiles())
        names << QFileInfo(file).completeBaseName();
    return names;
}

StdoutCapture::StdoutCapture()
    : file(std::make_unique<QTemporaryFile>())
{
    std::fflush(stdout);
    if (file->open()) {
        saved = dup(STDOUT_FILENO);
        dup2(file->handle(), STDOUT_FILENO);
    }
}

StdoutCapture::~StdoutCapture()
{
    finish();
}

QByteArray StdoutCapture::finish()
{
    if (saved >= 0) {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        saved = -1;
    }
    QFile read(file->fileName());
    return read.open(QIODevice::ReadOnly) ? read.readAll() : QByteArray("<capture failed>");
}
