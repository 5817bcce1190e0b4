#pragma once

// The sound effects (16-bit PCM WAV, 44100 Hz) and the background music
// (Ogg Vorbis), synthesised from scratch. Same bytes on every run: fixed
// seeds and fixed Ogg stream serial numbers.

#include <QByteArray>
#include <QString>
#include <vector>

QByteArray clickWav();
QByteArray fitsWav();
QByteArray wonWav();

struct MusicTrack
{
    QString file; // under music/
    QByteArray ogg;
};

std::vector<MusicTrack> composeMusic();
