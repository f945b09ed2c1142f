#ifndef KRAG_NET_NETWORLD_H
#define KRAG_NET_NETWORLD_H

// The game's own world behind the rollback door. Every machine sets the match up the
// same way from the host's settings and the map file's bytes (same options, same seed,
// same human slots), so the world runs identically everywhere from the players' inputs.
// The door keeps ROLLBACK_SAVES saved worlds, together with the result line's figures,
// so that a tick run again counts exactly once.
//
// The world is global (the pools, the players, game). Several machines inside one
// process (tests, figures) each keep their world in a snapshot and take turns: a
// machine's world is swapped in before its frame and out after it.
#include <cstdint>
#include <string>
#include <vector>

#include "match/sim.h"
#include "match/world.h"
#include "net/rollback.h"
#include "shell/options.h"

// A kill as a kill feed shows it.
struct cnet_kill {
    long tick;  // the tick it happened in (counted from 0)
    int killer; // slot, or -1 when nobody's weapon did it; == victim for a suicide
    int victim;
    int weapon; // the killer's weapon kind (W_GUN...), or -1
};
inline bool operator==(const cnet_kill &a, const cnet_kill &b) {
    return a.tick == b.tick && a.killer == b.killer && a.victim == b.victim && a.weapon == b.weapon;
}

class cnetworld {
  public:
    cmatchstats stats;            // the result line's figures, as the world stands
    std::vector<cnet_kill> kills; // kills of the ticks run so far, oldest first

    // Sets the match up on the map file (already checked by the caller against the
    // host's checksum): options from the settings (the player's own are kept aside
    // until finish()), the seed, the human slots and the local slot (-1: none). False,
    // with why, when the map cannot be played.
    bool setup(const cnet_settings &s, const std::string &map_file, unsigned humans, int local,
               std::string &why);
    cnet_model door();
    // The line krag-sim prints for a match, with the world's hash: "ticks=... hash=HEX".
    std::string result();
    void swap_in();  // makes this machine's world the live one
    void swap_out(); // keeps the live world as this machine's
    // Ends the match and gives the player's own settings back.
    void finish();
    bool active() const { return running; }

    // Door callbacks.
    void save(int slot);
    void restore(int slot);
    void tick(const cnet_input *in, const bool *human);
    bool decided();

  private:
    bool running = false;
    coptions saved_options;
    int list_index = -1; // the map's place in the list, added for this match
    int local_slot = -1;
    csnapshot saves[ROLLBACK_SAVES];
    cmatchstats saved_stats[ROLLBACK_SAVES];
    long saved_tick[ROLLBACK_SAVES];
    csnapshot mine; // this machine's world while another's is live
    cmatchstats mine_stats;
};

// The options a network match plays with: settings into the game's options (map
// aside). Also used to check that a host's settings are in range before offering them.
void net_apply_settings(const cnet_settings &s, coptions &o);

// The slots a match fills: every human slot and enough bots to make up the offered
// number, at most the world's MAX_PLAYERS.
int net_world_slots(const cnet_settings &s, unsigned humans);

#endif
