#pragma once

// The one gateway to sound: named effects from "sound/sounds.xml" and the
// background-music playlist of every file in "music/".

#include <QHash>
#include <QList>
#include <QString>

#include <memory>

#include "audio/audiobackend.h"

class SoundManager
{
public:
    // Starts the real audio device (SDL2_mixer).
    SoundManager();
    // Starts over the given layer instead; the manager owns it. Tests pass a fake.
    explicit SoundManager(std::unique_ptr<AudioBackend> backend);
    ~SoundManager();

    SoundManager(const SoundManager &) = delete;
    SoundManager &operator=(const SoundManager &) = delete;

    void playEffect(QString name);
    void readEffects();

    void readPlaylist();
    void playMusic();
    void stopMusic();
    void nextTrack();
    void previousTrack();
    void pollMusic();

private:
    void start();

    std::unique_ptr<AudioBackend> system;
    SoundHandle musicSound;
    SoundHandle effectSound;
    ChannelHandle musicChannel;
    ChannelHandle effectChannel;
    bool ready = false;              // music may play; a failed track start clears it for good
    QList<QString> playlist;         // "music/<file>", sorted by name ignoring case
    QHash<QString, QString> effects; // effect name -> "sound/<file>"
    int currentTrack = -1;
    bool musicStopped = true; // no automatic advance (after stopMusic and after start-up)
    bool created = false;     // createSystem succeeded: the system needs releasing
    bool started = false;     // the device is open: effects may play
};

// The one sound gateway, set by the main window when it loads.
extern SoundManager *soundManager;
