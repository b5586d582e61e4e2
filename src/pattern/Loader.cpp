// Pattern text and pattern files: the text's lines, the guard in front of
// the TOML reader, the TOML reader itself (which stops at its first mistake,
// told at its place), then the table reader; a file's size, kind and bytes
// are checked before its text is read.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "pattern/Pattern.h"
#include "pattern/Sources.h"
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

// The TOML reader's words for the commonest mistakes, said as this project
// says things, at the place of the mistake: a string left open is told at
// its opening quote, not at the end of its line.
struct Said {
    std::string text;
    toml::source_position place;
};

Said inOurWords(std::string_view description, const std::vector<std::string_view>& lines,
                toml::source_position place) {
    const auto has = [&](std::string_view part) { return description.find(part) != std::string_view::npos; };
    const auto saw = [&]() -> std::string {
        const size_t at = description.rfind("saw '");
        if (at == std::string_view::npos) return {};
        const size_t end = description.find('\'', at + 5);
        const std::string_view what = description.substr(at + 5, end == std::string_view::npos ? 0 : end - at - 5);
        return what == "\\n" || what == "\n" ? std::string("the end of the line") : "'" + std::string(what) + "'";
    };
    // The quote that opens the string the mistake is in: the last one before it on its line.
    const auto openedAt = [&](char quote) {
        if (place.line < 1 || place.line > lines.size()) return place;
        const std::string_view line = lines[place.line - 1];
        const size_t end = std::min(byteOfColumn(line, place.column), line.size());
        const size_t at = end == 0 ? std::string_view::npos : line.rfind(quote, end - 1);
        if (at == std::string_view::npos) return place;
        size_t column = 1;
        for (size_t i = 0; i < at; ++i) column += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
        return toml::source_position{place.line, static_cast<toml::source_index>(column)};
    };
    if (has("parsing string") && (has("control characters") || has("end-of-file"))) {
        const toml::source_position opened = openedAt('"');
        const std::string_view line = place.line >= 1 && place.line <= lines.size() ? lines[place.line - 1] : "";
        const size_t at = byteOfColumn(line, opened.column);
        if (opened.column != place.column && at >= 2 && line.substr(at - 2, 3) == "\"\"\"") {
            return {"this text of several lines is not closed: it needs its closing \"\"\"",
                    {place.line, static_cast<toml::source_index>(opened.column - 2)}};
        }
        if (has("end-of-file") && opened.column == place.column) {
            return {"a text of several lines is not closed: the file ends before its closing \"\"\"", place};
        }
        return {"this string is not closed: it needs its closing \" on the line it begins (or \"\"\" for text of "
                "several lines)",
                opened};
    }
    if (has("parsing literal string") && (has("control characters") || has("end-of-file"))) {
        return {"this string is not closed: it needs its closing ' on the line it begins", openedAt('\'')};
    }
    if (has("parsing table header") && has("expected ']'")) {
        return {"a table's name is not closed: [NAME] needs its ] here, not " + saw(), place};
    }
    if (has("parsing array") && (has("end-of-file") || has("expected comma or closing ']'"))) {
        return {"a list is not closed, or a , is missing between its values: a , or ] goes here" +
                    (has("end-of-file") ? std::string(" (the text ends first)") : ", not " + saw()),
                place};
    }
    if (has("parsing inline table") && has("dangling comma")) {
        return {"a table { ... } takes no , after its last value", place};
    }
    if (has("parsing inline table") && has("expected key or closing '}'")) {
        return {"a table { ... } is not closed, or a , is missing between its values: a , or } goes here, not " +
                    saw() + " (a table written { ... } ends on the line it begins)",
                place};
    }
    if (has("parsing key-value pair") && has("expected '='")) {
        return {"a key needs = and its value: NAME = VALUE; = goes here, not " + saw(), place};
    }
    if (has("could not determine value type") || has("parsing boolean")) {
        // At the start of the word, where the reader of booleans stops at its end.
        toml::source_position start = place;
        if (place.line >= 1 && place.line <= lines.size()) {
            const std::string_view line = lines[place.line - 1];
            size_t at = std::min(byteOfColumn(line, place.column), line.size());
            while (at > 0 && std::isalnum(static_cast<unsigned char>(line[at - 1]))) {
                --at;
                --start.column;
            }
        }
        return {"this is no value: a value is a number, true or false, \"text\" in quotes, a list [...] or a table "
                "{ ... }",
                start};
    }
    if (has("parsing key-value pair") && has("expected a comment or whitespace")) {
        return {"only a comment may follow a value on its line, not " + saw() +
                    ": values in a list go in [ ... ], in a table in { ... }, each after a ,",
                place};
    }
    if (has("cannot redefine existing")) {
        // The key as the text writes it, at the place: bare, or in quotes.
        std::string name;
        if (place.line >= 1 && place.line <= lines.size()) {
            const std::string_view line = lines[place.line - 1];
            size_t at = std::min(byteOfColumn(line, place.column), line.size());
            if (at < line.size() && line[at] == '[') at = line.find_first_not_of("[ \t", at);
            if (at != std::string_view::npos && at < line.size() && (line[at] == '"' || line[at] == '\'')) {
                const size_t end = line.find(line[at], at + 1);
                if (end != std::string_view::npos) name = line.substr(at, end + 1 - at);
            } else {
                size_t end = at;
                while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_' ||
                                             line[end] == '-' || line[end] == '.')) {
                    ++end;
                }
                if (at != std::string_view::npos) name = line.substr(at, end - at);
            }
        }
        return {(name.empty() ? std::string("this") : "'" + name + "'") +
                    " is given twice: a key or a table is given once in its table",
                place};
    }
    return {std::string(description), place};
}

}  // namespace

Loaded parsePattern(std::string_view text, const std::string& file, const std::vector<Binding>& settings,
                    const std::atomic<bool>* cancel) {
    Loaded loaded;
    loaded.pattern.file = file;
    // A byte-order mark, as some editors write one, is no part of the text.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const std::vector<std::string_view> lines = linesOf(text);
    loaded.text = text;
    loaded.lineStarts.reserve(lines.size());
    for (const std::string_view line : lines) loaded.lineStarts.push_back(static_cast<size_t>(line.data() - text.data()));
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
        const Said said = inOurWords(failure.description(), lines, place);
        addMessage(loaded, {static_cast<int32_t>(said.place.line), static_cast<int32_t>(said.place.column), -1,
                            said.text, 0, {}, {}});
        return loaded;
    }
    Sources sources;
    readTable(parsed.table(), lines, loaded, sources, settings, cancel);
    if (!refused(loaded)) lintPattern(sources, loaded);
    sortMessages(loaded);
    return loaded;
}

std::string tooLarge(int64_t bytes) {
    return "it has " + std::to_string(bytes) + " bytes; a pattern file has at most 1 MiB (" +
           std::to_string(MAX_FILE_BYTES) + " bytes)";
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
        return whole(tooLarge(static_cast<int64_t>(status.st_size)));
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
