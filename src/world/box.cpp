#include "world/box.h"

#include <cstdlib>

#include "effects/particle.h"
#include "effects/smoke.h"
#include "match/cull.h"
#include "match/game.h"
#include "match/turn.h"
#include "shell/data.h"
#include "world/barrel.h"
#include "world/map.h"

cbox boxes[MAX_BOXES];

const int SPLINTER_THRESHOLD = 5; // surviving hits above this throw splinters
const int SPLINTERS = 5;
const int BOX_BROKEN = -1500;     // health right after breaking
const int PLANKS_GONE = -1200;    // planks fly while health is below this

void cbox::init(int x, int y) {
    this->x = x;
    this->y = y;
    health = 0;
    active = true;
}

void cbox::damage(int hit_x, int hit_y, int amount) {
    if (health <= 0) return;
    health -= amount;
    if (health <= 0) {
        health = BOX_BROKEN;
        for (int i = 0; i < 4; i++) {
            plank_angle[i] = (float)(rand() % 63 - 31) / 10;
            plank_x[i] = x;
            plank_y[i] = y + 7;
            plank_vx[i] = (float)(rand() % 21 - 10) / 10;
            plank_vy[i] = -(float)(rand() % 21) / 10;
        }
        play_pair(sbox, x, y);
    } else if (amount > SPLINTER_THRESHOLD) {
        spawn_particles(hit_x, hit_y, false, SPLINTERS);
    }
}

void cbox::update() {
    if (!active) return;
    if (health == 0) {
        if (prop_blocked(x, y)) return;
        health = BOX_HEALTH;
        smoke_grid(x, y, 6, PROP_RETURN_PUFFS);
    } else if (health < 0) {
        health++;
        if (health < PLANKS_GONE)
            for (int i = 0; i < 4; i++) {
                plank_angle[i] += (i % 2 == 0) ? 0.05f : -0.05f;
                plank_x[i] += plank_vx[i];
                plank_y[i] += plank_vy[i];
                plank_vy[i] += 0.1f;
            }
    }
}

void cbox::draw() {
    if (!active || !bbuffer) return;
    if (health > 0) {
        int sx = x - map.get_xs(), sy = y - map.get_ys();
        if (bbox && !sprite_hidden(bbuffer, bbox, sx, sy)) draw_sprite(bbuffer, bbox, sx, sy);
    } else if (health < PLANKS_GONE) {
        if (!bplank) return;
        for (int i = 0; i < 4; i++) {
            int sx = (int)plank_x[i] - map.get_xs(), sy = (int)plank_y[i] - map.get_ys();
            if (!rotated_hidden(bbuffer, bplank, sx, sy))
                spin_sprite(bbuffer, bplank, sx, sy, ftofix(plank_angle[i] * 40.74));
        }
    }
}
