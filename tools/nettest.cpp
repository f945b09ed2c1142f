// krag-nettest: network figures from whole matches of the game played inside one
// process over the seeded lossy link: rollbacks, their depth, frames that waited, the
// CPU time spent running ticks again, and bytes a second on the wire.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <string>
#include <vector>

#include "match/events.h"
#include "match/sim.h"
#include "net/loopnet.h"
#include "net/networld.h"
#include "shell/datadir.h"
#include "world/map.h"

// Bytes a packet costs on the wire beyond its payload: IPv4 and UDP headers and ENet's
// own header and command.
const int WIRE_OVERHEAD = 40;

static double cpu_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// A machine's world, timed: ticks run after a restore, up to where the world stood, are
// the re-simulation.
struct ctimed {
    cnetworld world;
    long redo_until = -1;
    double resim = 0;
};

static void timed_save(void *c, int slot) { ((ctimed *)c)->world.save(slot); }
static void timed_restore(void *c, int slot) {
    ctimed &t = *(ctimed *)c;
    t.redo_until = std::max(t.redo_until, t.world.stats.ticks);
    double at = cpu_seconds();
    t.world.restore(slot);
    t.resim += cpu_seconds() - at;
}
static uint64_t timed_hash(void *) { return world_hash(); }
static void timed_tick(void *c, const cnet_input *in, const bool *human) {
    ctimed &t = *(ctimed *)c;
    bool again = t.world.stats.ticks < t.redo_until;
    double at = again ? cpu_seconds() : 0;
    t.world.tick(in, human);
    if (again) t.resim += cpu_seconds() - at;
}
static bool timed_decided(void *c) { return ((ctimed *)c)->world.decided(); }

static cnet_input scripted(int slot, long tick) {
    ccontrol c = scripted_control(5, tick, slot);
    return {c.actions, c.aim_x, c.aim_y, c.buttons};
}

// krag-nettest [MACHINES [RTT_MS]]: those cases only (any round trip to the host).
int main(int argc, char **argv) {
    int only_machines = argc > 1 ? atoi(argv[1]) : 0, only_rtt = argc > 2 ? atoi(argv[2]) : -1;
    if (!enter_data_dir("krag-nettest", "")) return 1;
    sim_start_headless();
    events_mute(true);
    map.load();
    std::string file = map.path(map.find("arena.krm"));
    printf("A deathmatch on ARENA to 5 kills, every slot filled (the humans scripted), input delay 2.\n");
    printf("machines rtt_ms loss_pct  rollbacks/s depth_mean depth_max  waited stalled doubled  "
           "resim_%%core  joiner_up_B/s joiner_down_B/s host_up_B/s  ticks\n");
    for (int machines : {2, 6})
        for (int rtt : only_rtt >= 0 ? std::vector<int>{only_rtt} : std::vector<int>{50, 150, 300})
            for (int loss : {0, 2, 10}) {
                if (only_machines && machines != only_machines) continue;
                cnet_settings s = {0, 6 - machines, 1, 5, 2, 31, 2, machines, 99, "arena.krm", 0, 1};
                std::deque<ctimed> worlds(machines);
                std::vector<cnet_model> doors;
                std::string why;
                for (int m = 0; m < machines; m++) {
                    if (!worlds[m].world.setup(s, file, (1u << machines) - 1, m, why)) {
                        printf("%s\n", why.c_str());
                        return 1;
                    }
                    worlds[m].world.swap_out();
                    doors.push_back({&worlds[m], timed_save, timed_restore, timed_hash, timed_tick, timed_decided});
                }
                cloopnet net(machines, false, s, {rtt / 2, rtt / 10, loss, loss / 2}, (uint32_t)(77 + rtt + loss),
                             doors, scripted);
                net.before_frame = [&](int m) { worlds[m].world.swap_in(); };
                net.after_frame = [&](int m) { worlds[m].world.swap_out(); };
                std::vector<long> bytes(machines);
                net.tamper = [&](int from, std::string &b) { bytes[from] += b.size() + WIRE_OVERHEAD; };
                bool ended = net.play(100000);
                for (int m = machines - 1; m >= 0; m--)
                    worlds[m].world.finish();
                if (!ended) {
                    printf("%d %d %d  did not end\n", machines, rtt, loss);
                    continue;
                }
                double seconds = net.machines[0].end_tick() / 100.0;
                long rollbacks = 0, again = 0, deepest = 0, waited = 0, stalled = 0, doubled = 0;
                double resim = 0;
                for (int m = 0; m < machines; m++) {
                    const crollback_stats &st = net.machines[m].match().stats();
                    rollbacks += st.rollbacks, again += st.resimulated;
                    deepest = std::max(deepest, st.deepest);
                    const cnet_figures &f = net.machines[m].figures();
                    waited += f.waited, stalled += f.stalled, doubled += f.doubled;
                    resim = std::max(resim, worlds[m].resim);
                }
                long joiners = 0;
                for (int m = 1; m < machines; m++)
                    joiners += bytes[m];
                printf("%d %d %d  %.1f %.1f %ld  %ld %ld %ld  %.2f  %.0f %.0f %.0f  %ld\n", machines, rtt, loss,
                       rollbacks / (double)machines / seconds, rollbacks ? again / (double)rollbacks : 0.0,
                       deepest, waited, stalled, doubled, 100 * resim / seconds,
                       joiners / (machines - 1.0) / seconds, bytes[0] / (machines - 1.0) / seconds,
                       bytes[0] / seconds, net.machines[0].end_tick());
                fflush(stdout);
            }
    return 0;
}
