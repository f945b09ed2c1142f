// krag-mapcheck FILE...: reads each map file and loads its tiles the way the game does
// and says whether it can be played (a player's own map in ~/.local/share/krag/krm/
// too). Prints "FILE:LINE: reason" for a broken one, or a summary; "FILE:LINE:
// warning: ..." for oddities that do not stop play.
// Exit status 0 when all are good, 1 when any is bad, 2 on a usage error.
// krag-mapcheck --routes OUT.png FILE and --add-marks FILE: see mapcheck.h.
#include <allegro.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "shell/datadir.h"
#include "shell/image.h"
#include "world/map.h"
#include "world/mapfile.h"
#include "shell/say.h"
#include "mapcheck.h"

// The bmp/ folder tile names are looked up in, with its trailing slash.
static std::string bmp_dir;

static bool is_dir(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// As the game checks a tile, and a word on a picture that is not one cell in size.
static std::string tile_check(const char *name) {
    std::string why;
    BITMAP *b = load_checked_bmp((bmp_dir + name).c_str(), 0, 0, why);
    if (!b) return why;
    char note[160] = "";
    if (b->w != 16 || b->h != 16)
        snprintf(note, sizeof note,
                 "warning: is %dx%d, not 16x16: drawn whole from its cell's corner, and with "
                 "relief only its top-left 16x16 counts",
                 b->w, b->h);
    destroy_bitmap(b);
    return note;
}

// Tiles live in bmp/ beside the maps' folder (krm/../bmp/); else in the game's data
// folder, found as the game finds it; else in ./bmp/.
static std::string bmp_dir_for(const std::string &file) {
    size_t slash = file.rfind('/');
    std::string dir = slash == std::string::npos ? "." : file.substr(0, slash + 1);
    if (dir.empty()) dir = "/";
    std::string beside = dir + "/../bmp/";
    if (is_dir(beside)) return beside;
    static std::string data = find_data_dir("");
    if (!data.empty()) return data + "/bmp/";
    return "bmp/";
}

bool read_checked_map(const char *file, mapfile &mf) {
    bmp_dir = bmp_dir_for(file);
    maperror err;
    if (parse_map_file(file, mf, err, tile_check)) return true;
    printf("%s:%d: %s\n", file, err.line, err.reason.c_str());
    return false;
}

bool grid_solid(const mapfile &mf, int c, int r) {
    if (c < 0 || c >= mf.width / 16 || r < 0 || r >= mf.height / 16) return true;
    return solid_cell(mf.grid[c][r]);
}

static int usage() {
    fprintf(stderr, "usage: krag-mapcheck FILE...\n"
                    "       krag-mapcheck --routes OUT.png FILE\n"
                    "       krag-mapcheck --add-marks FILE...\n");
    return 2;
}

int main(int argc, char **argv) {
    if (argc < 2) return usage();
    bool routes = strcmp(argv[1], "--routes") == 0, marks = strcmp(argv[1], "--add-marks") == 0;
    if ((routes && argc != 4) || (marks && argc < 3) || (!routes && !marks && argv[1][0] == '-'))
        return usage();
    // Tiles go through the library's loader, as in the game; no display is needed.
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        say("krag-mapcheck: cannot start the Allegro library");
        return 2;
    }
    if (routes) return routes_main(argv[2], argv[3]);
    if (marks) {
        int status = 0;
        for (int i = 2; i < argc; i++)
            if (add_marks_main(argv[i]) != 0) status = 1;
        return status;
    }
    static mapfile mf; // large; kept off the stack
    int bad = 0;
    for (int i = 1; i < argc; i++) {
        bmp_dir = bmp_dir_for(argv[i]);
        maperror err;
        std::vector<maperror> warnings;
        bool ok = parse_map_file(argv[i], mf, err, tile_check, &warnings);
        const char *base = strrchr(argv[i], '/');
        base = base ? base + 1 : argv[i];
        if (strlen(base) > (size_t)MAP_NAME_MAX)
            warnings.push_back(maperror{0, "the name is longer than 10 characters before .krm; "
                                           "the game leaves it out"});
        for (const maperror &w : warnings)
            printf("%s:%d: warning: %s\n", argv[i], w.line, w.reason.c_str());
        if (ok) {
            printf("%s: ok %dx%d, %d spawns, %d boxes, %d barrels\n", argv[i], mf.width, mf.height,
                   mf.nsp, mf.nboxes, mf.nbarrels);
        } else {
            printf("%s:%d: %s\n", argv[i], err.line, err.reason.c_str());
            bad++;
        }
    }
    return bad ? 1 : 0;
}
