// Pools: the busy-slot record gives exactly what a scan of every slot gives, however the
// flags change (spawns, frees during a pass, tests writing the flag directly).
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

#include "match/pool.h"
#include "players/blood.h"
#include "players/flesh.h"
#include "support.h"

// A pool whose size is not a multiple of 64, whose update can free and take slots
// anywhere in it (itself included) and logs what it visits.
struct ctoy;
const int MAX_TOYS = 200;
extern ctoy toys[MAX_TOYS];
static std::vector<int> visits;

struct ctoy {
    cslot<ctoy> active;
    int free_at = -1, take_at = -1; // what this slot's next update does
    bool get_active() { return active; }
    void reset() { active = false; }
    void update();
};
ctoy toys[MAX_TOYS];
template <> struct cpool_home<ctoy> {
    static ctoy *slots() { return toys; }
    static const int size = MAX_TOYS;
};

void ctoy::update() {
    visits.push_back((int)(this - toys));
    if (free_at >= 0) toys[free_at].active = false;
    if (take_at >= 0) toys[take_at].active = true;
}

template <class T, int N> static int scan_first_free(T (&pool)[N]) {
    for (int i = 0; i < N; i++)
        if (!pool[i].get_active()) return i;
    return N;
}

TEST(Pool, FirstFreeIsTheLowestFreeSlotWhateverFreedIt) {
    fresh_world();
    for (int i = 0; i < MAX_BLOOD; i++)
        blood[i].init(1, 1);
    EXPECT_EQ(nullptr, first_free(blood));
    blood[3000].reset();
    EXPECT_EQ(&blood[3000], first_free(blood));
    blood[3000].init(1, 1);
    EXPECT_EQ(nullptr, first_free(blood));
    // Freed behind the mark, one by one and by writing the flag.
    blood[4095].active = false;
    EXPECT_EQ(&blood[4095], first_free(blood));
    blood[64].active = false;
    blood[63].reset();
    EXPECT_EQ(&blood[63], first_free(blood));
    blood[7].lifetime = 0; // its last tick frees it
    blood[7].update();
    EXPECT_EQ(&blood[7], first_free(blood));
    // A copy of a busy drop put into a free slot takes it.
    blood[7] = blood[8];
    EXPECT_TRUE(blood[7].get_active());
    EXPECT_EQ(&blood[63], first_free(blood));
    // A drop of no pool leaves the record alone.
    cblood loose;
    loose.active = true;
    loose.active = false;
    EXPECT_EQ(&blood[63], first_free(blood));
    fresh_world();
    EXPECT_EQ(&blood[0], first_free(blood));
}

TEST(Pool, StartFreeFillsTheFirstFreeSlotsInOrder) {
    fresh_world();
    for (int i = 0; i < 60; i++)
        if (i % 7 != 3) flesh[i].init(10, 10, 1000);
    std::vector<int> started;
    start_free(flesh, 5, [&](cflesh &f) {
        started.push_back((int)(&f - flesh));
        f.init(10, 10, 1000);
    });
    EXPECT_EQ((std::vector<int>{3, 10, 17, 24, 31}), started);
    // A start that leaves its slot free does not get it again: the scan goes on.
    started.clear();
    start_free(flesh, 3, [&](cflesh &f) { started.push_back((int)(&f - flesh)); });
    EXPECT_EQ((std::vector<int>{38, 45, 52}), started);
    start_free(flesh, 10, [&](cflesh &f) { f.init(10, 10, 1000); });
    EXPECT_EQ(nullptr, first_free(flesh)); // 59 was the last one
}

// Another array of the same slots has no record of its own: it is scanned, and the
// home pool's record is not disturbed by it.
TEST(Pool, AnotherArrayOfTrackedSlotsIsScanned) {
    fresh_world();
    static cflesh spare[MAX_FLESH];
    for (int i = 0; i < MAX_FLESH; i++)
        spare[i].active = i != 7 && i != 30;
    EXPECT_EQ(&spare[7], first_free(spare));
    std::vector<int> busy;
    for_busy(spare, [&](cflesh &f) { busy.push_back((int)(&f - spare)); });
    EXPECT_EQ(MAX_FLESH - 2, (int)busy.size());
    EXPECT_EQ(6, busy[6]);
    EXPECT_EQ(8, busy[7]);
    EXPECT_EQ(&flesh[0], first_free(flesh));
    for (int i = 0; i < MAX_FLESH; i++)
        spare[i].reset();
}

// Random takes and frees, some from inside an update pass: the record answers as a
// scan does, and a pass visits what the plain loop over every slot would visit.
TEST(Pool, RandomChangesMatchAScanOfEverySlot) {
    srand(5);
    for (int round = 0; round < 300; round++) {
        int n = rand() % 40;
        for (int k = 0; k < n; k++)
            toys[rand() % MAX_TOYS].active = rand() % 3 != 0;
        for (int i = 0; i < MAX_TOYS; i++) {
            toys[i].free_at = rand() % 4 == 0 ? rand() % MAX_TOYS : -1;
            toys[i].take_at = rand() % 4 == 0 ? rand() % MAX_TOYS : -1;
        }
        ASSERT_EQ(scan_first_free(toys), first_free_index(toys)) << "round " << round;

        // The plain loop on a copy of the flags.
        std::vector<bool> on(MAX_TOYS);
        for (int i = 0; i < MAX_TOYS; i++)
            on[i] = toys[i].active;
        std::vector<int> want;
        for (int i = 0; i < MAX_TOYS; i++) {
            if (!on[i]) continue;
            want.push_back(i);
            if (toys[i].free_at >= 0) on[toys[i].free_at] = false;
            if (toys[i].take_at >= 0) on[toys[i].take_at] = true;
        }
        visits.clear();
        update_busy(toys);
        ASSERT_EQ(want, visits) << "round " << round;
        ASSERT_EQ(scan_first_free(toys), first_free_index(toys)) << "round " << round;
    }
    for (int i = 0; i < MAX_TOYS; i++)
        toys[i].active = true;
    EXPECT_EQ(MAX_TOYS, first_free_index(toys));
    for (int i = 0; i < MAX_TOYS; i++)
        toys[i].reset();
    visits.clear();
    update_busy(toys);
    EXPECT_TRUE(visits.empty());
    EXPECT_EQ(0, first_free_index(toys));
}
