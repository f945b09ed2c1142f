#include "shell/say.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

// Length of the well-formed UTF-8 sequence at p for a character a terminal prints
// (not a C1 control, U+0080 to U+009F), else 0.
static size_t printable_utf8(const unsigned char *p, size_t left) {
    unsigned c = p[0];
    size_t n;
    unsigned min;
    if (c >= 0xc2 && c <= 0xdf)
        n = 2, min = 0xa0;
    else if (c >= 0xe0 && c <= 0xef)
        n = 3, min = 0x800;
    else if (c >= 0xf0 && c <= 0xf4)
        n = 4, min = 0x10000;
    else
        return 0;
    if (left < n) return 0;
    unsigned cp = c & (0x7f >> n);
    for (size_t i = 1; i < n; i++) {
        if ((p[i] & 0xc0) != 0x80) return 0;
        cp = cp << 6 | (p[i] & 0x3f);
    }
    if (cp < min || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
    return n;
}

std::string visible(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    const unsigned char *p = (const unsigned char *)text.data();
    size_t size = text.size();
    for (size_t i = 0; i < size;) {
        unsigned c = p[i];
        if (c >= 0x20 && c < 0x7f) {
            out += (char)c;
            i++;
            continue;
        }
        size_t n = c >= 0x80 ? printable_utf8(p + i, size - i) : 0;
        if (n) {
            out.append((const char *)p + i, n);
            i += n;
            continue;
        }
        static const char HEX[] = "0123456789abcdef";
        out += "\\x";
        out += HEX[c >> 4];
        out += HEX[c & 15];
        i++;
    }
    return out;
}

void say(const char *format, ...) {
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    char small[512];
    int n = vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string line;
    if (n >= (int)sizeof small) {
        std::vector<char> big((size_t)n + 1);
        vsnprintf(big.data(), big.size(), format, again);
        line.assign(big.data(), (size_t)n);
    } else if (n > 0) {
        line.assign(small, (size_t)n);
    }
    va_end(again);
    line = visible(line) + "\n";
    fputs(line.c_str(), stderr);
}
