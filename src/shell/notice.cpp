#include "shell/notice.h"

#include <allegro.h>

#include "shell/data.h"
#include "shell/shell.h"

cnotice notice;

const int NOTICE_CHARS = 76; // text columns that fit on the 640-pixel screen

void cnotice::init(const std::string &t, const std::string &d) {
    title = t;
    detail = d;
    latch = true;
    done = false;
}

void cnotice::update() {
    if (input.now().escape) done = true;
    if (!input.button(BUTTON_LEFT)) {
        latch = false;
    } else if (!latch) {
        done = true;
    }
}

bool cnotice::changed() { return look.changed(pointer_x(), pointer_y()); }

void cnotice::draw() {
    if (!bbuffer) return;
    clear_to_color(bbuffer, makecol(0, 0, 0));
    int white = makecol(255, 255, 255), grey = makecol(170, 170, 170);
    textout_centre_ex(bbuffer, font, title.c_str(), 320, 200, white, -1);
    // Long reasons wrap at the screen's edge.
    int y = 224;
    for (size_t at = 0; at < detail.size() && y < 400; at += NOTICE_CHARS, y += 12)
        textout_centre_ex(bbuffer, font, detail.substr(at, NOTICE_CHARS).c_str(), 320, y, grey, -1);
    textout_centre_ex(bbuffer, font, "Click or press Escape to go back", 320, y + 24, grey, -1);
    if (bcursor) draw_sprite(bbuffer, bcursor, pointer_x(), pointer_y());
    present(0, 0);
}
