#ifndef KRAG_WORLD_BARREL_H
#define KRAG_WORLD_BARREL_H

const int MAX_BARRELS = 32;
const int BARREL_HEALTH = 100;
const int BARREL_FUSE = -1500; // health at which a destroyed barrel explodes
const int PROP_RESPAWN_TICKS = 1500;

class cbarrel {
  public:
    int health; // 0 waiting to stand, 1-100 standing, below -1500 fuse, -1499..-1 respawn wait
    int x, y;   // top-left, map pixels
    bool active;

    void init(int x, int y);
    void reset() { active = false; }
    int get_x() { return x; }
    int get_y() { return y; }
    bool get_active() { return active; }
    bool alive() { return health > 0 || health < BARREL_FUSE; }
    void damage(int hit_x, int hit_y, int amount);
    void update();
    void draw();
    void explode();
};

extern cbarrel barrels[MAX_BARRELS];

const int PROP_RETURN_PUFFS = 36; // smoke puffs, 6 per row, when a barrel or box stands up

// True when a living player's 14x28 body overlaps the 16x16 prop at (x, y): the prop
// waits to stand up again until the spot is clear.
bool prop_blocked(int x, int y);

#endif
