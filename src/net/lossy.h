#ifndef KRAG_NET_LOSSY_H
#define KRAG_NET_LOSSY_H

// A bad network inside the process: packets between numbered endpoints are held back
// (delay plus jitter, so they may overtake each other), lost and duplicated, all drawn
// from a seed so that a test plays the same way every run. Packets sent reliably are
// never lost or doubled and arrive in order between two endpoints, as on a reliable
// channel; they still take the delay.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct clink_settings {
    int delay_ms;  // one way
    int jitter_ms; // added delay, 0 to jitter_ms, drawn per packet
    int loss_pct;  // of unreliable packets
    int dup_pct;   // of unreliable packets, sent twice
};

// "DELAY_MS:JITTER_MS:LOSS_PCT" (e.g. "75:10:2"); false for anything else. Duplication
// is set to half the loss.
bool parse_link(const char *text, clink_settings &out);

struct cparcel {
    int from, to;
    bool reliable;
    std::string bytes;
    long due_ms; // when it arrives
    long order;  // sending order, to break ties
};

const int LINK_MAX_ENDPOINTS = 8;

class clossy_link {
  public:
    void setup(const clink_settings &s, uint32_t seed);
    void send(long now_ms, int from, int to, const std::string &bytes, bool reliable);
    // The next packet that has arrived by now_ms, oldest first; false when none has.
    bool take(long now_ms, cparcel &out);
    size_t waiting() const { return queue.size(); }
    long lost() const { return dropped; }

  private:
    clink_settings set = {0, 0, 0, 0};
    uint32_t rng = 1;
    std::vector<cparcel> queue;
    long next_order = 0;
    long dropped = 0;
    long reliable_due[LINK_MAX_ENDPOINTS][LINK_MAX_ENDPOINTS] = {};
    unsigned draw(unsigned n); // 0 to n - 1
};

#endif
