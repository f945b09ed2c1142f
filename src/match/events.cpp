#include "match/events.h"

#include <cstdint>

#include "match/game.h"
#include "match/hearing.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/options.h"
#include "shell/sound.h"
#include "world/map.h"

static const int FLAME_LOUD = 255;    // loop volume while the flames start on screen
static const int FLAME_DISTANT = 125; // ... and while they start off screen
static const int FLAME_FADE = 5;      // volume change per tick

// What was heard in a recent tick: for each thing announced, how often this run of the
// tick announced it and how often it was ever started.
const int HEARD_TICKS = 64; // a tick further back than this is never run again
const int HEARD_PER_TICK = 64;
struct cheard {
    uintptr_t id;
    int run, started;
};
struct ctick_heard {
    int tick;
    int n;
    cheard e[HEARD_PER_TICK];
};
static ctick_heard heard[HEARD_TICKS];
static int now_tick = 0;
static int newest = -1;                 // the latest tick begun
static int flame_voices[MAX_PLAYERS] = {-1, -1, -1, -1, -1, -1};
static bool muted = false;

void events_mute(bool on) { muted = on; }

static ctick_heard &slot_of(int tick) {
    ctick_heard &r = heard[(unsigned)tick % HEARD_TICKS];
    if (r.tick != tick) {
        r.tick = tick;
        r.n = 0;
    }
    return r;
}

// True the first time this run of the tick matches a start: the n-th announcement of
// the same thing in a tick starts only if no earlier run of the tick started an n-th.
static bool first_time(uintptr_t id) {
    if (muted) return false;
    ctick_heard &r = slot_of(now_tick);
    for (int i = 0; i < r.n; i++)
        if (r.e[i].id == id) {
            if (++r.e[i].run <= r.e[i].started) return false;
            r.e[i].started = r.e[i].run;
            return true;
        }
    if (r.n < HEARD_PER_TICK) r.e[r.n++] = cheard{id, 1, 1};
    return true;
}

void announce_tick(int tick) {
    now_tick = tick;
    ctick_heard &r = slot_of(tick);
    for (int i = 0; i < r.n; i++) r.e[i].run = 0;
    if (tick > newest && !muted) {
        newest = tick;
        if (game.shake_counter > 0) game.shake_counter--;
    }
}

void announce_sound(SAMPLE *sample, float x, float y) {
    if (!first_time((uintptr_t)sample)) return;
    chearing h = hear_at(x, y, 255, 64);
    sound_play(sample, h.volume, h.pan, 1000, 0);
}

void announce_near_sound(SAMPLE *sample, float x, float y) {
    if (map.in_view(x, y) && first_time((uintptr_t)sample))
        sound_play(sample, 255, hear_at(x, y, 255, 0).pan, 1000, 0);
}

void announce_blast(SAMPLE *sample, float x, float y) {
    if (!first_time((uintptr_t)sample)) return;
    chearing h = hear_at(x, y, 255, 64);
    sound_play(sample, h.volume, h.pan, 1000, 0);
    if (map.in_view(x, y)) game.shake();
}

// Ids that no sample's address can be: small numbers.
static uintptr_t flame_id(int slot) { return 1 + (uintptr_t)slot; }

void announce_flame(int slot, bool fired, float x, float y) {
    if (slot < 0 || slot >= MAX_PLAYERS || !first_time(flame_id(slot))) return;
    int &voice = flame_voices[slot];
    if (fired) {
        chearing h = hear_at(x, y, FLAME_LOUD, FLAME_DISTANT);
        if (voice == -1) {
            voice = sound_play(sflamethrower[0], FLAME_FADE, h.pan, 1000, 1);
            return;
        }
        if (options.stereo) sound_set_pan(voice, h.pan); // the loop follows the flames
        int v = sound_get_volume(voice);
        // Flames starting off screen stay at a murmur; a louder loop is not turned down.
        if (v < h.volume) sound_set_volume(voice, v + FLAME_FADE);
        return;
    }
    if (voice == -1) return;
    int v = sound_get_volume(voice);
    // At or below the starting volume the loop ends; a lost voice must not fade forever.
    if (v <= FLAME_FADE) {
        sound_stop(voice);
        voice = -1;
    } else {
        sound_set_volume(voice, v - FLAME_FADE);
    }
}

void announce_flame_end(int slot) {
    if (slot < 0 || slot >= MAX_PLAYERS) return;
    if (flame_voices[slot] != -1) sound_stop(flame_voices[slot]);
    flame_voices[slot] = -1;
}

void events_reset() {
    for (ctick_heard &r : heard) r.tick = -1, r.n = 0;
    now_tick = 0;
    newest = -1;
    for (int i = 0; i < MAX_PLAYERS; i++) announce_flame_end(i);
}

int flame_voice(int slot) { return slot >= 0 && slot < MAX_PLAYERS ? flame_voices[slot] : -1; }
