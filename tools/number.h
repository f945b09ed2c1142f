#ifndef KRAG_TOOLS_NUMBER_H
#define KRAG_TOOLS_NUMBER_H

#include <cstdlib>

// A whole decimal command-line number within lo..hi; false for anything else.
inline bool number(const char *s, long lo, long hi, long &out) {
    char *end = nullptr;
    long v = strtol(s, &end, 10);
    if (!*s || *end || v < lo || v > hi) return false;
    out = v;
    return true;
}

#endif
