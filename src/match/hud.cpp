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

chud::chud() {
    for (int i = 0; i < MAX_PLAYERS; i++) {
        killbar[i] = marker[i] = 0;
        weapon[i] = 1;
        latch[i] = stepped[i] = false;
        steps[i] = 0;
    }
}

// Called on the tick the dead human's wait passes the weapon-choice point.
void chud::select(int slot) {
    marker[slot] = MARKER_TICKS;
    latch[slot] = true; // a fire button still down from the last life chooses nothing
    stepped[slot] = false;
    switch (options.get_gametype()) {
    case GT_RPG_ARENA:
        weapon[slot] = W_ROCKET;
        break;
    case GT_INSTAGIB:
        weapon[slot] = W_LASER;
        break;
    default:
        weapon[slot] = -weapon[slot];
        break;
    }
}

void chud::update() {
    if (game.winner() != -1) return;
    for (int i = 0; i < MAX_PLAYERS; i++)
        if (players[i].active && !players[i].bot) update_slot(i);
}

void chud::update_slot(int i) {
    cplayer &human = players[i];
    const ccontrol &c = game.controls[i];

    if (human.get_health() > 0) {
        int k = options.get_gametype() == GT_TEAMMATCH ? game.teamkills(human.get_team())
                                                       : human.get_kills();
        killbar[i] = k * (100 / options.get_kills());
        if (marker[i] > 0) marker[i]--;
        return;
    }

    // Stepping acts once per press.
    unsigned now = (c.held(ACT_NEXT_WEAPON) ? 1u : 0u) | (c.held(ACT_PREV_WEAPON) ? 2u : 0u);
    unsigned pressed = now & ~steps[i];
    steps[i] = now;

    if (weapon[i] < 0) {
        for (int n = 1; n <= 8; n++)
            if (c.held(ACT_WEAPON1 + n - 1)) {
                weapon[i] = n;
                return;
            }
        // A click on a row: the press counts, not a button held from before.
        if (!c.button(BUTTON_LEFT)) {
            latch[i] = false;
        } else if (!latch[i]) {
            latch[i] = true;
            int n = choice_row_at(game.point_x[i], game.point_y[i]);
            if (n > 0) {
                weapon[i] = n;
                return;
            }
        }
        // Stepping keeps the selector open on the new choice, taken at the respawn.
        int choice = -weapon[i];
        if (pressed & 1) choice = choice % 8 + 1;
        if (pressed & 2) choice = (choice + 6) % 8 + 1;
        if (pressed) {
            weapon[i] = -choice;
            stepped[i] = true;
        }
        // Nothing chosen by the time of the respawn: keep the previous weapon.
        if (human.get_health() == 0) weapon[i] = -weapon[i];
    }
}

void chud::draw_chooser() {
    int me = game.local;
    if (me < 0 || me >= MAX_PLAYERS) return; // nobody's view
    int weapon = this->weapon[me];
    if (game.winner() != -1 || players[me].get_health() > 0 || weapon >= 0) return;
    masked_sprite(bbuffer, bweapons, CHOICE_X, CHOICE_Y);
    if (stepped[me] && -weapon <= 8) {
        int y = CHOICE_Y + CHOICE_ROW_Y + (-weapon - 1) * CHOICE_ROW_STEP;
        rect(bbuffer, CHOICE_X + CHOICE_ROW_X1 - 1, y - 1, CHOICE_X + CHOICE_ROW_X2 + 1, y + 20,
             makecol(255, 220, 64));
    }
}

void chud::draw() {
    if (options.get_fps()) draw_fps();

    int me = game.local;
    if (me < 0 || me >= MAX_PLAYERS) return;
    cplayer &human = players[me];
    int marker = this->marker[me], killbar = this->killbar[me];
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

    // Won: this slot, or this slot's team in a team match.
    bool won = options.get_gametype() == GT_TEAMMATCH ? result == human.get_team() : result == me;
    if (result != -1 && won)
        masked_sprite(bbuffer, bwon, 226, 230);
    else if (result != -1)
        masked_sprite(bbuffer, blost, 222, 230);
}
