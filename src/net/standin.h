#ifndef KRAG_NET_STANDIN_H
#define KRAG_NET_STANDIN_H

// A small stand-in world for trying the network without the game: six slots on a line,
// humans steered by their inputs, bots by the world's own random numbers, and hits
// counted when someone fires close to another. As touchy as the real world (every
// input matters and each tick depends on all before it) and cheap enough to run
// hundreds of matches in a test. The match is decided at STANDIN_HITS hits or after
// STANDIN_LONGEST ticks.
#include <cstdint>

#include "net/rollback.h"

const long STANDIN_LONGEST = 1500;
const int STANDIN_HITS = 40;

struct cstandin_state {
    uint32_t rng;
    int32_t pos[NET_MAX_PLAYERS], hits[NET_MAX_PLAYERS];
    long ticks;
};

class cstandin {
  public:
    cstandin_state live = {1, {0, 120, 240, 360, 480, 600}, {}, 0};
    cstandin_state saved[ROLLBACK_SAVES];

    cnet_model door();
    uint64_t hash() const;
    void tick(const cnet_input *in, const bool *human);
    bool decided() const;
};

// What a scripted player does: holds keys and aims for a while, then changes.
cnet_input standin_script(int slot, long tick);

#endif
