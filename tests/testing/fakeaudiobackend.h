#pragma once

#include "audio/audiobackend.h"
#include "audio/soundmanager.h"

#include <QHash>
#include <QStringList>
#include <QTemporaryFile>

#include <algorithm>
#include <memory>

// A stand-in audio layer: remembers what was started and what sounds now, fails where told to, and
// notes in `faults` misuse that would crash the real layer (playing or releasing a released sound).
class FakeAudioBackend : public AudioBackend
{
public:
    AudioResult createSystemResult = AudioResult::Ok, initResult = AudioResult::Ok;
    QHash<QString, AudioResult> createSoundResults; // by path; others succeed, but an empty path
    QStringList faults;

    QStringList playedEffectFiles() const { return played[int(SoundMode::Sample)]; }
    QStringList playedMusicFiles() const { return played[int(SoundMode::Stream)]; }
    QString sounding(SoundMode mode) const; // the file audible now on a channel of that kind
    int liveSounds() const
    {
        return int(std::count_if(sounds.begin(), sounds.end(), [](const Sound &s) { return s.alive; }));
    }
    void finishMusic(); // the track reaches its end

    AudioResult createSystem() override { return createSystemResult; }
    AudioResult init(int) override { return initResult; }
    AudioResult createSound(const QByteArray &path, SoundMode mode, SoundHandle *sound) override;
    AudioResult playSound(SoundHandle sound, ChannelHandle *channel) override;
    AudioResult stopChannel(ChannelHandle channel) override;
    SoundHandle currentSound(ChannelHandle channel) override { return channels.value(channel.id).sound; }
    bool isPlaying(ChannelHandle channel) override { return channels.value(channel.id).playing; }
    void releaseSound(SoundHandle sound) override;
    void releaseSystem() override;

private:
    struct Sound
    {
        QString path;
        SoundMode mode = SoundMode::Sample;
        bool alive = false;
    };
    struct Channel
    {
        SoundHandle sound;
        bool playing = false;
    };
    QHash<int, Sound> sounds;
    QHash<int, Channel> channels;
    QStringList played[2]; // every successful start, by mode
    int next = 1;
};

// A manager over a fake as the global `soundManager` for the scope's life: its catalogue maps "click",
// "fits" and "won" to sound/<name>.wav, it has no music, and the current directory stays as it was.
struct FakeSoundScope
{
    FakeSoundScope();
    ~FakeSoundScope() { soundManager = previous; }
    QStringList playedEffects() const; // effect names in order ("fits", "won")

    FakeAudioBackend *fake = nullptr; // owned by the manager
    std::unique_ptr<SoundManager> manager;
    SoundManager *previous = nullptr;
};

// What is printed on standard output between construction and finish().
struct StdoutCapture
{
    StdoutCapture();
    ~StdoutCapture() { finish(); }
    QByteArray finish();

    QTemporaryFile file;
    int saved = -1;
};
