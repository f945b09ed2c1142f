#include "match/rng.h"

#include <cstdlib>

crng rng;

void crng::seed(unsigned s) {
    // A seed of 0 would leave the ring all zero; the C library takes 1 instead.
    int32_t word = s == 0 ? 1 : (int32_t)s;
    r[0] = word;
    for (int i = 1; i < 31; i++) {
        // 16807 * word mod (2^31 - 1) without overflow, as the C library computes it.
        int32_t hi = word / 127773, lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += 2147483647;
        r[i] = word;
    }
    front = 3;
    rear = 0;
    // The first 310 numbers are thrown away to mix the ring.
    for (int i = 0; i < 310; i++) next();
}

int crng::next() {
    uint32_t v = (uint32_t)r[front] + (uint32_t)r[rear];
    r[front] = (int32_t)v;
    if (++front == 31) front = 0;
    if (++rear == 31) rear = 0;
    return (int)(v >> 1);
}

// The game's rand() and srand(): the world's generator.
extern "C" int rand(void) noexcept { return rng.next(); }
extern "C" void srand(unsigned s) noexcept { rng.seed(s); }
