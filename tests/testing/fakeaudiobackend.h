#pragma once

// A stand-in audio layer that plays nothing, records every call and can be
// told to fail at any step. Use it directly with
//     auto fake = new FakeAudioBackend;   // the manager takes ownership
//     SoundManager manager{std::unique_ptr<AudioBackend>(fake)};
// or, where code under test reaches sound through the global `soundManager`,
// install one for a test's duration:
//     FakeSoundScope sound;               // catalogue: click, fits, won
//     ... engine.tryFit(...) ...
//     QCOMPARE(sound.playedEffects(), QStringList({"fits", "won"}));
//
// Recorded calls (FakeAudioBackend::calls), channels named by the first kind
// of sound played on them ("effect" for samples, "music" for streams, "null"
// for the null handle):
//     "createSystem"            "init 2"
//     "createSound sound/fits.wav sample"   "createSound music/a.ogg stream"
//     "play sound/fits.wav on effect"       "stop music"
//     "currentSound effect"     "isPlaying music"
//     "release sound/fits.wav"  "releaseSystem"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

#include "audio/audiobackend.h"

class QTemporaryFile;
class SoundManager;

class FakeAudioBackend : public AudioBackend
{
public:
    // --- what the fake answers (defaults: everything succeeds) ---
    AudioResult createSystemResult = AudioResult::Ok;
    AudioResult initResult = AudioResult::Ok;
    AudioResult createSoundResult = AudioResult::Ok;           // for paths not listed below
    QHash<QString, AudioResult> createSoundResults;            // path -> result
    AudioResult playResult = AudioResult::Ok;                  // for paths not listed below
    QHash<QString, AudioResult> playResults;                   // path -> result

    // --- what happened ---
    QStringList calls;
    // Also receives every call, for checks after the manager (and this fake) is gone.
    QStringList *alsoRecordTo = nullptr;
    // Misuse noticed: a released or unknown sound played or released again
    // (a use-after-free with the real layer). Tests expect it empty.
    QStringList faults;

    // Files of the sounds successfully started, in order.
    QStringList playedFiles() const;
    QStringList playedEffectFiles() const; // samples only
    QStringList playedMusicFiles() const;  // streams only
    // Sounds created and not yet released.
    int liveSounds() const;
    // Channel handles handed out so far.
    int channelCount() const { return int(channels.size()); }
    // The track on the music channel has reached its end (isPlaying turns false).
    void finishMusic();
    void finishEffect();
    void clearCalls();

    AudioResult createSystem() override;
    AudioResult init(int channels) override;
    AudioResult createSound(const QByteArray &path, SoundMode mode, SoundHandle *sound) override;
    AudioResult playSound(SoundHandle sound, ChannelHandle *channel) override;
    AudioResult stopChannel(ChannelHandle channel) override;
    SoundHandle currentSound(ChannelHandle channel) override;
    bool isPlaying(ChannelHandle channel) override;
    void releaseSound(SoundHandle sound) override;
    void releaseSystem() override;

private:
    struct Sound
    {
        QString path;
        SoundMode mode = SoundMode::Sample;
        bool alive = true;
    };
    struct Channel
    {
        QString name;
        SoundHandle sound;
        bool playing = false;
    };
    struct Played
    {
        QString path;
        SoundMode mode;
    };

    QString channelName(ChannelHandle channel) const;
    void record(const QString &call);
    void finish(const QString &name);

    QHash<int, Sound> sounds;
    QHash<int, Channel> channels;
    QList<Played> played;
    int nextSound = 1;
    int nextChannel = 1;
};

// Installs a SoundManager over a FakeAudioBackend as the global `soundManager`
// for the scope's lifetime and restores the previous value afterwards. The
// manager is built in a private directory holding a catalogue that maps
// "click", "fits" and "won" to "sound/<name>.wav", and no music; the current
// directory is left as it was.
class FakeSoundScope
{
public:
    FakeSoundScope();
    ~FakeSoundScope();

    FakeSoundScope(const FakeSoundScope &) = delete;
    FakeSoundScope &operator=(const FakeSoundScope &) = delete;

    // Owned by the manager; valid for the scope's lifetime.
    FakeAudioBackend &backend() { return *fake; }
    SoundManager &manager() { return *owned; }
    // Effect names played, in order ("sound/fits.wav" -> "fits").
    QStringList playedEffects() const;

private:
    FakeAudioBackend *fake = nullptr;
    std::unique_ptr<SoundManager> owned;
    SoundManager *previous = nullptr;
};

// Collects what is printed on standard output (the manager's one message)
// between construction and finish().
class StdoutCapture
{
public:
    StdoutCapture();
    ~StdoutCapture();

    StdoutCapture(const StdoutCapture &) = delete;
    StdoutCapture &operator=(const StdoutCapture &) = delete;

    QByteArray finish();

private:
    std::unique_ptr<QTemporaryFile> file;
    int saved = -1;
};
