#pragma once

// The audio layer the game uses: SDL2_mixer. Samples are Mix_Chunks played on
// mixer channels (channel handle n is mixer channel n-1); streams are
// Mix_Music on the mixer's single music stream, so starting a stream on one
// channel takes the music away from any other channel.
//
// Result mapping for createSound:
//   empty path, missing or unreadable file, a directory    -> FileBad
//   a readable file SDL2_mixer cannot decode (text, empty)  -> Format
//   no open device, or any other trouble                   -> Failed
// Formats: WAV and Ogg Vorbis always, plus whatever Mix_Init offers here
// (MP3, FLAC, MOD, Opus, MIDI).

#include <memory>

class AudioBackend;

std::unique_ptr<AudioBackend> createSdlAudioBackend();
