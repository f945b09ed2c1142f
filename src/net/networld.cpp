#include "net/networld.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "match/events.h"
#include "match/game.h"
#include "match/scoreboard.h"
#include "players/player.h"
#include "weapons/weapon.h"
#include "world/map.h"

void net_apply_settings(const cnet_settings &s, coptions &o) {
    const coptions defaults;
    o.gametype = s.gametype;
    o.skill = s.skill;
    o.kills = s.kills;
    o.blood = s.blood;
    o.health = s.powerups & 1;
    o.grenades = s.powerups & 2;
    o.firerate = s.powerups & 4;
    o.heatseek = s.powerups & 8;
    o.slowmotion = s.powerups & 16;
    // Slot 0's outfit and the outfits drawn for the others depend on the player's own;
    // every machine dresses the match the same way.
    o.hair = defaults.hair, o.shirt = defaults.shirt, o.pants = defaults.pants;
}

int net_world_slots(const cnet_settings &s, unsigned humans) {
    int highest = 0, count = 0;
    for (int i = 0; i < NET_MAX_PLAYERS; i++)
        if (humans >> i & 1) highest = i + 1, count++;
    return std::clamp(std::max(highest, count + s.bots), 2, (int)MAX_PLAYERS);
}

bool cnetworld::setup(const cnet_settings &s, const std::string &map_file, unsigned humans, int local,
                      std::string &why) {
    if (running) finish();
    saved_options = options;
    net_apply_settings(s, options);
    options.bots = net_world_slots(s, humans) - 1;
    list_index = map.add_file(map_file);
    if (list_index < 0) {
        why = "the map " + s.map + " cannot be played: " + map.problem;
        options = saved_options;
        return false;
    }
    options.level = list_index;
    srand(s.seed);
    game.humans = humans;
    game.local = local;
    local_slot = local;
    stats.clear();
    kills.clear();
    events_reset();
    if (!game.init()) {
        why = "the map " + s.map + " cannot be played: " + map.problem;
        game.quit();
        options = saved_options;
        map.reload();
        return false;
    }
    for (long &t : saved_tick) t = -1;
    running = true;
    return true;
}

void cnetworld::finish() {
    if (!running) return;
    running = false;
    game.quit();
    game.humans = 1, game.local = 0;
    options = saved_options;
    map.reload(); // the list as the player's folders have it, without this match's map
}

std::string cnetworld::result() {
    char hash[32];
    snprintf(hash, sizeof hash, " hash=%016llx", (unsigned long long)world_hash());
    return stats.line() + hash;
}

void cnetworld::swap_in() {
    world_restore(mine);
    stats = mine_stats;
    game.local = local_slot;
}

void cnetworld::swap_out() {
    world_save(mine);
    mine_stats = stats;
}

void cnetworld::save(int slot) {
    world_save(saves[slot]);
    saved_stats[slot] = stats;
    saved_tick[slot] = stats.ticks;
}

void cnetworld::restore(int slot) {
    world_restore(saves[slot]);
    stats = saved_stats[slot];
    // Kills of the ticks to be run again are found again (or not) as they run.
    while (!kills.empty() && kills.back().tick >= stats.ticks)
        kills.pop_back();
}

bool cnetworld::decided() { return game.winner() != -1; }

void cnetworld::tick(const cnet_input *in, const bool *human) {
    ccontrol c[MAX_PLAYERS] = {};
    unsigned mask = 0;
    for (int s = 0; s < MAX_PLAYERS && s < NET_MAX_PLAYERS; s++) {
        if (human[s]) mask |= 1u << s;
        c[s] = {in[s].actions, in[s].buttons, in[s].aim_x, in[s].aim_y};
    }
    // A player who left plays on as a bot from the host's tick; the world keeps its
    // human slots, so a tick run again after a restore sees them as they were.
    for (int s = 0; s < MAX_PLAYERS; s++)
        if (game.human(s) && !(mask >> s & 1)) game.leave(s);

    int deaths[MAX_PLAYERS], suicides[MAX_PLAYERS], before[MAX_PLAYERS];
    for (int s = 0; s < MAX_PLAYERS; s++)
        deaths[s] = scoreboard.deaths[s], suicides[s] = scoreboard.suicides[s], before[s] = players[s].kills;
    long t = stats.ticks;
    stats.update(c);
    bool credited[MAX_PLAYERS] = {};
    for (int v = 0; v < MAX_PLAYERS; v++) {
        if (scoreboard.deaths[v] == deaths[v]) continue;
        int killer = -1;
        if (scoreboard.suicides[v] != suicides[v]) killer = v;
        for (int k = 0; k < MAX_PLAYERS && killer < 0; k++)
            if (players[k].kills > before[k] && !credited[k]) killer = k, credited[k] = true;
        int weapon = killer >= 0 && players[killer].weapon ? players[killer].weapon->type : -1;
        kills.push_back({t, killer, v, weapon});
    }
}

static void door_save(void *c, int slot) { ((cnetworld *)c)->save(slot); }
static void door_restore(void *c, int slot) { ((cnetworld *)c)->restore(slot); }
static uint64_t door_hash(void *) { return world_hash(); }
static void door_tick(void *c, const cnet_input *in, const bool *human) { ((cnetworld *)c)->tick(in, human); }
static bool door_decided(void *c) { return ((cnetworld *)c)->decided(); }

cnet_model cnetworld::door() { return {this, door_save, door_restore, door_hash, door_tick, door_decided}; }
