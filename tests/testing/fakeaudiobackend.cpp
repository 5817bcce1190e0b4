#include "fakeaudiobackend.h" // the testing library does not put tests/ on its own include path

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

#include "audio/soundmanager.h"

QStringList FakeAudioBackend::playedFiles() const
{
    QStringList files;
    for (const Played &p : played)
        files << p.path;
    return files;
}

QStringList FakeAudioBackend::playedEffectFiles() const
{
    QStringList files;
    for (const Played &p : played)
        if (p.mode == SoundMode::Sample)
            files << p.path;
    return files;
}

QStringList FakeAudioBackend::playedMusicFiles() const
{
    QStringList files;
    for (const Played &p : played)
        if (p.mode == SoundMode::Stream)
            files << p.path;
    return files;
}

int FakeAudioBackend::liveSounds() const
{
    int live = 0;
    for (const Sound &s : sounds)
        live += s.alive ? 1 : 0;
    return live;
}

void FakeAudioBackend::finish(const QString &name)
{
    for (Channel &c : channels)
        if (c.name == name)
            c.playing = false;
}

void FakeAudioBackend::finishMusic()
{
    finish(QStringLiteral("music"));
}

void FakeAudioBackend::finishEffect()
{
    finish(QStringLiteral("effect"));
}

void FakeAudioBackend::record(const QString &call)
{
    calls << call;
    if (alsoRecordTo)
        *alsoRecordTo << call;
}

void FakeAudioBackend::clearCalls()
{
    calls.clear();
}

QString FakeAudioBackend::channelName(ChannelHandle channel) const
{
    if (channel.isNull())
        return QStringLiteral("null");
    auto it = channels.constFind(channel.id);
    return it == channels.constEnd() ? QStringLiteral("unknown%1").arg(channel.id) : it->name;
}

AudioResult FakeAudioBackend::createSystem()
{
    record(QStringLiteral("createSystem"));
    return createSystemResult;
}

AudioResult FakeAudioBackend::init(int count)
{
    record(QStringLiteral("init %1").arg(count));
    return initResult;
}

AudioResult FakeAudioBackend::createSound(const QByteArray &path, SoundMode mode, SoundHandle *sound)
{
    const QString file = QString::fromLatin1(path);
    record(QStringLiteral("createSound %1 %2").arg(file, mode == SoundMode::Sample ? "sample" : "stream"));
    const AudioResult result = createSoundResults.value(file, createSoundResult);
    if (result != AudioResult::Ok) {
        *sound = SoundHandle{};
        return result;
    }
    const int id = nextSound++;
    sounds.insert(id, Sound{file, mode, true});
    *sound = SoundHandle{id};
    return AudioResult::Ok;
}

AudioResult FakeAudioBackend::playSound(SoundHandle sound, ChannelHandle *channel)
{
    auto it = sounds.find(sound.id);
    if (it == sounds.end() || !it->alive) {
        record(QStringLiteral("play <bad sound %1> on %2").arg(sound.id).arg(channelName(*channel)));
        faults << QStringLiteral("play of a released or unknown sound %1").arg(sound.id);
        return AudioResult::Failed;
    }
    const QString path = it->path;
    const AudioResult result = playResults.value(path, playResult);
    if (result != AudioResult::Ok) {
        record(QStringLiteral("play %1 on %2").arg(path, channelName(*channel)));
        return result;
    }
    if (channel->isNull() || !channels.contains(channel->id)) {
        *channel = ChannelHandle{nextChannel++};
        channels.insert(channel->id, Channel{it->mode == SoundMode::Sample ? "effect" : "music", {}, false});
    }
    Channel &c = channels[channel->id];
    c.sound = sound;
    c.playing = true;
    record(QStringLiteral("play %1 on %2").arg(path, c.name));
    played << Played{path, it->mode};
    return AudioResult::Ok;
}

AudioResult FakeAudioBackend::stopChannel(ChannelHandle channel)
{
    record(QStringLiteral("stop %1").arg(channelName(channel)));
    auto it = channels.find(channel.id);
    if (it == channels.end())
        return AudioResult::Failed;
    it->playing = false;
    return AudioResult::Ok;
}

SoundHandle FakeAudioBackend::currentSound(ChannelHandle channel)
{
    record(QStringLiteral("currentSound %1").arg(channelName(channel)));
    return channels.value(channel.id).sound;
}

bool FakeAudioBackend::isPlaying(ChannelHandle channel)
{
    record(QStringLiteral("isPlaying %1").arg(channelName(channel)));
    return channels.value(channel.id).playing;
}

void FakeAudioBackend::releaseSound(SoundHandle sound)
{
    auto it = sounds.find(sound.id);
    if (it == sounds.end() || !it->alive) {
        record(QStringLiteral("release <bad sound %1>").arg(sound.id));
        faults << QStringLiteral("release of a released or unknown sound %1").arg(sound.id);
        return;
    }
    record(QStringLiteral("release %1").arg(it->path));
    it->alive = false;
    for (Channel &c : channels) {
        if (c.sound == sound) {
            c.sound = SoundHandle{};
            c.playing = false;
        }
    }
}

void FakeAudioBackend::releaseSystem()
{
    record(QStringLiteral("releaseSystem"));
    for (Sound &s : sounds)
        s.alive = false;
    channels.clear();
}

FakeSoundScope::FakeSoundScope()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir(QStringLiteral("sound"));
    QFile catalogue(dir.filePath(QStringLiteral("sound/sounds.xml")));
    if (catalogue.open(QIODevice::WriteOnly)) {
        catalogue.write("<sounds>\n"
                        "  <sound><name>click</name><file>click.wav</file></sound>\n"
                        "  <sound><name>fits</name><file>fits.wav</file></sound>\n"
                        "  <sound><name>won</name><file>won.wav</file></sound>\n"
                        "</sounds>\n");
        catalogue.close();
    }
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
    if (!file->open())
        return;
    saved = dup(STDOUT_FILENO);
    dup2(file->handle(), STDOUT_FILENO);
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
    if (!read.open(QIODevice::ReadOnly))
        return QByteArray("<capture failed>");
    return read.readAll();
}
