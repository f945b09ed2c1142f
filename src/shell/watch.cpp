#include "shell/watch.h"

#include <allegro.h>

#include "match/game.h"
#include "match/replay.h"
#include "shell/data.h"
#include "shell/input.h"

cwatch watch;

bool cwatch::init(const std::string &path, std::string &err) {
    speed = 1;
    paused = false;
    leave = false;
    was_space = was_f = was_n = true; // a key still down from before acts only once released
    escape_latch = true;
    return playback.load(path, err) && playback.begin(err);
}

void cwatch::update() {
    // The viewer's own keys, read before the recorded input takes the tick's place.
    bool escape = input.key_down(KEY_ESC); // a quick tap counts too
    bool space = input.key_down(KEY_SPACE), f = input.key_down(KEY_F), n = input.key_down(KEY_N);
    if (!escape) escape_latch = false;
    if (escape && !escape_latch) leave = true;
    if (space && !was_space) paused = !paused;
    if (f && !was_f) speed = speed == 4 ? 1 : speed * 2;
    int steps = paused ? (n && !was_n ? 1 : 0) : speed;
    was_space = space;
    was_f = f;
    was_n = n;

    for (int i = 0; i < steps && !playback.done(); i++)
        playback.step();
}

void cwatch::draw() {
    if (!bbuffer) return;
    game.draw_world();
    // At normal speed nothing is added: the picture is the one the player saw.
    if (paused || speed != 1) {
        int white = makecol(255, 255, 255), black = makecol(0, 0, 0);
        if (paused)
            textprintf_ex(bbuffer, font, 8, 462, white, black,
                          "REPLAY PAUSED  SPACE: GO ON  N: ONE TICK");
        else
            textprintf_ex(bbuffer, font, 8, 462, white, black, "REPLAY %dX  F: SPEED", speed);
    }
    game.present_shaken();
}

void cwatch::quit() { playback.end(); }
