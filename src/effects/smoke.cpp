#include "effects/smoke.h"

#include <allegro.h>
#include <cstdlib>

#include "match/cull.h"
#include "shell/data.h"
#include "world/map.h"

csmoke smoke[MAX_SMOKE];

static const int SMOKE_FADED = 33;     // a puff this dark is gone
static const int SMOKE_FADE = 2;       // shade lost per tick
static const float SMOKE_RISE = 0.01f; // upward pull per tick

void csmoke::init(float x, float y) {
    this->x = x;
    this->y = y;
    vx = (rand() % 5 - 2) / 10.0;
    vy = (rand() % 5 - 2) / 10.0;
    shade = rand() % 255;
    active = true;
}

void csmoke::update() {
    if (!active) return;
    if (shade <= SMOKE_FADED) {
        active = false;
        return;
    }
    x += vx;
    y += vy;
    vy -= SMOKE_RISE;
    shade -= SMOKE_FADE;
}

void csmoke::draw() {
    if (!active || !bbuffer) return;
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (disc_hidden(bbuffer, sx, sy, shade / 32)) return;
    circlefill(bbuffer, sx, sy, shade / 32, makecol(shade, shade, shade));
}

void smoke_grid(float x, float y, int per_row, int count) {
    if (per_row <= 0) return;
    int k = 0;
    start_free(smoke, count, [&](csmoke &puff) {
        puff.init(x + 3 * (k % per_row), y + 3 * (k / per_row));
        k++;
    });
}
