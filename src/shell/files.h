#ifndef KRAG_SHELL_FILES_H
#define KRAG_SHELL_FILES_H

// The game's habits with files it did not make itself and files it writes:
//  - a file is read only after it was opened without blocking and found to be a
//    regular file, so a FIFO, a device or a folder in its place never hangs or feeds it;
//  - a file is written under an exclusive temporary name in its own folder (never a
//    name that exists already, never through a symlink), synced, then renamed into
//    place and the folder synced, so a power cut or a full disk leaves either the old
//    file or the new one, whole.
#include <cstddef>
#include <string>
#include <sys/types.h>

// Why a data file cannot be read, in words a player can act on ("not found", "is a
// directory", "not a regular file", "permission denied"); empty when it is a readable
// regular file. Opens without blocking, so a FIFO never hangs the caller.
std::string file_problem(const char *path);

// Opens a regular file for reading without blocking (O_NONBLOCK is cleared once it is
// known to be regular). -1 with why filled (as file_problem) otherwise; size is its size.
int open_regular_file(const char *path, std::string &why, off_t *size = nullptr);

// Reads a whole regular file of at most `max` bytes into `bytes`. False with `why`
// filled (as file_problem, or "larger than N bytes", "read error") otherwise.
bool read_regular_file(const char *path, size_t max, std::string &bytes, std::string &why);

// Writes all of bytes to fd, going on after a signal; false with errno set otherwise.
bool write_all(int fd, const std::string &bytes);

// A file written beside its final place under an exclusive temporary name,
// ".NAME.XXXXXX.tmp" in the target's folder, then put in place whole.
class cfile_writer {
  public:
    int fd;           // the open temporary (or, after commit, the file in place); -1: none
    std::string temp; // the temporary's path while there is one

    cfile_writer() : fd(-1) {}
    ~cfile_writer() { discard(); }
    cfile_writer(const cfile_writer &) = delete;
    cfile_writer &operator=(const cfile_writer &) = delete;

    // Creates the temporary beside target. False with why (and errno) when it cannot.
    bool open(const std::string &target, std::string &why);
    bool write(const std::string &bytes, std::string &why);
    // Syncs the file and renames it to target, then syncs the folder; fd stays open on
    // the file now in place (close() when done). replace: an existing regular file at
    // target is replaced (anything else there is refused); else target must not exist
    // (false with errno EEXIST then, the temporary kept for another name).
    bool commit(const std::string &target, bool replace, std::string &why);
    // Syncs the file written since commit; false with why when it cannot.
    bool sync(std::string &why);
    void close();
    void discard(); // closes and removes the temporary, if any
};

// Whether a folder entry is one of our temporaries (".NAME.XXXXXX.tmp"); base gets NAME.
bool temporary_name(const char *entry, std::string &base);

// Removes our temporaries in dir whose NAME satisfies keep_name (the names the game
// gives there) and that are older than a few minutes: the leftovers of a game killed
// while saving. Regular files only; a symlink is never followed or removed.
void remove_stale_temporaries(const std::string &dir, bool (*ours)(const std::string &base));

// mkdir -p with mode 0700 for the parts it makes; false with why when a part is not a
// folder or cannot be made.
bool make_private_folders(const std::string &dir, std::string &why);

// The folder part of a path ("." when it has none).
std::string folder_of(const std::string &path);

// A file-size limit (ulimit -f) would otherwise kill the game mid-save: with SIGXFSZ
// ignored, the write fails with EFBIG and is handled like a full disk.
void ignore_file_size_signal();

// The whole of bytes written to path by way of cfile_writer, its folder made when
// needed; an existing file keeps its permissions, a new one is 0644. False with why.
bool write_file_atomically(const std::string &path, const std::string &bytes, std::string &why);

#endif
