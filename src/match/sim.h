#ifndef KRAG_MATCH_SIM_H
#define KRAG_MATCH_SIM_H

#include <cstdint>
#include <string>

#include "match/control.h"
#include "players/player.h"

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
    // The same, driven by a control for every slot (game.step).
    bool update(const ccontrol in[MAX_PLAYERS]);
    // "ticks=N winner=W kills=K0,K1,... peak=barrels:N,...": the line krag-sim prints.
    std::string line();

  private:
    bool count(bool moved);
};

// A scripted human for headless checks: walks, jumps, aims anywhere on the map, fires,
// charges and throws grenades, reloads and picks weapons, in spells of a few dozen
// ticks, from numbers of its own (never the world's): the same seed, tick and slot
// always give the same control.
ccontrol scripted_control(unsigned seed, long tick, int slot);

// The simulation's fingerprint: the hash of a short fixed match (a little built-in map,
// four bots and two scripted humans), run once, in a few milliseconds, and kept. Two
// builds whose fingerprints differ would not play the same match alike. Everything the
// match touches (the world, the map, the settings) is put back afterwards.
uint64_t sim_fingerprint();

// A checksum of the world: every live slot of every pool (its index and position) and
// each player's health, kills, aim, ammunition, grenades and power-up timers. Two runs
// that agree on it tick by tick played the same match.
unsigned sim_checksum();

// Checks the match's invariants; returns an empty string or a description of the
// first broken one. Call it once per world tick: a rocket may spend one tick just
// outside the map before it is freed.
std::string sim_check_invariants();

#endif
