#pragma once

// The thin audio layer under SoundManager: exactly the operations the sound
// manager needs (a system with a few channels, samples and streams made from
// files, playback on reusable channel handles, stop, queries, release).
// The game uses the SDL2_mixer implementation (sdlaudiobackend.h); tests use
// FakeAudioBackend from the testing library.

#include <QByteArray>

// Results of the layer. The playlist drops a track on FileBad and Format and
// switches the music off on anything else. FileBad and Format keep the numbers
// FMOD Ex gives these two cases.
enum class AudioResult {
    Ok = 0,
    Failed = 1,   // anything else: no system, device trouble, out of memory, bad handle
    FileBad = 19, // the file cannot be loaded: missing, unreadable, a directory, empty path
    Format = 25,  // the file exists but its contents cannot be decoded (text, empty file, ...)
};

// How a sound is made from its file.
enum class SoundMode {
    Sample, // decoded whole into memory, played once (effects)
    Stream, // read from disk while it plays, played once (music)
};

// Opaque handles; id 0 is the null handle. A backend never reuses the id of a
// released sound while the system lives.
struct SoundHandle
{
    int id = 0;
    bool isNull() const { return id == 0; }
    friend bool operator==(SoundHandle, SoundHandle) = default;
};

struct ChannelHandle
{
    int id = 0;
    bool isNull() const { return id == 0; }
    friend bool operator==(ChannelHandle, ChannelHandle) = default;
};

class AudioBackend
{
public:
    virtual ~AudioBackend() = default;

    // Prepares the system; no device is touched yet.
    virtual AudioResult createSystem() = 0;
    // Opens the output device with `channels` playback channels. Failed when
    // no device can be opened. Only called after a successful createSystem.
    virtual AudioResult init(int channels) = 0;

    // Makes a sound from the file at `path` (bytes as the file system sees
    // them). On success *sound holds the new handle; on failure it is null.
    virtual AudioResult createSound(const QByteArray &path, SoundMode mode, SoundHandle *sound) = 0;

    // Plays `sound` from its beginning on *channel, cutting off whatever that
    // channel played. A null *channel gets a fresh channel handle, which stays
    // valid (and reusable) until the system is released.
    virtual AudioResult playSound(SoundHandle sound, ChannelHandle *channel) = 0;
    // Silences the channel; a null or unknown handle is a harmless Failed.
    virtual AudioResult stopChannel(ChannelHandle channel) = 0;
    // The sound last started on the channel, until it is replaced or released
    // (stopping or reaching its end does not clear it). Null when none.
    virtual SoundHandle currentSound(ChannelHandle channel) = 0;
    // Whether the channel still sounds (false once its sound has ended or was stopped).
    virtual bool isPlaying(ChannelHandle channel) = 0;

    // Frees the sound, silencing any channel that still plays it.
    virtual void releaseSound(SoundHandle sound) = 0;
    // Frees every sound and closes the device. Safe after a failed init.
    virtual void releaseSystem() = 0;
};
