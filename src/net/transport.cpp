#include "net/transport.h"

#include <cstdlib>
#include <enet/enet.h>

#include "net/wire.h"

static const int CHANNEL_RELIABLE = 0;
static const int CHANNEL_INPUTS = 1; // unreliable, sequenced: an older packet is dropped

bool net_startup() {
    static int state = 0; // 0 not tried, 1 up, -1 failed
    if (state == 0) {
        state = enet_initialize() == 0 ? 1 : -1;
        if (state == 1) atexit(enet_deinitialize);
    }
    return state == 1;
}

// The limits every ENet host of ours runs with.
static void tighten(ENetHost *h) {
    h->maximumPacketSize = NET_MAX_PACKET;
    h->maximumWaitingData = NET_WAITING_BYTES;
    h->duplicatePeers = NET_PEERS;
}

// Discovery questions arrive on the session's socket; ENet hands us every raw packet
// first, and we keep those that are questions.
static const int MAX_HOSTS = 8;
static struct {
    ENetHost *enet;
    cnet_transport *owner;
} listening[MAX_HOSTS];

static int intercept(ENetHost *h, ENetEvent *) {
    for (auto &l : listening)
        if (l.enet == h) return l.owner->answer_discovery(h->receivedData, h->receivedDataLength);
    return 0;
}

bool cnet_transport::answer_discovery(const uint8_t *p, size_t n) {
    uint32_t nonce;
    if (!net_read_discover_request(p, n, nonce)) return false; // not ours: ENet reads it
    uint32_t now = enet_time_get();
    if (now - offers_since > 1000) offers_since = now, offers = 0;
    if (!offering || ++offers > NET_OFFERS_PER_SECOND) return true; // dropped
    cnet_offer o = my_offer;
    o.nonce = nonce;
    cpacker out;
    if (!net_discover_answer(o, out) || out.size() > n) return true;
    ENetBuffer buf;
    buf.data = (void *)out.data();
    buf.dataLength = out.size();
    enet_socket_send(enet->socket, &enet->receivedAddress, &buf, 1);
    return true;
}

bool cnet_transport::listen(int port, std::string &err) {
    close();
    if (!net_startup()) return err = "cannot start the network library", false;
    ENetAddress address;
    address.host = ENET_HOST_ANY;
    address.port = port;
    enet = enet_host_create(&address, NET_PEERS, 2, 0, 0);
    if (!enet) return err = "cannot listen on UDP port " + std::to_string(port), false;
    tighten(enet);
    for (auto &l : listening)
        if (!l.enet) {
            l = {enet, this};
            enet->intercept = intercept;
            break;
        }
    return true;
}

bool cnet_transport::connect(const std::string &host, int port, std::string &err) {
    close();
    if (!net_startup()) return err = "cannot start the network library", false;
    ENetAddress address;
    if (enet_address_set_host(&address, host.c_str()) != 0)
        return err = "cannot find the host " + host, false;
    address.port = port;
    enet = enet_host_create(nullptr, 1, 2, 0, 0);
    if (!enet) return err = "cannot open a UDP socket", false;
    tighten(enet);
    if (!enet_host_connect(enet, &address, 2, 0)) {
        close();
        return err = "cannot connect to " + host, false;
    }
    return true;
}

int cnet_transport::port() const {
    ENetAddress a;
    if (!enet || enet_socket_get_address(enet->socket, &a) != 0) return 0;
    return a.port;
}

void cnet_transport::use_link(const clink_settings &s, uint32_t seed) {
    lossy = true;
    out_link.setup(s, seed);
    in_link.setup(s, seed * 2654435761u + 1);
}

void cnet_transport::hand_to_enet(int peer, const std::string &bytes, bool reliable) {
    if (!enet || peer < 0 || peer >= (int)enet->peerCount) return;
    ENetPeer *p = &enet->peers[peer];
    if (p->state != ENET_PEER_STATE_CONNECTED) return;
    ENetPacket *packet =
        enet_packet_create(bytes.data(), bytes.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
    if (packet && enet_peer_send(p, reliable ? CHANNEL_RELIABLE : CHANNEL_INPUTS, packet) != 0)
        enet_packet_destroy(packet);
}

void cnet_transport::send(int peer, const std::string &bytes, bool reliable) {
    sent += bytes.size();
    if (lossy)
        out_link.send(enet_time_get(), 0, peer + 1, bytes, reliable);
    else
        hand_to_enet(peer, bytes, reliable);
}

bool cnet_transport::too_often(uint32_t address, uint32_t now) {
    cattempt *slot = &attempts[0];
    for (cattempt &a : attempts) {
        if (a.address == address) {
            slot = &a;
            break;
        }
        if (a.since < slot->since) slot = &a; // else reuse the stalest entry
    }
    if (slot->address != address || now - slot->since > 1000) *slot = {address, now, 0};
    return ++slot->count > NET_CONNECTS_PER_SECOND;
}

bool cnet_transport::poll(cnet_event &out) {
    if (!enet) return false;
    uint32_t now = enet_time_get();
    cparcel parcel;
    while (lossy && out_link.take(now, parcel))
        hand_to_enet(parcel.to - 1, parcel.bytes, parcel.reliable);
    ENetEvent ev;
    while (enet_host_service(enet, &ev, 0) > 0) {
        int peer = ev.peer - enet->peers;
        switch (ev.type) {
        case ENET_EVENT_TYPE_CONNECT:
            if (enet->peerCount > 1 && too_often(ev.peer->address.host, now)) {
                enet_peer_reset(ev.peer);
                continue;
            }
            enet_peer_timeout(ev.peer, 0, NET_TIMEOUT_MS, NET_TIMEOUT_MS);
            out = {NET_EV_CONNECT, peer, std::string()};
            return true;
        case ENET_EVENT_TYPE_DISCONNECT:
            out = {NET_EV_DISCONNECT, peer, std::string()};
            return true;
        case ENET_EVENT_TYPE_RECEIVE: {
            std::string bytes((const char *)ev.packet->data, ev.packet->dataLength);
            bool reliable = ev.channelID == CHANNEL_RELIABLE;
            enet_packet_destroy(ev.packet);
            if (lossy) {
                in_link.send(now, peer + 1, 0, bytes, reliable);
                continue;
            }
            out = {NET_EV_PACKET, peer, std::move(bytes)};
            return true;
        }
        default:
            continue;
        }
    }
    if (lossy && in_link.take(now, parcel)) {
        out = {NET_EV_PACKET, parcel.from - 1, std::move(parcel.bytes)};
        return true;
    }
    return false;
}

void cnet_transport::flush() {
    if (enet) enet_host_flush(enet);
}

void cnet_transport::drop(int peer) {
    if (enet && peer >= 0 && peer < (int)enet->peerCount)
        enet_peer_disconnect_later(&enet->peers[peer], 0);
}

void cnet_transport::close() {
    if (!enet) return;
    for (size_t i = 0; i < enet->peerCount; i++)
        if (enet->peers[i].state == ENET_PEER_STATE_CONNECTED)
            enet_peer_disconnect_now(&enet->peers[i], 0);
    enet_host_flush(enet);
    for (auto &l : listening)
        if (l.enet == enet) l = {nullptr, nullptr};
    enet_host_destroy(enet);
    enet = nullptr;
}

int cnet_transport::connected() const {
    int n = 0;
    for (size_t i = 0; enet && i < enet->peerCount; i++)
        n += enet->peers[i].state == ENET_PEER_STATE_CONNECTED;
    return n;
}

int cnet_transport::round_trip_ms(int peer) const {
    if (!enet || peer < 0 || peer >= (int)enet->peerCount) return 0;
    return enet->peers[peer].roundTripTime;
}

// ---- finding hosts ----

bool cnet_finder::ask(int port, const std::string &address) {
    stop();
    found.clear();
    if (!net_startup()) return false;
    ENetSocket s = enet_socket_create(ENET_SOCKET_TYPE_DATAGRAM);
    if (s == ENET_SOCKET_NULL) return false;
    enet_socket_set_option(s, ENET_SOCKOPT_NONBLOCK, 1);
    enet_socket_set_option(s, ENET_SOCKOPT_BROADCAST, 1);
    ENetAddress to;
    if (enet_address_set_host(&to, address.c_str()) != 0) {
        enet_socket_destroy(s);
        return false;
    }
    to.port = port;
    sock = s;
    asked_at = enet_time_get();
    nonce = asked_at * 2654435761u ^ (uint32_t)(uintptr_t)this;
    uint8_t q[NET_DISCOVER_BYTES];
    net_discover_request(nonce, q);
    ENetBuffer buf;
    buf.data = q;
    buf.dataLength = sizeof q;
    return enet_socket_send(s, &to, &buf, 1) == (int)sizeof q;
}

void cnet_finder::poll() {
    if (sock < 0) return;
    uint8_t data[NET_DISCOVER_BYTES + 1];
    for (;;) {
        ENetAddress from;
        ENetBuffer buf;
        buf.data = data;
        buf.dataLength = sizeof data;
        int n = enet_socket_receive((ENetSocket)sock, &from, &buf, 1);
        if (n <= 0) return;
        cnet_offer o;
        if (!net_read_discover_answer(data, n, o) || o.nonce != nonce) continue;
        char text[64];
        if (enet_address_get_host_ip(&from, text, sizeof text) != 0) continue;
        bool known = false;
        for (const cnet_found &f : found)
            known = known || (f.address == text && f.offer.port == o.port);
        if (!known) found.push_back({text, o, (int)(enet_time_get() - asked_at)});
    }
}

void cnet_finder::stop() {
    if (sock >= 0) enet_socket_destroy((ENetSocket)sock);
    sock = -1;
}
