#include "effects/flames.h"

#include <allegro.h>
#include <cmath>
#include <cstdlib>

#include "match/cull.h"
#include "match/kmath.h"
#include "match/pool.h"
#include "match/turn.h"
#include "players/player.h"
#include "shell/data.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"
#include "world/walk.h"

cflame1 flames1[MAX_FLAMES1];
cflame2 flames2[MAX_FLAMES2];
cflamemgr flamemgr;
cfire fire[MAX_FIRE];

static const float FLAME_RISE = 0.025f; // upward pull on a fire particle per tick
static const int BURNING_LIFETIME = 31; // ticks
static const float FLAME_SPEED = 5.0f;  // flamethrower flame, px per tick
static const int FLAME_BIRTH_AGE = 10;
static const int FLAME_LAST_AGE = 39;   // a flame lives 30 ticks
static const float FLAME_REACH = 10.0f; // burns what is closer than this, px
static const int SPOT_CHANCE = 5;       // one wall hit in five leaves a burning spot
static const int SPOT_MAX_TICKS = 100;  // a spot burns 0 to 99 ticks

static float distance(float x1, float y1, float x2, float y2) {
    float dx = x2 - x1, dy = y2 - y1;
    return sqrtf(dx * dx + dy * dy);
}

// ---- fire particle ----

void cflame1::init(float x, float y, bool burning) {
    // The draws go in this order: x offset, y offset, x drift, y drift, lifetime.
    if (burning) {
        this->x = x + (rand() % 7 - 3);
        this->y = y + (rand() % 7 - 3);
        vx = (rand() % 3 - 1) / 10.0;
        vy = (rand() % 3 - 1) / 10.0;
        lifetime = BURNING_LIFETIME;
    } else {
        this->x = x + (rand() % 11 - 5);
        this->y = y + (rand() % 11 - 5);
        vx = (rand() % 5 - 2) / 10.0;
        vy = (rand() % 5 - 2) / 10.0;
        lifetime = rand() % 62;
    }
    this->burning = burning;
    active = true;
}

void cflame1::update() {
    if (!active) return;
    if (lifetime <= 0) {
        active = false;
        return;
    }
    x += vx;
    y += vy;
    vy -= FLAME_RISE;
    lifetime--;
}

void cflame1::draw() {
    if (!active || !bbuffer) return;
    // Red and large when young, yellow and small near the end.
    int radius, colour;
    if (burning) {
        radius = lifetime / 16 + 1;
        colour = makecol(255, (31 - lifetime) * 8, 0);
    } else {
        radius = lifetime / 2 + 1;
        colour = makecol(255, (61 - lifetime) * 4, 0);
    }
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (!disc_hidden(bbuffer, sx, sy, radius)) circlefill(bbuffer, sx, sy, radius, colour);
}

// ---- flamethrower flame ----

void cflame2::init(float x, float y, float angle, cplayer *owner) {
    // A nozzle pushed into a wall sprays nothing.
    if (sight_cell(map.get_map((int)x, (int)y))) return;
    this->x = x;
    this->y = y;
    vx = (rand() % 51 - 10) / 100.0 + FLAME_SPEED * kcos(angle);
    vy = (rand() % 51 - 10) / 100.0 + FLAME_SPEED * ksin(angle);
    age = FLAME_BIRTH_AGE;
    active = true;
    this->owner = owner;
}

static bool sight_at(int x, int y) { return sight_cell(map.get_map(x, y)); }

// A flame stopped by a wall or the map edge: sometimes it leaves the spot burning.
static void flame_stopped(float along, float limit, float x, float y) {
    if (-1 < along && along < limit && rand() % SPOT_CHANCE == 0) flamemgr.create((int)x, (int)y);
}

void cflame2::update() {
    if (!active) return;
    if (age > FLAME_LAST_AGE) {
        active = false;
        return;
    }

    if (vx != 0) {
        float target = x + vx;
        walk(x, target, -1, map.get_width(), [&](int d) { return !sight_at((int)x + d, (int)y); });
        if (x != target) {
            flame_stopped(x, (float)map.get_width(), x, y);
            active = false; // the rest of the tick still burns
        }
    }

    if (vy != 0) {
        float target = y + vy;
        walk(y, target, -1, map.get_height(), [&](int d) { return !sight_at((int)x, (int)y + d); });
        if (y != target) {
            flame_stopped(y, (float)map.get_height(), x, y);
            active = false;
        }
    }

    // Burns everyone in reach each tick, the one holding the nozzle too.
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (!p.get_active() || p.get_health() <= 0) continue;
        if (distance(x, y, p.get_x() + 7, p.get_y() + 14) < FLAME_REACH)
            p.damage(1, NO_FORCE, owner);
    }
    for (int i = 0; i < MAX_BARRELS && barrels[i].get_active(); i++) {
        cbarrel &b = barrels[i];
        if (b.alive() && distance(x, y, b.get_x() + 8, b.get_y() + 8) < FLAME_REACH)
            b.damage(0, 0, 1);
    }
    for (int i = 0; i < MAX_BOXES && boxes[i].get_active(); i++) {
        cbox &b = boxes[i];
        if (b.alive() && distance(x, y, b.get_x() + 8, b.get_y() + 8) < FLAME_REACH)
            b.damage(0, 0, 1);
    }

    age++;
}

void cflame2::draw() {
    if (!active || !bbuffer) return;
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (!disc_hidden(bbuffer, sx, sy, age / 5))
        circlefill(bbuffer, sx, sy, age / 5, makecol(255, age * 6, 0));
}

// ---- burning spots ----

void cflamemgr::init() {
    for (int i = 0; i < MAX_BURNING_SPOTS; i++) {
        counter[i] = 0;
        spot_x[i] = spot_y[i] = 0;
    }
}

void cflamemgr::create(int x, int y) {
    for (int i = 0; i < MAX_BURNING_SPOTS; i++) {
        if (counter[i] > 0) continue;
        spot_x[i] = x;
        spot_y[i] = y;
        counter[i] = rand() % SPOT_MAX_TICKS; // 0 leaves the spot free
        return;
    }
}

void cflamemgr::update() {
    for (int i = 0; i < MAX_BURNING_SPOTS; i++) {
        if (counter[i] <= 0) continue;
        cflame1 *f = first_free(flames1);
        if (f) f->init(spot_x[i], spot_y[i], true);
        counter[i]--;
    }
}

// ---- muzzle flash ----

void cfire::init(float angle, int x, int y, bool big) {
    this->angle = angle;
    this->x = x;
    this->y = y;
    this->big = big;
    active = true;
}

void cfire::draw() {
    BITMAP *sprite = bfire[big ? 1 : 0];
    if (!active || !sprite || !bbuffer) return;
    int sx = (int)(x - map.get_xs()), sy = (int)(y - map.get_ys());
    if (turned_hidden(bbuffer, sprite, sx, sy, 0, big ? 3 : 2)) return;
    turn_sprite(bbuffer, sprite, sx, sy, 0, big ? 3 : 2, ftofix(angle * 40.74));
}
