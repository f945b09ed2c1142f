#ifndef KRAG_TOOLS_SIM_JOIN_H
#define KRAG_TOOLS_SIM_JOIN_H

#include <string>

#include "net/lossy.h"

// krag-sim --join: plays a human slot of the network match at `address` (standing
// still, or the simulator's scripted player when restless), through the lossy link
// when one is given, and prints the match's result line with its hash. Exit status 0
// for a match played to its decision, 1 for any other end (refused, the host left,
// out of step), with the reason on stderr.
int join_main(const std::string &address, bool restless, const clink_settings *link, unsigned seed);

#endif
