#include "effects/shell.h"

#include <allegro.h>
#include <cmath>
#include <cstdlib>

#include "match/cull.h"
#include "match/events.h"
#include "match/game.h"
#include "match/kmath.h"
#include "match/turn.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/sound.h"
#include "world/map.h"
#include "world/walk.h"

cshell shells[MAX_SHELLS];

static const float SHELL_GRAVITY = 0.15f;
static const float SHELL_BOUNCE = 0.7f; // speed kept by a bounce
static const float SHELL_REST = 0.5f;   // below this on a floor the shell lies flat
static const float SHELL_SPIN = 0.05f;  // radians per tick while moving

static bool solid_at(int x, int y) { return solid_cell(map.get_map(x, y)); }

void cshell::init(float x, float y, bool leftward, bool big) {
    spin = 0;
    this->x = x;
    this->y = y;
    int r = rand() % 21;
    vx = leftward ? -r / 10.0 : r / 10.0;
    vy = -(rand() % 21) / 10.0;
    lifetime = SHELL_LIFETIME;
    active = true;
    this->big = big;
}

// A shell is a short stick from (x, y) to one pixel along its spin; each side test
// probes beside both ends. All the tests of one update ask about the same spin, so the
// last spin's sine and cosine are kept: a pure function of the spin, nothing of the world.
static void spin_direction(float spin, double &s, double &c) {
    static float last = 0;
    static double last_s = 0, last_c = 1;
    if (spin != last) {
        ksincos(spin, last_s, last_c);
        last = spin;
    }
    s = last_s;
    c = last_c;
}

bool cshell::down() {
    double s, c;
    spin_direction(spin, s, c);
    int ex = (int)(x + c), ey = (int)(y + s);
    return solid_at((int)x, (int)y + 1) || solid_at(ex, ey + 1);
}

bool cshell::up() {
    double s, c;
    spin_direction(spin, s, c);
    int ex = (int)(x + c), ey = (int)(y + s);
    return solid_at((int)x, (int)y - 1) || solid_at(ex, ey - 1);
}

bool cshell::right() {
    double s, c;
    spin_direction(spin, s, c);
    int ex = (int)(x + c), ey = (int)(y + s);
    return solid_at((int)x + 1, (int)y) || solid_at(ex + 1, ey);
}

bool cshell::left() {
    double s, c;
    spin_direction(spin, s, c);
    int ex = (int)(x + c), ey = (int)(y + s);
    return solid_at((int)x - 1, (int)y) || solid_at(ex - 1, ey);
}

// Asks for the slow-motion state on every bounce, but only a shell on screen is heard.
static void clink(float x, float y) {
    SAMPLE *sample = sshell[game.slowmotion() > 0 ? 1 : 0];
    announce_near_sound(sample, x, y);
}

void cshell::update() {
    if (!active) return;

    // The slot is freed here but the shell still moves this tick.
    if (lifetime == 0) active = false;
    lifetime--;

    if (!down()) vy += SHELL_GRAVITY;

    float target = x + vx;
    walk(x, target, -2, map.get_width(), [&](int d) { return d > 0 ? !right() : !left(); });
    if (x >= map.get_width() || x <= -2) {
        active = false;
        return;
    }
    if (x != target) {
        vx = -SHELL_BOUNCE * vx;
        vy = SHELL_BOUNCE * vy;
        clink(x, y);
    }

    target = y + vy;
    walk(y, target, -2, map.get_height(), [&](int d) { return d > 0 ? !down() : !up(); });
    if (y >= map.get_height() - 1 || y <= -1) {
        active = false;
        return;
    }
    if (y != target) {
        vy = -SHELL_BOUNCE * vy;
        vx = SHELL_BOUNCE * vx;
        clink(x, y);
    }

    if (fabs(vx) < SHELL_REST && fabs(vy) < SHELL_REST && down()) {
        spin = vx = vy = 0; // lies flat
    } else {
        spin += SHELL_SPIN;
    }
}

void cshell::draw() {
    BITMAP *sprite = bshell[big ? 1 : 0];
    if (!active || !sprite || !bbuffer) return;
    int sx = (int)x - map.get_xs(), sy = (int)y - map.get_ys();
    if (turned_hidden(bbuffer, sprite, sx, sy, 0, 0)) return;
    turn_sprite(bbuffer, sprite, sx, sy, 0, 0, ftofix(spin * 40.74));
}
