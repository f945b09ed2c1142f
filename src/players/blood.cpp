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

// Two neighbouring pixels, (x, y) and the next one along a row or column, read the same
// cell unless the second one starts a new cell; off the map both read nothing.
static bool solid_row_pair(int x, int y) {
    return solid_at(x, y) || ((x < 0 || (x & 15) == 15) && solid_at(x + 1, y));
}
static bool solid_column_pair(int x, int y) {
    return solid_at(x, y) || ((y < 0 || (y & 15) == 15) && solid_at(x, y + 1));
}

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

bool cblood::down() { return solid_row_pair((int)x, (int)y + 2); }

bool cblood::up() { return solid_row_pair((int)x, (int)y - 1); }

bool cblood::left() { return solid_column_pair((int)x - 1, (int)y); }

bool cblood::right() { return solid_column_pair((int)x + 2, (int)y); }

void cblood::move() {
    settled = false;
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
