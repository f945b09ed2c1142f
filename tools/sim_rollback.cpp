// krag-sim --rollback-check D: the match is run straight, then again with every tick
// first run ahead on wrong inputs for the scripted humans (1 to D ticks, in turn), the
// world put back and the tick run with the right ones. Both runs must agree on the
// world's hash at every tick and on the result line.
#include <cstdio>
#include <string>
#include <vector>

#include "match/control.h"
#include "match/game.h"
#include "match/sim.h"
#include "match/world.h"
#include "players/player.h"
#include "shell/say.h"
#include "sim_rollback.h"

namespace {

struct crun {
    unsigned seed;
    int force; // power-up given every 200 ticks to every living player, or -1

    // The controls of logic tick t: the script's (right) or another seed's (wrong).
    void controls(long t, bool wrong, ccontrol in[MAX_PLAYERS]) const {
        for (int i = 0; i < MAX_PLAYERS; i++)
            in[i] = game.human(i) ? scripted_control(wrong ? ~seed : seed, t, i) : ccontrol{};
    }
    bool tick(long t, bool wrong, cmatchstats *stats) const {
        if (force >= 0 && t % 200 == 0)
            for (int i = 0; i < MAX_PLAYERS; i++)
                if (players[i].active && players[i].health > 0) players[i].powerup(force);
        ccontrol in[MAX_PLAYERS];
        controls(t, wrong, in);
        return stats ? stats->update(in) : game.step(in);
    }
};

// The first part of the world whose hash differs from the straight run's at tick t.
std::string first_difference(const crun &run, const csnapshot &start, long t) {
    std::vector<uint64_t> here(world_part_count());
    for (int p = 0; p < world_part_count(); p++) here[p] = world_part_hash(p);
    world_restore(start);
    for (long k = 0; k <= t; k++) run.tick(k, false, nullptr);
    for (int p = 0; p < world_part_count(); p++)
        if (world_part_hash(p) != here[p]) return world_part_name(p);
    return "nothing (the hash is not a function of the parts)";
}

} // namespace

int rollback_main(long depth, long ticks, unsigned seed, int force) {
    crun run{seed, force};
    csnapshot start;
    world_save(start);

    cmatchstats straight;
    std::vector<uint64_t> hashes((size_t)ticks);
    long slowed = 0;
    for (long t = 0; t < ticks; t++) {
        if (!run.tick(t, false, &straight)) slowed++;
        hashes[(size_t)t] = world_hash();
    }
    bool decided = game.winner() != -1;
    std::string expected = straight.line();

    world_restore(start);
    cmatchstats checked;
    csnapshot now;
    for (long t = 0; t < ticks; t++) {
        world_save(now);
        long ahead = 1 + t % depth;
        for (long k = 0; k < ahead; k++) run.tick(t + k, true, nullptr);
        world_restore(now);
        run.tick(t, false, &checked);
        if (world_hash() != hashes[(size_t)t]) {
            say("krag-sim: rollback check: tick %ld: %s differs", t, first_difference(run, start, t).c_str());
            return 1;
        }
    }
    printf("world_ticks=%ld\n%s\n", checked.world_ticks, checked.line().c_str());
    if (checked.line() != expected) {
        say("krag-sim: rollback check: result differs");
        say("  straight: %s", expected.c_str());
        say("  rolled:   %s", checked.line().c_str());
        return 1;
    }
    printf("rollback-check depth=1-%ld ticks=%ld slowed=%ld decided=%d ok\n", depth, ticks, slowed,
           decided ? 1 : 0);
    return 0;
}
