#include "fakeaudiobackend.h"

#include "audio/soundmanager.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <algorithm>
#include <optional>

#include <cstdio>
#include <unistd.h>

namespace {
QStringList filesOf(const QList<QPair<QString, SoundMode>> &played, std::optional<SoundMode> mode)
{
    QStringList files;
    for (const auto &[path, m] : played)
        if (!mode || m == *mode)
            files << path;
    return files;
}
} // namespace

QStringList FakeAudioBackend::playedFiles() const { return filesOf(played, std::nullopt); }
QStringList FakeAudioBackend::playedEffectFiles() const { return filesOf(played, SoundMode::Sample); }
QStringList FakeAudioBackend::playedMusicFiles() const { return filesOf(played, SoundMode::Stream); }

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

void FakeAudioBackend::finish(SoundMode mode)
{
    for (Channel &c : channels)
        if (sounds.value(c.sound.id).mode == mode)
            c.playing = false;
}

void FakeAudioBackend::finishMusic() { finish(SoundMode::Stream); }
void FakeAudioBackend::finishEffect() { finish(SoundMode::Sample); }

AudioResult FakeAudioBackend::createSound(const QByteArray &path, SoundMode mode, SoundHandle *sound)
{
    const QString file = QString::fromUtf8(path);
    *sound = SoundHandle{};
    // Like the real layer, an empty path names no file.
    const AudioResult result = file.isEmpty() ? AudioResult::FileBad : createSoundResults.value(file, AudioResult::Ok);
    if (result == AudioResult::Ok) {
        sounds.insert(nextSound, Sound{file, mode, true});
        *sound = SoundHandle{nextSound++};
    }
    return result;
}

AudioResult FakeAudioBackend::playSound(SoundHandle sound, ChannelHandle *channel)
{
    const auto it = sounds.constFind(sound.id);
    if (it == sounds.constEnd() || !it->alive) {
        faults << QStringLiteral("played released sound %1").arg(sound.id);
        return AudioResult::Failed;
    }
    if (playResult != AudioResult::Ok)
        return playResult;
    if (!channels.contains(channel->id))
        *channel = ChannelHandle{nextChannel++};
    channels[channel->id] = Channel{sound, true};
    played.append({it->path, it->mode});
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
    auto it = sounds.find(sound.id);
    if (it == sounds.end() || !it->alive) {
        faults << QStringLiteral("released sound %1 twice").arg(sound.id);
        return;
    }
    it->alive = false;
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
    QDir(dir.path()).mkdir(QStringLiteral("sound"));
    QFile catalogue(dir.filePath(QStringLiteral("sound/sounds.xml")));
    if (catalogue.open(QIODevice::WriteOnly))
        catalogue.write("<sounds><sound><name>click</name><file>click.wav</file></sound>"
                        "<sound><name>fits</name><file>fits.wav</file></sound>"
                        "<sound><name>won</name><file>won.wav</file></sound></sounds>");
    catalogue.close();
    const QString here = QDir::currentPath();
    QDir::setCurrent(dir.path());
    fake = new FakeAudioBackend;
    owned = std::make_unique<SoundManager>(std::unique_ptr<AudioBackend>(fake));
    QDir::setCurrent(here);
    previous = soundManager;
    soundManager = owned.get();
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
