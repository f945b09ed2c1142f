#ifndef KRAG_NET_DRIVER_H
#define KRAG_NET_DRIVER_H

// A session over ENet: hands what the transport receives to the session and what the
// session wants sent to the transport. The caller keeps the time: pump(), then the
// session's frame(), then pump() again, every 10 ms.
#include <string>

#include "net/session.h"
#include "net/transport.h"

// "HOST", "HOST:PORT" or "[V6HOST]:PORT" into a host and a port (NET_DEFAULT_PORT when
// none is given); false for an empty host or a port outside 1-65535.
bool parse_address(const std::string &text, std::string &host, int &port);

class cnet_driver {
  public:
    csession session;
    cnet_transport transport;

    bool host(int port, const cnet_settings &s, const std::string &name, const cnet_hello &me,
              std::string &err);
    bool join(const std::string &address, int port, const cnet_hello &me, std::string &err);
    void pump();

  private:
    std::string host_name;
};

#endif
