#ifndef KRAG_MATCH_SIM_H
#define KRAG_MATCH_SIM_H

#include <string>

// Headless matches for the simulator, the soak test and the benchmark: the real game
// code with no display and no sound card.

const int POOL_COUNT = 17;
extern const char *const POOL_NAMES[POOL_COUNT];

// Starts the library without a display (once) and a memory back buffer.
void sim_start_headless();

// Live entities in each pool, in the match's update order.
void sim_count_live(int counts[POOL_COUNT]);

// The figures a match ends with, kept tick by tick: logic ticks, world ticks and the
// most entities each pool held after a world tick.
class cmatchstats {
  public:
    long ticks;
    long world_ticks;
    int peak[POOL_COUNT];

    cmatchstats() { clear(); }
    void clear();
    // Runs one logic tick of the match (game.update) and counts it; true when the world
    // moved in it (not held back by slow motion).
    bool update();
    // "ticks=N winner=W kills=K0,K1,... peak=barrels:N,...": the line krag-sim prints.
    std::string line();
};

// A checksum of the world: every live slot of every pool (its index and position) and
// each player's health, kills, aim, ammunition, grenades and power-up timers. Two runs
// that agree on it tick by tick played the same match.
unsigned sim_checksum();

// Checks the match's invariants; returns an empty string or a description of the
// first broken one. Call it once per world tick: a rocket may spend one tick just
// outside the map before it is freed.
std::string sim_check_invariants();

#endif
