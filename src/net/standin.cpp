#include "net/standin.h"

#include <cstdlib>

uint64_t cstandin::hash() const {
    uint64_t h = 1469598103934665603ULL ^ live.rng ^ (uint64_t)live.ticks << 32;
    for (int s = 0; s < NET_MAX_PLAYERS; s++)
        h = (h ^ (uint32_t)live.pos[s] ^ (uint64_t)live.hits[s] << 40) * 1099511628211ULL;
    return h;
}

void cstandin::tick(const cnet_input *in, const bool *human) {
    cstandin_state &w = live;
    for (int s = 0; s < NET_MAX_PLAYERS; s++) {
        w.rng = w.rng * 1103515245u + 12345u;
        if (human[s]) {
            int dx = (int)(in[s].actions & 1) - (int)(in[s].actions >> 1 & 1);
            w.pos[s] += dx * 3 + (in[s].aim_x - w.pos[s]) / 64;
        } else {
            w.pos[s] += (int)(w.rng >> 16) % 7 - 3;
        }
        bool fires = human[s] ? in[s].buttons & 1 : (w.rng >> 8) % 5 == 0;
        for (int t = 0; fires && t < NET_MAX_PLAYERS; t++)
            if (t != s && std::abs(w.pos[t] - w.pos[s]) < 6) w.hits[s]++;
    }
    w.ticks++;
}

bool cstandin::decided() const {
    for (int s = 0; s < NET_MAX_PLAYERS; s++)
        if (live.hits[s] >= STANDIN_HITS) return true;
    return live.ticks >= STANDIN_LONGEST;
}

static void save(void *c, int slot) { ((cstandin *)c)->saved[slot] = ((cstandin *)c)->live; }
static void restore(void *c, int slot) { ((cstandin *)c)->live = ((cstandin *)c)->saved[slot]; }
static uint64_t hash(void *c) { return ((cstandin *)c)->hash(); }
static void tick(void *c, const cnet_input *in, const bool *human) { ((cstandin *)c)->tick(in, human); }
static bool decided(void *c) { return ((cstandin *)c)->decided(); }

cnet_model cstandin::door() { return {this, save, restore, ::hash, ::tick, ::decided}; }

cnet_input standin_script(int slot, long tick) {
    uint32_t h = (uint32_t)(slot * 7919 + tick / 17) * 2654435761u;
    return {h >> 28 & 3, (int)((tick / 9 * 37 + slot * 100) % 640), 0, (int)((tick / 13 + slot) % 3 == 0)};
}
