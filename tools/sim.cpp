// krag-sim: whole matches without a display or sound, as fast as the CPU allows,
// with the real game code and the data folders beside the executable.
#include <allegro.h>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "number.h"
#include "match/game.h"
#include "match/replay.h"
#include "match/sim.h"
#include "players/player.h"
#include "shell/datadir.h"
#include "shell/files.h"
#include "shell/options.h"
#include "world/map.h"
#include "sim_replay.h"
#include "sim_join.h"
#include "sim_rollback.h"
#include "shell/say.h"

static void usage() {
    fprintf(stderr,
            "usage: krag-sim [--map FILE.krm] [--type 0-3] [--bots 1-5] [--skill 0-2]\n"
            "                [--kills 1-25] [--ticks N] [--seed N]\n"
            "                [--force slowmotion|heatseek|firerate] [--check] [--stuck]\n"
            "                [--record FILE.krr [--restless]]\n"
            "                [--trace N] [--rollback-check D]\n"
            "       krag-sim --replay FILE.krr [--map FILE.krm] [--update]\n"
            "       krag-sim --replay A.krr B.krr [--map FILE.krm]\n"
            "       krag-sim --join HOST[:PORT] [--restless] [--link DELAY_MS:JITTER_MS:LOSS_PCT]\n"
            "  --check   verify the match invariants every tick (exit 4 on a broken one)\n"
            "  --stuck   report bots that stay within 32 px for over 20 s unplanted,\n"
            "            and spawn areas never left (exit 3 when any)\n"
            "  --force   keep giving every player that power-up\n"
            "  --record  write the match to a replay file; --restless: the human presses\n"
            "            keys and moves the pointer at random instead of standing still\n"
            "  --replay  play a recorded match and compare it with its recording: exit 0\n"
            "            same result, 1 different, 2 bad file, 3 unfinished recording;\n"
            "            --update writes the file anew with this game's results;\n"
            "            --map: the map file it needs, when it is in no map folder; with\n"
            "            two files, plays both and names the first tick after which\n"
            "            their worlds differ and the part that does: exit 0 when\n"
            "            they never do, 1 when they do or one is longer\n"
            "  --trace   print tick=T sum=CHECKSUM of the world every N ticks\n"
            "  --rollback-check D  slots 0 and 2 are scripted humans; every tick the\n"
            "            world runs 1 to D ticks ahead on wrong inputs and comes back:\n"
            "            exit 0 when it ends as the straight run, 1 naming the first tick\n"
            "            and part of the world that differ\n"
            "  --join    play a human slot of a network match (standing still, or the\n"
            "            scripted player with --restless), through a bad link with\n"
            "            --link; prints the result line with the world's hash: exit 0\n"
            "            decided, 1 refused, host gone or out of step\n");
    exit(2);
}

// Bot movement watch: a bot that stays within STUCK_RADIUS for STUCK_TICKS world
// ticks while not planted by its own hold is stuck.
const int STUCK_TICKS = 2000;
const float STUCK_RADIUS = 32.0f;

struct watch {
    float ax, ay;   // anchor
    int still;      // world ticks within the radius
    bool reported;
    bool was_alive;
    int spawn;      // spawn point index this life began at, -1 unknown
    bool left_spawn;
};

int main(int argc, char **argv) {
    ignore_file_size_signal(); // a file-size limit fails a write instead of killing us
    std::string mapname, mapfile;
    long type = -1, bots = -1, skill = -1, kills = -1, ticks = 60000, seed = 1, trace = 0;
    long rollback = 0;
    int force = -1;
    bool check = false, stuck = false, restless = false, update = false;
    std::string record, replay, other, join;
    clink_settings link;
    bool lossy = false;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&]() -> const char * {
            if (i + 1 >= argc) usage();
            if (!argv[i + 1][0]) {
                say("krag-sim: %s: empty value", argv[i]);
                exit(2);
            }
            return argv[++i];
        };
        if (a == "--map") mapname = value(), mapfile = absolute_path(mapname);
        else if (a == "--type") { if (!number(value(), 0, 3, type)) usage(); }
        else if (a == "--bots") { if (!number(value(), 1, 5, bots)) usage(); }
        else if (a == "--skill") { if (!number(value(), 0, 2, skill)) usage(); }
        else if (a == "--kills") { if (!number(value(), 1, 25, kills)) usage(); }
        else if (a == "--ticks") { if (!number(value(), 0, LONG_MAX / 2, ticks)) usage(); }
        else if (a == "--seed") { if (!number(value(), 0, UINT_MAX, seed)) usage(); }
        else if (a == "--trace") { if (!number(value(), 1, LONG_MAX / 2, trace)) usage(); }
        else if (a == "--rollback-check") { if (!number(value(), 1, 64, rollback)) usage(); }
        else if (a == "--check") check = true;
        else if (a == "--record") record = absolute_path(value());
        else if (a == "--restless") restless = true;
        else if (a == "--replay") {
            replay = absolute_path(value());
            if (i + 1 < argc && argv[i + 1][0] != '-') other = absolute_path(value());
        }
        else if (a == "--update") update = true;
        else if (a == "--join") join = value();
        else if (a == "--link") { if (!parse_link(value(), link)) usage(); lossy = true; }
        else if (a == "--stuck") stuck = true;
        else if (a == "--force") {
            std::string k = value();
            if (k == "slowmotion") force = PU_SLOWMOTION;
            else if (k == "heatseek") force = PU_HEATSEEK;
            else if (k == "firerate") force = PU_FIRERATE;
            else usage();
        } else usage();
    }

    // The data as the game finds it (the build tree, an install, KRAG_DATA).
    if (!enter_data_dir("krag-sim", "")) return 1;

    // A replay carries its own settings: nothing else goes with it but its map's file.
    if (!replay.empty() &&
        argc != 3 + (update ? 1 : 0) + (mapname.empty() ? 0 : 2) + (other.empty() ? 0 : 1))
        usage();
    if (update && !other.empty()) usage();
    if (update && replay.empty()) usage();
    if (!join.empty()) {
        // The host chooses everything else.
        if (!record.empty() || !replay.empty() || rollback || check || stuck || trace || force >= 0 ||
            type >= 0 || bots >= 0 || skill >= 0 || kills >= 0 || !mapname.empty())
            usage();
    } else if (lossy) {
        usage();
    }
    if (restless && record.empty() && join.empty()) usage();
    if (rollback && (!record.empty() || check || stuck || trace)) usage();
    if (!record.empty() && force >= 0) {
        say("krag-sim: --force gives power-ups no replay could repeat; not with --record");
        return 2;
    }

    sim_start_headless();
    srand((unsigned)seed);
    map.load();
    if (map.get_nm() == 0) {
        if (map.get_nfound() > 0)
            say("krag-sim: %d map file%s found in krm/, all refused", map.get_nfound(),
                    map.get_nfound() == 1 ? "" : "s");
        else
            say("krag-sim: no playable map in krm/");
        return 1;
    }
    if (!join.empty()) {
        std::string user_maps = user_map_dir();
        if (!user_maps.empty()) map.load(user_maps.c_str());
        return join_main(join, restless, lossy ? &link : nullptr, (unsigned)seed);
    }
    if (!replay.empty()) {
        // A match recorded on one of the player's own maps finds it as the game does.
        std::string user_maps = user_map_dir();
        if (!user_maps.empty()) map.load(user_maps.c_str());
        if (!mapfile.empty() && map.add_file(mapfile) < 0) {
            say("krag-sim: %s cannot be used: %s", mapfile.c_str(), map.problem.c_str());
            return 2;
        }
        return other.empty() ? replay_main(replay, update) : compare_main(replay, other);
    }
    if (type >= 0) options.gametype = (int)type;
    if (bots >= 0) options.bots = (int)bots;
    if (skill >= 0) options.skill = (int)skill;
    if (kills >= 0) options.kills = (int)kills;
    if (!mapname.empty()) {
        const char *base = strrchr(mapname.c_str(), '/');
        base = base ? base + 1 : mapname.c_str();
        int found = map.find(base);
        if (found < 0) {
            say("krag-sim: map %s is not in the list of playable maps", base);
            return 2;
        }
        options.level = found;
    }
    if (rollback) game.humans = options.bots >= 2 ? 0b101 : 0b1;
    if (!game.init()) {
        say("krag-sim: the map could not be loaded");
        return 1;
    }
    if (rollback) return rollback_main(rollback, ticks, (unsigned)seed, force);

    crecorder recorder;
    if (!record.empty() && !recorder.open_file(record, (uint32_t)seed)) return 1;
    crestless human((unsigned)seed);

    cmatchstats stats;
    watch w[MAX_PLAYERS] = {};
    int stuck_events = 0;
    std::string broken;
    int nsp = map.get_nsp();
    bool spawn_left[MAP_MAX_SPAWNS] = {};
    bool spawn_used[MAP_MAX_SPAWNS] = {};

    for (long t = 0; t < ticks; t++) {
        if (force >= 0 && t % 200 == 0)
            for (int i = 0; i < MAX_PLAYERS; i++)
                if (players[i].active && players[i].health > 0) players[i].powerup(force);
        if (restless) input.set(human.next());
        bool moved = stats.update();
        if (trace && (t + 1) % trace == 0) printf("tick=%ld sum=%08x\n", t + 1, sim_checksum());
        recorder.tick(game.given);
        if (!moved) continue;
        if (check && broken.empty()) {
            broken = sim_check_invariants();
            if (!broken.empty()) {
                say("krag-sim: tick %ld: %s", t, broken.c_str());
                break;
            }
        }
        if (stuck) {
            bool frozen = game.winner() != -1; // a decided match freezes everybody
            for (int i = 1; i < MAX_PLAYERS; i++) {
                cplayer &p = players[i];
                watch &b = w[i];
                bool alive = p.active && p.health > 0;
                if (!alive) {
                    b.was_alive = false;
                    continue;
                }
                if (!b.was_alive) {
                    b = watch{p.x, p.y, 0, false, true, -1, false};
                    for (int s = 0; s < nsp; s++)
                        if (std::fabs(map.get_spx(s) - p.x) < 1 && std::fabs(map.get_spy(s) - p.y) < 1)
                            b.spawn = s;
                    if (b.spawn >= 0) spawn_used[b.spawn] = true;
                    continue;
                }
                if (b.spawn >= 0 && !b.left_spawn &&
                    std::hypot(p.x - map.get_spx(b.spawn), p.y - map.get_spy(b.spawn)) > 48) {
                    b.left_spawn = true;
                    spawn_left[b.spawn] = true;
                }
                if (frozen || p.hold > 0 || std::hypot(p.x - b.ax, p.y - b.ay) > STUCK_RADIUS) {
                    b.ax = p.x;
                    b.ay = p.y;
                    b.still = 0;
                    b.reported = false;
                } else if (++b.still > STUCK_TICKS && !b.reported) {
                    b.reported = true;
                    stuck_events++;
                    printf("stuck bot=%d x=%d y=%d tick=%ld\n", i, (int)p.x, (int)p.y, t);
                }
            }
        }
    }

    if (stuck)
        for (int s = 0; s < nsp; s++)
            if (spawn_used[s] && !spawn_left[s]) {
                stuck_events++;
                printf("stuck spawn=%d x=%d y=%d never left\n", s, map.get_spx(s), map.get_spy(s));
            }

    printf("world_ticks=%ld\n", stats.world_ticks);
    printf("%s\n", stats.line().c_str());
    recorder.close(stats.line());
    fflush(stdout);
    game.quit();
    if (!broken.empty()) return 4;
    if (stuck && stuck_events) return 3;
    return 0;
}
