#include "shell/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static std::string open_problem(int err) {
    if (err == ENOENT || err == ENOTDIR) return "not found";
    if (err == EACCES || err == EPERM) return "permission denied";
    if (err == EISDIR) return "is a directory";
    return "cannot be opened";
}

// Opens path for reading only if it is a regular file; -1 with why filled otherwise.
static int open_regular(const char *path, std::string &why, off_t &size) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = open_problem(errno);
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        why = "cannot be opened";
    } else if (S_ISDIR(st.st_mode)) {
        why = "is a directory";
    } else if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
    } else {
        size = st.st_size;
        return fd;
    }
    close(fd);
    return -1;
}

std::string file_problem(const char *path) {
    std::string why;
    off_t size = 0;
    int fd = open_regular(path, why, size);
    if (fd >= 0) close(fd);
    return why;
}

bool read_regular_file(const char *path, size_t max, std::string &bytes, std::string &why) {
    bytes.clear();
    off_t size = 0;
    int fd = open_regular(path, why, size);
    if (fd < 0) return false;
    if ((unsigned long long)size > max) {
        close(fd);
        why = "larger than " + std::to_string(max) + " bytes";
        return false;
    }
    // The size is a hint: read until the end, in case the file is growing or shrinking.
    bytes.reserve((size_t)size);
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            why = errno == EISDIR ? "is a directory" : "read error";
            bytes.clear();
            return false;
        }
        if (n == 0) break;
        if (bytes.size() + (size_t)n > max) {
            close(fd);
            why = "larger than " + std::to_string(max) + " bytes";
            bytes.clear();
            return false;
        }
        bytes.append(buf, (size_t)n);
    }
    close(fd);
    return true;
}
