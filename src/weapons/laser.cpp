#include "weapons/laser.h"

#include <allegro.h>
#include <cmath>
#include <cstdlib>

#include "match/drawrand.h"
#include "match/kmath.h"
#include "players/player.h"
#include "shell/data.h"
#include "weapons/spans.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"

claser laser[MAX_LASERS];

static const int LASER_DAMAGE = 100; // kills at full health, destroys any standing prop

// The beam point n pixels out along (c, s), the beam's cosine and sine, truncated to the
// map pixel it lies in.
static void beam_point(const claser &l, double c, double s, int n, int &px, int &py) {
    px = (int)(l.x + (double)n * c);
    py = (int)(l.y + (double)n * s);
}

void claser::init(float angle, float x, float y, cplayer *owner) {
    this->angle = angle;
    this->x = x;
    this->y = y;
    this->owner = owner;
    length = 0;
    timer = LASER_TICKS;

    // The whole beam is traced at once; it is bounded by the map edge.
    double s, c;
    ksincos(angle, s, c);
    int px, py;
    beam_point(*this, c, s, length, px, py);
    while (screen(px, py) && !sight_cell(map.get_map(px, py)) && !player(px, py) &&
           !barrel(px, py) && !box(px, py)) {
        length++;
        beam_point(*this, c, s, length, px, py);
    }

    // Walls, invisible barriers and the map edge just end the beam.
    if (cplayer *p = player(px, py))
        p->damage(LASER_DAMAGE, angle, owner);
    else if (cbarrel *b = barrel(px, py))
        b->damage(0, 0, LASER_DAMAGE);
    else if (cbox *b = box(px, py))
        b->damage(0, 0, LASER_DAMAGE);
}

// Solid while fresh, then thinning out into sparse dots as the timer runs down. Each
// shown step is a 2x2 square; they are drawn as runs along the beam.
void claser::draw() {
    if (timer <= 0 || !bbuffer) return;
    int colour = makecol(255, 128, 0);
    int odds = 51 - timer; // never below 1 while the timer stays within its 50 ticks
    double dx = cos((double)angle), dy = sin((double)angle);
    static cspans spans;
    spans.begin(bbuffer, fabs(dy) > fabs(dx), colour);
    float qx = x, qy = y;
    for (int n = 0; n < length; n++) {
        bool shown = odds > 0 ? draw_rand() % odds <= 4 : true;
        if (shown) {
            int sx = (int)qx - map.get_xs();
            int sy = (int)qy - map.get_ys();
            int sy2 = draw_rand() & 1 ? sy + 1 : sy - 1;
            int sx2 = draw_rand() & 1 ? sx + 1 : sx - 1;
            spans.square(sx, sy, sx2, sy2);
        }
        qx = (float)(qx + dx);
        qy = (float)(qy + dy);
    }
    spans.end();
}

bool claser::screen(int px, int py) {
    return 0 <= px && px < map.get_width() && 0 <= py && py < map.get_height();
}

bool claser::enemy(int i, float px, float py) {
    cplayer &p = players[i];
    return p.get_x() <= px && px < p.get_x() + 14 && p.get_y() <= py && py < p.get_y() + 28;
}

cplayer *claser::player(int px, int py) {
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        if (p.get_active() && p.get_health() > 0 && &p != owner && enemy(i, (float)px, (float)py))
            return &p;
    }
    return nullptr;
}

cbarrel *claser::barrel(int px, int py) {
    for (int i = 0; i < MAX_BARRELS && barrels[i].get_active(); i++) {
        cbarrel &b = barrels[i];
        if (b.alive() && b.get_x() <= px && px < b.get_x() + 16 && b.get_y() <= py &&
            py < b.get_y() + 16)
            return &b;
    }
    return nullptr;
}

cbox *claser::box(int px, int py) {
    for (int i = 0; i < MAX_BOXES && boxes[i].get_active(); i++) {
        cbox &b = boxes[i];
        if (b.alive() && b.get_x() <= px && px < b.get_x() + 16 && b.get_y() <= py &&
            py < b.get_y() + 16)
            return &b;
    }
    return nullptr;
}
