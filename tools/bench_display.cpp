// krag-bench's figures that need a real X display: presenting the back buffer in each
// window mode, and what the menu costs while nothing moves against a bare wait loop.
// Each runs in a child process of its own (the library starts once per process, and
// the idle ones are measured from outside through /proc).
#include "bench.h"

#include <algorithm>
#include <allegro.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "shell/data.h"
#include "shell/doubler.h"
#include "shell/menu.h"
#include "shell/options.h"
#include "shell/shell.h"
#include "shell/say.h"

typedef std::chrono::steady_clock clk;

static double median_of(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Milliseconds of one call of f, median of n.
template <class F> static double time_ms(int n, F f) {
    std::vector<double> t;
    for (int i = 0; i < n; i++) {
        clk::time_point t0 = clk::now();
        f();
        t.push_back(std::chrono::duration<double, std::milli>(clk::now() - t0).count());
    }
    return median_of(t);
}

// The game's own start-up and video mode: the plain window, or the doubled one.
static bool start_display(bool doubled) {
    static bool started = false;
    if (!started) {
        init();
        menu.set_choice(CHOICE_FIRST);
        if (!graphics()) return false;
        started = true;
    }
    if (!doubled) return true;
    options.enable_scaled(true);
    menu.set_choice(CHOICE_SCALED);
    return graphics() && options.scaled() == 2;
}

// Copies of the window and the stretched back buffer are the same picture.
static bool same_picture(BITMAP *a, BITMAP *b) {
    for (int y = 0; y < a->h; y++)
        for (int x = 0; x < a->w; x++)
            if (getpixel(a, x, y) != getpixel(b, x, y)) return false;
    return true;
}

static int present_child() {
    if (!start_display(false)) return 1;
    if (bmenu) blit(bmenu, bbuffer, 0, 0, 0, 0, 640, 480);
    const int N = 300;
    double one = time_ms(N, [] { present(0, 0); });

    if (!start_display(true)) {
        printf("present_1x_ms=%.3f\n", one);
        printf("note=the_doubled_window_could_not_be_set\n");
        return 0;
    }
    if (bmenu) blit(bmenu, bbuffer, 0, 0, 0, 0, 640, 480);
    textprintf_ex(bbuffer, font, 10, 10, makecol(255, 255, 0), -1, "every pixel counts");
    double two = time_ms(N, [] { present(0, 0); });
    BITMAP *big = create_bitmap(1280, 960);
    blit(screen, big, 0, 0, 0, 0, 1280, 960);
    double plain = time_ms(N, [&] { blit(big, screen, 0, 0, 0, 0, 1280, 960); });
    double stretched =
        time_ms(N, [] { stretch_blit(bbuffer, screen, 0, 0, 640, 480, 0, 0, 1280, 960); });

    // The doubled window shows what the stretcher showed, shake offset included.
    BITMAP *want = create_bitmap(1280, 960), *got = create_bitmap(1280, 960);
    clear_to_color(screen, 0);
    stretch_blit(bbuffer, screen, 0, 0, 640, 480, 2, 4, 1280, 960);
    blit(screen, want, 0, 0, 0, 0, 1280, 960);
    clear_to_color(screen, 0);
    present(1, 2);
    blit(screen, got, 0, 0, 0, 0, 1280, 960);
    bool same = same_picture(want, got);

    printf("present_1x_ms=%.3f\n", one);
    printf("present_2x_ms=%.3f\n", two);
    printf("blit_1280x960_ms=%.3f\n", plain);
    printf("present_2x_ratio=%.2f\n", two / plain);
    printf("stretch_blit_2x_ms=%.3f\n", stretched);
    printf("present_2x_identical=%d\n", same ? 1 : 0);
    return 0;
}

// The menu as the game runs it, or a loop that only waits for the same ticks, until
// killed. "ready" on stdout once the window is up.
static int idle_child(bool bare, bool doubled) {
    if (!start_display(doubled)) return 1;
    printf("ready\n");
    fflush(stdout);
    if (bare) {
        while (!quit_requested()) {
            while (logic > 0)
                logic--;
            wait_for_tick();
        }
    } else {
        menu.init();
        run_screen(menu, [] { return menu.get_choice() != CHOICE_MENU; });
    }
    return 0;
}

int bench_display_child(int argc, char **argv) {
    std::string what = argv[1];
    bool doubled = argc > 2 && strcmp(argv[2], "2") == 0;
    if (what == "--child-present") return present_child();
    if (what == "--child-menu") return idle_child(false, doubled);
    if (what == "--child-bare") return idle_child(true, doubled);
    return 2;
}

// A child process with its stdout on a pipe; a scratch home so nothing of the real
// one is read or written.
struct cchild {
    pid_t pid = -1;
    FILE *out = nullptr;
};

static cchild spawn(const char *self, const char *what, const char *scale, const char *home) {
    cchild c;
    int fd[2];
    if (pipe(fd) != 0) return c;
    c.pid = fork();
    if (c.pid == 0) {
        dup2(fd[1], 1);
        close(fd[0]);
        close(fd[1]);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 2); // the sound library's complaints
        setenv("HOME", home, 1);
        setenv("XDG_CONFIG_HOME", (std::string(home) + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (std::string(home) + "/data").c_str(), 1);
        execl(self, self, what, scale, (char *)nullptr);
        _exit(127);
    }
    close(fd[1]);
    c.out = fdopen(fd[0], "r");
    return c;
}

static void finish(cchild &c) {
    if (c.pid > 0) {
        kill(c.pid, SIGKILL);
        waitpid(c.pid, nullptr, 0);
    }
    if (c.out) fclose(c.out);
    c = cchild();
}

// CPU nanoseconds of every thread of a process, and the main thread's context switches
// (each one a wake-up from a sleep or a preemption).
static bool sample(pid_t pid, double &cpu_ns, double &switches) {
    cpu_ns = 0;
    switches = 0;
    std::string task = "/proc/" + std::to_string(pid) + "/task/";
    std::vector<std::string> tids;
    if (DIR *d = opendir(task.c_str())) {
        while (dirent *e = readdir(d))
            if (e->d_name[0] != '.') tids.push_back(e->d_name);
        closedir(d);
    }
    for (const std::string &t : tids) {
        FILE *f = fopen((task + t + "/schedstat").c_str(), "r");
        if (!f) continue;
        double ns = 0;
        if (fscanf(f, "%lf", &ns) == 1) cpu_ns += ns;
        fclose(f);
    }
    FILE *f = fopen((task + std::to_string(pid) + "/status").c_str(), "r");
    if (!f) return false;
    char line[256];
    while (fgets(line, sizeof line, f)) {
        double v;
        if (sscanf(line, "voluntary_ctxt_switches: %lf", &v) == 1) switches += v;
        if (sscanf(line, "nonvoluntary_ctxt_switches: %lf", &v) == 1) switches += v;
    }
    fclose(f);
    return true;
}

const int IDLE_SECONDS = 5;

// Percent of one core and main-thread wake-ups a second of one idle child.
static bool measure_idle(const char *self, const char *what, const char *scale, const char *home,
                         double &cpu_pct, double &wakeups) {
    cchild c = spawn(self, what, scale, home);
    char line[64] = "";
    bool ready = c.out && fgets(line, sizeof line, c.out) && strncmp(line, "ready", 5) == 0;
    if (!ready) {
        finish(c);
        return false;
    }
    sleep(1); // let the first frames and the window settle
    double cpu0, sw0, cpu1, sw1;
    bool ok = sample(c.pid, cpu0, sw0);
    clk::time_point t0 = clk::now();
    sleep(IDLE_SECONDS);
    ok = ok && sample(c.pid, cpu1, sw1);
    double secs = std::chrono::duration<double>(clk::now() - t0).count();
    finish(c);
    cpu_pct = (cpu1 - cpu0) / 1e9 / secs * 100.0;
    wakeups = (sw1 - sw0) / secs;
    return ok;
}

void bench_display(const char *self) {
    if (!getenv("DISPLAY")) {
        printf("note=present_and_idle_figures_need_an_X_display_(DISPLAY_is_not_set)\n");
        return;
    }
    char home[] = "/tmp/krag-bench-XXXXXX";
    if (!mkdtemp(home)) return;

    cchild p = spawn(self, "--child-present", "1", home);
    char line[256];
    while (p.out && fgets(line, sizeof line, p.out))
        fputs(line, stdout);
    if (p.pid > 0) waitpid(p.pid, nullptr, 0);
    p.pid = -1;
    finish(p);

    for (const char *scale : {"1", "2"}) {
        const char *tag = scale[0] == '2' ? "_2x" : "";
        double menu_cpu, menu_wake, bare_cpu, bare_wake;
        if (!measure_idle(self, "--child-menu", scale, home, menu_cpu, menu_wake) ||
            !measure_idle(self, "--child-bare", scale, home, bare_cpu, bare_wake)) {
            printf("note=idle%s_figures_failed_(no_window)\n", tag);
            continue;
        }
        printf("idle_menu%s_cpu_pct=%.2f\n", tag, menu_cpu);
        printf("idle_bare%s_cpu_pct=%.2f\n", tag, bare_cpu);
        printf("idle_menu%s_cpu_ratio=%.2f\n", tag, menu_cpu / bare_cpu);
        printf("idle_menu%s_wakeups_per_s=%.1f\n", tag, menu_wake);
        printf("idle_bare%s_wakeups_per_s=%.1f\n", tag, bare_wake);
        fflush(stdout);
    }
    std::string rm = std::string("rm -rf ") + home;
    if (system(rm.c_str()) != 0) say("krag-bench: cannot remove %s", home);
}
