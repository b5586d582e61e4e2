// Writing a file so that its final name never holds half of it: the bytes go
// to a temporary name beside it, which is renamed over the final one only
// once everything is written and flushed. What is not a regular file (a
// device such as /dev/full or /dev/stdout, a pipe) is written in place.
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

// Returns 0, or the errno of the failure.
inline int openReplaceFile(ReplaceFile& out, const std::string& path) {
    out.path = path;
    out.temporary.clear();
    struct stat existing{};
    if (stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        out.file = std::fopen(path.c_str(), "wb");
        return out.file ? 0 : errno;
    }
    std::string pattern = path + ".partial-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0) return errno;
    fchmod(fd, 0644);
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
