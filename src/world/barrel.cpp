#include "world/barrel.h"

#include <cstdlib>

#include "effects/flames.h"
#include "effects/rocket.h"
#include "effects/smoke.h"
#include "match/cull.h"
#include "players/player.h"
#include "shell/data.h"
#include "world/map.h"

cbarrel barrels[MAX_BARRELS];

const int BURN_THRESHOLD = 5;  // hits above this set a standing barrel burning
const int FUSE_SPREAD = 20;    // a fuse lasts 0-19 extra updates
bool prop_blocked(int x, int y) {
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (!p.get_active() || p.get_health() <= 0) continue;
        float px = p.get_x(), py = p.get_y();
        if (!(px >= x + 16 || x >= px + 14 || py >= y + 16 || y >= py + 28)) return true;
    }
    return false;
}

void cbarrel::init(int x, int y) {
    health = 0;
    this->x = x;
    this->y = y;
    active = true;
}

void cbarrel::damage(int hit_x, int hit_y, int amount) {
    if (health <= 0) return; // waiting, in its fuse, or gone
    health -= amount;
    if (health > 0) {
        if (amount > BURN_THRESHOLD) flamemgr.create(hit_x, hit_y);
        return;
    }
    health = BARREL_FUSE - rand() % FUSE_SPREAD;
}

void cbarrel::update() {
    if (!active) return;
    if (health == 0) {
        if (prop_blocked(x, y)) return;
        health = BARREL_HEALTH;
        smoke_grid(x, y, 6, PROP_RETURN_PUFFS);
    } else if (health < 0) {
        if (health == BARREL_FUSE) explode();
        health++;
    }
}

void cbarrel::draw() {
    if (!active || !alive() || !bbarrel || !bbuffer) return;
    int sx = x - map.get_xs(), sy = y - map.get_ys();
    if (!sprite_hidden(bbuffer, bbarrel, sx, sy)) draw_sprite(bbuffer, bbarrel, sx, sy);
}

// Nobody is credited: whoever lit the fuse, the barrel did the killing.
void cbarrel::explode() { explosion(x + 8, y + 8, x + 8, y + 8, x, y, nullptr); }
