// Writing a file so that its final name never holds half of it: the bytes go
// to a temporary name beside it, which is renamed over the final one only
// once everything is written and flushed. What is not a regular file (a
// device such as /dev/full or /dev/stdout, a pipe) is written in place. A
// symbolic link is followed, dangling or not, so the link stays and its
// target gets the bytes; a file that is there keeps its mode. A hard link is
// split: the name written gets the new file, other names keep the old one.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace tools {

struct ReplaceFile {
    std::string path;       // the final name
    std::string temporary;  // the name written to; empty when written in place
    FILE* file = nullptr;   // open for writing, or none
};

// The name a path's symbolic links lead to, followed link by link even where
// the last one leads nowhere yet; the path itself when it is no link. Gives
// ELOOP for a circle of links.
inline int followLinks(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0; hops < 40; ++hops) {
        char link[4096];
        const ssize_t length = readlink(target.c_str(), link, sizeof link - 1);
        if (length < 0) return errno == EINVAL || errno == ENOENT ? 0 : errno;  // no link: done
        link[length] = '\0';
        const auto slash = target.rfind('/');
        target = link[0] == '/' || slash == std::string::npos ? std::string(link) : target.substr(0, slash + 1) + link;
    }
    return ELOOP;
}

// Returns 0, or the errno of the failure.
inline int openReplaceFile(ReplaceFile& out, const std::string& path) {
    out.temporary.clear();
    if (const int error = followLinks(path, out.path)) return error;
    struct stat existing{};
    const bool exists = stat(out.path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        out.file = std::fopen(out.path.c_str(), "wb");
        return out.file ? 0 : errno;
    }
    std::string pattern = out.path + ".partial-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return errno;
    // The mode it had, or what a new file gets under the user's umask.
    mode_t mode = 0;
    if (exists) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    fchmod(fd, mode);
    out.temporary = pattern;
    out.file = fdopen(fd, "wb");
    if (!out.file) {
        const int error = errno;
        close(fd);
        unlink(out.temporary.c_str());
        return error;
    }
    return 0;
}

// Flushes, closes and puts the file under its final name when written is
// true and every step succeeds; else removes what was written. Returns 0, or
// the errno of the first failure (EIO when the writer failed without one).
inline int closeReplaceFile(ReplaceFile& out, bool written, int writeError) {
    int error = written ? 0 : (writeError ? writeError : EIO);
    if (out.file) {
        if (std::fflush(out.file) != 0 && !error) error = errno;
        if (!out.temporary.empty() && !error && fsync(fileno(out.file)) != 0) error = errno;
        if (std::fclose(out.file) != 0 && !error) error = errno;
        out.file = nullptr;
    }
    if (out.temporary.empty()) return error;
    if (!error && std::rename(out.temporary.c_str(), out.path.c_str()) != 0) error = errno;
    if (error) unlink(out.temporary.c_str());
    return error;
}

}  // namespace tools
