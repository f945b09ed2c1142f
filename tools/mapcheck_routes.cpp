// krag-mapcheck --routes OUT.png FILE: plays seeded five-bot deathmatches on a map and
// shows where the bots went. The picture (the map's size, transparent where nothing
// happened, meant to lie over the map) tints every cell by the time bots spent in it,
// frames in red each cell where a bot stopped moving for STUCK_TICKS, marks in blue
// the floor cells no bot ever stood on, and writes at each spawn point how long a bot
// starting there took to its first fight. The same facts are printed as lines:
//   FILE: stuck at cell X,Y (N times)
//   FILE: no bot reached cells X1-X2,Y
//   FILE: spawn N at cell X,Y: first fight after S s (median of K lives)
// Cells are counted from 0 at the top-left, as the Tiled editor shows them.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mapcheck.h"
#include "match/game.h"
#include "match/replay.h"
#include "match/sim.h"
#include "players/player.h"
#include "pngsave.h"
#include "shell/datadir.h"
#include "shell/options.h"
#include "world/map.h"

const int ROUTE_MATCHES = 4;          // seeds 1 to 4, the skills taking turns
const long ROUTE_MATCH_TICKS = 18000; // three minutes of world time each
const int STUCK_TICKS = 1000;         // world ticks within STUCK_RADIUS while free to move
const float STUCK_RADIUS = 32.0f;     // pixels, across

// One bot's life as the route tool follows it.
struct follow {
    bool alive;
    float ax, ay; // where it last moved away from
    int still;    // world ticks within the radius
    int spawn;    // the spawn point this life began at, -1 unknown
    long born;    // world tick of the spawn
    bool fought;
    int health;
};

struct routes {
    const mapfile *mf;
    int cols, rows;
    std::vector<long> visits; // world ticks a bot spent in each cell
    std::vector<int> stuck;   // times a bot got stuck in each cell
    std::vector<std::vector<long>> first_fight; // per spawn point: ticks to the first fight

    long &visit(int c, int r) { return visits[(size_t)r * cols + c]; }
};

// The cell a player stands in: the middle of its 14x28 body.
static bool body_cell(const cplayer &p, const routes &rt, int &c, int &r) {
    c = ((int)p.x + 7) / 16;
    r = ((int)p.y + 14) / 16;
    return p.x >= -7 && p.y >= -14 && c < rt.cols && r < rt.rows;
}

static void watch_bot(cplayer &p, follow &f, routes &rt, long t, bool frozen) {
    bool alive = p.active && p.health > 0;
    if (!alive) {
        f.alive = false;
        return;
    }
    if (!f.alive) {
        f = follow{true, p.x, p.y, 0, -1, t, false, p.health};
        // It has had one tick to move since it was put there: the nearest spawn point.
        float best = 16;
        for (int s = 0; s < map.get_nsp(); s++) {
            float d = std::hypot(map.get_spx(s) - p.x, map.get_spy(s) - p.y);
            if (d < best) best = d, f.spawn = s;
        }
    }
    int c, r;
    if (body_cell(p, rt, c, r)) rt.visit(c, r)++;
    // A bot's first shot of an engagement ends its idle hold (-1); a hit lowers health.
    if (!f.fought && (p.hold != -1 || p.health < f.health)) {
        f.fought = true;
        if (f.spawn >= 0) rt.first_fight[f.spawn].push_back(t - f.born);
    }
    f.health = p.health;
    // Jumping on the spot against a wall is going nowhere too: only the way along counts.
    if (frozen || p.hold > 0 || std::fabs(p.x - f.ax) > STUCK_RADIUS) {
        f.ax = p.x;
        f.ay = p.y;
        f.still = 0;
    } else if (++f.still == STUCK_TICKS && body_cell(p, rt, c, r)) {
        // Named by the cell it stands in when it lands, not where a jump has taken it.
        while (r + 1 < rt.rows && !grid_solid(*rt.mf, c, r + 1)) r++;
        rt.stuck[(size_t)r * rt.cols + c]++;
    }
}

static void play(int seed, int level, routes &rt) {
    srand((unsigned)seed);
    options.level = level;
    options.bots = 5;
    options.gametype = GT_DEATHMATCH;
    options.kills = 25;
    options.skill = seed % 3;
    if (!game.init()) return;
    cmatchstats stats;
    follow f[MAX_PLAYERS] = {};
    for (long t = 0; t < ROUTE_MATCH_TICKS;) {
        if (!stats.update()) continue;
        t++;
        bool frozen = game.winner() != -1; // a decided match freezes everybody
        for (int i = 1; i < MAX_PLAYERS; i++)
            watch_bot(players[i], f[i], rt, t, frozen);
    }
    game.quit();
}

// Floor cells: free to stand in, on solid ground, with room for a body above.
static bool floor_cell(const mapfile &mf, int c, int r) {
    return !grid_solid(mf, c, r) && !grid_solid(mf, c, r - 1) && r + 1 < mf.height / 16 &&
           grid_solid(mf, c, r + 1);
}

static int opaque(int r, int g, int b, int a) { return makeacol32(r, g, b, a); }

int routes_main(const char *picture, const char *file) {
    std::string out = absolute_path(picture), path = absolute_path(file);
    static mapfile mf;
    if (!read_checked_map(file, mf)) return 1;
    // The game's own code plays the matches: it finds its data as the game does.
    if (!enter_data_dir("krag-mapcheck", "")) return 1;
    sim_start_headless();
    map.load();
    int level = map.add_file(path);
    if (level < 0) return 1;

    routes rt;
    rt.mf = &mf;
    rt.cols = mf.width / 16;
    rt.rows = mf.height / 16;
    rt.visits.assign((size_t)rt.cols * rt.rows, 0);
    rt.stuck.assign(rt.visits.size(), 0);
    rt.first_fight.resize(mf.nsp);
    for (int seed = 1; seed <= ROUTE_MATCHES; seed++) play(seed, level, rt);

    BITMAP *bmp = create_bitmap_ex(32, mf.width, mf.height);
    clear_to_color(bmp, 0); // transparent
    long most = *std::max_element(rt.visits.begin(), rt.visits.end());
    int stuck_cells = 0;
    for (int r = 0; r < rt.rows; r++)
        for (int c = 0; c < rt.cols; c++) {
            int x = c * 16, y = r * 16;
            long v = rt.visit(c, r);
            if (v > 0) // square root, so that rarely visited cells still show
                rectfill(bmp, x, y, x + 15, y + 15,
                         opaque(255, 120, 0, 50 + (int)(150 * std::sqrt((double)v / most))));
            else if (floor_cell(mf, c, r))
                rectfill(bmp, x + 2, y + 2, x + 13, y + 13, opaque(40, 90, 255, 170));
        }
    // Text second, so that no tint covers it.
    for (int r = 0; r < rt.rows; r++) {
        for (int c = 0; c < rt.cols; c++) {
            int n = rt.stuck[(size_t)r * rt.cols + c];
            if (n == 0) continue;
            stuck_cells++;
            printf("%s: stuck at cell %d,%d (%d time%s)\n", file, c, r, n, n == 1 ? "" : "s");
            int x = c * 16, y = r * 16;
            rect(bmp, x - 1, y - 1, x + 16, y + 16, opaque(255, 0, 0, 255));
            rect(bmp, x, y, x + 15, y + 15, opaque(255, 0, 0, 255));
            textprintf_ex(bmp, font, x + 18, y + 4, opaque(255, 40, 40, 255), opaque(0, 0, 0, 200),
                          "stuck %dx", n);
        }
        for (int c = 0; c < rt.cols; c++) {
            if (!floor_cell(mf, c, r) || rt.visit(c, r) > 0) continue;
            int end = c;
            while (end + 1 < rt.cols && floor_cell(mf, end + 1, r) && rt.visit(end + 1, r) == 0) end++;
            if (end > c)
                printf("%s: no bot reached cells %d-%d,%d\n", file, c, end, r);
            else
                printf("%s: no bot reached cell %d,%d\n", file, c, r);
            c = end;
        }
    }
    int k = 0;
    for (int r = 0; r < rt.rows; r++)
        for (int c = 0; c < rt.cols; c++) {
            char ch = mf.grid[c][r];
            if (ch < 'A' || ch > 'G') continue;
            std::vector<long> &t = rt.first_fight[k];
            char label[32];
            if (t.empty()) {
                printf("%s: spawn %d at cell %d,%d: no fight seen\n", file, k + 1, c, r);
                snprintf(label, sizeof label, "%d: -", k + 1);
            } else {
                std::sort(t.begin(), t.end());
                double s = t[t.size() / 2] / 100.0;
                printf("%s: spawn %d at cell %d,%d: first fight after %.1f s (median of %d lives)\n",
                       file, k + 1, c, r, s, (int)t.size());
                snprintf(label, sizeof label, "%d: %.1fs", k + 1, s);
            }
            textout_ex(bmp, font, label, c * 16, r * 16 - 9, opaque(255, 255, 255, 255),
                       opaque(0, 120, 0, 220));
            k++;
        }
    std::string why;
    bool saved = save_png(out.c_str(), bmp, 1, true, why);
    destroy_bitmap(bmp);
    if (!saved) {
        printf("%s: cannot write %s: %s\n", file, out.c_str(), why.c_str());
        return 1;
    }
    printf("%s: %d matches of %ld s with 5 bots; %d cell%s where bots got stuck; picture in %s\n",
           file, ROUTE_MATCHES, ROUTE_MATCH_TICKS / 100, stuck_cells, stuck_cells == 1 ? "" : "s",
           out.c_str());
    return stuck_cells ? 3 : 0;
}
