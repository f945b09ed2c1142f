#ifndef KRAG_WORLD_MAP_H
#define KRAG_WORLD_MAP_H

#include <allegro.h>
#include <string>

#include "world/mapfile.h"
#include "world/mapname.h"

const int MAX_MAPS = 32;

// Collision classes of a cell character (read as a signed byte).
inline bool solid_cell(int code) { return (signed char)code > 96; }
inline bool sight_cell(int code) { return (signed char)code > 90; }

// How far past the edge of its box a sight march may test a point, in pixels. The march
// runs while its position is inside the box and tests the next point, one step (at most
// a pixel) on; the position that ends it is itself one step past the last inside, and
// the point tested after the loop one more: under 2 px in exact sums. The float error of
// those few sums and of the box test is below a thousandth of a pixel on any map, but it
// can land a point exactly on 2 px, so a whole pixel more is kept spare. A body lying
// further than this beyond the box is never reached and need not be walked.
const float SIGHT_REACH = 3;

class cmap {
  public:
    int height;   // pixels
    int nm;       // names in the map list
    int nfound;   // *.krm files seen by load(), playable or not
    int nsp;      // spawn points
    int spawn_x[MAP_MAX_SPAWNS], spawn_y[MAP_MAX_SPAWNS];
    int width;                               // pixels
    int camx, camy;                          // world pixel at the screen's top-left corner
    char grid[MAP_MAX_CELLS][MAP_MAX_CELLS]; // [column][row]
    char names[MAX_MAPS][MAP_NAME_MAX + 1];
    bool user[MAX_MAPS]; // the entry is one of the player's own maps
    bool relief;
    BITMAP *background;           // 16 x height gradient strip
    BITMAP *tiles[MAP_MAX_TILES]; // images for 'a'..'z'
    std::string problem;          // why the last init() failed, for the player
    // The whole map drawn once (gradient and tiles), width x height; each frame copies
    // its view out of it. Up to 16 MB for the largest map in 32-bit colour: one blit a
    // frame instead of a scrolling cache's bookkeeping. Null: frames draw directly.
    BITMAP *layer;

    cmap();
    // Builds the sorted list of playable maps in krm/ (the first MAX_MAPS by name), plus
    // the player's own in user_dir (if given); a player's map with a shipped map's name
    // takes its place. Every file left out is named on stderr with the reason.
    void load(const char *user_dir = nullptr);
    // Builds the list again from the same folders (maps added or removed since show up),
    // keeping the chosen map (options.level) on the same file when it is still there.
    void reload();
    std::string path(int index); // the file of list entry index
    // Puts a map file from anywhere into the list (after load()), in place of a listed
    // map of the same name or at the end; returns its index, or -1 with the reason in
    // `problem` (the faults are also named on stderr) when it cannot be played.
    int add_file(const std::string &file);
    int get_nm() { return nm; }
    int get_nfound() { return nfound; }
    void get_name(int index, char *out); // out holds 11 bytes
    int find(const char *file);          // index of a listed map file ("arena.krm"), or -1
    bool init();   // reads the chosen map (options.get_level()); false if it cannot be used
    // The cell under a pixel, 0 outside the map. Inline: every moving thing asks it
    // for every pixel it moves.
    int get_map(int x, int y) {
        if (x < 0 || x >= width || y < 0 || y >= height) return 0;
        int c = x / 16, r = y / 16;
        if (c >= MAP_MAX_CELLS || r >= MAP_MAX_CELLS) return 0;
        return (unsigned char)grid[c][r];
    }
    int get_width() { return width; }
    int get_height() { return height; }
    int get_nsp() { return nsp; }
    int get_spx(int i) { return spawn_x[i]; }
    int get_spy(int i) { return spawn_y[i]; }

    int get_xs() { return camx; }
    int get_ys() { return camy; }
    void set_screen(int x, int y) {
        camx = x;
        camy = y;
    }
    void draw();
    void prerender();          // builds the layer from the grid, tiles and background
    void damage(int x, int y); // a shot hit terrain here
    void deinit();
    // Stores one grid cell and places what it stands for: a box, a barrel, a spawn point.
    void set_cell(int c, int r, char ch);

    // True when a world point lies inside the camera rectangle (bounds included).
    bool in_view(float x, float y) {
        return camx <= x && x <= camx + 640 && camy <= y && y <= camy + 480;
    }
};

extern cmap map;

#endif
