#include "net/driver.h"

#include <cstdlib>

bool parse_address(const std::string &text, std::string &host, int &port) {
    port = NET_DEFAULT_PORT;
    std::string rest;
    if (!text.empty() && text[0] == '[') {
        size_t close = text.find(']');
        if (close == std::string::npos) return false;
        host = text.substr(1, close - 1);
        rest = text.substr(close + 1);
    } else {
        size_t colon = text.find(':');
        // More than one colon and no brackets: a bare IPv6 address, no port.
        if (colon != std::string::npos && text.find(':', colon + 1) != std::string::npos) colon = std::string::npos;
        host = text.substr(0, colon);
        rest = colon == std::string::npos ? "" : text.substr(colon);
    }
    if (host.empty()) return false;
    if (rest.empty()) return true;
    if (rest[0] != ':' || rest.size() < 2 || rest.size() > 6) return false;
    char *end;
    long p = strtol(rest.c_str() + 1, &end, 10);
    if (*end || p < 1 || p > 65535 || rest[1] < '0' || rest[1] > '9') return false;
    port = p;
    return true;
}

bool cnet_driver::host(int port, const cnet_settings &s, const std::string &name, const cnet_hello &me,
                       std::string &err) {
    if (!transport.listen(port, err)) return false;
    session.host(s, name, me);
    host_name = name.empty() ? "server" : name;
    return true;
}

bool cnet_driver::join(const std::string &address, int port, const cnet_hello &me, std::string &err) {
    if (!transport.connect(address, port, err)) return false;
    session.join(me);
    return true;
}

void cnet_driver::pump() {
    cnet_event ev;
    if (!session.is_host()) session.set_round_trip(transport.round_trip_ms(0));
    while (transport.poll(ev)) {
        if (ev.kind == NET_EV_CONNECT)
            session.connected(ev.peer);
        else if (ev.kind == NET_EV_DISCONNECT)
            session.disconnected(ev.peer);
        else
            session.received(ev.peer, ev.bytes);
    }
    for (const cnet_outgoing &o : session.outbox) {
        if (o.bytes.empty())
            transport.drop(o.peer);
        else
            transport.send(o.peer, o.bytes, o.reliable);
    }
    session.outbox.clear();
    transport.flush();
    // What LAN discovery tells others, kept up to date while the host waits for players.
    if (session.is_host())
        transport.offer({0, session.joined(), session.settings().players, transport.port(),
                         session.settings().map, host_name});
}
