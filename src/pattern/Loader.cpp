// Pattern text and pattern files: the text's lines, the guard in front of
// the TOML reader, the TOML reader itself (which stops at its first mistake,
// told at its place), then the table reader; a file's size, kind and bytes
// are checked before its text is read.
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pattern/Pattern.h"
#include "pattern/ReadTable.h"
#include "pattern/TextGuard.h"

namespace pattern {


namespace {

// Every `# allow: NAME, NAME ...` comment, a name at a time.
std::vector<Allowance> allowances(const std::vector<std::string_view>& lines) {
    std::vector<Allowance> allowed;
    for (size_t l = 0; l < lines.size(); ++l) {
        const std::string_view line = lines[l];
        const size_t hash = line.find('#');
        if (hash == std::string_view::npos) continue;
        size_t at = line.find_first_not_of(" \t", hash + 1);
        if (at == std::string_view::npos || line.substr(at, 6) != "allow:") continue;
        at += 6;
        for (;;) {
            at = line.find_first_not_of(" \t,", at);
            size_t end = at;
            while (end < line.size() && (std::islower(static_cast<unsigned char>(line[end])) || line[end] == '-')) ++end;
            if (at == std::string_view::npos || end == at) break;
            allowed.push_back({static_cast<int32_t>(l + 1), std::string(line.substr(at, end - at))});
            at = end;
        }
    }
    return allowed;
}

}  // namespace

Loaded parsePattern(std::string_view text, const std::string& file, const std::vector<Binding>& settings,
                    const std::atomic<bool>* cancel) {
    Loaded loaded;
    loaded.pattern.file = file;
    // A byte-order mark, as some editors write one, is no part of the text.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<std::string_view> lines;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? text.size() - start : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    loaded.text = text;
    loaded.allowed = allowances(lines);
    if (!safeForTheReader(text, loaded)) return loaded;
    toml::parse_result parsed = toml::parse(text, std::string_view(file));
    if (!parsed) {
        const toml::parse_error& failure = parsed.error();
        toml::source_position place = failure.source().begin;
        if (failure.description().find("cannot redefine existing") != std::string_view::npos &&
            failure.description().find("key-value pair") != std::string_view::npos) {
            place = keyBefore(lines, place);
        }
        addMessage(loaded, {static_cast<int32_t>(place.line), static_cast<int32_t>(place.column), -1,
                            std::string(failure.description()), 0, {}, {}});
        return loaded;
    }
    Sources sources;
    readTable(parsed.table(), lines, loaded, sources, settings, cancel);
    if (!refused(loaded)) lintPattern(sources, loaded);
    sortMessages(loaded);
    return loaded;
}

Loaded loadPattern(const std::string& path, const std::vector<Binding>& settings, const std::atomic<bool>* cancel) {
    const auto whole = [&](const std::string& text) {
        Loaded refusedFile;
        refusedFile.pattern.file = path;
        addMessage(refusedFile, {0, 0, -1, text, 0, {}, {}});
        return refusedFile;
    };
    struct stat status{};
    if (stat(path.c_str(), &status) != 0) return whole(std::string("cannot read it: ") + std::strerror(errno));
    if (S_ISDIR(status.st_mode)) return whole("it is a folder, not a pattern file");
    if (!S_ISREG(status.st_mode)) return whole("it is not a regular file (a device, a FIFO or a socket)");
    if (status.st_size > MAX_FILE_BYTES) {
        return whole("it has " + std::to_string(status.st_size) + " bytes; a pattern file has at most 1 MiB (" +
                     std::to_string(MAX_FILE_BYTES) + " bytes)");
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return whole(std::string("cannot read it: ") + std::strerror(errno));
    std::string text;
    char buffer[65536];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, count);
        if (text.size() > static_cast<size_t>(MAX_FILE_BYTES)) break;  // it grew while being read
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return whole("cannot read it: read error");
    if (text.size() > static_cast<size_t>(MAX_FILE_BYTES)) return whole("it has more than 1 MiB");
    return parsePattern(text, path, settings, cancel);
}

}  // namespace pattern
