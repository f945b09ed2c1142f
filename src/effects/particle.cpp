#include "effects/particle.h"

#include <allegro.h>
#include <cstdlib>

#include "match/cull.h"
#include "shell/data.h"
#include "world/map.h"
#include "world/walk.h"

cparticle particles[MAX_PARTICLES];

static const int HEAVY_LIFETIME = 50; // ticks
static const float PARTICLE_GRAVITY = 0.15f;

static bool sight_at(int x, int y) { return sight_cell(map.get_map(x, y)); }

void cparticle::init(float x, float y, bool floating) {
    this->x = x;
    this->y = y;
    if (floating) {
        vx = (rand() % 5 - 2) / 10.0;
        vy = (rand() % 5 - 2) / 10.0;
        lifetime = rand() % 30;
    } else {
        vx = (rand() % 11 - 5) / 10.0;
        vy = (rand() % 11 - 5) / 10.0;
        lifetime = HEAVY_LIFETIME;
    }
    this->floating = floating;
    sprite = rand() & 1;
    active = true;
}

void cparticle::update() {
    if (!active) return;

    // The slot is freed here but the particle still moves this tick.
    if (lifetime == 0) active = false;
    lifetime--;

    if (!floating && !sight_at((int)x, (int)y + 1)) vy += PARTICLE_GRAVITY;

    float target = x + vx;
    walk(x, target, -1, map.get_width(), [&](int d) { return !sight_at((int)x + d, (int)y); });
    if (x >= map.get_width() || x <= -1) {
        active = false;
        return;
    }
    if (x != target) vx = 0; // against a wall: slide down it

    target = y + vy;
    walk(y, target, -1, map.get_height(), [&](int d) { return !sight_at((int)x, (int)y + d); });
    if (y >= map.get_height() || y <= -1) {
        active = false;
        return;
    }
    if (y != target) vx = vy = 0; // landed: stops dead
}

void cparticle::draw() {
    BITMAP *sprite_bmp = bparticle[sprite & 1];
    if (!active || !sprite_bmp || !bbuffer) return;
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (!sprite_hidden(bbuffer, sprite_bmp, sx, sy)) draw_sprite(bbuffer, sprite_bmp, sx, sy);
}

void spawn_particles(float x, float y, bool floating, int n) {
    start_free(particles, n, [&](cparticle &p) { p.init(x, y, floating); });
}
