// The replay list's figures: 50 replays of the longest match a file may hold.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "bench.h"
#include "match/replay.h"
#include "match/replayfile.h"
#include "shell/options.h"
#include "shell/replays.h"
#include "world/map.h"

typedef std::chrono::steady_clock clk;

static double ms_since(clk::time_point t0) {
    return std::chrono::duration<double, std::milli>(clk::now() - t0).count();
}

// Six hours of restless input: the pointer moves on every tick, keys change often.
static std::string longest_replay() {
    creplay_header h;
    std::string err, bytes;
    if (!replay_header_now(1, h, err) || !creplay_writer::header(h, bytes)) return "";
    creplay_writer w;
    unsigned r = 1;
    ctick_input in{0, 320, 240, 0, false};
    for (long t = 1; t <= REPLAY_MAX_TICKS; t++) {
        r = r * 1103515245u + 12345u;
        in.x += (int)((r >> 8) % 31) - 15;
        in.y += (int)((r >> 16) % 31) - 15;
        if (in.x < 0 || in.x > 639) in.x = 320;
        if (in.y < 0 || in.y > 479) in.y = 240;
        if ((r >> 24) % 8 == 0) in.actions = (r >> 4) & 0x3f;
        w.tick(in, bytes);
        if (t % REPLAY_CHECK_TICKS == 0) w.checksum(r, bytes);
    }
    w.trailer("ticks=" + std::to_string(REPLAY_MAX_TICKS) + " winner=-1 kills=0,0", bytes);
    return bytes;
}

void bench_replay_list() {
    char tmpl[] = "/tmp/krag-bench-replays-XXXXXX";
    if (!mkdtemp(tmpl)) return;
    std::string home = tmpl, dir = home + "/krag/replays";
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    std::string bytes = longest_replay(), first = dir + "/2026-01-01_00-00-00_BENCH.krr";
    if (bytes.empty() || system(("mkdir -p " + dir).c_str()) != 0) return;
    FILE *f = fopen(first.c_str(), "wb");
    if (!f) return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    // The other 49 are links to the same bytes: the list cannot tell them apart.
    for (int i = 2; i <= 50; i++)
        if (link(first.c_str(), (dir + "/2026-01-01_00-00-00_BENCH-" + std::to_string(i) + ".krr").c_str()) != 0)
            return;

    clk::time_point t0 = clk::now();
    replays.init();
    while (replays.ready < (int)replays.files.size())
        replays.fill(1000000000L);
    double list_ms = ms_since(t0);
    // The list's rows used to read every file whole; one such read, for comparison.
    t0 = clk::now();
    creplay whole;
    std::string err;
    read_replay_file(first, whole, err);
    double whole_ms = ms_since(t0);

    printf("replay_file_mb=%.1f\n", bytes.size() / 1048576.0);
    printf("replay_list_50_ms=%.3f\n", list_ms);
    printf("replay_whole_read_ms=%.1f\n", whole_ms);
    system(("rm -rf " + home).c_str());
}
