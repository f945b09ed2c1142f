#include "match/replay.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "match/game.h"
#include "players/player.h"
#include "shell/datadir.h"
#include "shell/input.h"
#include "world/map.h"

#ifndef KRAG_VERSION
#define KRAG_VERSION "unknown"
#endif

crecording recording;
cplayback playback;

std::string replay_dir() { return xdg_path("XDG_DATA_HOME", ".local/share", "krag/replays"); }

std::string absolute_path(const std::string &file) {
    if (file.empty() || file[0] == '/') return file;
    char cwd[4096];
    if (!getcwd(cwd, sizeof cwd)) return file;
    return std::string(cwd) + "/" + file;
}

// mkdir -p; false with errno set when a part cannot be made.
static bool make_dirs(const std::string &dir) {
    for (size_t i = 1; i <= dir.size(); i++) {
        if (i < dir.size() && dir[i] != '/') continue;
        std::string part = dir.substr(0, i);
        struct stat st;
        if (stat(part.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                errno = ENOTDIR;
                return false;
            }
            continue;
        }
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

std::vector<std::string> list_replays(const std::string &dir) {
    struct entry {
        std::string path;
        long long mtime; // nanoseconds: two matches may end in the same second
    };
    std::vector<entry> found;
    DIR *d = opendir(dir.c_str());
    if (d) {
        while (dirent *e = readdir(d)) {
            size_t n = strlen(e->d_name);
            if (n < 5 || strcmp(e->d_name + n - 4, ".krr") != 0) continue;
            std::string path = dir + "/" + e->d_name;
            struct stat st;
            if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                found.push_back(
                    entry{path, (long long)st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec});
        }
        closedir(d);
    }
    std::sort(found.begin(), found.end(), [](const entry &a, const entry &b) {
        if (a.mtime != b.mtime) return a.mtime > b.mtime;
        return a.path > b.path;
    });
    std::vector<std::string> paths;
    for (const entry &e : found)
        paths.push_back(e.path);
    return paths;
}

template <class T> static void mix(uint32_t &h, T v) { h = fnv1a(&v, sizeof v, h); }

uint32_t world_checksum() {
    uint32_t h = fnv1a(nullptr, 0);
    for (int i = 0; i < MAX_PLAYERS; i++) {
        cplayer &p = players[i];
        mix(h, (int)p.active);
        if (!p.active) continue;
        mix(h, p.health);
        mix(h, p.kills);
        // A body waiting to spawn keeps the place of an earlier life (or match), which
        // nothing reads until the spawn moves it.
        if (p.health <= 0) continue;
        mix(h, p.x);
        mix(h, p.y);
    }
    int counts[POOL_COUNT];
    sim_count_live(counts);
    for (int k = 0; k < POOL_COUNT; k++)
        mix(h, counts[k]);
    return h;
}

bool file_checksum(const std::string &path, uint32_t &sum) {
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return false;
    sum = fnv1a(nullptr, 0);
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        sum = fnv1a(buf, n, sum);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool replay_header_now(uint32_t seed, creplay_header &h, std::string &err) {
    h.version = REPLAY_VERSION;
    h.game_version = KRAG_VERSION;
    creplay_settings &s = h.settings;
    s.gametype = options.gametype;
    s.bots = options.bots;
    s.skill = options.skill;
    s.kills = options.kills;
    s.blood = options.blood;
    s.hair = options.hair;
    s.shirt = options.shirt;
    s.pants = options.pants;
    s.health = options.health;
    s.grenades = options.grenades;
    s.firerate = options.firerate;
    s.heatseek = options.heatseek;
    s.slowmotion = options.slowmotion;
    int level = options.get_level();
    if (level < 0 || level >= map.get_nm()) {
        err = "no map is chosen";
        return false;
    }
    h.map = map.names[level];
    if (!file_checksum(map.path(level), h.map_checksum)) {
        err = "cannot read the map file " + map.path(level);
        return false;
    }
    h.seed = seed;
    return true;
}

// ---- recording ----

static void unrecorded(const std::string &what) {
    fprintf(stderr, "krag: %s; the match is not recorded\n", what.c_str());
}

// Writes all of a string to a file descriptor.
static bool write_all(int fd, const std::string &s) {
    size_t done = 0;
    while (done < s.size()) {
        ssize_t n = write(fd, s.data() + done, s.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += (size_t)n;
    }
    return true;
}

bool crecorder::start(const std::string &file, const creplay_header &h) {
    abandon();
    std::string bytes;
    if (!creplay_writer::header(h, bytes)) {
        unrecorded("the replay header does not fit");
        return false;
    }
    // The header goes in whole or not at all.
    std::string tmp = file + ".tmp";
    int out = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = out >= 0 && write_all(out, bytes);
    int error = errno;
    if (out >= 0 && ::close(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(tmp.c_str(), file.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (ok) {
        fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        error = errno;
    }
    if (!ok || fd < 0) {
        unlink(tmp.c_str());
        unrecorded("cannot write " + file + ": " + strerror(error));
        return false;
    }
    path = file;
    writer.clear();
    pending.clear();
    return true;
}

bool crecorder::open_file(const std::string &file, uint32_t seed) {
    creplay_header h;
    std::string err;
    if (!replay_header_now(seed, h, err)) {
        unrecorded(err);
        return false;
    }
    return start(file, h);
}

bool crecorder::open_in(const std::string &dir, uint32_t seed) {
    abandon();
    if (dir.empty()) {
        unrecorded("neither XDG_DATA_HOME nor HOME is set, so there is no replay folder");
        return false;
    }
    if (!make_dirs(dir)) {
        unrecorded("cannot make the replay folder " + dir + ": " + strerror(errno));
        return false;
    }
    creplay_header h;
    std::string err;
    if (!replay_header_now(seed, h, err)) {
        unrecorded(err);
        return false;
    }

    // 2026-12-08_14-03-22_ARENA.krr; a second match in the same second gets -2, -3, ...
    char stamp[32], name[11];
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
    map.get_name(options.get_level(), name);
    std::string base = dir + "/" + stamp + "_" + name;
    std::string file = base + ".krr";
    struct stat st;
    for (int n = 2; stat(file.c_str(), &st) == 0 && n < 1000; n++)
        file = base + "-" + std::to_string(n) + ".krr";
    if (!start(file, h)) return false;

    std::vector<std::string> all = list_replays(dir);
    for (size_t i = REPLAYS_KEPT; i < all.size(); i++)
        if (all[i] != path) unlink(all[i].c_str());
    return true;
}

void crecorder::write_out() {
    if (fd >= 0 && !write_all(fd, pending)) {
        fprintf(stderr,
                "krag: cannot write the replay %s: %s; the rest of the match is not "
                "recorded\n",
                path.c_str(), strerror(errno));
        abandon();
    }
    pending.clear();
}

void crecorder::tick(const ctick_input &in) {
    if (fd < 0) return;
    writer.tick(in, pending);
    if (writer.ticks() % REPLAY_CHECK_TICKS == 0) {
        writer.checksum(world_checksum(), pending);
        write_out();
    }
}

void crecorder::close(const std::string &result) {
    if (fd < 0) return;
    writer.trailer(result, pending);
    write_out();
    abandon();
}

void crecorder::abandon() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    pending.clear();
}

bool crecording::init(const std::string &dir) {
    // A fresh seed for every match, drawn from the sequence seeded at start-up.
    uint32_t seed = (uint32_t)rand();
    srand(seed);
    stats.clear();
    if (!game.init()) return false;
    file.open_in(dir, seed);
    return true;
}

void crecording::update() {
    stats.update();
    file.tick(input.now());
}

void crecording::draw() { game.draw(); }

void crecording::quit() {
    file.close(stats.line());
    game.quit();
}

// ---- playback ----

bool cplayback::load(const std::string &path, std::string &err, bool any_map) {
    end();
    cursor.restart();
    if (!read_replay_file(path, replay, err)) return false;
    const std::string &name = replay.header.map;
    int level = map.find(name.c_str());
    if (level < 0) {
        err = "its map " + name + " is not in the map list";
        return false;
    }
    uint32_t sum;
    if (!file_checksum(map.path(level), sum)) {
        err = "its map " + map.path(level) + " cannot be read";
        return false;
    }
    if (sum != replay.header.map_checksum && !any_map) {
        err = "its map " + name + " has changed since the match was recorded";
        return false;
    }
    return true;
}

bool cplayback::begin(std::string &err) {
    end();
    saved = options;
    const creplay_settings &s = replay.header.settings;
    options.gametype = s.gametype;
    options.bots = s.bots;
    options.skill = s.skill;
    options.kills = s.kills;
    options.blood = s.blood;
    options.hair = s.hair;
    options.shirt = s.shirt;
    options.pants = s.pants;
    options.health = s.health;
    options.grenades = s.grenades;
    options.firerate = s.firerate;
    options.heatseek = s.heatseek;
    options.slowmotion = s.slowmotion;
    options.level = map.find(replay.header.map.c_str());

    srand(replay.header.seed);
    stats.clear();
    cursor.restart();
    next_check = 0;
    bad_tick = -1;
    if (!game.init()) {
        game.quit();
        options = saved;
        err = "its map " + replay.header.map + " cannot be loaded";
        return false;
    }
    running = true;
    return true;
}

void cplayback::step() {
    if (!running || cursor.done()) return;
    input.set(cursor.next());
    stats.update();
    while (next_check < replay.checks.size() && replay.checks[next_check].tick <= stats.ticks) {
        const creplay_check &c = replay.checks[next_check++];
        if (c.tick != stats.ticks || bad_tick >= 0) continue;
        uint32_t sum = world_checksum();
        if (sum != c.sum) {
            bad_tick = c.tick;
            bad_recorded = c.sum;
            bad_replayed = sum;
        }
    }
}

void cplayback::end() {
    if (!running) return;
    game.quit();
    options = saved;
    input.clear();
    running = false;
}
