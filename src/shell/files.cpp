#include "shell/files.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Older than this, a temporary of ours belongs to no running game: every save takes
// milliseconds.
const int STALE_TEMPORARY_SECONDS = 600;

static std::string open_problem(int err) {
    if (err == ENOENT || err == ENOTDIR) return "not found";
    if (err == EACCES || err == EPERM) return "permission denied";
    if (err == EISDIR) return "is a directory";
    if (err == ELOOP) return "is a symlink loop";
    return "cannot be opened";
}

int open_regular_file(const char *path, std::string &why, off_t *size) {
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
        if (size) *size = st.st_size;
        int flags = fcntl(fd, F_GETFL);
        if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        return fd;
    }
    close(fd);
    return -1;
}

std::string file_problem(const char *path) {
    std::string why;
    int fd = open_regular_file(path, why);
    if (fd >= 0) close(fd);
    return why;
}

bool read_regular_file(const char *path, size_t max, std::string &bytes, std::string &why) {
    bytes.clear();
    off_t size = 0;
    int fd = open_regular_file(path, why, &size);
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

bool write_all(int fd, const std::string &bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += (size_t)n;
    }
    return true;
}

std::string folder_of(const std::string &path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

static std::string base_of(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

static bool fail(std::string &why, const std::string &what) {
    int err = errno;
    why = what + ": " + strerror(err);
    errno = err;
    return false;
}

// A folder's entries reach the disk only when the folder itself is synced.
static void sync_folder(const std::string &dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    ::close(fd);
}

bool cfile_writer::open(const std::string &target, std::string &why) {
    discard();
    std::string pattern = folder_of(target) + "/." + base_of(target) + ".XXXXXX.tmp";
    // mkostemps creates with O_CREAT | O_EXCL: never an existing name, never a symlink.
    fd = mkostemps(&pattern[0], 4, O_CLOEXEC);
    if (fd < 0) return fail(why, "cannot create a file in " + folder_of(target));
    temp = pattern;
    return true;
}

bool cfile_writer::write(const std::string &bytes, std::string &why) {
    if (fd < 0) {
        errno = EBADF;
        return fail(why, "nothing open");
    }
    if (!write_all(fd, bytes)) return fail(why, "cannot write");
    return true;
}

bool cfile_writer::sync(std::string &why) {
    if (fd >= 0 && fsync(fd) != 0) return fail(why, "cannot write");
    return true;
}

bool cfile_writer::commit(const std::string &target, bool replace, std::string &why) {
    if (fd < 0 || temp.empty()) {
        errno = EBADF;
        return fail(why, "nothing to put in place");
    }
    if (fsync(fd) != 0) return fail(why, "cannot write");
    if (replace) {
        struct stat st;
        if (lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            why = "not a regular file; it is left as it is";
            errno = EEXIST;
            return false;
        }
        if (rename(temp.c_str(), target.c_str()) != 0) return fail(why, "cannot rename");
    } else {
        int r = renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
        if (r != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without the exclusive rename: a hard link is just as exclusive.
            r = link(temp.c_str(), target.c_str());
            if (r == 0) unlink(temp.c_str());
        }
        if (r != 0) return fail(why, "cannot rename");
    }
    temp.clear();
    sync_folder(folder_of(target));
    return true;
}

void cfile_writer::close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

void cfile_writer::discard() {
    close();
    if (!temp.empty()) unlink(temp.c_str());
    temp.clear();
}

bool temporary_name(const char *entry, std::string &base) {
    size_t n = strlen(entry);
    // "." NAME "." XXXXXX ".tmp": at least one byte of NAME.
    if (n < 13 || entry[0] != '.' || strcmp(entry + n - 4, ".tmp") != 0 || entry[n - 11] != '.')
        return false;
    base.assign(entry + 1, n - 12);
    return true;
}

void remove_stale_temporaries(const std::string &dir, bool (*ours)(const std::string &base)) {
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dfd < 0) return;
    DIR *d = fdopendir(dfd);
    if (!d) {
        ::close(dfd);
        return;
    }
    time_t now = time(nullptr);
    while (dirent *e = readdir(d)) {
        std::string base;
        if (!temporary_name(e->d_name, base) || !ours(base)) continue;
        struct stat st;
        if (fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (now - st.st_mtime > STALE_TEMPORARY_SECONDS) unlinkat(dfd, e->d_name, 0);
    }
    closedir(d);
}

bool make_private_folders(const std::string &dir, std::string &why) {
    for (size_t i = 1; i <= dir.size(); i++) {
        if (i < dir.size() && dir[i] != '/') continue;
        std::string part = dir.substr(0, i);
        if (mkdir(part.c_str(), 0700) == 0) continue;
        int err = errno;
        struct stat st;
        if (err == EEXIST) {
            if (stat(part.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
            err = ENOTDIR;
        }
        errno = err;
        return fail(why, "cannot make the folder " + part);
    }
    return true;
}

void ignore_file_size_signal() { signal(SIGXFSZ, SIG_IGN); }

bool write_file_atomically(const std::string &path, const std::string &bytes, std::string &why) {
    struct stat st;
    mode_t mode = stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0644;
    if (!make_private_folders(folder_of(path), why)) return false;
    cfile_writer out;
    if (!out.open(path, why) || !out.write(bytes, why)) return false;
    if (fchmod(out.fd, mode) != 0) return fail(why, "cannot set the permissions of " + out.temp);
    if (!out.commit(path, true, why)) return false;
    out.close();
    return true;
}
