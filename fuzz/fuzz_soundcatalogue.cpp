// The sound catalogue: the manager only reads "sound/sounds.xml" from the
// working directory, so each input is written there and a manager is started
// over a silent layer that checks what the catalogue made of it.
#include "audio/audiobackend.h"
#include "audio/soundmanager.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Every effect path the catalogue yields lies under "sound/" (or is empty for
// an unknown name); nothing is ever played for real.
class SilentBackend : public AudioBackend
{
public:
    AudioResult createSystem() override { return AudioResult::Ok; }
    AudioResult init(int channels) override
    {
        check(channels == 2);
        return AudioResult::Ok;
    }
    AudioResult createSound(const QByteArray &path, SoundMode mode, SoundHandle *sound) override
    {
        check(mode == SoundMode::Sample); // no music directory, so no streams
        check(path.isEmpty() || (path.startsWith("sound/") && path.size() > 6));
        sound->id = ++lastSound;
        return AudioResult::Ok;
    }
    AudioResult playSound(SoundHandle sound, ChannelHandle *channel) override
    {
        check(sound.id == lastSound);
        channel->id = 1;
        return AudioResult::Ok;
    }
    AudioResult stopChannel(ChannelHandle) override { return AudioResult::Ok; }
    SoundHandle currentSound(ChannelHandle) override { return SoundHandle{lastSound}; }
    bool isPlaying(ChannelHandle) override { return false; }
    void releaseSound(SoundHandle sound) override { check(sound.id == lastSound); }
    void releaseSystem() override { }

private:
    int lastSound = 0;
};

QTemporaryDir *workDir = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    workDir = new QTemporaryDir;
    check(workDir->isValid());
    check(QDir::setCurrent(workDir->path()));
    check(QDir().mkpath(QStringLiteral("sound")));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        QFile file(QStringLiteral("sound/sounds.xml"));
        check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size));
    }
    SoundManager manager(std::make_unique<SilentBackend>());
    for (const char *name : {"click", "fits", "won", ""})
        manager.playEffect(QString::fromLatin1(name));
    return 0;
}
