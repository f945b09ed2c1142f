// Blood drops: fly, fall and splash a few pixels into whatever solid tile they hit.
#include <algorithm>
#include <allegro.h>

#include "match/cull.h"
#include "players/blood.h"
#include "shell/data.h"
#include "world/map.h"
#include "world/walk.h"

cblood blood[MAX_BLOOD];

static const float GRAVITY = 0.15f;
static const int EDGE = -2; // a drop at or beyond this is off the map's top or left

static bool solid_at(int x, int y) { return solid_cell(map.get_map(x, y)); }

// How deep a drop splashes into a surface: mostly 2 pixels, rarely up to 5.
static int splash_depth() {
    int r = rand() % 85;
    if (r <= 63) return 2;
    if (r <= 79) return 3;
    if (r <= 83) return 4;
    return 5;
}

void spill_blood(float x, float y, int n) {
    start_free(blood, n, [&](cblood &drop) { drop.init(x, y); });
}

cblood *cblood::init(float x, float y) {
    this->x = x;
    this->y = y;
    vx = (rand() % 11 - 5) / 10.0f;
    vy = (rand() % 11 - 5) / 10.0f;
    lifetime = BLOOD_LIFETIME;
    active = true;
    frame = rand() & 1;
    settled = false;
    return this;
}

bool cblood::down() {
    int X = (int)x, Y = (int)y;
    return solid_at(X, Y + 2) || solid_at(X + 1, Y + 2);
}

bool cblood::up() {
    int X = (int)x, Y = (int)y;
    return solid_at(X, Y - 1) || solid_at(X + 1, Y - 1);
}

bool cblood::left() {
    int X = (int)x, Y = (int)y;
    return solid_at(X - 1, Y) || solid_at(X - 1, Y + 1);
}

bool cblood::right() {
    int X = (int)x, Y = (int)y;
    return solid_at(X + 2, Y) || solid_at(X + 2, Y + 1);
}

void cblood::update() {
    if (!active) return;
    // The last tick still moves the drop.
    if (lifetime == 0) active = false;
    lifetime -= 1;

    // A still drop on a floor stays as it is: the map does not change under it and only
    // this update moves it (a speed given to it from outside wakes it).
    if (settled) {
        if (vx == 0 && vy == 0) return;
        settled = false;
    }
    if (!down()) {
        vy += GRAVITY;
    } else if (vx == 0 && vy == 0) {
        settled = true;
        return;
    }

    if (vx != 0) {
        float target = x + vx;
        int w = map.get_width();
        walk(x, target, EDGE, w, [&](int d) { return d > 0 ? !right() : !left(); });
        if (x >= w || x <= EDGE) {
            active = false;
        } else if (x != target) {
            x += vx > 0 ? splash_depth() : -splash_depth();
            vx = vy = 0;
        }
    }

    if (vy != 0) {
        float target = y + vy;
        int h = map.get_height();
        walk(y, target, EDGE, h, [&](int d) { return d > 0 ? !down() : !up(); });
        if (y >= h || y <= EDGE) {
            active = false;
        } else if (y != target) {
            y += vy > 0 ? splash_depth() : -splash_depth();
            vx = vy = 0;
        }
    }
}

void cblood::draw() {
    if (!active || !bbuffer) return;
    BITMAP *sprite = bblood[(int)frame & 1];
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (sprite && !sprite_hidden(bbuffer, sprite, sx, sy)) draw_sprite(bbuffer, sprite, sx, sy);
}
