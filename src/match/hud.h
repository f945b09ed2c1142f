#ifndef KRAG_MATCH_HUD_H
#define KRAG_MATCH_HUD_H

const int MARKER_TICKS = 300;

class chud {
  public:
    int killbar; // kill bar length in pixels, 0-100
    int marker;  // ticks left to show the marker over the human
    int weapon;  // weapon the human spawns with; negative while the selector is open

    chud() : killbar(0), marker(0), weapon(1) {}
    void init() { weapon = 1; }
    void select();
    int get_weapon() { return weapon; }
    void update();
    void draw();
};

extern chud hud;

#endif
