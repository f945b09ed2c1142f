#ifndef KRAG_SHELL_SAY_H
#define KRAG_SHELL_SAY_H

// Messages to the player's terminal. Names and values in them come from files, folders
// and the command line, and a raw control byte there could drive the terminal (ESC
// starts a command sequence; a newline forges a line of its own), so every message
// goes through visible(): control bytes, DEL and bytes that are not UTF-8 text are
// shown as \xNN.
#include <string>

// The text with every byte that a terminal could act on written as \xNN. Printable
// ASCII and well-formed UTF-8 letters stay as they are.
std::string visible(const std::string &text);

// One message line on stderr, printf-style; the whole line goes through visible()
// and ends with a newline.
void say(const char *format, ...) __attribute__((format(printf, 1, 2)));

#endif
