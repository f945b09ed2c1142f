// Power-up pickups and the manager that drops them into the map now and then.
#include <algorithm>
#include <allegro.h>
#include <cmath>

#include "effects/smoke.h"
#include "match/cull.h"
#include "match/pool.h"
#include "players/player.h"
#include "players/powerup.h"
#include "shell/data.h"
#include "shell/options.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"
#include "world/walk.h"

cpowerup powerups[MAX_POWERUPS];
cpumgr pumgr;

static const int NUM_KINDS = 5;
static const float GRAVITY = 0.15f;
static const float SETTLE_SPEED = 0.2f; // slower than this a landing pickup stops bouncing
static const int SMOKE_PUFFS = 16;
static const int SMOKE_PER_ROW = 4;

static bool kind_enabled(int kind) {
    switch (kind) {
    case PU_HEALTH:
        return options.get_health();
    case PU_GRENADES:
        return options.get_grenades();
    case PU_FIRERATE:
        return options.get_firerate();
    case PU_HEATSEEK:
        return options.get_heatseek();
    case PU_SLOWMOTION:
        return options.get_slowmotion();
    default:
        return false;
    }
}

void cpumgr::update() {
    bool any = false;
    for (int k = 0; k < NUM_KINDS; k++)
        any = any || kind_enabled(k);
    if (!any) return;
    if (countdown != 0) {
        countdown -= 1;
        return;
    }

    int cols = map.get_width() / 16, rows = map.get_height() / 16;
    if (cols > 0 && rows > 0) {
        int px = (rand() % cols) * 16;
        int py = (rand() % rows) * 16;
        // There must be ground (or an invisible barrier) somewhere below.
        int probe = py + 16;
        while (probe < map.get_height() && !sight_cell(map.get_map(px, probe)))
            probe += 16;
        if (probe < map.get_height() && location(px, py)) {
            int kind;
            do
                kind = rand() % NUM_KINDS;
            while (!kind_enabled(kind));
            cpowerup *slot = first_free(powerups);
            if (slot) slot->init(px, py, kind);
        }
    }
    countdown = POWERUP_INTERVAL;
}

bool cpumgr::location(int px, int py) {
    if (solid_cell(map.get_map(px, py))) return false;
    for (int i = 0; i < MAX_BOXES && boxes[i].get_active(); i++)
        if (boxes[i].alive() && boxes[i].get_x() == px && boxes[i].get_y() == py) return false;
    for (int i = 0; i < MAX_BARRELS && barrels[i].get_active(); i++)
        if (barrels[i].alive() && barrels[i].get_x() == px && barrels[i].get_y() == py)
            return false;
    return true;
}

void cpowerup::init(float x, float y, int kind) {
    this->x = x;
    this->y = y;
    this->kind = kind;
    vy = 0;
    lifetime = POWERUP_LIFETIME;
    active = true;
    smoke_grid(x, y, SMOKE_PER_ROW, SMOKE_PUFFS);
}

bool cpowerup::down() {
    int X = (int)x, Y = (int)y;
    if (solid_cell(map.get_map(X, Y + 10)) || solid_cell(map.get_map(X + 9, Y + 10))) return true;
    for (int i = 0; i < MAX_BOXES && boxes[i].get_active(); i++) {
        cbox &b = boxes[i];
        if (b.alive() && Y + 10 == b.get_y() && X + 9 >= b.get_x() && b.get_x() + 15 >= X)
            return true;
    }
    for (int i = 0; i < MAX_BARRELS && barrels[i].get_active(); i++) {
        cbarrel &b = barrels[i];
        if (b.alive() && Y + 10 == b.get_y() && X + 9 >= b.get_x() && b.get_x() + 15 >= X)
            return true;
    }
    return false;
}

cplayer *cpowerup::target() {
    float cx = x + 5, cy = y + 5;
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (p.get_active() && p.get_health() > 0 && p.get_x() <= cx && cx < p.get_x() + 14 &&
            p.get_y() <= cy && cy < p.get_y() + 28)
            return &p;
    }
    return nullptr;
}

void cpowerup::update() {
    if (!active) return;
    // Still collectable on its last tick.
    if (lifetime == 0) active = false;
    lifetime -= 1;

    if (!down()) vy += GRAVITY;

    if (vy != 0) {
        float target_y = y + vy;
        int h = map.get_height();
        // no ceiling test on the way up
        walk(y, target_y, -INFINITY, h, [&](int d) { return (d < 0 || !down()) && !target(); });
        if (y >= h) {
            active = false;
        } else if (y != target_y && !target()) {
            if (fabsf(vy) < SETTLE_SPEED)
                vy = 0;
            else
                vy *= -0.5f;
        }
    }

    cplayer *p = target();
    if (p) {
        p->powerup(kind);
        active = false;
    }
}

void cpowerup::draw() {
    if (!active || !bbuffer || kind < 0 || kind >= NUM_KINDS || !bpowerup[kind]) return;
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (!sprite_hidden(bbuffer, bpowerup[kind], sx, sy))
        draw_sprite(bbuffer, bpowerup[kind], sx, sy);
}
