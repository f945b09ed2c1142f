#include "shell/sound.h"

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
    if (recording) events.push_back({sample, volume, loop});

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
