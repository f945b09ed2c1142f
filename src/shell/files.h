#ifndef KRAG_SHELL_FILES_H
#define KRAG_SHELL_FILES_H

#include <cstddef>
#include <string>

// Why a data file cannot be read, in words a player can act on ("not found", "is a
// directory", "not a regular file", "permission denied"); empty when it is a readable
// regular file. Opens without blocking, so a FIFO never hangs the caller.
std::string file_problem(const char *path);

// Reads a whole regular file of at most `max` bytes into `bytes`. False with `why`
// filled (as file_problem, or "larger than N bytes", "read error") otherwise.
bool read_regular_file(const char *path, size_t max, std::string &bytes, std::string &why);

#endif
