#ifndef KRAG_WORLD_MAPFILE_H
#define KRAG_WORLD_MAPFILE_H

#include <istream>
#include <string>
#include <vector>

const int MAP_MAX_CELLS = 128; // columns or rows
const int MAP_MAX_SPAWNS = 32;
const int MAP_MAX_TILES = 26;
const int MAP_TILE_NAME_MAX = 16;

// A map file as read from disk, fully checked.
struct mapfile {
    int width, height;           // pixels
    int top[3], bottom[3];       // background gradient colours
    bool relief;                 // shade the tiles
    int ntiles;                  // 0-26
    char tile[MAP_MAX_TILES][MAP_TILE_NAME_MAX + 1];
    char grid[MAP_MAX_CELLS][MAP_MAX_CELLS]; // [column][row]
    int nsp;                     // spawn points found (1-32)
    int nboxes, nbarrels;        // props found in the grid (may exceed 32; extras are ignored)
};

// Where a map file broke a rule: line number (1-based) and reason.
struct maperror {
    int line;
    std::string reason;
};

// Optional check of a tile image: why it cannot be used ("not found", "truncated ...",
// ...), empty when it can; nullptr skips the test. A text starting "warning: " is an
// oddity that does not stop play: it goes to the warnings.
typedef std::string (*tile_check_fn)(const char *name);

// Reads and checks a map from a stream. On failure fills err and returns false;
// never reads or writes outside `out`. Oddities that do not stop play (a grid row
// longer than the width, content after the grid, a spawn point inside a wall) go to
// `warnings` when given.
bool parse_map(std::istream &in, mapfile &out, maperror &err, tile_check_fn tile_check,
               std::vector<maperror> *warnings = nullptr);

// Same for a file, which must be a regular file: a FIFO or a directory is refused
// without blocking, and a file that cannot be opened is named as such.
bool parse_map_file(const char *path, mapfile &out, maperror &err, tile_check_fn tile_check,
                    std::vector<maperror> *warnings = nullptr);

// True when bmp/NAME can be opened (relative to the working directory).
bool tile_in_bmp_folder(const char *name);

#endif
