#ifndef KRAG_SHELL_SHELL_H
#define KRAG_SHELL_SHELL_H

#include <atomic>

#include "shell/idle.h"
#include "shell/input.h"

// Counters shared with the timer callbacks.
extern std::atomic<int> logic;  // logic ticks owed to the current screen
extern std::atomic<int> frames; // frames drawn in the current second (match only)
extern std::atomic<int> fps;    // frame rate of the last whole second

// Sets a video mode (the library's set_gfx_mode with no virtual screen; 0 on success).
// Tests put a stand-in here to run the mode changes without a display.
extern int (*set_video_mode)(int card, int w, int h);

// The video mode of the first pass (a CHOICE_ code of shell/menu.h): the saved one, or
// the command line's for this run.
extern int start_mode;

void init();          // one-time library, timer and input set-up
bool graphics();      // set (or change) the video mode, then load every asset; false: nothing usable
void update_logic();  // timer callback, 100 times a second
void update_fps();    // timer callback, once a second
void draw_fps();      // "FPS: %i" into the back buffer

// Copy the back buffer to the screen, shifted by (dx, dy) back-buffer pixels.
void present(int dx, int dy);

// Mouse pointer in back-buffer coordinates (the doubled window halves it); with an
// argument, that position of the library's mouse instead of where it is now.
int pointer_x();
int pointer_y();
int pointer_x(int mx);
int pointer_y(int my);

// Ticks owed beyond this (a second) are dropped: after the machine slept or the
// process was stopped, the match goes on from where it was instead of running the
// whole gap at once with the player's input frozen.
const int MAX_OWED_TICKS = 100;

// Run every logic tick owed to a screen (at most MAX_OWED_TICKS), each with freshly
// captured input, or until done() says the screen is finished: the ticks left over (and
// the clicks they would capture) go to the next screen. Returns how many ran.
template <class S, class D> int run_owed_ticks(S &s, D done) {
    int owed = logic;
    if (owed > MAX_OWED_TICKS) logic -= owed - MAX_OWED_TICKS;
    int n = 0;
    while (logic > 0 && !done()) {
        input.capture();
        s.update();
        logic--;
        n++;
    }
    return n;
}
template <class S> int run_owed_ticks(S &s) {
    return run_owed_ticks(s, [] { return false; });
}

// One frame of a screen: every owed tick first (after a stall they all run back to
// back), then one draw.
template <class S> void run_frame(S &s) {
    run_owed_ticks(s);
    s.draw();
}

// One frame of an idle screen (menu, options, credits): the owed ticks, then a draw
// only when the screen says something it shows has changed.
template <class S, class D> void run_idle_frame(S &s, D done) {
    run_owed_ticks(s, done);
    if (s.changed()) s.draw();
}
template <class S> void run_idle_frame(S &s) {
    run_idle_frame(s, [] { return false; });
}

// A request to leave the game (the window's close button, a signal): the main loop
// leaves the current screen and shuts down through the normal path. Safe to call from
// any thread or a signal handler.
void request_quit();
bool quit_requested();

// Makes SIGINT, SIGTERM and SIGHUP (unless started ignored, as under nohup) call
// request_quit(). Called once the library has started, replacing its handlers.
void install_quit_signals();

// Sleeps until a logic tick is owed or a quit is requested; the tick timer and
// request_quit() wake it.
void wait_for_tick();

// Runs an idle screen until it says it is done (checked at the top of every frame) or
// a quit is requested.
template <class S, class D> void run_screen(S &s, D done) {
    redraw_all();
    while (!done() && !quit_requested()) {
        run_idle_frame(s, done);
        wait_for_tick();
    }
}

// A line on stderr, "krag-net: ...", when KRAG_NET_LOG is set: what a network match
// in the window does, for scripts and tests that watch it.
void net_log(const char *format, ...) __attribute__((format(printf, 1, 2)));

// The whole program from the command line to exit; main() only calls this.
int krag_main(int argc, char **argv);


#endif
