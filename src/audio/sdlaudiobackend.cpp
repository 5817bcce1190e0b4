#include "audio/sdlaudiobackend.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <SDL.h>
#include <SDL_mixer.h>

#include "audio/audiobackend.h"

namespace {

class SdlAudioBackend final : public AudioBackend
{
public:
    SdlAudioBackend() = default;
    ~SdlAudioBackend() override { releaseSystem(); }

    AudioResult createSystem() override { return AudioResult::Ok; }
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
        Mix_Chunk *chunk = nullptr; // a sample, or
        Mix_Music *music = nullptr; // a stream
    };
    struct Channel
    {
        SoundHandle sound;
        bool stream = false;
    };

    static int mixerChannel(int channelId) { return channelId - 1; }
    void silence(int channelId, const Channel &channel);

    QHash<int, Sound> sounds;
    QHash<int, Channel> channels;
    int channelLimit = 0;
    int nextSound = 1;
    int musicOwner = 0; // channel id holding the mixer's one music stream, 0 for none
    bool sdlAudio = false;
    bool mixerLoaded = false;
    bool deviceOpen = false;
};

AudioResult SdlAudioBackend::init(int channelCount)
{
    if (deviceOpen || channelCount < 1)
        return AudioResult::Failed;
    // SDL would take SIGTERM and SIGINT for itself and only queue a quit
    // event that nothing here reads; the game handles them (app/startup.h).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return AudioResult::Failed;
    sdlAudio = true;
    // Decoders that are missing here only narrow the formats; WAV is built in.
    Mix_Init(MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_FLAC | MIX_INIT_MOD | MIX_INIT_OPUS
             | MIX_INIT_MID);
    mixerLoaded = true;
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        releaseSystem();
        return AudioResult::Failed;
    }
    deviceOpen = true;
    Mix_AllocateChannels(channelCount);
    channelLimit = channelCount;
    return AudioResult::Ok;
}

AudioResult SdlAudioBackend::createSound(const QByteArray &path, SoundMode mode, SoundHandle *sound)
{
    *sound = SoundHandle{};
    if (!deviceOpen)
        return AudioResult::Failed;
    // Tell "cannot be loaded" from "cannot be decoded" before the mixer sees it.
    const QFileInfo info(QFile::decodeName(path));
    if (path.isEmpty() || path.contains('\0') || info.isDir())
        return AudioResult::FileBad;
    SDL_RWops *probe = SDL_RWFromFile(path.constData(), "rb");
    if (!probe)
        return AudioResult::FileBad;
    SDL_RWclose(probe);

    Sound made;
    if (mode == SoundMode::Sample)
        made.chunk = Mix_LoadWAV(path.constData());
    else
        made.music = Mix_LoadMUS(path.constData());
    if (!made.chunk && !made.music)
        return AudioResult::Format;

    const int id = nextSound++;
    sounds.insert(id, made);
    *sound = SoundHandle{id};
    return AudioResult::Ok;
}

void SdlAudioBackend::silence(int channelId, const Channel &channel)
{
    if (channel.stream) {
        if (musicOwner == channelId) {
            Mix_HaltMusic();
            musicOwner = 0;
        }
    } else {
        Mix_HaltChannel(mixerChannel(channelId));
    }
}

AudioResult SdlAudioBackend::playSound(SoundHandle sound, ChannelHandle *channel)
{
    if (!deviceOpen)
        return AudioResult::Failed;
    const auto found = sounds.constFind(sound.id);
    if (found == sounds.constEnd())
        return AudioResult::Failed;

    int id = channel->id;
    if (!channels.contains(id)) {
        if (channels.size() >= channelLimit)
            return AudioResult::Failed;
        id = channels.size() + 1;
    } else {
        silence(id, channels.value(id));
    }

    if (found->chunk) {
        if (Mix_PlayChannel(mixerChannel(id), found->chunk, 0) < 0)
            return AudioResult::Failed;
    } else {
        if (Mix_PlayMusic(found->music, 0) != 0)
            return AudioResult::Failed;
        musicOwner = id;
    }
    channels.insert(id, Channel{sound, found->music != nullptr});
    *channel = ChannelHandle{id};
    return AudioResult::Ok;
}

AudioResult SdlAudioBackend::stopChannel(ChannelHandle channel)
{
    const auto found = channels.constFind(channel.id);
    if (!deviceOpen || found == channels.constEnd())
        return AudioResult::Failed;
    silence(channel.id, *found);
    return AudioResult::Ok;
}

SoundHandle SdlAudioBackend::currentSound(ChannelHandle channel)
{
    return channels.value(channel.id).sound;
}

bool SdlAudioBackend::isPlaying(ChannelHandle channel)
{
    const auto found = channels.constFind(channel.id);
    if (!deviceOpen || found == channels.constEnd() || found->sound.isNull())
        return false;
    if (found->stream)
        return musicOwner == channel.id && Mix_PlayingMusic() != 0;
    return Mix_Playing(mixerChannel(channel.id)) != 0;
}

void SdlAudioBackend::releaseSound(SoundHandle sound)
{
    const auto found = sounds.constFind(sound.id);
    if (found == sounds.constEnd())
        return;
    // Silence every channel still on this sound before the mixer frees it.
    for (auto it = channels.begin(); it != channels.end(); ++it) {
        if (it->sound == sound) {
            silence(it.key(), *it);
            it->sound = SoundHandle{};
        }
    }
    if (found->chunk)
        Mix_FreeChunk(found->chunk);
    else
        Mix_FreeMusic(found->music);
    sounds.erase(found);
}

void SdlAudioBackend::releaseSystem()
{
    if (deviceOpen) {
        Mix_HaltChannel(-1);
        Mix_HaltMusic();
        for (const Sound &s : std::as_const(sounds)) {
            if (s.chunk)
                Mix_FreeChunk(s.chunk);
            else
                Mix_FreeMusic(s.music);
        }
        Mix_CloseAudio();
        deviceOpen = false;
    }
    sounds.clear();
    channels.clear();
    musicOwner = 0;
    channelLimit = 0;
    if (mixerLoaded) {
        Mix_Quit();
        mixerLoaded = false;
    }
    if (sdlAudio) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlAudio = false;
    }
}

} // namespace

std::unique_ptr<AudioBackend> createSdlAudioBackend()
{
    return std::make_unique<SdlAudioBackend>();
}
