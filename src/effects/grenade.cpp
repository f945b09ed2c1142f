#include "effects/grenade.h"

#include <allegro.h>
#include <cmath>

#include "effects/particle.h"
#include "effects/rocket.h"
#include "match/cull.h"
#include "match/kmath.h"
#include "match/pool.h"
#include "match/turn.h"
#include "players/player.h"
#include "shell/data.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

cgrenade1 grenades1[MAX_GRENADES1];
cgrenade2 grenades2[MAX_GRENADES2];

static const float HAND_GRAVITY = 0.15f;
static const float HAND_BOUNCE = 0.4f;   // speed kept by a bounce
static const float HAND_REST = 0.2f;     // below this on a floor the grenade lies still
static const float HAND_SPIN = 0.025f;   // radians per tick while moving
static const float LAUNCH_SPEED = 7.5f;
static const float LAUNCH_GRAVITY = 0.05f;

// Which side of a grenade body a blocked-side test looks at.
enum side { SIDE_DOWN, SIDE_UP, SIDE_LEFT, SIDE_RIGHT };

// A standing prop flush against the given side of a 5-wide, h-high body at (tx, ty).
// Grenades move at most one pixel per step, so flush is the only contact there is.
template <class T, int N> static bool prop_blocks(T (&pool)[N], side s, int tx, int ty, int h) {
    for (int i = 0; i < N && pool[i].get_active(); i++) {
        T &p = pool[i];
        if (!p.alive()) continue;
        int px = p.get_x(), py = p.get_y();
        bool across_x = tx + 4 >= px && px + 15 >= tx;
        bool across_y = ty + h - 1 >= py && py + 15 >= ty;
        bool hit = false;
        switch (s) {
        case SIDE_DOWN: hit = ty + h == py && across_x; break;
        case SIDE_UP: hit = ty == py + 16 && across_x; break;
        case SIDE_LEFT: hit = tx == px + 16 && across_y; break;
        case SIDE_RIGHT: hit = tx + 5 == px && across_y; break;
        }
        if (hit) return true;
    }
    return false;
}

static bool props_block(side s, int tx, int ty, int h) {
    return prop_blocks(boxes, s, tx, ty, h) || prop_blocks(barrels, s, tx, ty, h);
}

static bool solid_at(int x, int y) { return solid_cell(map.get_map(x, y)); }

// Moves *pos toward target in steps of at most one pixel while the side it moves to is
// free and the position stays below `high` (forward) or above `low` (back). Returns
// true when the target was reached.
template <class F, class B>
static bool sweep(float *pos, float target, float low, float high, F blocked_fwd,
                  B blocked_back) {
    if (target > *pos) {
        while (*pos < target && *pos < high && !blocked_fwd()) {
            if (target - *pos <= 1)
                *pos = target;
            else
                *pos += 1;
        }
        return *pos >= target;
    }
    while (*pos > target && *pos > low && !blocked_back()) {
        if (*pos - target <= 1)
            *pos = target;
        else
            *pos -= 1;
    }
    return *pos <= target;
}

// ---- hand grenade ----

void cgrenade1::init(float x, float y, float angle, float power, cplayer *owner) {
    this->x = x;
    this->y = y;
    vx = kcos(angle) * power;
    vy = ksin(angle) * power;
    spin = 0;
    fuse = GRENADE_FUSE;
    active = true;
    this->owner = owner;
}

bool cgrenade1::down() {
    int tx = (int)x, ty = (int)y;
    if (solid_at(tx, ty + 4) || solid_at(tx + 4, ty + 4)) return true;
    return props_block(SIDE_DOWN, tx, ty, 4);
}

bool cgrenade1::up() {
    int tx = (int)x, ty = (int)y;
    if (solid_at(tx, ty - 1) || solid_at(tx + 4, ty - 1)) return true;
    return props_block(SIDE_UP, tx, ty, 4);
}

bool cgrenade1::left() {
    int tx = (int)x, ty = (int)y;
    if (solid_at(tx - 1, ty) || solid_at(tx - 1, ty + 3)) return true;
    return props_block(SIDE_LEFT, tx, ty, 4);
}

bool cgrenade1::right() {
    int tx = (int)x, ty = (int)y;
    if (solid_at(tx + 5, ty) || solid_at(tx + 5, ty + 3)) return true;
    return props_block(SIDE_RIGHT, tx, ty, 4);
}

void cgrenade1::update() {
    if (!active) return;

    if (fuse > 0) {
        fuse--;
    } else {
        explode();
        return;
    }

    if (!down()) vy += HAND_GRAVITY;

    if (vx != 0) {
        bool reached = sweep(
            &x, x + vx, -5.0f, (float)map.get_width(), [this] { return right(); },
            [this] { return left(); });
        if (x >= map.get_width() || x <= -5) {
            active = false; // thrown out of the map: gone without a sound
            return;
        }
        if (!reached) {
            vx = -HAND_BOUNCE * vx;
            vy = HAND_BOUNCE * vy;
        }
    }

    if (vy != 0) {
        bool reached = sweep(
            &y, y + vy, -4.0f, (float)map.get_height(), [this] { return down(); },
            [this] { return up(); });
        if (y >= map.get_height() || y <= -4) {
            active = false;
            return;
        }
        if (!reached) {
            vy = -HAND_BOUNCE * vy;
            vx = HAND_BOUNCE * vx;
        }
    }

    if (fabs(vx) < HAND_REST && fabs(vy) < HAND_REST && down()) {
        vx = vy = 0;
        spin = 0; // lies level
    } else {
        spin += HAND_SPIN;
    }
}

void cgrenade1::explode() {
    explosion(x, y, x, y, x, y, owner);
    active = false;
}

void cgrenade1::draw() {
    if (!active || !bgrenade1 || !bbuffer) return;
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (rotated_hidden(bbuffer, bgrenade1, sx, sy)) return;
    spin_sprite(bbuffer, bgrenade1, sx, sy, ftofix(spin * 40.74));
}

// ---- launcher grenade ----

void cgrenade2::init(float x, float y, float angle, cplayer *owner) {
    this->x = x;
    this->y = y;
    vx = LAUNCH_SPEED * kcos(angle);
    vy = LAUNCH_SPEED * ksin(angle);
    active = true;
    this->owner = owner;
}

bool cgrenade2::enemy(int i, float px, float py) {
    float bx = players[i].get_x(), by = players[i].get_y();
    return bx <= px && px < bx + 14 && by <= py && py < by + 28;
}

// A living player other than the shooter under the probe point.
static bool victim_at(cgrenade2 *g, float px, float py) {
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (p.get_active() && p.get_health() > 0 && &p != g->owner && g->enemy(i, px, py))
            return true;
    }
    return false;
}

bool cgrenade2::down() {
    int tx = (int)x, ty = (int)y;
    if (solid_at(tx, ty + 5) || solid_at(tx + 4, ty + 5)) return true;
    if (victim_at(this, x, y + 5)) return true;
    return props_block(SIDE_DOWN, tx, ty, 5);
}

bool cgrenade2::up() {
    int tx = (int)x, ty = (int)y;
    if (solid_at(tx, ty - 1) || solid_at(tx + 4, ty - 1)) return true;
    if (victim_at(this, x, y - 1)) return true;
    return props_block(SIDE_UP, tx, ty, 5);
}

bool cgrenade2::left() {
    int tx = (int)x, ty = (int)y;
    if (solid_at(tx - 1, ty) || solid_at(tx - 1, ty + 4)) return true;
    if (victim_at(this, x - 1, y)) return true;
    return props_block(SIDE_LEFT, tx, ty, 5);
}

bool cgrenade2::right() {
    int tx = (int)x, ty = (int)y;
    if (solid_at(tx + 5, ty) || solid_at(tx + 5, ty + 4)) return true;
    if (victim_at(this, x + 5, y)) return true;
    return props_block(SIDE_RIGHT, tx, ty, 5);
}

void cgrenade2::update() {
    if (!active) return;

    vy += LAUNCH_GRAVITY;

    bool reached_x = sweep(
        &x, x + vx, -5.0f, (float)map.get_width(), [this] { return right(); },
        [this] { return left(); });
    bool reached_y = sweep(
        &y, y + vy, -5.0f, (float)map.get_height(), [this] { return down(); },
        [this] { return up(); });

    if (!reached_x || !reached_y) {
        if (x >= map.get_width() || x <= -5 || y >= map.get_height() || y <= -5)
            active = false; // out of the map: no blast, no sound
        else
            explode();
    }

    // The trail goes on in the tick the grenade ends, too.
    cparticle *trail = first_free(particles);
    if (trail) trail->init(x, y, true);
}

void cgrenade2::explode() {
    explosion(x, y, x, y, x, y, owner);
    active = false;
}

void cgrenade2::draw() {
    if (!active || !bgrenade2 || !bbuffer) return;
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (turned_hidden(bbuffer, bgrenade2, sx, sy, 2, 2)) return;
    turn_sprite(bbuffer, bgrenade2, sx, sy, 2, 2, itofix(0));
}
