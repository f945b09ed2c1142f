#ifndef KRAG_MATCH_DRAWRAND_H
#define KRAG_MATCH_DRAWRAND_H

// Random numbers for drawing. A frame may be drawn any number of times per logic tick,
// so drawing never calls rand(): the world's sequence then depends on logic ticks
// alone, and a recorded match plays back exactly.
int draw_rand(); // 0 to 32767

// Where the sequence stands, and putting it back there (to draw one state twice).
unsigned draw_rand_state();
void set_draw_rand_state(unsigned state);

#endif
