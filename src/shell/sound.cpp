#include "shell/sound.h"

#include <cstring>
#include <string>

#include "shell/files.h"
#include "shell/image.h"

// Real voices are the library's numbers (0-255). Without a driver, or for a sample
// that failed to load, callers get a stand-in voice from FAKE_VOICE_BASE up, so that
// their fading and stopping code runs exactly as with a sound card.
const int MAX_REAL_VOICES = 256;
const int MAX_FAKE_VOICES = 256;
const int FAKE_VOICE_BASE = MAX_REAL_VOICES;

struct cvoice {
    bool used;
    bool loop;
    int volume;
    bool held; // stopped by a pause, to be started again on resume
};

static bool enabled;
static cvoice real_voices[MAX_REAL_VOICES];
static cvoice fake_voices[MAX_FAKE_VOICES];
static int next_fake; // round-robin start of the search for a stand-in voice

static bool paused;
static bool recording;
static std::vector<sound_event> events;

void sound_enable(bool on) { enabled = on; }
bool sound_enabled() { return enabled; }

// The table entry of a voice number we handed out, or null for any other number.
static cvoice *find_voice(int voice) {
    if (voice >= 0 && voice < MAX_REAL_VOICES) return &real_voices[voice];
    if (voice >= FAKE_VOICE_BASE && voice < FAKE_VOICE_BASE + MAX_FAKE_VOICES)
        return &fake_voices[voice - FAKE_VOICE_BASE];
    return nullptr;
}

// A one-shot stand-in is taken to have finished by the time its slot comes round
// again; a looping one is held until it is stopped.
static int fake_voice() {
    for (int n = 0; n < MAX_FAKE_VOICES; n++) {
        int i = (next_fake + n) % MAX_FAKE_VOICES;
        if (!fake_voices[i].used || !fake_voices[i].loop) {
            next_fake = (i + 1) % MAX_FAKE_VOICES;
            return i;
        }
    }
    return -1;
}

int sound_play(SAMPLE *sample, int volume, int pan, int freq, int loop) {
    if (recording) events.push_back({sample, volume, loop, pan});

    if (enabled && sample) {
        int voice = play_sample(sample, volume, pan, freq, loop);
        if (voice < 0 || voice >= MAX_REAL_VOICES) return -1; // no voice free
        real_voices[voice] = {true, loop != 0, volume, false};
        return voice;
    }
    int i = fake_voice();
    if (i < 0) return -1;
    fake_voices[i] = {true, loop != 0, volume, false};
    return FAKE_VOICE_BASE + i;
}

int sound_get_volume(int voice) {
    cvoice *v = find_voice(voice);
    if (!v || !v->used) return -1;
    return v->volume;
}

void sound_set_volume(int voice, int volume) {
    cvoice *v = find_voice(voice);
    if (!v || !v->used) return;
    v->volume = volume;
    if (voice < MAX_REAL_VOICES) voice_set_volume(voice, volume);
}

void sound_set_pan(int voice, int pan) {
    cvoice *v = find_voice(voice);
    if (v && v->used && voice < MAX_REAL_VOICES) voice_set_pan(voice, pan);
}

void sound_stop(int voice) {
    cvoice *v = find_voice(voice);
    if (!v || !v->used) return;
    v->used = false;
    if (voice < MAX_REAL_VOICES) voice_stop(voice);
}

void sound_pause(bool on) {
    if (on == paused) return;
    paused = on;
    if (!enabled) return;
    for (int v = 0; v < MAX_REAL_VOICES; v++) {
        cvoice &c = real_voices[v];
        if (on) {
            // Only voices still sounding: a finished one-shot may already be reused.
            c.held = c.used && voice_check(v) && voice_get_position(v) >= 0;
            if (c.held) voice_stop(v);
        } else if (c.held) {
            // Nothing plays while paused, so the stopped voice is still ours.
            c.held = false;
            voice_start(v);
        }
    }
}

bool sound_paused() { return paused; }

void sound_record(bool on) { recording = on; }
const std::vector<sound_event> &sound_log() { return events; }
void sound_log_clear() { events.clear(); }

// ---- checked loading ----

const size_t WAV_MAX_BYTES = 16u << 20;   // far more than any sound of the game
const uint32_t WAV_MAX_FORMAT_BYTES = 64; // PCM needs 16; extensions take a few more
const long WAV_MAX_FREQUENCY = 192000;

static uint32_t le(const unsigned char *p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; i--)
        v = v << 8 | p[i];
    return v;
}

std::string wav_problem(const unsigned char *p, size_t n) {
    if (n < 12 || memcmp(p, "RIFF", 4) != 0 || memcmp(p + 8, "WAVE", 4) != 0)
        return "not a WAV file";
    bool format = false;
    for (size_t at = 12;;) {
        if (at + 8 > n) return "no sound data (no data chunk)";
        uint32_t len = le(p + at + 4, 4);
        const unsigned char *body = p + at + 8;
        size_t left = n - at - 8;
        if (memcmp(p + at, "fmt ", 4) == 0) {
            if (len < 16 || len > WAV_MAX_FORMAT_BYTES)
                return "a format chunk of " + std::to_string(len) + " bytes (PCM has 16)";
            if (len > left) return "truncated format chunk";
            long channels = le(body + 2, 2), freq = le(body + 4, 4), bits = le(body + 14, 2);
            if (le(body, 2) != 1) return "not plain PCM";
            if (channels < 1 || channels > 2) return std::to_string(channels) + " channels";
            if (bits != 8 && bits != 16) return std::to_string(bits) + " bits a sample";
            if (freq < 1 || freq > WAV_MAX_FREQUENCY)
                return "frequency " + std::to_string(freq) + " Hz";
            format = true;
        } else if (memcmp(p + at, "data", 4) == 0) {
            if (!format) return "the data chunk comes before the format chunk";
            if (len > left)
                return "truncated: the data chunk promises " + std::to_string(len) + " bytes, " +
                       std::to_string(left) + " are there";
            return "";
        } else if (len > left) {
            return "truncated chunk";
        }
        at += 8 + (size_t)len + (len & 1);
    }
}

SAMPLE *load_checked_wav(const char *path, std::string &why) {
    std::string bytes;
    if (!read_regular_file(path, WAV_MAX_BYTES, bytes, why)) return nullptr;
    why = wav_problem((const unsigned char *)bytes.data(), bytes.size());
    if (!why.empty()) return nullptr;
    PACKFILE *f = open_memory_packfile(bytes);
    SAMPLE *s = f ? load_wav_pf(f) : nullptr;
    if (f) pack_fclose(f);
    if (!s) why = "cannot be loaded";
    return s;
}
