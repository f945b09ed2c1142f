#ifndef KRAG_WORLD_BOX_H
#define KRAG_WORLD_BOX_H

const int MAX_BOXES = 32;
const int BOX_HEALTH = 75;

class cbox {
  public:
    float plank_angle[4];
    float plank_x[4], plank_y[4];
    float plank_vx[4], plank_vy[4];
    int x, y;   // top-left, map pixels
    int health; // 0 waiting, 1-75 standing, -1500..-1201 planks flying, -1200..-1 waiting to return
    bool active;

    void init(int x, int y);
    void reset() { active = false; }
    int get_x() { return x; }
    int get_y() { return y; }
    bool get_active() { return active; }
    bool alive() { return health > 0; }
    void damage(int hit_x, int hit_y, int amount);
    void update();
    void draw();
};

extern cbox boxes[MAX_BOXES];

#endif
