#include "shell/credits.h"

#include <allegro.h>

#include "shell/data.h"
#include "shell/shell.h"

ccredits credits;

const int FADE_START = -200; // ticks of picture alone before the name appears
const int FADE_END = 1024;

void ccredits::init() { fade = FADE_START; }

void ccredits::update() {
    if (fade <= FADE_END - 1) fade += 2;
}

// Fades in over 0-255, stays full to 768, fades out to black at 1024.
int ccredits::brightness() {
    if (fade < 0) return -1;
    if (fade <= 255) return fade;
    if (fade <= 768) return 255;
    return FADE_END - fade;
}

void ccredits::draw() {
    if (!bbuffer) return;
    if (bcredits) blit(bcredits, bbuffer, 0, 0, 0, 0, 640, 480);
    else clear_to_color(bbuffer, makecol(0, 0, 0));
    int b = brightness();
    if (b >= 0) textprintf_ex(bbuffer, font, 272, 236, makecol(b, b, b), -1, "HOLT MERIDAN");
    present(0, 0);
}
