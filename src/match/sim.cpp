#include "match/sim.h"

#include <allegro.h>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effects/flames.h"
#include "effects/grenade.h"
#include "effects/particle.h"
#include "effects/rocket.h"
#include "effects/shell.h"
#include "effects/smoke.h"
#include "players/blood.h"
#include "players/flesh.h"
#include "players/player.h"
#include "match/events.h"
#include "match/game.h"
#include "match/pool.h"
#include "match/world.h"
#include "players/powerup.h"
#include "shell/options.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/sound.h"
#include "weapons/bullet.h"
#include "weapons/laser.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

const char *const POOL_NAMES[POOL_COUNT] = {
    "barrels",   "blood",     "boxes", "bullets",   "fire",    "flames1",  "flames2",
    "flesh",     "grenades1", "grenades2", "laser", "particles", "players", "powerups",
    "rockets",   "shells",    "smoke"};

void sim_start_headless() {
    static bool started = false;
    if (started) return;
    install_allegro(SYSTEM_NONE, &errno, atexit);
    set_color_depth(32);
    set_color_conversion(COLORCONV_TOTAL);
    sound_enable(false);
    if (!bbuffer) bbuffer = create_bitmap(640, 480);
    started = true;
}

// Busy slots: a tracked pool's record knows, a small pool is counted.
template <class T, int N> static int live(T (&pool)[N]) {
    if constexpr (ctracked<T>::value)
        if (recorded(pool)) return cpool_marks<T>::live;
    int n = 0;
    for (int i = 0; i < N; i++)
        if (pool[i].get_active()) n++;
    return n;
}

void sim_count_live(int c[POOL_COUNT]) {
    c[0] = live(barrels);
    c[1] = live(blood);
    c[2] = live(boxes);
    c[3] = live(bullets);
    c[4] = live(fire);
    c[5] = live(flames1);
    c[6] = live(flames2);
    c[7] = live(flesh);
    c[8] = live(grenades1);
    c[9] = live(grenades2);
    c[10] = live(laser);
    c[11] = live(particles);
    c[12] = live(players);
    c[13] = live(powerups);
    c[14] = live(rockets);
    c[15] = live(shells);
    c[16] = live(smoke);
}

void cmatchstats::clear() {
    ticks = world_ticks = 0;
    for (int k = 0; k < POOL_COUNT; k++) peak[k] = 0;
}

bool cmatchstats::update() { return count(game.update()); }

bool cmatchstats::update(const ccontrol in[MAX_PLAYERS]) { return count(game.step(in)); }

bool cmatchstats::count(bool moved) {
    ticks++;
    if (!moved) return false;
    world_ticks++;
    int counts[POOL_COUNT];
    sim_count_live(counts);
    for (int k = 0; k < POOL_COUNT; k++)
        if (counts[k] > peak[k]) peak[k] = counts[k];
    return true;
}

std::string cmatchstats::line() {
    std::string s = "ticks=" + std::to_string(ticks) + " winner=" + std::to_string(game.winner()) +
                    " kills=";
    for (int i = 0; i < MAX_PLAYERS; i++)
        if (players[i].active) s += (i ? "," : "") + std::to_string(players[i].kills);
    s += " peak=";
    for (int k = 0; k < POOL_COUNT; k++)
        s += std::string(k ? "," : "") + POOL_NAMES[k] + ":" + std::to_string(peak[k]);
    return s;
}

static uint32_t mix(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h = a * 0x9e3779b1u ^ b * 0x85ebca77u ^ c * 0xc2b2ae3du;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

ccontrol scripted_control(unsigned seed, long tick, int slot) {
    // What is held changes every 37 ticks, where the aim lies every 11.
    uint32_t h = mix(seed, (uint32_t)slot, (uint32_t)(tick / 37));
    uint32_t a = mix(seed ^ 0x5bd1e995u, (uint32_t)slot, (uint32_t)(tick / 11));
    ccontrol c{0, 0, 0, 0};
    int walk = h & 3; // none, left, right, right
    if (walk == 1) c.actions |= 1u << ACT_LEFT;
    if (walk >= 2) c.actions |= 1u << ACT_RIGHT;
    if (((h >> 2) & 3) == 0) c.actions |= 1u << ACT_JUMP;
    if ((h >> 4) & 1) {
        c.actions |= 1u << ACT_FIRE;
        c.buttons |= BUTTON_LEFT;
    }
    if (((h >> 5) & 7) == 0) { // a spell of charging, thrown when it ends
        c.actions |= 1u << ACT_GRENADE;
        c.buttons |= BUTTON_RIGHT;
    }
    if (((h >> 8) & 15) == 0) c.actions |= 1u << ACT_RELOAD;
    if (((h >> 12) & 3) == 0) c.actions |= 1u << (ACT_WEAPON1 + (h >> 14) % 8);
    if (((h >> 17) & 7) == 0) c.actions |= 1u << ((h >> 20) & 1 ? ACT_NEXT_WEAPON : ACT_PREV_WEAPON);
    int w = map.get_width() > 0 ? map.get_width() : 640, hgt = map.get_height() > 0 ? map.get_height() : 480;
    c.aim_x = (int)(a % (uint32_t)w);
    c.aim_y = (int)((a >> 12) % (uint32_t)hgt);
    return c;
}

uint64_t sim_fingerprint() {
    static bool done = false;
    static uint64_t print = 0;
    if (done) return print;

    static csnapshot world;
    static cmap kept_map;
    world_save(world);
    kept_map = map;
    coptions kept_options = options;
    cgame kept_game = game;
    events_mute(true);

    // A walled room with a floor, a ledge, two boxes, two barrels and four spawn points.
    options = coptions();
    options.gametype = GT_DEATHMATCH;
    options.bots = 5;
    options.skill = 2;
    options.kills = 25;
    game = cgame();
    game.humans = 0b1001; // slots 0 and 3
    world_clear(false);
    events_reset();
    map.width = 640;
    map.height = 480;
    map.nsp = 0;
    memset(map.grid, '.', sizeof map.grid);
    for (int r = 0; r < 30; r++)
        for (int c = 0; c < 40; c++) {
            char ch = '.';
            if (r == 29 || c == 0 || c == 39 || (r == 18 && c >= 12 && c < 28)) ch = 'a';
            else if (r == 27 && c % 9 == 4) ch = 'A';
            else if (r == 28 && (c == 8 || c == 30)) ch = '0';
            else if (r == 28 && (c == 17 || c == 22)) ch = '1';
            map.set_cell(c, r, ch);
        }
    srand(20261208);
    game.start();
    for (int i = 0; i < MAX_PLAYERS; i++) players[i].health = 0; // spawn at once

    ccontrol in[MAX_PLAYERS];
    for (long t = 0; t < 400; t++) {
        for (int i = 0; i < MAX_PLAYERS; i++)
            in[i] = game.human(i) ? scripted_control(7, t, i) : ccontrol{};
        game.step(in);
    }
    print = world_hash();
    done = true;

    world_restore(world);
    map = kept_map;
    options = kept_options;
    game = kept_game;
    events_reset();
    events_mute(false);
    return print;
}

// FNV-1a over 32-bit words.
struct cfnv {
    unsigned h = 2166136261u;
    void add(unsigned v) {
        for (int i = 0; i < 4; i++) {
            h ^= (v >> (8 * i)) & 0xff;
            h *= 16777619u;
        }
    }
    void add(float f) {
        unsigned v;
        memcpy(&v, &f, sizeof v);
        add(v);
    }
    void add(int v) { add((unsigned)v); }
};

template <class T, int N> static void sum_pool(cfnv &h, T (&pool)[N]) {
    for (int i = 0; i < N; i++)
        if (pool[i].get_active()) {
            h.add(i);
            h.add(pool[i].x);
            h.add(pool[i].y);
        }
    h.add(-1); // pool boundary
}

unsigned sim_checksum() {
    cfnv h;
    sum_pool(h, barrels);
    sum_pool(h, blood);
    sum_pool(h, boxes);
    sum_pool(h, bullets);
    sum_pool(h, fire);
    sum_pool(h, flames1);
    sum_pool(h, flames2);
    sum_pool(h, flesh);
    sum_pool(h, grenades1);
    sum_pool(h, grenades2);
    sum_pool(h, laser);
    sum_pool(h, particles);
    sum_pool(h, players);
    sum_pool(h, powerups);
    sum_pool(h, rockets);
    sum_pool(h, shells);
    sum_pool(h, smoke);
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (!p.active) continue;
        h.add(p.health);
        h.add(p.kills);
        h.add(p.angle);
        h.add(p.grenades);
        h.add(p.weapon ? p.get_ammo() : -1);
        h.add(p.firerate_timer);
        h.add(p.heatseek_timer);
        h.add(p.slowmotion);
    }
    for (int i = 0; i < MAX_BARRELS && barrels[i].active; i++) h.add(barrels[i].health);
    for (int i = 0; i < MAX_BOXES && boxes[i].active; i++) h.add(boxes[i].health);
    h.add(map.get_xs());
    h.add(map.get_ys());
    return h.h;
}

static char problem[256];

// A live entity must stay near the map: a margin for things that leave by an edge
// within their step, and room above for fire and smoke that rise off the top.
static bool near_map(float x, float y) {
    if (std::isnan(x) || std::isnan(y)) return false;
    return x >= -64 && x <= map.get_width() + 64 && y >= -400 && y <= map.get_height() + 64;
}

template <class T, int N> static bool pool_in_bounds(T (&pool)[N], const char *name) {
    for (int i = 0; i < N; i++)
        if (pool[i].get_active() && !near_map(pool[i].x, pool[i].y)) {
            snprintf(problem, sizeof problem, "%s[%d] at (%.1f, %.1f) outside the map", name, i,
                     (double)pool[i].x, (double)pool[i].y);
            return false;
        }
    return true;
}

std::string sim_check_invariants() {
    // A match whose kill limit has been reached has a winner, and keeps it.
    int limit = options.get_kills();
    bool reached = false;
    if (options.get_gametype() == GT_TEAMMATCH)
        reached = game.teamkills(0) >= limit || game.teamkills(1) >= limit;
    else
        for (int i = 0; i < MAX_PLAYERS; i++)
            if (players[i].active && players[i].kills >= limit) reached = true;
    if (reached && game.winner() == -1) return "the kill limit was reached but no winner is decided";

    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (!p.active) continue;
        if (p.kills < 0) return "player " + std::to_string(i) + " has negative kills";
        if (p.health > 100) return "player " + std::to_string(i) + " has health above 100";
        if (p.health < -500) return "player " + std::to_string(i) + " has health below -500";
        if (p.grenades < 0 || p.grenades > 5)
            return "player " + std::to_string(i) + " carries " + std::to_string(p.grenades) +
                   " grenades";
        if (p.health > 0) {
            if (!p.weapon) return "living player " + std::to_string(i) + " has no weapon";
            if (p.x < 0 || p.x > map.get_width() - 14 || p.y < -1 || p.y >= map.get_height() ||
                std::isnan(p.x) || std::isnan(p.y))
                return "player " + std::to_string(i) + " outside the map";
            int ammo = p.get_ammo();
            if (ammo < 0 || ammo > 100) return "player " + std::to_string(i) + " ammo out of range";
        } else if (p.weapon) {
            return "dead player " + std::to_string(i) + " still holds a weapon";
        }
    }
    for (int i = 0; i < MAX_BARRELS; i++)
        if (barrels[i].active && (barrels[i].health > BARREL_HEALTH || barrels[i].health < -1519))
            return "barrel " + std::to_string(i) + " health out of range";
    for (int i = 0; i < MAX_BOXES; i++)
        if (boxes[i].active && (boxes[i].health > BOX_HEALTH || boxes[i].health < -1500))
            return "box " + std::to_string(i) + " health out of range";
    if (!pool_in_bounds(blood, "blood") || !pool_in_bounds(bullets, "bullets") ||
        !pool_in_bounds(flames1, "flames1") || !pool_in_bounds(flames2, "flames2") ||
        !pool_in_bounds(flesh, "flesh") || !pool_in_bounds(grenades1, "grenades1") ||
        !pool_in_bounds(grenades2, "grenades2") || !pool_in_bounds(particles, "particles") ||
        !pool_in_bounds(powerups, "powerups") || !pool_in_bounds(rockets, "rockets") ||
        !pool_in_bounds(shells, "shells") || !pool_in_bounds(smoke, "smoke"))
        return problem;
    // A rocket's last step may carry it just past the edge; it is freed on its next
    // tick. Outside on two checks in a row is a rocket that never ends.
    static bool was_outside[MAX_ROCKETS];
    std::string broken;
    for (int i = 0; i < MAX_ROCKETS; i++) {
        bool outside = rockets[i].active &&
                       (rockets[i].x < 0 || rockets[i].x >= map.get_width() || rockets[i].y < 0 ||
                        rockets[i].y >= map.get_height());
        if (outside && was_outside[i] && broken.empty())
            broken = "rocket " + std::to_string(i) + " left the map but is still flying";
        was_outside[i] = outside;
    }
    return broken;
}
