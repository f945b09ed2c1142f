// krag-mapshot: draws a whole map, as the game draws it screen by screen, into one
// picture (BMP, PCX or TGA by the file's extension), for the map gallery and for map
// design. Options: --scale N shrinks the picture N times; --marks writes the spawn
// points and bot route marks over it; --heat SECONDS plays a five-bot deathmatch that
// long and tints every cell by how often a bot stood there.
#include <allegro.h>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "number.h"
#include "match/game.h"
#include "match/sim.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/datadir.h"
#include "shell/options.h"
#include "world/barrel.h"
#include "world/box.h"
#include "world/map.h"
#include "shell/say.h"

static void usage() {
    fprintf(stderr, "usage: krag-mapshot [--scale 1-8] [--marks] [--heat SECONDS] [--seed N]\n"
                    "                    MAP.krm OUT.bmp|OUT.pcx|OUT.tga\n");
    exit(2);
}

int main(int argc, char **argv) {
    long scale = 1, heat = 0, seed = 1;
    bool marks = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&]() -> const char * {
            if (i + 1 >= argc) usage();
            return argv[++i];
        };
        if (a == "--scale") {
            if (!number(value(), 1, 8, scale)) usage();
        } else if (a == "--heat") {
            if (!number(value(), 1, 36000, heat)) usage();
        } else if (a == "--seed") {
            if (!number(value(), 0, UINT_MAX, seed)) usage();
        } else if (a == "--marks") {
            marks = true;
        } else if (!a.empty() && a[0] == '-') {
            usage();
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) usage();
    // The picture goes where the caller asked, before we move beside the executable.
    std::string out = files[1];
    if (out[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) out = std::string(cwd) + "/" + out;
    }

    // The data as the game finds it (the build tree, an install, KRAG_DATA).
    if (!enter_data_dir("krag-mapshot", "")) return 1;

    sim_start_headless();
    std::vector<std::string> missing = load_data();
    if (!missing.empty()) {
        say("krag-mapshot: missing %s", missing[0].c_str());
        return 1;
    }
    map.load();
    const std::string &want = files[0];
    size_t slash = want.rfind('/');
    std::string base = slash == std::string::npos ? want : want.substr(slash + 1);
    int found = -1;
    for (int i = 0; i < map.get_nm(); i++)
        if (base == map.names[i]) found = i;
    if (found < 0) {
        say("krag-mapshot: map %s is not in the list of playable maps", base.c_str());
        return 2;
    }
    srand((unsigned)seed);
    options.level = found;
    options.bots = 5;
    options.gametype = 0;
    options.kills = 25;
    if (!game.init()) {
        say("krag-mapshot: the map could not be loaded");
        return 1;
    }
    int w = map.get_width(), h = map.get_height();
    int cols = w / 16, rows = h / 16;

    // Where the bots stood, one count per cell and world tick.
    std::vector<long> visits(cols * rows, 0);
    long most = 0;
    for (long t = 0; t < heat * 100; t++) {
        game.update();
        for (int i = 1; i < MAX_PLAYERS; i++) {
            cplayer &p = players[i];
            if (!p.active || p.health <= 0) continue;
            int c = ((int)p.x + 7) / 16, r = ((int)p.y + 14) / 16;
            if (c < 0 || c >= cols || r < 0 || r >= rows) continue;
            long v = ++visits[r * cols + c];
            if (v > most) most = v;
        }
    }
    if (heat == 0) game.update(); // props take their look on their first tick
    // The picture shows the map as loaded: props whole, nobody in it.
    for (int i = 0; i < MAX_PLAYERS; i++)
        players[i].active = false;

    BITMAP *whole = create_bitmap(w, h);
    for (int y = 0; y < h; y += 480)
        for (int x = 0; x < w; x += 640) {
            int cx = x + 640 <= w ? x : w - 640;
            int cy = y + 480 <= h ? y : h - 480;
            map.set_screen(cx, cy);
            clear_to_color(bbuffer, 0);
            map.draw();
            for (int i = 0; i < MAX_BARRELS; i++)
                barrels[i].draw();
            for (int i = 0; i < MAX_BOXES; i++)
                boxes[i].draw();
            blit(bbuffer, whole, 0, 0, cx, cy, 640, 480);
        }

    if (most > 0) {
        drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
        for (int r = 0; r < rows; r++)
            for (int c = 0; c < cols; c++) {
                long v = visits[r * cols + c];
                if (v == 0) continue;
                // Square root so that rarely visited cells still show.
                int a = 60 + (int)(190 * std::sqrt((double)v / most));
                set_trans_blender(0, 0, 0, a);
                rectfill(whole, c * 16, r * 16, c * 16 + 15, r * 16 + 15, makecol(255, 0, 0));
            }
        solid_mode();
    }
    if (marks)
        for (int r = 0; r < rows; r++)
            for (int c = 0; c < cols; c++) {
                char ch = map.grid[c][r];
                if (ch < 'A' || ch > 'O') continue;
                int colour = ch <= 'G' ? makecol(255, 255, 0) : makecol(255, 255, 255);
                rectfill(whole, c * 16 + 3, r * 16 + 3, c * 16 + 12, r * 16 + 12, 0);
                textprintf_ex(whole, font, c * 16 + 4, r * 16 + 4, colour, -1, "%c", ch);
            }

    BITMAP *shot = whole;
    if (scale > 1) {
        shot = create_bitmap(w / scale, h / scale);
        stretch_blit(whole, shot, 0, 0, w, h, 0, 0, w / scale, h / scale);
    }
    PALETTE pal;
    get_palette(pal);
    int rc = save_bitmap(out.c_str(), shot, pal);
    if (rc != 0) say("krag-mapshot: cannot write %s", out.c_str());
    if (shot != whole) destroy_bitmap(shot);
    destroy_bitmap(whole);
    game.quit();
    return rc != 0 ? 1 : 0;
}
