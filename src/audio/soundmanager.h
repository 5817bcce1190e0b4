#pragma once

// Public contract of the sound manager; the sound subsystem fills in the
// private side (audio backend, handles) and the implementation.

#include <QHash>
#include <QList>
#include <QString>

class SoundManager
{
public:
    // Starts the real audio device (SDL2_mixer).
    SoundManager();
    ~SoundManager();

    void playEffect(QString name);
    void readEffects();

    void readPlaylist();
    void playMusic();
    void stopMusic();
    void nextTrack();
    void previousTrack();
    void pollMusic();
};

// The one sound gateway, set by the main window when it loads.
extern SoundManager *soundManager;
