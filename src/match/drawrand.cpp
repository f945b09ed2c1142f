#include "match/drawrand.h"

static unsigned draw_state = 1;

int draw_rand() {
    draw_state = draw_state * 1103515245u + 12345u;
    return (int)((draw_state >> 16) & 0x7fff);
}

unsigned draw_rand_state() { return draw_state; }
void set_draw_rand_state(unsigned state) { draw_state = state; }
