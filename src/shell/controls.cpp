#include "shell/controls.h"

#include <allegro.h>

#include "shell/data.h"
#include "shell/input.h"
#include "shell/shell.h"

ccontrols controls;

static const int ROW_ACTIONS[CONTROLS_ROWS] = {
    ACT_LEFT,        ACT_RIGHT,       ACT_JUMP,        ACT_RELOAD,      ACT_FIRE,
    ACT_GRENADE,     ACT_PAUSE,       ACT_SCORES,      ACT_WEAPON1,     ACT_WEAPON1 + 1,
    ACT_WEAPON1 + 2, ACT_WEAPON1 + 3, ACT_WEAPON1 + 4, ACT_WEAPON1 + 5, ACT_WEAPON1 + 6,
    ACT_WEAPON8,     ACT_NEXT_WEAPON, ACT_PREV_WEAPON};

int controls_row_action(int r) { return r >= 0 && r < CONTROLS_ROWS ? ROW_ACTIONS[r] : -1; }

void ccontrols::init() {
    open = true;
    waiting = -1;
    asking = false;
    said.clear();
    latch = true; // the click that opened the screen must come up first
    esc_latch = true;
}

// The row under (x, y), or -1.
static int row_at(int x, int y) {
    if (x < CONTROLS_ROW_X1 || x > CONTROLS_ROW_X2 || y < CONTROLS_ROW_TOP) return -1;
    int r = (y - CONTROLS_ROW_TOP) / CONTROLS_ROW_STEP;
    if (r >= CONTROLS_ROWS || (y - CONTROLS_ROW_TOP) % CONTROLS_ROW_STEP == CONTROLS_ROW_STEP - 1)
        return -1;
    return r;
}

static bool on_button(int x, int y, int x1, int x2) {
    return x >= x1 && x <= x2 && y >= CONTROLS_BUTTON_Y1 && y <= CONTROLS_BUTTON_Y2;
}

void ccontrols::update() {
    const ctick_input &t = input.now();
    bool escape = input.key_down(KEY_ESC); // a quick tap counts too
    bool esc_pressed = escape && !esc_latch;
    esc_latch = escape;
    bool left = input.button(BUTTON_LEFT);

    if (waiting >= 0) {
        if (esc_pressed) {
            waiting = -1;
            latch = left;
            return;
        }
        int p = input.pressed();
        bool is_button = p >= BIND_MOUSE;
        if (!armed) {
            armed = t.buttons == 0;
            if (is_button) return; // the click on the row itself
        }
        if (p != BIND_NONE && bindable(p)) {
            int action = ROW_ACTIONS[waiting], other = -1;
            for (int a = 0; a < ACT_COUNT; a++)
                if (a != action && input.binding[a] == p) other = a;
            input.bind(action, p);
            // A swap is said, so the player knows where the other action went.
            if (other >= 0) {
                const char *name = binding_name(input.binding[other]);
                said = std::string(action_name(other)) + " IS NOW " +
                       (input.binding[other] == BIND_NONE || !name ? "-" : name);
            }
            waiting = -1;
            latch = left; // a left click that bound must not also click the screen
        }
        return;
    }

    if (esc_pressed) {
        if (asking) // Escape takes back the question, not the screen
            asking = false, said.clear();
        else
            open = false;
        return;
    }
    if (!left) {
        latch = false;
        return;
    }
    if (latch) return;
    latch = true;

    int x = input.x(), y = input.y();
    int r = row_at(x, y);
    bool was_asking = asking;
    asking = false;
    said.clear();
    if (r >= 0) {
        waiting = r;
        armed = false;
    } else if (on_button(x, y, CONTROLS_DEFAULTS_X1, CONTROLS_DEFAULTS_X2)) {
        // Every binding goes at once, so DEFAULTS asks once more first.
        if (was_asking) {
            input.defaults();
            said = "EVERY ACTION HAS ITS FIRST KEY AGAIN";
        } else {
            asking = true;
            said = "CLICK DEFAULTS AGAIN TO PUT BACK EVERY KEY";
        }
    } else if (on_button(x, y, CONTROLS_BACK_X1, CONTROLS_BACK_X2)) {
        open = false;
    }
}

void ccontrols::draw() {
    if (!bbuffer) return;
    if (bcontrols)
        blit(bcontrols, bbuffer, 0, 0, 0, 0, 640, 480);
    else
        clear_to_color(bbuffer, makecol(0, 0, 0));

    int white = makecol(255, 255, 255), yellow = makecol(255, 220, 64);
    for (int r = 0; r < CONTROLS_ROWS; r++) {
        int y = CONTROLS_ROW_TOP + r * CONTROLS_ROW_STEP + 2;
        if (r == waiting) {
            textout_ex(bbuffer, font, "PRESS A KEY", CONTROLS_FIELD_X1 + 6, y, yellow, -1);
            continue;
        }
        int b = input.binding[ROW_ACTIONS[r]];
        const char *name = b == BIND_NONE ? "-" : binding_name(b);
        textout_ex(bbuffer, font, name ? name : "?", CONTROLS_FIELD_X1 + 6, y, white, -1);
    }
    if (!said.empty())
        textout_centre_ex(bbuffer, font, said.c_str(), 320, CONTROLS_SAID_Y, yellow, -1);
    if (bcursor) draw_sprite(bbuffer, bcursor, input.draw_x(), input.draw_y());
    present(0, 0);
}
