// krag-bench: speed figures for the largest shipped map, one name=value per line.
#include <algorithm>
#include <allegro.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench.h"
#include "effects/flames.h"
#include "effects/grenade.h"
#include "effects/particle.h"
#include "effects/rocket.h"
#include "effects/shell.h"
#include "effects/smoke.h"
#include "match/game.h"
#include "match/sim.h"
#include "players/blood.h"
#include "players/flesh.h"
#include "players/player.h"
#include "shell/datadir.h"
#include "shell/data.h"
#include "shell/options.h"
#include "weapons/bullet.h"
#include "weapons/laser.h"
#include "world/map.h"

typedef std::chrono::steady_clock clk;

static double since(clk::time_point t0) {
    return std::chrono::duration<double, std::micro>(clk::now() - t0).count();
}

// A random open point of the map (not inside a sight-blocking cell).
static void open_point(float &x, float &y) {
    for (int tries = 0; tries < 1000; tries++) {
        x = (float)(rand() % map.get_width());
        y = (float)(rand() % map.get_height());
        if (!sight_cell(map.get_map((int)x, (int)y))) return;
    }
}

// Every slot of every effect pool busy, as in the busiest moment a match can reach.
static void saturate() {
    float x, y;
    cplayer *owner = &players[1];
    for (int i = 0; i < MAX_BLOOD; i++) { open_point(x, y); blood[i].init(x, y); }
    for (int i = 0; i < MAX_SMOKE; i++) { open_point(x, y); smoke[i].init(x, y); }
    for (int i = 0; i < MAX_FLAMES1; i++) { open_point(x, y); flames1[i].init(x, y, i & 1); }
    for (int i = 0; i < MAX_FLAMES2; i++) {
        open_point(x, y);
        flames2[i].init(x, y, (rand() % 628) / 100.0f - 3.14f, owner);
    }
    for (int i = 0; i < MAX_BULLETS; i++) {
        open_point(x, y);
        bullets[i].init((rand() % 628) / 100.0f - 3.14f, x, y, 10, i % 8 == 0, owner);
    }
    for (int i = 0; i < MAX_PARTICLES; i++) { open_point(x, y); particles[i].init(x, y, i & 1); }
    for (int i = 0; i < MAX_SHELLS; i++) { open_point(x, y); shells[i].init(x, y, i & 1, i % 5 == 0); }
    for (int i = 0; i < MAX_FLESH; i++) { open_point(x, y); flesh[i].init(x, y, NO_FORCE); }
    for (int i = 0; i < MAX_FIRE; i++) { open_point(x, y); fire[i].init(0, (int)x, (int)y, i & 1); }
}

static double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

static void report(const char *name, double value, const char *unit_budget, double budget) {
    printf("%s=%.3f\n", name, value);
    printf("headroom_%s=%.1f\n", name, budget / value);
    (void)unit_budget;
}

int main(int argc, char **argv) {
    if (!enter_data_dir("krag-bench", "")) return 1;
    if (argc > 1 && strncmp(argv[1], "--child", 7) == 0) return bench_display_child(argc, argv);
    sim_start_headless();
    destroy_bitmap(bbuffer);
    bbuffer = nullptr;
    std::vector<std::string> missing = load_data();
    if (!missing.empty()) {
        fprintf(stderr, "krag-bench: missing %s\n", missing[0].c_str());
        return 1;
    }
    srand(1);
    map.load();
    if (map.get_nm() == 0) {
        fprintf(stderr, "krag-bench: no playable map in krm/\n");
        return 1;
    }
    // The largest map by area.
    int best = 0;
    long best_area = -1;
    for (int i = 0; i < map.get_nm(); i++) {
        options.level = i;
        if (!map.init()) continue;
        long area = (long)map.get_width() * map.get_height();
        map.deinit();
        if (area > best_area) { best_area = area; best = i; }
    }
    options.level = best;
    options.bots = 5;
    options.skill = 0;
    if (!game.init()) return 1;
    char name[11];
    map.get_name(best, name);
    printf("map=%s\n", name);

    // Typical: five bots fighting after everybody has spawned.
    for (int t = 0; t < 3000; t++) game.world_tick();
    const int TICKS = 20000;
    clk::time_point t0 = clk::now();
    for (int t = 0; t < TICKS; t++) game.world_tick();
    double tick_typical = since(t0) / TICKS;

    const int FRAMES = 300;
    t0 = clk::now();
    for (int f = 0; f < FRAMES; f++) {
        game.world_tick();
        players[0].player_screen();
        game.draw_world();
    }
    double frame_typical = (since(t0) - tick_typical * FRAMES) / FRAMES / 1000.0;

    // Saturated: every pool full at the start of each measured tick. One tick is short,
    // so the median of many rounds is reported; it shrugs off a busy neighbour.
    const int ROUNDS = 200;
    std::vector<double> ticks, draws;
    for (int r = 0; r < ROUNDS; r++) {
        saturate();
        t0 = clk::now();
        game.draw_world();
        draws.push_back(since(t0));
        saturate();
        t0 = clk::now();
        game.world_tick();
        ticks.push_back(since(t0));
    }
    double tick_saturated = median(ticks);
    double frame_saturated = median(draws) / 1000.0;

    report("tick_typical_us", tick_typical, "us", 10000.0);
    report("tick_saturated_us", tick_saturated, "us", 10000.0);
    report("frame_typical_ms", frame_typical, "ms", 10.0);
    report("frame_saturated_ms", frame_saturated, "ms", 10.0);
    game.quit();
    fflush(stdout);
    bench_display((executable_dir() + "/krag-bench").c_str());
    return 0;
}
