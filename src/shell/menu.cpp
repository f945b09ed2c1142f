#include "shell/menu.h"

#include <allegro.h>

#include "shell/data.h"
#include "shell/shell.h"

cmenu menu;

// Buttons on the menu picture: one column, x 260-379, each row's y range inclusive.
struct cbutton {
    int y1, y2;
    int choice;
};
static const cbutton BUTTONS[5] = {
    {183, 203, CHOICE_PLAY},
    {214, 234, CHOICE_NETWORK},
    {245, 265, CHOICE_OPTIONS},
    {276, 296, CHOICE_CREDITS},
    {307, 327, CHOICE_QUIT},
};

void cmenu::init() {
    choice = CHOICE_MENU;
    latch = true; // a button still held from the last screen must be released first
}

void cmenu::update() {
    if (!input.button(BUTTON_LEFT)) {
        latch = false;
        return;
    }
    if (latch) return;

    int x = input.x();
    int y = input.y();
    if (x >= 260 && x <= 379) {
        for (const cbutton &b : BUTTONS) {
            if (y >= b.y1 && y <= b.y2) {
                choice = b.choice;
                break;
            }
        }
    }
    latch = true;
}

bool cmenu::changed() { return look.changed(input.draw_x(), input.draw_y()); }

void cmenu::draw() {
    if (!bbuffer) return;
    if (bmenu) blit(bmenu, bbuffer, 0, 0, 0, 0, 640, 480);
    else clear_to_color(bbuffer, makecol(0, 0, 0));
    if (bcursor) draw_sprite(bbuffer, bcursor, input.draw_x(), input.draw_y());
    present(0, 0);
}
