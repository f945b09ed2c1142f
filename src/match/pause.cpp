#include "match/pause.h"

#include <allegro.h>
#include <atomic>

#include "match/game.h"
#include "match/hud.h"
#include "match/scoreboard.h"
#include "shell/data.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/shell.h"
#include "shell/sound.h"

cpause pauser;

static std::atomic<bool> focus_lost{false};
static BITMAP *frozen; // the last frame of the running match

void pause_on_focus_loss() { focus_lost = true; }

void cpause::init() {
    paused = false;
    snapshot_due = false;
    key_latch = true; // a pause key still held from the menu does not pause
    click_latch = true;
    focus_lost = false;
}

void cpause::set(bool on) {
    paused = on;
    snapshot_due = on;
    sound_pause(on);
}

bool cpause::update() {
    bool key_now = input.held(ACT_PAUSE), click_now = input.button(BUTTON_LEFT);
    bool key_pressed = key_now && !key_latch, clicked = click_now && !click_latch;
    key_latch = key_now;
    click_latch = click_now;

    if (!paused) {
        // Losing the focus pauses only when the player asked for it; by default the
        // match runs on in the background.
        bool focus_pause = focus_lost.exchange(false) && options.get_pause_inactive();
        if (focus_pause || key_pressed) {
            set(true);
            return true;
        }
        return false;
    }
    focus_lost = false;
    if (key_pressed || clicked) set(false);
    return true;
}

void cpause::draw() {
    if (!bbuffer) return;
    if (!frozen) frozen = create_bitmap(640, 480);
    if (snapshot_due && frozen) {
        game.draw_world();
        blit(bbuffer, frozen, 0, 0, 0, 0, 640, 480);
        snapshot_due = false;
    }
    if (frozen) blit(frozen, bbuffer, 0, 0, 0, 0, 640, 480);
    if (scoreboard.shown()) scoreboard.draw();
    hud.draw_chooser();
    if (bpaused) draw_sprite(bbuffer, bpaused, 320 - bpaused->w / 2, 300);
    present(0, 0);
}

void cpause::end() {
    if (paused) set(false);
    if (frozen) destroy_bitmap(frozen);
    frozen = nullptr;
}
