#ifndef KRAG_SHELL_OPTIONS_H
#define KRAG_SHELL_OPTIONS_H

#include <string>

#include "shell/idle.h"
#include "shell/textfield.h"

// How full screen scales the picture: whole numbers only, or the largest 4:3 picture.
enum { FULLSCREEN_SHARP, FULLSCREEN_FILL };

// When the marker over the human shows.
enum { MARK_SPAWN, MARK_ALWAYS };

// Game settings and the options screen that edits them. Their defaults, ranges and
// file names are the table in shell/settings.cpp.
class coptions {
  public:
    int blood;    // gore divisor 2, 4 or 8 (shown as 200 / blood percent)
    int bots;     // 1-5
    int gametype; // 0 DEATHMATCH, 1 TEAMMATCH, 2 RPG-ARENA, 3 INSTAGIB
    int hair;     // 0 black, 1 brown, 2 yellow
    int kills;    // kill limit 1-25
    int level;    // index in the map list
    int markme;   // marker over the human: MARK_SPAWN after each spawn, MARK_ALWAYS all match
    int pants;    // 0 blue, 1 green, 2 red
    int shirt;
    int skill;        // 0 HARD, 1 MEDIUM, 2 EASY
    int delay;        // ticks a network match holds this machine's input back, 0-4
    std::string name; // the player's name in network matches
    char mapname[11]; // display name of the chosen map
    bool firerate, fps, grenades, health, heatseek;
    bool pause_inactive; // a match pauses when the window loses the focus
    bool latch;           // left button held since it last acted
    bool scaled_pending;  // scaled tick box while the screen is open
    bool is_scaled;       // the 1280x960 window is in use
    bool scaled_available;
    bool slowmotion;
    bool stereo;          // sounds panned by where they come from (off: all centred)
    int fullscreen_scale; // FULLSCREEN_SHARP or FULLSCREEN_FILL
    bool window_pending;
    bool window;
    bool quit;
    int video; // saved video mode: CHOICE_WINDOW, CHOICE_SCALED or CHOICE_FULLSCREEN
    bool replays_asked; // left by the REPLAYS button: the list of recorded matches is next
    // Presses the screen has handled; every change it shows follows one, so the screen
    // is redrawn when this or the pointer moves.
    int presses;
    clook look;

    coptions();
    int get_blood() { return blood; }
    int get_bots() { return bots; }
    int get_gametype() { return gametype; }
    int get_hair() { return hair; }
    int get_kills() { return kills; }
    int get_level() { return level; }
    int get_markme() { return markme; }
    int get_pants() { return pants; }
    int get_shirt() { return shirt; }
    int get_skill() { return skill; }
    bool get_firerate() { return firerate; }
    bool get_fps() { return fps; }
    bool get_pause_inactive() { return pause_inactive; }
    bool get_grenades() { return grenades; }
    bool get_health() { return health; }
    bool get_heatseek() { return heatseek; }
    bool get_slowmotion() { return slowmotion; }
    bool get_window() { return window; }
    bool get_quit() { return quit; }
    int scaled() { return 1 + (is_scaled ? 1 : 0); }
    void enable_scaled(bool on) { scaled_available = on; }

    // the options screen
    void init();
    void update();
    void draw();
    bool changed();

  private:
    ctext_field name_field; // the name as it is typed
    bool escape_latch; // Escape held since the screen opened or the controls screen closed
    void leave();      // BACK: applies a changed video choice and closes the screen
};

extern coptions options;

#endif
