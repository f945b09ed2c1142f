// The map list's start-up figure: a player's map folder of 500 small map files.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "bench.h"
#include "world/map.h"

typedef std::chrono::steady_clock clk;

const int USER_MAPS = 500;

// The smallest shipped map's bytes: the player's folder is filled with copies of it.
static std::string smallest_map() {
    std::string best;
    off_t best_size = -1;
    DIR *d = opendir("krm");
    if (!d) return "";
    while (struct dirent *e = readdir(d)) {
        std::string name = e->d_name;
        struct stat st;
        if (name.size() < 5 || name.compare(name.size() - 4, 4, ".krm") != 0) continue;
        if (stat(("krm/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (best_size < 0 || st.st_size < best_size) best_size = st.st_size, best = name;
    }
    closedir(d);
    if (best.empty()) return "";
    std::ifstream in("krm/" + best, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The median of five builds of the list, in milliseconds.
static double list_ms(const char *user_dir) {
    std::vector<double> runs;
    for (int i = 0; i < 5; i++) {
        clk::time_point t0 = clk::now();
        map.load(user_dir);
        runs.push_back(std::chrono::duration<double, std::milli>(clk::now() - t0).count());
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

void bench_map_list() {
    char tmpl[] = "/tmp/krag-bench-maps-XXXXXX";
    std::string bytes = smallest_map();
    if (bytes.empty() || !mkdtemp(tmpl)) return;
    std::string dir = tmpl;
    for (int i = 1; i <= USER_MAPS; i++) {
        char name[32];
        snprintf(name, sizeof(name), "/m%04d.krm", i);
        std::ofstream(dir + name, std::ios::binary) << bytes;
    }
    double shipped = list_ms(nullptr);
    double user = list_ms(dir.c_str());
    printf("startup_maps_ms=%.2f\n", shipped);
    printf("startup_%d_maps_ms=%.2f\n", USER_MAPS, user);
    map.load(); // the shipped list again, as the other figures found it
    system(("rm -rf " + dir).c_str());
}
