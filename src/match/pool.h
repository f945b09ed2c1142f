#ifndef KRAG_MATCH_POOL_H
#define KRAG_MATCH_POOL_H

// First free slot of a fixed pool, scanning from slot 0; nullptr when all are busy.
template <class T, int N> T *first_free(T (&pool)[N]) {
    for (int i = 0; i < N; i++)
        if (!pool[i].get_active()) return &pool[i];
    return nullptr;
}

#endif
