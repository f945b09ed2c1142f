#ifndef KRAG_TOOLS_SOUND_H
#define KRAG_TOOLS_SOUND_H

#include <vector>

// krag-sound turns the recipes in assets/sound/*.snd into the game's samples.
// A recipe is a stack of layers (voices) mixed into one mono buffer; each layer is
// an oscillator or noise source run through envelope, pitch sweep, filters,
// distortion and echo, optionally repeated for bursts.

const int SOUND_RATE = 22050; // samples per second of every file we write
const int MAX_LAYERS = 16;
const int MAX_NAME = 64;

enum {
    WAVE_SINE,
    WAVE_SQUARE,
    WAVE_SAW,
    WAVE_TRIANGLE,
    WAVE_NOISE, // white noise; with a freq, sample-and-hold noise at that rate
    WAVE_DUST   // random impulses, `density` per second
};

// A value that moves from `from` to `to` over `time` seconds and then stays.
struct csweep {
    float from, to;
    float time;  // seconds; <= 0 means the whole length of the layer
    bool linear; // else exponential (both ends must be above 0)
    bool set;

    void constant(float v);
    float at(float t, float len) const;
};

class clayer {
  public:
    int wave;
    float at, len;     // seconds from the start of the sound
    float gain;
    csweep freq;       // Hz; for noise the sample-and-hold rate (unset = white)
    float duty;        // square only, 0..1
    float density;     // dust impulses per second
    float attack;      // seconds of linear rise
    float decay;       // exponential time constant in seconds (0 = no decay)
    float sustain;     // level the decay falls to
    float release;     // seconds of linear fall at the end of `len`
    csweep lowpass, highpass, bandpass; // cut-offs in Hz (one-pole, one-pole, SVF)
    float q;           // band-pass quality
    float drive;       // tanh distortion amount, 0 = clean
    float vibrato_rate, vibrato_depth; // Hz, semitones
    float tremolo_rate, tremolo_depth; // Hz, 0..1
    int repeat;        // how many times the voice sounds
    float interval;    // seconds between repeats
    float repeat_gain; // gain factor from one repeat to the next
    float jitter;      // random extra delay per repeat, seconds
    float echo_delay, echo_feedback, echo_damp; // seconds, 0..1, Hz
    unsigned seed;

    void defaults(int wave_kind, unsigned sound_seed, int index);
};

class crecipe {
  public:
    char name[MAX_NAME];
    float length;    // seconds; 0 = until the last layer ends
    float peak_db;   // peak level after normalising, dBFS; with `level`, the ceiling
    float level_db;  // loudest 20 ms (short-term peak) after levelling, dBFS
    bool level_set;  // the recipe states a level
    float fade_in, fade_out; // seconds
    float loop;      // crossfade in seconds when the sample loops, 0 for one-shots
    bool slowmo;     // also write name_sm.wav, slowed to a third
    unsigned seed;
    int num_layers;
    clayer layers[MAX_LAYERS];

    // Reads a recipe file; prints "file:line: message" and returns false on errors.
    bool load(const char *path, const char *sound_name);
};

// Mixes every layer; the result is normalised to the recipe's peak.
void synth_render(const crecipe &recipe, std::vector<float> &out);

// Slows a sound to a third of its speed with cubic interpolation (3x as long).
void synth_slow_third(const std::vector<float> &in, std::vector<float> &out);

// Scales so the largest magnitude is `peak_db` dBFS.
void synth_normalise(std::vector<float> &buf, float peak_db);

// The short-term peak: the RMS of the loudest SHORT_TERM_SECONDS window, dBFS.
const float SHORT_TERM_SECONDS = 0.02f;
float synth_short_term_db(const std::vector<float> &buf);

// Cuts a one-shot's tail where it has fallen TAIL_DB below its peak for good (the RMS
// of every later 50 ms), then fades the last `fade` seconds so the cut does not click.
const float TAIL_DB = -50.0f;
void synth_trim_tail(std::vector<float> &buf, float fade);

// Scales so that the short-term peak is `level_db`; false (buffer unchanged) when the
// samples would then pass `ceiling_db`.
bool synth_level(std::vector<float> &buf, float level_db, float ceiling_db);

// 16-bit signed PCM mono RIFF WAVE; returns false if the file cannot be written.
bool wav_write(const char *path, const std::vector<float> &buf, int rate);

#endif
