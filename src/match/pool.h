#ifndef KRAG_MATCH_POOL_H
#define KRAG_MATCH_POOL_H

// Fixed pools of slots. Spawning takes the lowest free slot and a tick updates the busy
// slots in index order; the simulation depends on both.
//
// The large pools keep a record of which slots are busy so neither needs to look at
// every slot: their `active` member is a cslot, which notes every change of the flag,
// whoever makes it (init, update, reset, a test writing the flag), in a bit set of busy
// slots and a "no free slot below this index" mark. The record is therefore exact at
// all times and the answers are the same as a scan of every slot would give.
#include <cstdint>
#include <type_traits>
#include <utility>

// Where the slots of a tracked kind live, declared beside the pool:
//   template <> struct cpool_home<cblood> { static cblood *slots() { return blood; }
//                                            static const int size = MAX_BLOOD; };
template <class T> struct cpool_home;

template <class T> struct cpool_marks {
    static const int size = cpool_home<T>::size;
    static const int words = (size + 63) / 64;
    static inline uint64_t busy[words]; // bit i of word i / 64: slot i is active
    static inline int live = 0;         // busy slots
    static inline int low = 0;          // every slot below this one is busy
};

// The active flag of a tracked slot: reads as a bool, and every write that changes it
// updates the pool's record.
template <class T> class cslot {
    unsigned char on; // not bool: a local slot's flag may hold any byte until set

  public:
    cslot() = default;
    cslot(const cslot &) = default;
    operator bool() const { return on != 0; }
    cslot &operator=(bool b) {
        if (b != (on != 0)) change(b);
        return *this;
    }
    cslot &operator=(const cslot &o) { return *this = (bool)o; }

  private:
    void change(bool b);
};

template <class T> void cslot<T>::change(bool b) {
    on = b;
    typedef cpool_marks<T> m;
    uintptr_t first = (uintptr_t)&cpool_home<T>::slots()[0].active;
    uintptr_t d = (uintptr_t)this - first;
    if (d >= (uintptr_t)m::size * sizeof(T)) return; // a slot of no pool (a local one)
    int i = (int)(d / sizeof(T));
    uint64_t bit = (uint64_t)1 << (i & 63);
    if (b) {
        m::busy[i >> 6] |= bit;
        m::live++;
    } else {
        m::busy[i >> 6] &= ~bit;
        m::live--;
        if (i < m::low) m::low = i;
    }
}

template <class T, class = void> struct ctracked : std::false_type {};
template <class T>
struct ctracked<T, std::void_t<decltype(T::active)>> : std::is_same<decltype(T::active), cslot<T>> {
};

// Whether the record answers for this array: only the home array of a tracked kind is
// recorded (any other array of the same slots is scanned).
template <class T, int N> bool recorded(T (&pool)[N]) {
    if constexpr (ctracked<T>::value)
        return N == cpool_marks<T>::size && pool == cpool_home<T>::slots();
    else
        return false;
}

// Index of the first free slot of a fixed pool; N when all are busy.
template <class T, int N> int first_free_index(T (&pool)[N]) {
    if constexpr (ctracked<T>::value) {
        if (recorded(pool)) {
            typedef cpool_marks<T> m;
            if (m::live == N) return N;
            for (int w = m::low >> 6; w < m::words; w++) {
                uint64_t freebits = ~m::busy[w];
                if (w == m::low >> 6) freebits &= ~(uint64_t)0 << (m::low & 63);
                if (!freebits) continue;
                int i = w * 64 + __builtin_ctzll(freebits);
                if (i >= N) break;
                m::low = i;
                return i;
            }
            m::low = N;
            return N;
        }
    }
    for (int i = 0; i < N; i++)
        if (!pool[i].get_active()) return i;
    return N;
}

// First free slot of a fixed pool; nullptr when all are busy.
template <class T, int N> T *first_free(T (&pool)[N]) {
    int i = first_free_index(pool);
    return i < N ? &pool[i] : nullptr;
}

// Calls start(slot) on up to n free slots in index order, as a scan from slot 0 would
// meet them; the scan goes on past a slot that start() leaves free.
template <class T, int N, class Start> void start_free(T (&pool)[N], int n, Start start) {
    for (int i = first_free_index(pool); i < N && n > 0; i++) {
        if (pool[i].get_active()) continue;
        start(pool[i]);
        n--;
    }
}

// Calls f(slot) on every busy slot in index order. A slot that becomes busy during the
// pass above the one being visited is visited too, a slot freed before its turn is not.
template <class T, int N, class F> void for_busy(T (&pool)[N], F f) {
    if constexpr (ctracked<T>::value) {
        if (recorded(pool)) {
            typedef cpool_marks<T> m;
            int i = 0;
            while (i < N && m::live > 0) {
                uint64_t rest = m::busy[i >> 6] >> (i & 63);
                if (!rest) {
                    i = (i | 63) + 1;
                    continue;
                }
                i += __builtin_ctzll(rest);
                f(pool[i]);
                i++;
            }
            return;
        }
    }
    for (int i = 0; i < N; i++)
        if (pool[i].get_active()) f(pool[i]);
}

// Updates every busy slot in index order, as for_busy visits them.
template <class T, int N> void update_busy(T (&pool)[N]) {
    for_busy(pool, [](T &slot) { slot.update(); });
}

#endif
