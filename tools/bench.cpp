// krag-bench: speed figures for the largest shipped map, one name=value per line.
#include <algorithm>
#include <allegro.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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
#include "match/world.h"
#include "players/blood.h"
#include "players/flesh.h"
#include "players/player.h"
#include "players/powerup.h"
#include "shell/data.h"
#include "shell/datadir.h"
#include "shell/options.h"
#include "weapons/bullet.h"
#include "weapons/laser.h"
#include "world/map.h"
#include "shell/say.h"

typedef std::chrono::steady_clock clk;

static double since(clk::time_point t0) {
    return std::chrono::duration<double, std::micro>(clk::now() - t0).count();
}

// CPU time this thread has used, in microseconds. World ticks are timed with it: they
// only compute, so on a shared machine the time other programs take the core away is
// left out, where a wall clock would count it.
static double cpu_us() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

// Where saturate() puts things: anywhere on the map, or only inside the camera's view.
static bool in_view_only = false;

// A random open point of the map (not inside a sight-blocking cell).
static void open_point(float &x, float &y) {
    int x0 = 0, y0 = 0, w = map.get_width(), h = map.get_height();
    if (in_view_only) x0 = map.get_xs(), y0 = map.get_ys(), w = 640, h = 480;
    for (int tries = 0; tries < 1000; tries++) {
        x = (float)(x0 + rand() % w);
        y = (float)(y0 + rand() % h);
        if (!sight_cell(map.get_map((int)x, (int)y))) return;
    }
}

static float any_angle() { return (rand() % 628) / 100.0f - 3.14f; }

// Every free slot of every pool taken, as in the busiest moment a match can reach;
// slots still busy from the last tick stay as they are (bullets in flight, say).
static void saturate() {
    float x, y;
    cplayer *owner = &players[1];
#define FILL(pool, N, ...)                                                                         \
    for (int i = 0; i < N; i++)                                                                    \
        if (!pool[i].get_active()) {                                                               \
            open_point(x, y);                                                                      \
            pool[i].init(__VA_ARGS__);                                                             \
        }
    FILL(blood, MAX_BLOOD, x, y);
    FILL(smoke, MAX_SMOKE, x, y);
    FILL(flames1, MAX_FLAMES1, x, y, i & 1);
    FILL(flames2, MAX_FLAMES2, x, y, any_angle(), owner);
    FILL(bullets, MAX_BULLETS, any_angle(), x, y, 10, i % 8 == 0, owner);
    FILL(particles, MAX_PARTICLES, x, y, i & 1);
    FILL(shells, MAX_SHELLS, x, y, i & 1, i % 5 == 0);
    FILL(flesh, MAX_FLESH, x, y, NO_FORCE);
    FILL(fire, MAX_FIRE, 0, (int)x, (int)y, i & 1);
    FILL(rockets, MAX_ROCKETS, any_angle(), x, y, i % 3 == 0, owner);
    FILL(grenades1, MAX_GRENADES1, x, y, any_angle(), 3.0f, owner);
    FILL(grenades2, MAX_GRENADES2, x, y, any_angle(), owner);
    FILL(laser, MAX_LASERS, any_angle(), x, y, owner);
    FILL(powerups, MAX_POWERUPS, x, y, i % 5);
#undef FILL
}

template <class T, int N> static void clear(T (&pool)[N]) {
    for (int i = 0; i < N; i++)
        pool[i].reset();
}

// Every pool but the players and props emptied.
static void clear_pools() {
    clear(blood);
    clear(smoke);
    clear(flames1);
    clear(flames2);
    clear(bullets);
    clear(particles);
    clear(shells);
    clear(flesh);
    clear(fire);
    clear(rockets);
    clear(grenades1);
    clear(grenades2);
    clear(laser);
    clear(powerups);
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
        say("krag-bench: missing %s", missing[0].c_str());
        return 1;
    }
    srand(1);
    map.load();
    if (map.get_nm() == 0) {
        say("krag-bench: no playable map in krm/");
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
        if (area > best_area) {
            best_area = area;
            best = i;
        }
    }
    options.level = best;
    options.bots = 5;
    options.skill = 0;
    if (!game.init()) return 1;
    char name[11];
    map.get_name(best, name);
    printf("map=%s\n", name);

    // Typical: five bots fighting after everybody has spawned; the median of several
    // seeded matches.
    std::vector<double> typical;
    for (int seed = 1; seed <= 5; seed++) {
        srand(seed);
        game.quit();
        if (!game.init()) return 1;
        for (int t = 0; t < 3000; t++)
            game.world_tick();
        const int TICKS = 4000;
        double c0 = cpu_us();
        for (int t = 0; t < TICKS; t++)
            game.world_tick();
        typical.push_back((cpu_us() - c0) / TICKS);
    }
    double tick_typical = median(typical);

    // Going back: saving and restoring the whole world, and a restore followed by 16
    // ticks of the match going on (a rollback's worst honest case).
    csnapshot saved;
    world_save(saved);
    std::vector<double> saves, restores, resims;
    for (int r = 0; r < 200; r++) {
        double c0 = cpu_us();
        world_save(saved);
        double c1 = cpu_us();
        world_restore(saved);
        double c2 = cpu_us();
        saves.push_back(c1 - c0);
        restores.push_back(c2 - c1);
    }
    for (int r = 0; r < 100; r++) {
        double c0 = cpu_us();
        world_restore(saved);
        for (int t = 0; t < 16; t++) game.world_tick();
        resims.push_back(cpu_us() - c0);
    }
    world_restore(saved);
    double save_us = median(saves), restore_us = median(restores), resim16 = median(resims) / 1000;

    // Each frame of the match going on is timed on its own: the median shrugs off a busy
    // neighbour as the tick figures do.
    const int FRAMES = 300;
    std::vector<double> frames;
    clk::time_point t0;
    for (int f = 0; f < FRAMES; f++) {
        game.world_tick();
        players[0].player_screen();
        game.follow();
        t0 = clk::now();
        game.draw_world();
        frames.push_back(since(t0));
    }
    double frame_typical = median(frames) / 1000.0;

    // Saturated: every pool full at the start of each measured tick, bullets already in
    // flight; drawn with everything inside the view. One tick is short, so the median of
    // many rounds is reported; it shrugs off a busy neighbour.
    const int ROUNDS = 200;
    std::vector<double> ticks, draws;
    for (int r = 0; r < ROUNDS; r++) {
        // Everything in view, moved one tick (bullets in flight), the gaps filled again.
        players[0].player_screen();
        game.follow();
        clear_pools();
        in_view_only = true;
        saturate();
        game.world_tick();
        players[0].player_screen();
        game.follow();
        saturate();
        in_view_only = false;
        t0 = clk::now();
        game.draw_world();
        draws.push_back(since(t0));
        saturate();
        double c0 = cpu_us();
        game.world_tick();
        ticks.push_back(cpu_us() - c0);
    }
    double tick_saturated = median(ticks);
    double frame_saturated = median(draws) / 1000.0;

    // The same with every pool full when the world is put back.
    clear_pools();
    saturate();
    world_save(saved);
    resims.clear();
    for (int r = 0; r < 50; r++) {
        double c0 = cpu_us();
        world_restore(saved);
        for (int t = 0; t < 16; t++) game.world_tick();
        resims.push_back(cpu_us() - c0);
    }
    double resim16_saturated = median(resims) / 1000;

    report("tick_typical_us", tick_typical, "us", 10000.0);
    report("tick_saturated_us", tick_saturated, "us", 10000.0);
    report("frame_typical_ms", frame_typical, "ms", 10.0);
    report("frame_saturated_ms", frame_saturated, "ms", 10.0);
    printf("snapshot_bytes=%zu\n", world_bytes());
    printf("save_us=%.2f\nrestore_us=%.2f\nresim16_ms=%.3f\nresim16_saturated_ms=%.3f\n", save_us,
           restore_us, resim16, resim16_saturated);
    double c0 = cpu_us();
    uint64_t print = sim_fingerprint();
    printf("fingerprint=%016llx\nfingerprint_ms=%.2f\n", (unsigned long long)print, (cpu_us() - c0) / 1000);
    game.quit();
    bench_map_list();
    bench_replay_list();
    fflush(stdout);
    bench_display((executable_dir() + "/krag-bench").c_str());
    return 0;
}
