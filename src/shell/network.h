#ifndef KRAG_SHELL_NETWORK_H
#define KRAG_SHELL_NETWORK_H

// The NETWORK screen: host a match (game type, kill limit, map, bots, skill and how
// many players, the input delay from the options) or join one, found on the LAN by
// broadcast or typed as HOST[:PORT]. Then the lobby, which lists who has joined until
// the host starts the match. The main loop plays the match itself.
#include <string>
#include <vector>

#include "net/transport.h"
#include "shell/idle.h"
#include "shell/textfield.h"

class cnetmatch;

enum { NETWORK_STAY, NETWORK_HOST, NETWORK_JOIN, NETWORK_BACK };

const int NET_LIST_ROWS = 8;        // games found shown at once
const int NET_ASK_EVERY = 200;      // ticks between two questions on the LAN
const int NET_SHOWN_PLAYERS = 6;    // players a host offers at most
const int NET_ANSWER_TICKS = 1000;  // a host silent this long while joining: no answer

class cnetwork {
  public:
    int wants = NETWORK_STAY;
    std::string address;  // NETWORK_JOIN: where
    std::string message;  // one line under the panels: why the last try failed
    int players = 2;      // humans the match hosted takes, 2-6
    std::vector<cnet_found> games; // found on the LAN, refreshed
    clook look;

    void init();  // starts asking the LAN
    void update();
    void draw();
    bool changed();
    void quit(); // stops asking

  private:
    cnet_finder finder;
    ctext_field address_field;
    long ticks = 0;
    int presses = 0;
    bool latch = true, escape_latch = true;
    void click(int x, int y);
};

// The lobby of a match hosted or joined here: the match, a row per slot, what the
// match waits for; START for the host, LEAVE for everyone.
class clobby {
  public:
    cnetmatch *net = nullptr;
    bool leave = false;
    bool no_answer = false; // left because the host did not answer in time
    clook look;

    void init(cnetmatch &m);
    void update(); // runs the match's frame: one tick
    void draw();
    bool changed();

  private:
    bool latch = true, escape_latch = true;
    int presses = 0;
    int logged_state = -1;
    int connecting = 0; // ticks spent reaching the host
    std::string shown; // what the lobby showed last, to redraw on a change
};

extern cnetwork network;
extern clobby lobby;

// One slot's line in the lobby: "2  ann", "3  OPEN" (a player's slot nobody has taken
// yet), "4  BOT", "1  bob (HOST)".
std::string lobby_row(const cnetmatch &m, int slot);

#endif
