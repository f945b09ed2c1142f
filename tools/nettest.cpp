// krag-nettest: network figures from whole matches played inside one process over the
// seeded lossy link. Until the world takes one input per player slot these matches run
// on the stand-in world, so the figures tell about the network (rollbacks, waiting,
// bytes), not about the time the real world takes to run ticks again.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "net/loopnet.h"
#include "net/standin.h"

// Bytes a packet costs on the wire beyond its payload: IPv4 and UDP headers and ENet's
// own header and command.
const int WIRE_OVERHEAD = 40;

int main() {
    printf("machines rtt_ms loss_pct  rollbacks/s depth_mean depth_max  waited stalled doubled  "
           "joiner_up_B/s host_up_B/s  ticks\n");
    for (int machines : {2, 6})
        for (int rtt : {50, 150, 300})
            for (int loss : {0, 2, 10}) {
                std::vector<cstandin> worlds(machines);
                std::vector<cnet_model> doors;
                for (cstandin &w : worlds)
                    doors.push_back(w.door());
                cnet_settings s = {0, 0, 1, 10, 2, 31, 2, machines, 7, "standin.krm", 0, 1};
                cloopnet net(machines, false, s, {rtt / 2, rtt / 10, loss, loss / 2},
                             (uint32_t)(77 + rtt + loss), doors, standin_script);
                std::vector<long> bytes(machines);
                net.tamper = [&](int from, std::string &b) { bytes[from] += b.size() + WIRE_OVERHEAD; };
                if (!net.play()) {
                    printf("%d %d %d  did not end\n", machines, rtt, loss);
                    continue;
                }
                double seconds = net.machines[0].end_tick() / 100.0;
                long rollbacks = 0, again = 0, deepest = 0, waited = 0, stalled = 0, doubled = 0;
                for (const csession &m : net.machines) {
                    const crollback_stats &st = m.match().stats();
                    rollbacks += st.rollbacks, again += st.resimulated;
                    deepest = std::max(deepest, st.deepest);
                    waited += m.figures().waited, stalled += m.figures().stalled, doubled += m.figures().doubled;
                }
                long joiners = 0;
                for (int m = 1; m < machines; m++)
                    joiners += bytes[m];
                printf("%d %d %d  %.1f %.1f %ld  %ld %ld %ld  %.0f %.0f  %ld\n", machines, rtt, loss,
                       rollbacks / (double)machines / seconds, rollbacks ? again / (double)rollbacks : 0.0,
                       deepest, waited, stalled, doubled, joiners / (machines - 1.0) / seconds,
                       bytes[0] / seconds, net.machines[0].end_tick());
            }
    return 0;
}
