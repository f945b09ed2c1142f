// Flesh chunks: thrown on death, tumble and bounce, and bleed until they come to rest.
#include <algorithm>
#include <allegro.h>
#include <cmath>

#include "match/cull.h"
#include "match/kmath.h"
#include "match/pool.h"
#include "match/turn.h"
#include "players/blood.h"
#include "players/flesh.h"
#include "shell/data.h"
#include "shell/options.h"
#include "world/map.h"
#include "world/walk.h"

cflesh flesh[MAX_FLESH];

static const float GRAVITY = 0.15f;
static const float BOUNCE = 0.7f;     // speed kept (and reversed) on impact
static const float REST_SPEED = 0.2f; // slower than this on a floor and the chunk is gone
static const float BLOW_PUSH = 5.0f;  // extra speed along the blow's direction
static const int EDGE = -5;

static bool solid_at(int x, int y) { return solid_cell(map.get_map(x, y)); }

cflesh *cflesh::init(float x, float y, float force) {
    this->x = x;
    this->y = y;
    vx = (rand() % 101 - 50) / 10.0f;
    vy = (rand() % 101 - 50) / 10.0f;
    // Chunks fly on along a bullet's path; an explosion scatters them evenly.
    if (force < 999) {
        vx += BLOW_PUSH * kcosf(force);
        vy += BLOW_PUSH * ksinf(force);
    }
    spin = 0;
    active = true;
    return this;
}

bool cflesh::down() {
    int X = (int)x, Y = (int)y;
    return solid_at(X, Y + 5) || solid_at(X + 4, Y + 5);
}

bool cflesh::up() {
    int X = (int)x, Y = (int)y;
    return solid_at(X, Y - 1) || solid_at(X + 4, Y - 1);
}

bool cflesh::left() {
    int X = (int)x, Y = (int)y;
    return solid_at(X - 1, Y) || solid_at(X - 1, Y + 4);
}

bool cflesh::right() {
    int X = (int)x, Y = (int)y;
    return solid_at(X + 5, Y) || solid_at(X + 5, Y + 4);
}

void cflesh::update() {
    if (!active) return;
    // At rest on a floor: this is the chunk's last tick.
    if (fabsf(vx) < REST_SPEED && fabsf(vy) < REST_SPEED && down()) active = false;

    if (!down()) vy += GRAVITY;

    if (vx != 0) {
        float target = x + vx;
        int w = map.get_width();
        walk(x, target, EDGE, w, [&](int d) { return d > 0 ? !right() : !left(); });
        if (x >= w || x <= EDGE) {
            active = false;
        } else if (x != target) {
            vx *= -BOUNCE;
            vy *= BOUNCE;
        }
    }

    if (vy != 0) {
        float target = y + vy;
        int h = map.get_height();
        walk(y, target, EDGE, h, [&](int d) { return d > 0 ? !down() : !up(); });
        if (y >= h || y <= EDGE) {
            active = false;
        } else if (y != target) {
            vy *= -BOUNCE;
            vx *= BOUNCE;
        }
    }

    spin += 0.025f;

    // A blood trail, thinner at the lower gore settings.
    int divisor = options.get_blood();
    if (divisor > 0 && rand() % divisor == 0) {
        cblood *drop = first_free(blood);
        if (drop) drop->init(x + 1, y + 1);
    }
}

void cflesh::draw() {
    if (!active || !bbuffer || !bflesh) return;
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (rotated_hidden(bbuffer, bflesh, sx, sy)) return;
    spin_sprite(bbuffer, bflesh, sx, sy, ftofix(spin * 40.74));
}
