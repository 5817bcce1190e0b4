#include "fakeaudiobackend.h"

#include "gamedata.h"

#include <QRegularExpression>

#include <unistd.h>

QString FakeAudioBackend::sounding(SoundMode mode) const
{
    for (const Channel &c : channels)
        if (c.playing && sounds.value(c.sound.id).mode == mode)
            return sounds.value(c.sound.id).path;
    return QString();
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
    played[int(sounds.value(sound.id).mode)] << sounds.value(sound.id).path;
    return AudioResult::Ok;
}

AudioResult FakeAudioBackend::stopChannel(ChannelHandle channel)
{
    if (!channels.contains(channel.id))
        return AudioResult::Failed;
    channels[channel.id].playing = false;
    return AudioResult::Ok;
}

void FakeAudioBackend::releaseSound(SoundHandle sound)
{
    if (!sounds.value(sound.id).alive)
        faults << QStringLiteral("released sound %1 twice").arg(sound.id);
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
    GameData data; // the manager reads its catalogue while it starts
    data.write(QStringLiteral("sound/sounds.xml"), "<s><sound><name>click</name><file>click.wav</file></sound>"
                                                   "<sound><name>fits</name><file>fits.wav</file></sound>"
                                                   "<sound><name>won</name><file>won.wav</file></sound></s>");
    fake = new FakeAudioBackend;
    manager = std::make_unique<SoundManager>(std::unique_ptr<AudioBackend>(fake));
    previous = std::exchange(soundManager, manager.get());
}

QStringList FakeSoundScope::playedEffects() const
{
    return fake->playedEffectFiles().replaceInStrings(QRegularExpression(QStringLiteral("^sound/|\\.wav$")), QString());
}

StdoutCapture::StdoutCapture()
{
    std::fflush(stdout);
    if (file.open()) {
        saved = dup(STDOUT_FILENO);
        dup2(file.handle(), STDOUT_FILENO);
    }
}

QByteArray StdoutCapture::finish()
{
    if (saved >= 0) {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
        saved = -1;
    }
    return file.seek(0) ? file.readAll() : QByteArray("<capture failed>");
}
