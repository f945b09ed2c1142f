// krag-mapreport: how long each map takes to decide a deathmatch. For every map in
// krm/ (or the ones named), plays headless matches with the human standing idle and
// prints the simulated minutes until the kill limit is reached: with five bots (and
// the ratio to ARENA's median) and with the default three. Each match runs in a child
// process of its own, so a match here plays out exactly as `krag-sim --seed N` does.
// Exit status 0 when every map meets its targets, 1 when one misses, 2 on a usage error.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "number.h"
#include "match/game.h"
#include "match/sim.h"
#include "shell/datadir.h"
#include "shell/options.h"
#include "world/map.h"
#include "shell/say.h"

static const int TICKS_PER_MINUTE = 6000;
static const int MANY_BOTS = 5;
static const int FEW_BOTS = 3;            // the options screen's default
static const double MAX_RATIO = 1.5;      // five bots: median at most this times ARENA's
static const double MAX_FEW_MINUTES = 10; // three bots: median under this

static void usage() {
    fprintf(stderr, "usage: krag-mapreport [--seeds N] [--kills N] [--skill 0-2] [--jobs N]\n"
                    "                      [--cap MINUTES] [MAP.krm...]\n"
                    "  plays DEATHMATCH on each map for seeds 1..N with 5 and with 3 bots\n"
                    "  and prints the simulated minutes until the kill limit is reached\n");
    exit(2);
}

// One match in this process; the logic tick on which the kill limit was reached, or
// `cap` when it was not reached by then, or -1 when the map could not be loaded.
static long play(int level, int bots, long seed, long cap) {
    srand((unsigned)seed);
    options.gametype = 0;
    options.bots = bots;
    options.level = level;
    if (!game.init()) return -1;
    long t = 0;
    while (t < cap && game.winner() == -1) {
        game.update();
        t++;
    }
    game.quit();
    return t;
}

struct job {
    int map; // index into the report's maps
    int bots;
    long seed;
    long ticks; // result
};

// Runs every job, up to `jobs` children at once; each child reports its ticks as text
// through a pipe.
static bool run_all(std::vector<job> &work, const std::vector<int> &levels, int jobs, long cap) {
    struct child {
        pid_t pid;
        int fd;
        size_t index;
    };
    std::vector<child> running;
    size_t next = 0;
    bool ok = true;
    while (next < work.size() || !running.empty()) {
        while (next < work.size() && (int)running.size() < jobs) {
            int fds[2];
            if (pipe(fds) != 0) {
                perror("krag-mapreport: pipe");
                return false;
            }
            fflush(stdout);
            pid_t pid = fork();
            if (pid < 0) {
                perror("krag-mapreport: fork");
                return false;
            }
            if (pid == 0) {
                close(fds[0]);
                job &j = work[next];
                long t = play(levels[j.map], j.bots, j.seed, cap);
                char line[32];
                int n = snprintf(line, sizeof line, "%ld\n", t);
                if (write(fds[1], line, n) != n) _exit(1);
                _exit(0);
            }
            close(fds[1]);
            running.push_back({pid, fds[0], next});
            next++;
        }
        // Collect the oldest child; matches take similar times, so little is lost.
        child c = running.front();
        running.erase(running.begin());
        char buf[32] = {0};
        ssize_t got = 0, n;
        while (got < (ssize_t)sizeof buf - 1 &&
               (n = read(c.fd, buf + got, sizeof buf - 1 - got)) > 0)
            got += n;
        close(c.fd);
        int status = 0;
        waitpid(c.pid, &status, 0);
        long t = -1;
        if (got > 0) t = strtol(buf, nullptr, 10);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || t < 0) {
            say("krag-mapreport: match on %s with %d bots, seed %ld failed",
                    map.names[levels[work[c.index].map]], work[c.index].bots, work[c.index].seed);
            ok = false;
        }
        work[c.index].ticks = t;
    }
    return ok;
}

static double median(std::vector<long> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    if (n == 0) return 0;
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

static double minutes(double ticks) { return ticks / TICKS_PER_MINUTE; }

int main(int argc, char **argv) {
    long seeds = 10, kills = 20, skill = -1, jobs = 1, cap_minutes = 60;
    std::vector<std::string> wanted;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&]() -> const char * {
            if (i + 1 >= argc) usage();
            return argv[++i];
        };
        if (a == "--seeds") {
            if (!number(value(), 1, 1000, seeds)) usage();
        } else if (a == "--kills") {
            if (!number(value(), 1, 25, kills)) usage();
        } else if (a == "--skill") {
            if (!number(value(), 0, 2, skill)) usage();
        } else if (a == "--jobs") {
            if (!number(value(), 1, 64, jobs)) usage();
        } else if (a == "--cap") {
            if (!number(value(), 1, 600, cap_minutes)) usage();
        } else if (a.size() > 0 && a[0] == '-') {
            usage();
        } else {
            size_t slash = a.rfind('/');
            wanted.push_back(slash == std::string::npos ? a : a.substr(slash + 1));
        }
    }

    // The data folders lie beside the executable.
    // The data as the game finds it (the build tree, an install, KRAG_DATA).
    if (!enter_data_dir("krag-mapreport", "")) return 1;

    sim_start_headless();
    map.load();
    if (skill >= 0) options.skill = (int)skill;
    options.kills = (int)kills;

    // Maps to report, in list order; ARENA is always played as the yardstick.
    std::vector<int> levels;
    int arena = -1;
    for (int i = 0; i < map.get_nm(); i++) {
        bool take = wanted.empty() || strcmp(map.names[i], "arena.krm") == 0;
        for (const std::string &w : wanted)
            if (w == map.names[i]) take = true;
        if (!take) continue;
        if (strcmp(map.names[i], "arena.krm") == 0) arena = (int)levels.size();
        levels.push_back(i);
    }
    for (const std::string &w : wanted) {
        bool found = false;
        for (int i = 0; i < map.get_nm(); i++)
            if (w == map.names[i]) found = true;
        if (!found) {
            say("krag-mapreport: map %s is not in the list of playable maps",
                    w.c_str());
            return 2;
        }
    }
    if (arena < 0) {
        say("krag-mapreport: arena.krm, the yardstick, is not playable");
        return 2;
    }

    std::vector<job> work;
    for (size_t m = 0; m < levels.size(); m++)
        for (int bots : {MANY_BOTS, FEW_BOTS})
            for (long s = 1; s <= seeds; s++)
                work.push_back({(int)m, bots, s, 0});
    long cap = cap_minutes * TICKS_PER_MINUTE;
    if (!run_all(work, levels, (int)jobs, cap)) return 1;

    // Per map and bot count: the results in minutes.
    size_t nm = levels.size();
    std::vector<std::vector<long>> many(nm), few(nm);
    for (const job &j : work)
        (j.bots == MANY_BOTS ? many : few)[j.map].push_back(j.ticks);
    double yard = median(many[arena]);

    printf("DEATHMATCH to %ld kills, human idle, skill %d, seeds 1-%ld; simulated minutes, "
           "median (fastest-slowest)\n\n",
           kills, options.skill, seeds);
    printf("| map | size | 5 bots | 5 bots / ARENA | 3 bots | targets |\n");
    printf("|---|---|---|---|---|---|\n");
    bool all_met = true;
    for (size_t m = 0; m < nm; m++) {
        char name[11];
        map.get_name(levels[m], name);
        // The size, from the first line of the file as the list has it.
        int w = 0, h = 0;
        std::string file = map.path(levels[m]);
        if (FILE *f = fopen(file.c_str(), "r")) {
            if (fscanf(f, "%d %d", &w, &h) != 2) w = h = 0;
            fclose(f);
        }
        auto range = [&](const std::vector<long> &v, char *out, size_t len) {
            long lo = *std::min_element(v.begin(), v.end());
            long hi = *std::max_element(v.begin(), v.end());
            snprintf(out, len, "%.1f (%.1f-%.1f%s)", minutes(median(v)), minutes(lo), minutes(hi),
                     hi >= cap ? "+" : "");
        };
        char a[64], b[64];
        range(many[m], a, sizeof a);
        range(few[m], b, sizeof b);
        double ratio = yard > 0 ? median(many[m]) / yard : 0;
        bool met = ratio <= MAX_RATIO && minutes(median(few[m])) < MAX_FEW_MINUTES;
        all_met = all_met && met;
        printf("| %s | %dx%d | %s | %.2f | %s | %s |\n", name, w, h, a, ratio, b,
               met ? "met" : "MISSED");
    }
    printf("\ntargets: 5 bots within %.1fx ARENA's median; 3 bots under %.0f minutes\n", MAX_RATIO,
           MAX_FEW_MINUTES);
    return all_met ? 0 : 1;
}
