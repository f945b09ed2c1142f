#include "shell/shell.h"

#include <allegro.h>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <semaphore.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "match/game.h"
#include "match/pause.h"
#include "match/replay.h"
#include "match/scoreboard.h"
#include "net/netmatch.h"
#include "net/headless.h"
#include "shell/cmdline.h"
#include "shell/credits.h"
#include "shell/data.h"
#include "shell/datadir.h"
#include "shell/desktop.h"
#include "shell/doubler.h"
#include "shell/extension.h"
#include "shell/idle.h"
#include "shell/menu.h"
#include "shell/netview.h"
#include "shell/network.h"
#include "shell/notice.h"
#include "shell/options.h"
#include "shell/replays.h"
#include "shell/settings.h"
#include "shell/sound.h"
#include "shell/view.h"
#include "shell/watch.h"
#include "shell/window2x.h"
#include "world/map.h"
#include "shell/say.h"

std::atomic<int> logic{0};
std::atomic<int> frames{0};
std::atomic<int> fps{0};

const int PATH_SIZE = 4096;
const long TIMER_UNITS_PER_SECOND = 1193181;
const long LOGIC_TICK_UNITS = 11931; // 100 logic ticks a second

// The mode on the screen, as a menu choice code (CHOICE_WINDOW, CHOICE_SCALED or
// CHOICE_FULLSCREEN); CHOICE_FIRST until a mode has been set.
static int shown_mode = CHOICE_FIRST;

int start_mode = CHOICE_WINDOW;

static volatile sig_atomic_t quit_flag = 0;

// Posted by every logic tick and every quit request; the main thread sleeps on it
// between ticks. Posting is safe from the timer thread and from a signal handler.
static struct cwake {
    sem_t sem;
    cwake() { sem_init(&sem, 0, 0); }
} wake;

// Longest sleep without a post: only a safety net, ticks come every 10 ms.
const long WAKE_TIMEOUT_NS = 20000000;

void request_quit() {
    quit_flag = 1;
    sem_post(&wake.sem);
}
bool quit_requested() { return quit_flag != 0; }

void update_logic() {
    logic++;
    sem_post(&wake.sem);
}

void update_fps() {
    fps = frames.load();
    frames = 0;
}

static std::string working_dir() {
    char cwd[PATH_SIZE];
    if (!getcwd(cwd, sizeof cwd)) return "(unknown folder)";
    return cwd;
}

void init() {
    srand(time(NULL));
    set_window_class(); // the library makes its window as it starts
    if (allegro_init() != 0) {
        say("krag: cannot start the Allegro library (is an X display set?) %s",
                allegro_error);
        exit(1);
    }

    install_timer();
    install_int_ex(update_fps, TIMER_UNITS_PER_SECOND);
    install_int_ex(update_logic, LOGIC_TICK_UNITS);
    install_keyboard();
    install_mouse();
    input.install();
    input.install_pad(); // optional: without a pad nothing changes
    // Without a sound card the game runs silent; the sound seam still hands out voices.
    sound_enable(install_sound(DIGI_AUTODETECT, MIDI_NONE, NULL) == 0);
    install_quit_signals();
}

static int library_video_mode(int card, int w, int h) { return set_gfx_mode(card, w, h, 0, 0); }
int (*set_video_mode)(int card, int w, int h) = library_video_mode;

// Tries to set the mode of choice code c; a 640x480 window may also come from the
// plain X11 driver when autodetection finds nothing.
static bool set_mode(int c) {
    if (c == CHOICE_FULLSCREEN) {
        // The desktop's own resolution, with the picture scaled up to fill it; a plain
        // 640x480 mode when the desktop's cannot be had.
        int w, h;
        bool desktop = get_desktop_resolution(&w, &h) == 0 && w >= 640 && h >= 480;
        if (!(desktop && set_video_mode(GFX_AUTODETECT_FULLSCREEN, w, h) == 0) &&
            set_video_mode(GFX_AUTODETECT_FULLSCREEN, 640, 480) != 0)
            return false;
        set_fullscreen_size(SCREEN_W, SCREEN_H);
        if (screen) clear_to_color(screen, makecol(0, 0, 0));
        set_display_switch_mode(SWITCH_AMNESIA);
        // The picture is lost while switched away: idle screens must draw it again.
        set_display_switch_callback(SWITCH_IN, redraw_all);
        set_display_switch_callback(SWITCH_OUT, pause_on_focus_loss);
        return true;
    }
    set_fullscreen_size(0, 0);
    if (c == CHOICE_SCALED) {
        if (set_video_mode(GFX_AUTODETECT_WINDOWED, 1280, 960) != 0) return false;
    } else if (set_video_mode(GFX_AUTODETECT_WINDOWED, 640, 480) != 0 &&
               set_video_mode(GFX_XWINDOWS, 640, 480) != 0) {
        return false;
    }
    set_display_switch_mode(SWITCH_BACKGROUND);
    // A match pauses when the window loses the focus (setting the mode drops callbacks).
    set_display_switch_callback(SWITCH_OUT, pause_on_focus_loss);
    return true;
}

static const char *mode_name(int c) {
    if (c == CHOICE_FULLSCREEN) return "full screen";
    if (c == CHOICE_SCALED) return "1280x960 window";
    return "640x480 window";
}

// Puts the video settings back to what is on the screen.
static void settings_match_mode(int c) {
    options.window = c != CHOICE_FULLSCREEN;
    options.is_scaled = c == CHOICE_SCALED;
}

bool graphics() {
    int c = menu.get_choice();
    if (c == CHOICE_FIRST) {
        int depth = desktop_color_depth();
        set_color_depth(depth != 0 ? depth : 32);
    } else {
        unload_data(); // bitmaps belong to the old mode
    }

    int wanted = c;
    if (c == CHOICE_FIRST) {
        // The doubled window is offered only on a desktop that can hold it.
        int w, h;
        options.enable_scaled(get_desktop_resolution(&w, &h) == 0 && w >= 1280 && h >= 960);
        wanted = start_mode;
        if (wanted == CHOICE_SCALED && !options.scaled_available) {
            say("krag: the desktop is smaller than 1280x960; using a %s",
                    mode_name(CHOICE_WINDOW));
            wanted = CHOICE_WINDOW;
        }
    }
    int got = wanted;
    if (!set_mode(wanted)) {
        say("krag: cannot set a %s: %s", mode_name(wanted), allegro_error);
        // Back to the mode we had, else to the plain window.
        got = 0;
        if (shown_mode != CHOICE_FIRST && shown_mode != wanted && set_mode(shown_mode))
            got = shown_mode;
        else if (wanted != CHOICE_WINDOW && set_mode(CHOICE_WINDOW))
            got = CHOICE_WINDOW;
        if (!got) {
            say("krag: no video mode could be set; is an X display available?");
            return false;
        }
        say("krag: staying with a %s", mode_name(got));
    }
    shown_mode = got;
    settings_match_mode(got);
    // The window's close button leaves the game as the quit button does.
    set_close_button_callback(request_quit);
    redraw_all();

    if (c == CHOICE_FIRST)
        set_window_title("KRAG"); // the window keeps its title through later mode changes

    std::vector<std::string> missing = load_data();
    if (!missing.empty()) {
        std::string dir = working_dir();
        for (const std::string &file : missing)
            say("krag: %s", file.c_str());
        say("krag: %d data file(s) missing or unusable in %s",
                (int)missing.size(), dir.c_str());
        unload_data();
        return false;
    }
    return true;
}

void draw_fps() {
    if (!bbuffer) return;
    textprintf_ex(bbuffer, font, 10, 50, makecol(255, 255, 255), makecol(0, 0, 0), "FPS: %i",
                  fps.load());
}

// The picture at twice its size and more, made in memory and sent in one blit (writing
// the window's rows one by one through the library makes it update them line by line),
// when the doubled window cannot take the blocks straight into its own rows.
static BITMAP *bscaled = nullptr;

// Paints the screen outside the picture black (a full screen larger than the picture).
static void draw_bars(const cview &v) {
    int w = v.w, h = v.h, black = makecol(0, 0, 0);
    if (v.y > 0) {
        rectfill(screen, 0, 0, SCREEN_W - 1, v.y - 1, black);
        rectfill(screen, 0, v.y + h, SCREEN_W - 1, SCREEN_H - 1, black);
    }
    if (v.x > 0) {
        rectfill(screen, 0, v.y, v.x - 1, v.y + h - 1, black);
        rectfill(screen, v.x + w, v.y, SCREEN_W - 1, v.y + h - 1, black);
    }
}

void present(int dx, int dy) {
    if (!screen || !bbuffer) return; // headless: nothing to show
    cview v = current_view();
    if (v.x > 0 || v.y > 0) draw_bars(v);
    int x = v.x + dx * v.w / 640, y = v.y + dy * v.h / 480;
    if (!v.whole()) { // FILL: the largest 4:3 picture, at any size
        stretch_blit(bbuffer, screen, 0, 0, 640, 480, x, y, v.w, v.h);
        return;
    }
    if (v.scale == 1) {
        blit(bbuffer, screen, 0, 0, x, y, 640, 480);
        return;
    }
    if (v.scale == 2 && present_doubled_in_window(bbuffer, x, y)) return;
    int w = 640 * v.scale, h = 480 * v.scale;
    if (bscaled && (bscaled->w != w || bitmap_color_depth(bscaled) != bitmap_color_depth(bbuffer))) {
        destroy_bitmap(bscaled);
        bscaled = nullptr;
    }
    if (!bscaled) bscaled = create_bitmap_ex(bitmap_color_depth(bbuffer), w, h);
    if (!bscaled) { // no memory to spare: the library's stretcher draws the same picture
        stretch_blit(bbuffer, screen, 0, 0, 640, 480, x, y, w, h);
        return;
    }
    if (v.scale == 2)
        double_pixels(bbuffer, bscaled, 0, 0); // four pixels at a time
    else
        scale_pixels(bbuffer, bscaled, v.scale, 0, 0);
    blit(bscaled, screen, 0, 0, x, y, w, h);
}

int pointer_x(int mx) {
    cview v = current_view();
    return view_to_picture(mx, v.x, v.w, 640);
}
int pointer_y(int my) {
    cview v = current_view();
    return view_to_picture(my, v.y, v.h, 480);
}
int pointer_x() { return pointer_x(mouse_x); }
int pointer_y() { return pointer_y(mouse_y); }

void wait_for_tick() {
    while (logic == 0 && !quit_requested()) {
        timespec until;
        clock_gettime(CLOCK_MONOTONIC, &until);
        until.tv_nsec += WAKE_TIMEOUT_NS;
        if (until.tv_nsec >= 1000000000) {
            until.tv_sec++;
            until.tv_nsec -= 1000000000;
        }
        sem_clockwait(&wake.sem, CLOCK_MONOTONIC, &until); // a post, the timeout or a signal
    }
    // Posts for ticks that were owed anyway would only cost empty turns later.
    while (sem_trywait(&wake.sem) == 0) {
    }
}

// Waits (up to two seconds) for the left button to come up. The click on the options
// screen's leave button may otherwise be released over a window that has just shrunk,
// and that release never reaches us: the next click on the menu would be lost.
static void wait_for_release() {
    for (int ms = 0; ms < 2000 && (mouse_b & 1); ms++) rest(1);
}

// A match as a screen.
struct cmatch_screen {
    // The pause sees every tick first; a tick it keeps neither moves the world nor is
    // recorded.
    void update() {
        if (!pauser.update()) recording.update();
    }
    void draw() {
        if (pauser.is_paused())
            pauser.draw();
        else
            recording.draw();
    }
};

// Plays a replay in the window until Escape (or a quit request); false with a reason
// when it cannot be played.
static bool watch_replay(const std::string &path, std::string &err) {
    if (!watch.init(path, err)) return false;
    while (!watch.leave && !quit_requested()) {
        run_owed_ticks(watch);
        watch.draw();
        frames++;
        wait_for_tick();
    }
    watch.quit();
    return true;
}

// The list of recorded matches; each one chosen is watched, then the list comes back.
static void browse_replays() {
    std::string message;
    while (!quit_requested()) {
        replays.init();
        replays.message = message;
        run_screen(replays, [] { return replays.quit; });
        if (replays.chosen.empty()) break;
        message.clear();
        if (!watch_replay(replays.chosen, message)) {
            say("krag: %s: %s", replays.chosen.c_str(), message.c_str());
            message = std::string("CANNOT PLAY IT: ") + replay_trouble_words(playback.trouble);
        }
    }
}

// krag --replay FILE: the file is checked before a window opens, then watched until
// Escape. 2 when it cannot be played.
static int watch_only(const std::string &path) {
    std::string err;
    if (!command_line.map.empty() && map.add_file(command_line.map) < 0) {
        say("krag: %s cannot be used: %s", command_line.map.c_str(), map.problem.c_str());
        allegro_exit();
        return 2;
    }
    if (!playback.load(path, err)) {
        say("krag: %s: %s", path.c_str(), err.c_str());
        allegro_exit();
        return 2;
    }
    if (!graphics()) {
        allegro_exit();
        return 1;
    }
    int status = 0;
    if (!watch_replay(path, err)) {
        say("krag: %s: %s", path.c_str(), err.c_str());
        status = 2;
    }
    unload_data();
    input.uninstall();
    allegro_exit();
    return status;
}

// One match on the map chosen in the options, recorded, until Escape; false when the
// map cannot be played.
static bool play_chosen_map() {
    if (!recording.init(replay_dir())) return false;
    cmatch_screen match;
    pauser.init();
    input.set_menu(false);
    // A quick tap of Escape between two ticks counts too, also when a late frame ran
    // several ticks after it.
    input.take_escape();
    while (!key[KEY_ESC] && !input.take_escape() && !quit_requested()) {
        run_owed_ticks(match);
        match.draw();
        frames++;
        wait_for_tick();
    }
    input.set_menu(true);
    pauser.end();
    recording.quit();
    return true;
}

// krag --map FILE: one match on any map file with this run's match options, then back
// to the shell. A map the game refuses is named with its reasons before a window
// opens (status 1); the settings file is left as it was.
static int play_only() {
    int slot = map.add_file(command_line.map);
    if (slot < 0) {
        say("krag: %s cannot be played: %s", command_line.map.c_str(),
                map.problem.c_str());
        allegro_exit();
        return 1;
    }
    options.level = slot;
    if (command_line.bots >= 0) options.bots = command_line.bots;
    if (command_line.game_type >= 0) options.gametype = command_line.game_type;
    if (command_line.skill >= 0) options.skill = command_line.skill;
    if (command_line.kills >= 0) options.kills = command_line.kills;
    if (!graphics()) {
        allegro_exit();
        return 1;
    }
    int status = 0;
    if (!play_chosen_map()) {
        say("krag: %s cannot be played: %s", command_line.map.c_str(),
                map.problem.c_str());
        game.quit();
        status = 1;
    }
    unload_data();
    input.uninstall();
    allegro_exit();
    return status;
}

// ---- network matches in the window ----

static cnetmatch netmatch;

// A network match as a screen: this machine's human plays the local slot, the view
// follows it, and the names, the kill feed and what the match waits for are drawn
// over the world. Focus never pauses it; P is the match's to decide (the host's
// pauses everyone).
struct cnet_play {
    ckillfeed feed;
    std::string names[MAX_PLAYERS];
    bool pause_latch = true;
    bool scores_shown = false;
    int ammo[MAX_PLAYERS] = {};

    void update() {
        bool playing = netmatch.state() == NETMATCH_PLAYING && game.local >= 0;
        netmatch.frame(playing ? game.local_control() : ccontrol{});
        bool p = input.held(ACT_PAUSE);
        if (p && !pause_latch) netmatch.press_pause();
        pause_latch = p;
        for (int i = 0; i < MAX_PLAYERS; i++) {
            std::string was = names[i];
            names[i] = i < NET_MAX_PLAYERS ? netmatch.name(i) : std::string();
            scoreboard_name(i, names[i]);
            if (!was.empty() && names[i].empty()) net_log("slot %d is a bot now", i);
        }
        cnet_kill k;
        while (netmatch.take_kill(k)) {
            feed.add(kill_line(k, names));
            net_log("kill %s", kill_line(k, names).c_str());
        }
        feed.update();
        // For scripts: another human's shot, as this machine sees it.
        for (int i = 0; i < MAX_PLAYERS; i++) {
            int now = players[i].get_active() ? players[i].get_ammo() : 0;
            if (i != game.local && netmatch.human(i) && now < ammo[i]) net_log("slot %d fired", i);
            ammo[i] = now;
        }
    }
    void draw() {
        if (netmatch.state() < NETMATCH_COUNTDOWN || !bbuffer) {
            if (bbuffer) clear_to_color(bbuffer, makecol(0, 0, 0));
        } else {
            game.draw_world();
            for (int i = 0; i < MAX_PLAYERS; i++)
                if (i != game.local && players[i].get_active() && players[i].get_health() > 0)
                    draw_name_above(names[i], (int)players[i].get_x() + 7 - map.get_xs(),
                                    (int)players[i].get_y() - 13 - map.get_ys());
            feed.draw(632, 38);
            if (scoreboard.shown() && !scores_shown) {
                std::string rows;
                for (int i = 0; i < MAX_PLAYERS; i++)
                    if (players[i].get_active()) rows += " [" + (names[i].empty() ? "BOT" : names[i]) + "]";
                net_log("scoreboard%s", rows.c_str());
            }
            scores_shown = scoreboard.shown();
        }
        draw_status_band(netmatch.status(), 200);
        if (bbuffer) game.present_shaken();
    }
};

// A line on stderr for scripts and tests that watch a network match (KRAG_NET_LOG set).
void net_log(const char *format, ...) {
    static const bool on = getenv("KRAG_NET_LOG") != nullptr;
    if (!on) return;
    va_list args;
    va_start(args, format);
    fprintf(stderr, "krag-net: ");
    vfprintf(stderr, format, args);
    fprintf(stderr, "\n");
    va_end(args);
}

// The match from the lobby to its end. Whatever stopped it (a refusal, no answer, the
// host leaving, out of step) is left in network.message for the NETWORK screen.
static void network_match(bool host, const std::string &address) {
    std::string why;
    network.message.clear();
    int port = command_line.port >= 0 ? command_line.port : NET_DEFAULT_PORT;
    bool ok = host ? netmatch.host(net_settings_from_options(network.players, options.delay), port,
                                   options.name, why)
                   : netmatch.join(address, options.name, why);
    if (!ok) {
        say("krag: %s", why.c_str());
        network.message = why;
        return;
    }
    if (host)
        net_log("hosting on port %d", netmatch.port());
    else
        net_log("joining %s", address.c_str());
    lobby.init(netmatch);
    run_screen(lobby, [] { return lobby.leave || netmatch.state() >= NETMATCH_COUNTDOWN; });
    if (netmatch.state() >= NETMATCH_COUNTDOWN && netmatch.state() != NETMATCH_OVER && !lobby.leave) {
        cnet_play play;
        input.set_menu(false);
        input.take_escape();
        int logged = -1;
        while (!input.take_escape() && !quit_requested()) {
            run_owed_ticks(play);
            if (netmatch.state() != logged) {
                logged = netmatch.state();
                net_log("state %d slot %d", logged, netmatch.local_slot());
            }
            play.draw();
            frames++;
            wait_for_tick();
        }
        input.set_menu(true);
        scoreboard_names_clear();
    }
    if (netmatch.state() == NETMATCH_OVER) network.message = netmatch.status();
    if (lobby.no_answer) network.message = "NO ANSWER FROM " + address;
    netmatch.leave();
    net_log("left");
}

// The NETWORK screen and what it leads to, until BACK.
static void network_screen() {
    network.init();
    while (!quit_requested()) {
        run_screen(network, [] { return network.wants != NETWORK_STAY; });
        int wants = network.wants;
        network.quit();
        if (wants == NETWORK_BACK || wants == NETWORK_STAY) break;
        network_match(wants == NETWORK_HOST, network.address);
        network.init();
    }
    network.quit();
}

// krag --host / --join: straight to the lobby with this run's match settings (the
// saved ones stay as they are), then the menu.
static void network_from_command_line() {
    const ccommand_line &c = command_line;
    coptions saved = options;
    if (c.game_type >= 0) options.gametype = c.game_type;
    if (c.bots >= 0) options.bots = c.bots;
    if (c.skill >= 0) options.skill = c.skill;
    if (c.kills >= 0) options.kills = c.kills;
    if (c.delay >= 0) options.delay = c.delay;
    if (c.players >= 0) network.players = c.players;
    network.address = c.join;
    network_match(c.host, c.join);
    options = saved;
    if (!network.message.empty()) network_screen();
}

int krag_main(int argc, char **argv) {
    int status = parse_command_line(argc, argv);
    if (status >= 0) return status;
    // The working folder becomes the data folder: bmp/, wav/ and krm/ by relative names.
    if (!enter_data_dir("krag", command_line.data)) return 1;
    if (command_line.tiled_extension)
        return install_tiled_extension(working_dir(), executable_dir());
    if (command_line.host && command_line.headless) return net_host_headless();
    init();

    std::string user_maps = user_map_dir();
    map.load(user_maps.empty() ? nullptr : user_maps.c_str());
    if (map.get_nm() == 0) {
        if (map.get_nfound() > 0)
            say("krag: %d map file%s found in %s/krm/, all refused",
                    map.get_nfound(), map.get_nfound() == 1 ? "" : "s", working_dir().c_str());
        else
            say("krag: no map files (*.krm) found in %s/krm/", working_dir().c_str());
        allegro_exit();
        return 1;
    }
    settings_load();
    start_mode = command_line.video ? command_line.video : options.video;
    if (!command_line.replay.empty()) return watch_only(command_line.replay);
    if (!command_line.map.empty()) return play_only();

    bool network_first = command_line.host || !command_line.join.empty();
    do {
        if (menu.get_choice() < 0) wait_for_release();
        if (menu.get_choice() <= 0 && !graphics()) {
            allegro_exit();
            return 1;
        }
        if (network_first) {
            network_first = false;
            network_from_command_line();
        }

        if (quit_requested()) break;
        menu.init();
        run_screen(menu, [] { return menu.get_choice() != CHOICE_MENU; });

        switch (menu.get_choice()) {
        case CHOICE_PLAY:
            if (!play_chosen_map()) {
                char name[11];
                map.get_name(options.get_level(), name);
                say("krag: the map %s cannot be played", name);
                game.quit();
                notice.init(std::string("The map ") + name + " cannot be played", map.problem);
                run_screen(notice, [] { return notice.get_done(); });
            }
            break;
        case CHOICE_OPTIONS:
            do {
                map.reload(); // a map dropped into the folder since shows up without a restart
                options.init();
                run_screen(options, [] { return options.get_quit(); });
                // A video mode chosen on the screen is the one to start with next time.
                if (menu.get_choice() < 0) options.video = menu.get_choice();
                settings_save();
                if (options.replays_asked) browse_replays();
            } while (options.replays_asked && !quit_requested());
            break;
        case CHOICE_NETWORK:
            network_screen();
            settings_save(); // the match settings are the options' own
            break;
        case CHOICE_CREDITS:
            credits.init();
            run_screen(credits, [] { return key[KEY_ESC] != 0; });
            break;
        default:
            break;
        }
    } while (menu.get_choice() != CHOICE_QUIT && !quit_requested());

    settings_save();
    unload_data();
    input.uninstall();
    allegro_exit();
    return 0;
}
