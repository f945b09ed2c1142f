#include "match/hud.h"

#include <allegro.h>

#include "match/game.h"
#include "match/slices.h"
#include "match/sprite.h"
#include "players/player.h"
#include "shell/data.h"
#include "shell/options.h"
#include "shell/shell.h"
#include "world/map.h"

chud hud;

int choice_row_at(int x, int y) {
    x -= CHOICE_X;
    y -= CHOICE_Y + CHOICE_ROW_Y;
    if (x < CHOICE_ROW_X1 || x > CHOICE_ROW_X2 || y < 0) return 0;
    int row = y / CHOICE_ROW_STEP;
    if (row >= 8 || y % CHOICE_ROW_STEP >= CHOICE_ROW_H) return 0;
    return row + 1;
}

// Called on the tick the dead human's wait passes the weapon-choice point.
void chud::select() {
    marker = MARKER_TICKS;
    latch = true; // a fire button still down from the last life chooses nothing
    stepped = false;
    switch (options.get_gametype()) {
    case GT_RPG_ARENA:
        weapon = W_ROCKET;
        break;
    case GT_INSTAGIB:
        weapon = W_LASER;
        break;
    default:
        weapon = -weapon;
        break;
    }
}

void chud::update() {
    if (game.winner() != -1) return;
    cplayer &human = players[0];

    if (human.get_health() > 0) {
        int k = options.get_gametype() == GT_TEAMMATCH ? game.teamkills(0) : human.get_kills();
        killbar = k * (100 / options.get_kills());
        if (marker > 0) marker--;
        return;
    }

    // Stepping acts once per press.
    unsigned now =
        (input.held(ACT_NEXT_WEAPON) ? 1u : 0u) | (input.held(ACT_PREV_WEAPON) ? 2u : 0u);
    unsigned pressed = now & ~steps;
    steps = now;

    if (weapon < 0) {
        for (int n = 1; n <= 8; n++)
            if (input.held(ACT_WEAPON1 + n - 1)) {
                weapon = n;
                return;
            }
        // A click on a row: the press counts, not a button held from before.
        if (!input.button(BUTTON_LEFT)) {
            latch = false;
        } else if (!latch) {
            latch = true;
            int n = choice_row_at(input.x(), input.y());
            if (n > 0) {
                weapon = n;
                return;
            }
        }
        // Stepping keeps the selector open on the new choice, taken at the respawn.
        int choice = -weapon;
        if (pressed & 1) choice = choice % 8 + 1;
        if (pressed & 2) choice = (choice + 6) % 8 + 1;
        if (pressed) {
            weapon = -choice;
            stepped = true;
        }
        // Nothing chosen by the time of the respawn: keep the previous weapon.
        if (human.get_health() == 0) weapon = -weapon;
    }
}

void chud::draw_chooser() {
    if (game.winner() != -1 || players[0].get_health() > 0 || weapon >= 0) return;
    masked_sprite(bbuffer, bweapons, CHOICE_X, CHOICE_Y);
    if (stepped && -weapon <= 8) {
        int y = CHOICE_Y + CHOICE_ROW_Y + (-weapon - 1) * CHOICE_ROW_STEP;
        rect(bbuffer, CHOICE_X + CHOICE_ROW_X1 - 1, y - 1, CHOICE_X + CHOICE_ROW_X2 + 1, y + 20,
             makecol(255, 220, 64));
    }
}

void chud::draw() {
    if (options.get_fps()) draw_fps();

    cplayer &human = players[0];
    int result = game.winner();
    if (result == -1 && human.get_health() > 0) {
        // The bars' slices as one picture each, remade when the length changes.
        static cslices health_slices, ammo_slices, kill_slices;
        masked_sprite(bbuffer, bhealth_bar, 49, 10);
        health_slices.draw(bbuffer, bhealth, human.get_health(), 101, 14);
        masked_sprite(bbuffer, bammo_bar, 253, 10);
        ammo_slices.draw(bbuffer, bammo, human.get_ammo(), 290, 14);
        masked_sprite(bbuffer, bkills_bar, 442, 10);
        kill_slices.draw(bbuffer, bkills, killbar, 487, 14);
        for (int i = 0; i < human.get_grenades(); i++)
            masked_sprite(bbuffer, bgrenade_icon, 384 - 10 * i, 28);
        if (marker > 0 || options.get_markme() == MARK_ALWAYS)
            masked_sprite(bbuffer, bindicator, (int)human.get_x() + 3 - map.get_xs(),
                          (int)human.get_y() - 15 - map.get_ys());
        // Where this tick's input aimed: the recorded pointer when a replay plays.
        masked_sprite(bbuffer, bcrosshair, input.x() - bcrosshair->w / 2,
                      input.y() - bcrosshair->h / 2);
    }

    if (result == 0)
        masked_sprite(bbuffer, bwon, 226, 230);
    else if (result != -1)
        masked_sprite(bbuffer, blost, 222, 230);
}
