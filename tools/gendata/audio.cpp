#include "audio.h"

#include <QtEndian>
#include <cmath>
#include <vorbis/vorbisenc.h>

namespace {

constexpr int rate = 44100;
constexpr float twoPi = 6.2831853f;

float midiHz(float note)
{
    return 440.0f * std::pow(2.0f, (note - 69.0f) / 12.0f);
}

QByteArray wav(const std::vector<float> &mono)
{
    QByteArray out(44, '\0');
    auto put32 = [&](int at, quint32 v) { qToLittleEndian<quint32>(v, out.data() + at); };
    auto put16 = [&](int at, quint16 v) { qToLittleEndian<quint16>(v, out.data() + at); };
    const quint32 bytes = quint32(mono.size() * 2);
    std::memcpy(out.data(), "RIFF", 4);
    put32(4, 36 + bytes);
    std::memcpy(out.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1); // PCM
    put16(22, 1); // mono
    put32(24, rate);
    put32(28, rate * 2);
    put16(32, 2);
    put16(34, 16);
    std::memcpy(out.data() + 36, "data", 4);
    put32(40, bytes);
    out.resize(44 + int(bytes));
    for (size_t i = 0; i < mono.size(); ++i)
        qToLittleEndian<qint16>(qint16(std::lround(std::clamp(mono[i], -1.0f, 1.0f) * 32000.0f)),
                                out.data() + 44 + 2 * i);
    return out;
}

// A struck bell: a few inharmonic partials with their own decays.
float bell(float hz, float t, float decay)
{
    if (t < 0)
        return 0;
    const float attack = std::min(1.0f, t / 0.004f);
    return attack
           * (std::sin(twoPi * hz * t) * std::exp(-t / decay)
              + 0.45f * std::sin(twoPi * hz * 2.76f * t) * std::exp(-t / (decay * 0.45f))
              + 0.25f * std::sin(twoPi * hz * 5.4f * t) * std::exp(-t / (decay * 0.2f)));
}

struct Rng
{
    unsigned state;
    unsigned next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    float uniform() { return float(next() & 0xFFFF) / 65535.0f; }
    int pick(int n) { return int(next() % unsigned(n)); }
};

// --- Music -----------------------------------------------------------------

struct Style
{
    QString file;
    QString title;
    float bpm;
    int root;                             // MIDI note of the key's tonic
    std::vector<int> scale;               // semitones above the root
    std::vector<std::vector<int>> chords; // per bar: chord tones in semitones above the root
    int bars;
    unsigned seed;
    float pad;       // level of the sustained chord
    float arpeggio;  // level of the plucked arpeggio
    int melodyVoice; // 0 bell, 1 marimba, 2 soft flute
};

struct Stereo
{
    std::vector<float> left, right;
    explicit Stereo(size_t n)
        : left(n, 0.0f)
        , right(n, 0.0f)
    {
    }
    void add(size_t i, float v, float pan)
    {
        if (i >= left.size())
            return;
        left[i] += v * (1 - pan) * 1.2f;
        right[i] += v * pan * 1.2f;
    }
};

void padChord(Stereo &out, const std::vector<int> &notes, int root, size_t start, size_t length,
              float level)
{
    for (size_t k = 0; k < notes.size(); ++k) {
        const float hz = midiHz(float(root + notes[k]));
        for (int voice = 0; voice < 2; ++voice) {
            const float detune = voice ? 1.003f : 0.997f;
            float lowpass = 0;
            for (size_t i = 0; i < length + rate / 2; ++i) {
                const float t = float(i) / rate;
                const float env =
                    std::min(1.0f, t / 0.6f)
                    * (i < length ? 1.0f : std::exp(-(t - float(length) / rate) / 0.15f));
                const float phase = std::fmod(hz * detune * t, 1.0f);
                const float saw = 2 * phase - 1;
                lowpass += (saw - lowpass) * 0.06f;
                out.add(start + i, lowpass * env * level / float(notes.size()),
                        voice ? 0.75f : 0.25f);
            }
        }
    }
}

void pluck(Stereo &out, float hz, size_t start, float level, float pan, float decay)
{
    const size_t n = size_t(decay * 5 * rate);
    for (size_t i = 0; i < n; ++i) {
        const float t = float(i) / rate;
        const float tri = 2 * std::abs(2 * std::fmod(hz * t, 1.0f) - 1) - 1;
        out.add(start + i, tri * std::exp(-t / decay) * std::min(1.0f, t / 0.003f) * level, pan);
    }
}

void melodyNote(Stereo &out, int voice, float hz, size_t start, float seconds, float level)
{
    const size_t n = size_t((seconds + 1.2f) * rate);
    for (size_t i = 0; i < n; ++i) {
        const float t = float(i) / rate;
        float v;
        if (voice == 0) {
            v = 0.6f * bell(hz, t, 0.9f);
        } else if (voice == 1) {
            v = (std::sin(twoPi * hz * t)
                 + 0.3f * std::sin(twoPi * hz * 4 * t) * std::exp(-t / 0.05f))
                * std::exp(-t / 0.35f) * std::min(1.0f, t / 0.002f);
        } else {
            const float env =
                std::min(1.0f, t / 0.08f) * (t < seconds ? 1.0f : std::exp(-(t - seconds) / 0.12f));
            const float vibrato =
                1.0f + 0.004f * std::sin(twoPi * 5.0f * t) * std::min(1.0f, t / 0.4f);
            v = (std::sin(twoPi * hz * vibrato * t) + 0.2f * std::sin(twoPi * 2 * hz * vibrato * t))
                * env * 0.7f;
        }
        out.add(start + i, v * level, 0.6f);
    }
}

Stereo compose(const Style &style)
{
    const float beat = 60.0f / style.bpm;
    const size_t barSamples = size_t(4 * beat * rate);
    const size_t total = barSamples * style.bars + size_t(2.0f * rate);
    Stereo out(total);
    Rng rng{style.seed};
    int previous = 7;
    for (int bar = 0; bar < style.bars; ++bar) {
        const std::vector<int> &chord = style.chords[bar % style.chords.size()];
        const size_t barStart = bar * barSamples;
        padChord(out, chord, style.root, barStart, barSamples, style.pad);
        // Bass on the chord's root, two octaves down, on beats 1 and 3.
        for (int b : {0, 2})
            pluck(out, midiHz(float(style.root + chord[0] - 24)),
                  barStart + size_t(b * beat * rate), 0.32f, 0.5f, 0.45f);
        if (style.arpeggio > 0)
            for (int step = 0; step < 8; ++step) {
                const int note = chord[step % chord.size()] + (step >= 4 ? 12 : 0);
                pluck(out, midiHz(float(style.root + note)),
                      barStart + size_t(step * beat * 0.5f * rate), style.arpeggio, 0.3f, 0.22f);
            }
        // Melody: chord tones on the strong beats, scale steps between;
        // the last bar comes home to the tonic so the loop closes.
        const bool last = bar == style.bars - 1;
        const bool rest = bar % 8 == 7 && !last;
        float at = 0;
        while (at < 4 && !rest) {
            const float length = last ? 4.0f
                                      : (rng.uniform() < 0.35f  ? 1.0f
                                         : rng.uniform() < 0.5f ? 0.5f
                                                                : 1.5f);
            int degree;
            if (last) {
                degree = 7;
            } else if (at == 0 || at == 2) {
                const int tone = chord[rng.pick(int(chord.size()))];
                degree = 0;
                for (size_t s = 0; s < style.scale.size(); ++s)
                    if (style.scale[s] == tone % 12)
                        degree = int(s);
                degree += 7;
            } else {
                degree = previous + rng.pick(5) - 2;
            }
            degree = std::clamp(degree, 4, 13);
            previous = degree;
            const int semis = style.scale[degree % 7] + 12 * (degree / 7);
            melodyNote(out, style.melodyVoice, midiHz(float(style.root + 12 + semis - 12)),
                       barStart + size_t(at * beat * rate), std::min(length, 4 - at) * beat, 0.22f);
            at += length;
        }
    }
    // Echo on everything, then fade the tail so the loop restarts cleanly.
    const size_t delay = size_t(beat * 0.75f * rate);
    for (size_t i = delay; i < total; ++i) {
        out.left[i] += out.right[i - delay] * 0.22f;
        out.right[i] += out.left[i - delay] * 0.22f;
    }
    float peak = 1e-6f;
    for (size_t i = 0; i < total; ++i)
        peak = std::max({peak, std::abs(out.left[i]), std::abs(out.right[i])});
    for (size_t i = 0; i < total; ++i) {
        const float t = float(i) / rate, end = float(total) / rate;
        const float fade = std::min({1.0f, t / 0.05f, (end - t) / 1.8f});
        out.left[i] = out.left[i] / peak * 0.8f * fade;
        out.right[i] = out.right[i] / peak * 0.8f * fade;
    }
    return out;
}

QByteArray encodeOgg(const Stereo &pcm, int serial, const QString &title)
{
    QByteArray out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    vorbis_encode_init_vbr(&vi, 2, rate, 0.25f);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", title.toUtf8().constData());
    vorbis_comment_add_tag(&vc, "ARTIST", "Torvane");
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page page;
    auto writePage = [&] {
        out.append(reinterpret_cast<const char *>(page.header), int(page.header_len));
        out.append(reinterpret_cast<const char *>(page.body), int(page.body_len));
    };
    while (ogg_stream_flush(&os, &page))
        writePage();
    auto drain = [&] {
        ogg_packet packet;
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page))
                    writePage();
            }
        }
    };
    const size_t chunk = 4096;
    for (size_t at = 0; at < pcm.left.size(); at += chunk) {
        const size_t n = std::min(chunk, pcm.left.size() - at);
        float **buffer = vorbis_analysis_buffer(&vd, int(n));
        std::memcpy(buffer[0], pcm.left.data() + at, n * sizeof(float));
        std::memcpy(buffer[1], pcm.right.data() + at, n * sizeof(float));
        vorbis_analysis_wrote(&vd, int(n));
        drain();
    }
    vorbis_analysis_wrote(&vd, 0);
    drain();
    while (ogg_stream_flush(&os, &page))
        writePage();
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

} // namespace

QByteArray clickWav()
{
    std::vector<float> s(size_t(0.05f * rate));
    Rng rng{99};
    float low = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = float(i) / rate;
        low += (rng.uniform() * 2 - 1 - low) * 0.35f;
        s[i] = (0.55f * std::sin(twoPi * 1850.0f * t) * std::exp(-t / 0.006f)
                + 0.35f * low * std::exp(-t / 0.003f))
               * std::min(1.0f, t / 0.0005f);
    }
    return wav(s);
}

QByteArray fitsWav()
{
    std::vector<float> s(size_t(0.9f * rate));
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = float(i) / rate;
        s[i] = 0.38f * (bell(midiHz(79), t, 0.35f) + bell(midiHz(86), t - 0.085f, 0.45f));
    }
    return wav(s);
}

QByteArray wonWav()
{
    std::vector<float> s(size_t(2.6f * rate));
    const int notes[] = {72, 76, 79, 84};
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = float(i) / rate;
        float v = 0;
        for (int k = 0; k < 4; ++k)
            v += bell(midiHz(float(notes[k])), t - 0.13f * k, k == 3 ? 1.1f : 0.5f);
        // A warm chord under the last note.
        const float chordT = t - 0.39f;
        if (chordT > 0)
            for (int k = 0; k < 3; ++k)
                v += 0.18f * std::sin(twoPi * midiHz(float(notes[k] - 12)) * chordT)
                     * std::min(1.0f, chordT / 0.1f) * std::exp(-chordT / 0.9f);
        s[i] = 0.28f * v * std::min(1.0f, (2.6f - t) / 0.3f);
    }
    return wav(s);
}

std::vector<MusicTrack> composeMusic()
{
    const std::vector<int> major = {0, 2, 4, 5, 7, 9, 11};
    const std::vector<int> minor = {0, 2, 3, 5, 7, 8, 10};
    const std::vector<int> dorian = {0, 2, 3, 5, 7, 9, 10};
    const std::vector<Style> styles = {
        {"01-quiet-ward.ogg",
         "Quiet ward",
         76,
         60,
         major,
         {{0, 4, 7}, {9, 12, 16}, {5, 9, 12}, {7, 11, 14}},
         16,
         11,
         0.5f,
         0.0f,
         0},
        {"02-circulation.ogg",
         "Circulation",
         100,
         57,
         minor,
         {{0, 3, 7}, {8, 12, 15}, {3, 7, 10}, {10, 14, 17}},
         20,
         23,
         0.3f,
         0.16f,
         1},
        {"03-night-lecture.ogg",
         "Night lecture",
         84,
         62,
         dorian,
         {{0, 3, 7, 10},
          {5, 9, 12, 15},
          {-2, 2, 5, 9},
          {0, 3, 7, 10},
          {-4, 0, 3, 7},
          {5, 9, 12, 14}},
         18,
         37,
         0.42f,
         0.08f,
         2},
    };
    std::vector<MusicTrack> tracks;
    int serial = 0x70525600;
    for (const Style &style : styles)
        tracks.push_back({style.file, encodeOgg(compose(style), serial++, style.title)});
    return tracks;
}
