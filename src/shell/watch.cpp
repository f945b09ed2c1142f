#include "shell/watch.h"

#include <allegro.h>

#include "match/game.h"
#include "match/hud.h"
#include "match/replay.h"
#include "match/rewind.h"
#include "match/scoreboard.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/replays.h"

cwatch watch;

bool cwatch::init(const std::string &path, std::string &err) {
    speed = 1;
    paused = false;
    leave = false;
    scores = false;
    // A key still down from before acts only once released.
    was_space = was_f = was_n = was_pause = was_back = was_forward = true;
    escape_latch = true;
    rewind_marks.clear();
    if (!playback.load(path, err) || !playback.begin(err)) return false;
    rewind_marks.note(); // the start
    return true;
}

void cwatch::update() {
    // The viewer's own keys, read before the recorded input takes the tick's place
    // (the pause and scoreboard actions as the player has bound them).
    bool escape = input.key_down(KEY_ESC); // a quick tap counts too
    bool space = input.key_down(KEY_SPACE), f = input.key_down(KEY_F), n = input.key_down(KEY_N);
    bool pause = input.held(ACT_PAUSE), back = input.key_down(KEY_LEFT),
         forward = input.key_down(KEY_RIGHT);
    scores = input.held(ACT_SCORES);
    if (!escape) escape_latch = false;
    if (escape && !escape_latch) leave = true;
    if ((space && !was_space) || (pause && !was_pause)) paused = !paused;
    if (f && !was_f) speed = speed == 4 ? 1 : speed * 2;
    int steps = paused ? (n && !was_n ? 1 : 0) : speed;
    if (back && !was_back) {
        rewind_marks.jump_to(playback.ticks_done() - WATCH_JUMP_TICKS);
        steps = 0;
    } else if (forward && !was_forward) {
        rewind_marks.jump_to(playback.ticks_done() + WATCH_JUMP_TICKS);
        steps = 0;
    }
    was_space = space, was_f = f, was_n = n, was_pause = pause;
    was_back = back, was_forward = forward;

    for (int i = 0; i < steps && !playback.done(); i++) {
        playback.step();
        rewind_marks.note();
    }
}

void cwatch::draw() {
    if (!bbuffer) return;
    game.draw_world();
    if (scores && !scoreboard.shown()) {
        scoreboard.draw();
        hud.draw_chooser();
    }
    // REPLAY, the time and the length always; the speed or the pause on the right when
    // either is not as the match was played.
    int white = makecol(255, 255, 255), black = makecol(0, 0, 0);
    textprintf_ex(bbuffer, font, 8, 462, white, black, "REPLAY %s / %s",
                  replay_clock(playback.ticks_done()).c_str(),
                  replay_clock(playback.replay.ticks).c_str());
    if (paused)
        textout_right_ex(bbuffer, font, "PAUSED  N: ONE TICK", 632, 462, white, black);
    else if (speed != 1)
        textprintf_right_ex(bbuffer, font, 632, 462, white, black, "%dX  F: SPEED", speed);
    game.present_shaken();
}

void cwatch::quit() {
    playback.end();
    rewind_marks.clear();
}
