// libFuzzer target: any bytes as a packet from a peer. The decoder must refuse or accept
// without reading or writing out of bounds; whatever it accepts the encoder can write
// (nothing out of range got through), and written again it reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/wire.h"

static void same_after_round_trip(const cnet_msg &m) {
    static cpacker once, twice;
    static cnet_msg again;
    std::string err;
    if (!net_encode(m, once)) abort();
    if (!net_decode(once.data(), once.size(), again, err)) abort();
    if (!net_encode(again, twice)) abort();
    if (once.size() != twice.size() || memcmp(once.data(), twice.data(), once.size()) != 0) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static cnet_msg m;
    std::string err;
    if (net_decode(data, size, m, err))
        same_after_round_trip(m);
    else if (err.empty())
        abort();

    // The same bytes as LAN discovery traffic: an answer is never longer than a request.
    uint32_t nonce;
    if (net_read_discover_request(data, size, nonce) && size != NET_DISCOVER_BYTES) abort();
    cnet_offer offer;
    if (net_read_discover_answer(data, size, offer)) {
        cpacker out;
        if (!net_discover_answer(offer, out) || out.size() > NET_DISCOVER_BYTES) abort();
    }
    return 0;
}
