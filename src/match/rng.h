#ifndef KRAG_MATCH_RNG_H
#define KRAG_MATCH_RNG_H

#include <cstdint>

// The world's random numbers. The game calls rand() and srand() as it always has;
// this library defines both, so every draw comes from `rng`, which the world's
// snapshot covers. The sequence is the C library's rand() draw for draw (the additive
// feedback generator r[i] = r[i-3] + r[i-31] over 31 words), so matches recorded before
// the world owned its generator still play the same.
class crng {
  public:
    int32_t r[31]; // the feedback ring
    int front;     // index of r[i-3]'s partner being updated (the "front" pointer)
    int rear;      // index of r[i-31]

    void seed(unsigned s);
    int next(); // 0 to RAND_MAX
};

extern crng rng;

#endif
