#include "match/world.h"

#include <cstring>

#include "effects/flames.h"
#include "effects/grenade.h"
#include "effects/particle.h"
#include "effects/rocket.h"
#include "effects/shell.h"
#include "effects/smoke.h"
#include "match/game.h"
#include "match/hud.h"
#include "match/pool.h"
#include "match/rng.h"
#include "match/scoreboard.h"
#include "players/blood.h"
#include "players/flesh.h"
#include "players/player.h"
#include "players/powerup.h"
#include "weapons/bullet.h"
#include "weapons/laser.h"
#include "weapons/weapon.h"
#include "world/barrel.h"
#include "world/box.h"

namespace {

// A 64-bit fingerprint fed one 32-bit value at a time.
class chash {
  public:
    uint64_t h = 0xcbf29ce484222325ull;

    void word(uint32_t v) {
        h = (h ^ v) * 0x100000001b3ull;
        h ^= h >> 29;
    }
    void add(int v) { word((uint32_t)v); }
    void add(unsigned v) { word(v); }
    void add(bool v) { word(v ? 1 : 0); }
    void add(char v) { word((uint32_t)(unsigned char)v); }
    void add(float f) {
        uint32_t v;
        memcpy(&v, &f, sizeof v);
        word(v);
    }
    // A player is named by its slot, never by its address.
    void add(const cplayer *p) { word(p ? (uint32_t)(p - players) : 0xffffffffu); }
    template <class T> void add(const cslot<T> &s) { add((bool)s); }
    template <class A, class B, class... R> void add(const A &a, const B &b, const R &...rest) {
        add(a);
        add(b, rest...);
    }
};

// What of each kind of slot is hashed while it is busy.
void fields(chash &h, const cbarrel &s) { h.add(s.health, s.x, s.y); }
void fields(chash &h, const cblood &s) { h.add(s.x, s.y, s.vx, s.vy, s.lifetime, s.frame, s.settled); }
void fields(chash &h, const cbox &s) {
    h.add(s.x, s.y, s.health);
    for (int i = 0; i < 4; i++)
        h.add(s.plank_angle[i], s.plank_x[i], s.plank_y[i], s.plank_vx[i], s.plank_vy[i]);
}
void fields(chash &h, const cbullet &s) {
    h.add(s.angle, s.x, s.y, s.damage, s.seeking, s.fresh, s.owner);
}
void fields(chash &h, const cfire &s) { h.add(s.angle, s.x, s.y, s.big); }
void fields(chash &h, const cflame1 &s) { h.add(s.x, s.y, s.vx, s.vy, s.lifetime, s.burning); }
void fields(chash &h, const cflame2 &s) { h.add(s.x, s.y, s.vx, s.vy, s.age, s.owner); }
void fields(chash &h, const cflesh &s) { h.add(s.x, s.y, s.vx, s.vy, s.spin); }
void fields(chash &h, const cgrenade1 &s) {
    h.add(s.spin, s.x, s.y, s.vx, s.vy, s.fuse, s.owner);
}
void fields(chash &h, const cgrenade2 &s) { h.add(s.x, s.y, s.vx, s.vy, s.owner); }
void fields(chash &h, const claser &s) { h.add(s.angle, s.x, s.y, s.length, s.timer, s.owner); }
void fields(chash &h, const cparticle &s) {
    h.add(s.x, s.y, s.vx, s.vy, s.lifetime, s.sprite, s.floating);
}
void fields(chash &h, const cpowerup &s) { h.add(s.x, s.y, s.vy, s.lifetime, s.kind); }
void fields(chash &h, const crocket &s) {
    h.add(s.angle, s.speed, s.x, s.y, s.seeking, s.owner);
}
void fields(chash &h, const cshell &s) { h.add(s.spin, s.x, s.y, s.vx, s.vy, s.lifetime, s.big); }
void fields(chash &h, const csmoke &s) { h.add(s.x, s.y, s.vx, s.vy, s.shade); }
void fields(chash &h, cplayer &p) {
    h.add(p.angle, p.throw_power, p.x, p.y, p.vx, p.vy, p.leg_counter, p.leg_step);
    h.add(p.route, p.reaction, p.close_count, p.hold, p.grenade_timer, p.firerate_timer);
    h.add(p.hair, p.health, p.heatseek_timer, p.kills, p.grenades, p.pants);
    h.add(p.spawn_protection, p.shirt, p.slowmotion, p.bot, p.team, p.view_x, p.view_y);
    if (cbweapon *w = p.weapon) {
        h.add(w->type, w->ammo, w->angle, w->clip, w->x, w->y, w->trigger, w->reloading);
        h.add(w->owner, w->get_delay());
    } else {
        h.add(-1);
    }
}

template <class T, int N> void hash_pool(chash &h, T (&pool)[N]) {
    for (int i = 0; i < N; i++)
        if (pool[i].get_active()) {
            h.add(i);
            fields(h, pool[i]);
        }
}

void hash_hud(chash &h) {
    for (int i = 0; i < MAX_PLAYERS; i++)
        h.add(hud.killbar[i], hud.marker[i], hud.weapon[i], hud.latch[i], hud.stepped[i], hud.steps[i]);
}
void hash_scoreboard(chash &h) {
    for (int i = 0; i < MAX_PLAYERS; i++)
        h.add(scoreboard.deaths[i], scoreboard.suicides[i], scoreboard.streak[i]);
}
void hash_pumgr(chash &h) { h.add(pumgr.countdown); }
void hash_flamemgr(chash &h) {
    // A free spot's place is left over from its last fire.
    for (int i = 0; i < MAX_BURNING_SPOTS; i++)
        if (flamemgr.counter[i] > 0) h.add(i, flamemgr.counter[i], flamemgr.spot_x[i], flamemgr.spot_y[i]);
}
void hash_rng(chash &h) {
    for (int i = 0; i < 31; i++) h.add(rng.r[i]);
    h.add(rng.front, rng.rear);
}

// One entry of the world's list: where it lives, how big it is, how it is hashed
// (nullptr: it only restates other parts, as a pool's busy record does).
struct cpart {
    const char *name;
    void *at;
    size_t bytes;
    void (*hash)(chash &);
};

#define POOL(p) {#p, (void *)p, sizeof p, [](chash &h) { hash_pool(h, p); }}
#define RECORD(T, p)                                                                         \
    {#p ".busy", (void *)cpool_marks<T>::busy, sizeof cpool_marks<T>::busy, nullptr},        \
        {#p ".live", (void *)&cpool_marks<T>::live, sizeof(int), nullptr},                   \
        {#p ".low", (void *)&cpool_marks<T>::low, sizeof(int), nullptr}

const cpart PARTS[] = {
    POOL(barrels),
    POOL(blood),
    RECORD(cblood, blood),
    POOL(boxes),
    POOL(bullets),
    RECORD(cbullet, bullets),
    POOL(fire),
    POOL(flames1),
    RECORD(cflame1, flames1),
    POOL(flames2),
    RECORD(cflame2, flames2),
    POOL(flesh),
    RECORD(cflesh, flesh),
    POOL(grenades1),
    POOL(grenades2),
    POOL(laser),
    POOL(particles),
    RECORD(cparticle, particles),
    POOL(players),
    POOL(powerups),
    POOL(rockets),
    POOL(shells),
    RECORD(cshell, shells),
    POOL(smoke),
    RECORD(csmoke, smoke),
    {"game.decided", (void *)&game.decided, sizeof game.decided, [](chash &h) { h.add(game.decided); }},
    {"game.ticks", (void *)&game.ticks, sizeof game.ticks, [](chash &h) { h.add(game.ticks); }},
    {"game.humans", (void *)&game.humans, sizeof game.humans, [](chash &h) { h.add(game.humans); }},
    {"hud", (void *)&hud, sizeof hud, hash_hud},
    {"scoreboard", (void *)&scoreboard, sizeof scoreboard, hash_scoreboard},
    {"pumgr", (void *)&pumgr, sizeof pumgr, hash_pumgr},
    {"flamemgr", (void *)&flamemgr, sizeof flamemgr, hash_flamemgr},
    {"rng", (void *)&rng, sizeof rng, hash_rng},
};
#undef POOL
#undef RECORD

const int NPARTS = (int)(sizeof PARTS / sizeof PARTS[0]);

} // namespace

size_t world_bytes() {
    size_t n = 0;
    for (const cpart &p : PARTS) n += p.bytes;
    return n;
}

void world_save(csnapshot &s) {
    s.bytes.resize(world_bytes());
    unsigned char *to = s.bytes.data();
    for (const cpart &p : PARTS) {
        memcpy(to, p.at, p.bytes);
        to += p.bytes;
    }
}

void world_restore(const csnapshot &s) {
    if (s.bytes.size() != world_bytes()) return; // never saved
    const unsigned char *from = s.bytes.data();
    for (const cpart &p : PARTS) {
        memcpy(p.at, from, p.bytes);
        from += p.bytes;
    }
}

int world_part_count() { return NPARTS; }

const char *world_part_name(int part) { return part >= 0 && part < NPARTS ? PARTS[part].name : ""; }

uint64_t world_part_hash(int part) {
    chash h;
    if (part >= 0 && part < NPARTS && PARTS[part].hash) PARTS[part].hash(h);
    return h.h;
}

uint64_t world_hash() {
    chash h;
    for (const cpart &p : PARTS)
        if (p.hash) {
            p.hash(h);
            h.add(-1); // part boundary
        }
    return h.h;
}

void world_clear(bool reseed) {
    // A held flamethrower stops its loop before its storage is wiped.
    for (int i = 0; i < MAX_PLAYERS; i++) players[i].drop_weapon();
    // The seed and the human slots are set before the world is.
    crng keep = rng;
    unsigned humans = game.humans;
    for (const cpart &p : PARTS) memset(p.at, 0, p.bytes);
    rng = keep;
    game.humans = humans;
    if (reseed) rng.seed(1);
    game.decided = -1;
    hud = chud();
    flamemgr.init();
    pumgr.init();
    scoreboard.init();
}
