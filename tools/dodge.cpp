// barrage-dodge [--pattern FILE]: whether the pattern (or the demonstration) can be survived from
// frame A to B, and how hard each frame is. For a pattern that does not follow
// the ship the answer is exact (every whole-pixel position the ship can reach
// each frame without a hit); for one that aims at the ship it is a search.
// Status 0: survivable (a way was found), 1: not (none found), 2: a refused
// pattern or usage.
#include <png.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "command/Arguments.h"
#include "command/PatternOption.h"
#include "dodge/Dodge.h"
#include "pattern/Pattern.h"
#include "replay/Recording.h"
#include "screen/Font.h"
#include "tools/ReplaceFile.h"
#include "world/Scenario.h"

namespace {

// Writes the file whole or not at all; false with errno set when it cannot.
bool writeWhole(const std::string& path, const std::string& bytes) {
    tools::ReplaceFile out;
    int error = tools::openReplaceFile(out, path);
    if (!error) {
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out.file) == bytes.size();
        error = tools::closeReplaceFile(out, written, written ? 0 : errno ? errno : EIO);
    }
    errno = error;
    return error == 0;
}

struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;  // three bytes a pixel, row by row
    Picture(int32_t w, int32_t h, uint8_t grey) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, grey) {}
    void dot(int32_t x, int32_t y, uint32_t colour) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        p[0] = static_cast<uint8_t>(colour >> 16), p[1] = static_cast<uint8_t>(colour >> 8), p[2] = static_cast<uint8_t>(colour);
    }
    void text(int32_t x, int32_t y, const std::string& s, uint32_t colour) {
        for (size_t i = 0; i < s.size(); ++i) {
            const uint8_t* glyph = screen::glyphFor(static_cast<uint8_t>(s[i]));
            for (int32_t r = 0; r < 16; ++r) {
                for (int32_t c = 0; c < 8; ++c) {
                    if (glyph[r] & (0x80 >> c)) dot(x + static_cast<int32_t>(i) * 8 + c, y + r, colour);
                }
            }
        }
    }
};

bool writePicture(const std::string& path, const Picture& picture) {
    std::vector<uint8_t> bytes;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool done = false;  // kept across the jump libpng makes on an error
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &bytes, [](png_structp p, png_bytep data, png_size_t size) {
            auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            out->insert(out->end(), data, data + size);
        }, nullptr);
        png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int32_t y = 0; y < picture.height; ++y) {
            png_write_row(png, picture.rgb.data() + static_cast<size_t>(y) * picture.width * 3);
        }
        png_write_end(png, nullptr);
        done = true;
    }
    png_destroy_write_struct(&png, &info);
    return done && writeWhole(path, std::string(bytes.begin(), bytes.end()));
}

// Freedom along the frames: the share reachable and clear (or, for a search,
// the share clear), on axes with their labels.
Picture plotOf(const dodge::Answer& a) {
    constexpr int32_t W = 800, H = 360, LEFT = 64, RIGHT = 16, TOP = 24, BOTTOM = 48;
    Picture p(W, H, 0xff);
    const int32_t plotW = W - LEFT - RIGHT, plotH = H - TOP - BOTTOM;
    for (int32_t x = LEFT; x <= LEFT + plotW; ++x) p.dot(x, TOP + plotH, 0x000000);
    for (int32_t y = TOP; y <= TOP + plotH; ++y) p.dot(LEFT, y, 0x000000);
    const auto series = [&](bool freedom) {
        if (a.frames.empty()) return;
        for (int32_t x = 0; x < plotW; ++x) {
            const size_t from = static_cast<size_t>(x) * a.frames.size() / plotW;
            const size_t to = std::max(from + 1, static_cast<size_t>(x + 1) * a.frames.size() / plotW);
            double least = 1;
            for (size_t f = from; f < to && f < a.frames.size(); ++f) {
                least = std::min(least, freedom ? a.frames[f].freedom : a.frames[f].clear);
            }
            if (least < 0) continue;
            const int32_t y = TOP + plotH - static_cast<int32_t>(std::lround(least * plotH));
            for (int32_t d = 0; d < 2; ++d) p.dot(LEFT + x, y - d, freedom ? 0xc02020 : 0x8080c0);
        }
    };
    series(false);
    if (a.exact) series(true);
    p.text(LEFT - 40, TOP - 8, "100%", 0);
    p.text(LEFT - 24, TOP + plotH - 8, "0%", 0);
    p.text(LEFT, TOP + plotH + 6, "frame " + std::to_string(a.from), 0);
    const std::string last = std::to_string(a.from + static_cast<int64_t>(a.frames.size()) - 1);
    p.text(LEFT + plotW - static_cast<int32_t>(last.size()) * 8, TOP + plotH + 6, last, 0);
    p.text(LEFT + plotW / 2 - 24, TOP + plotH + 26, "frame", 0);
    p.text(LEFT + 8, 4, a.exact ? "freedom (red): share reachable and clear; blue: share clear"
                                 : "share of the screen clear (a search: no freedom)", 0);
    return p;
}

// Bullet presence by pixel over the span, brighter where more.
Picture heatOf(const dodge::Answer& a) {
    Picture p(dodge::WIDTH, dodge::HEIGHT, 0x00);
    const uint32_t most = a.heat.empty() ? 1 : std::max<uint32_t>(1, *std::max_element(a.heat.begin(), a.heat.end()));
    for (int32_t y = 0; y < dodge::HEIGHT; ++y) {
        for (int32_t x = 0; x < dodge::WIDTH; ++x) {
            const uint32_t n = a.heat.empty() ? 0 : a.heat[static_cast<size_t>(y) * dodge::WIDTH + x];
            if (!n) continue;
            const double t = std::sqrt(static_cast<double>(n) / most);
            const auto level = [&](double v) { return static_cast<uint32_t>(std::lround(std::min(1.0, v) * 255)); };
            p.dot(x, y, level(t * 2) << 16 | level(t * 2 - 0.6) << 8 | level(t * 3 - 2));
        }
    }
    return p;
}

// NAME=FROM:TO[:STEP], the values a sweep takes (at most 1,000); false for anything else.
bool parseSweep(const std::string& text, std::string& name, std::vector<double>& values) {
    const size_t equals = text.find('=');
    if (equals == std::string::npos) return false;
    name = text.substr(0, equals);
    double from = 0, to = 0, step = 1;
    char extra = 0;
    const std::string range = text.substr(equals + 1);
    const int read = std::sscanf(range.c_str(), "%lf:%lf:%lf%c", &from, &to, &step, &extra);
    if (read < 2 || read > 3 || name.empty() || !std::isfinite(from) || !std::isfinite(to) || !(step > 0) || to < from ||
        (to - from) / step > 999) {
        return false;
    }
    for (int64_t i = 0; from + static_cast<double>(i) * step <= to + step * 1e-9; ++i) {
        values.push_back(from + static_cast<double>(i) * step);
    }
    return true;
}

// The answer for each value of a parameter, on every core, as a table.
int sweep(const std::string& path, const std::vector<pattern::Binding>& settings, const std::string& name,
          const std::vector<double>& values, const dodge::Options& options) {
    struct Row {
        bool read = false, exact = false, survivable = false;
        double least = 1;
        int64_t frame = 0, lostAt = 0;
    };
    std::vector<Row> rows(values.size());
    {
        // A name the pattern does not have is refused for every value: said once.
        std::vector<pattern::Binding> set = settings;
        set.push_back({name, values.front()});
        const pattern::Loaded first = pattern::loadPattern(path, set);
        if (pattern::refused(first)) {
            for (const pattern::Message& m : first.messages) {
                if (m.error) std::fprintf(stderr, "%s\n", pattern::formatMessage(path, m).c_str());
            }
            return 2;
        }
    }
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t i = next++; i < values.size(); i = next++) {
            std::vector<pattern::Binding> set = settings;
            std::erase_if(set, [&](const pattern::Binding& b) { return b.name == name; });
            set.push_back({name, values[i]});
            const pattern::Loaded loaded = pattern::loadPattern(path, set);
            if (pattern::refused(loaded)) continue;
            world::World w;
            world::setUpWorld(w, pattern::makerFor(loaded.pattern));
            const dodge::Answer a = dodge::answer(w, options);
            world::tearDownWorld(w);
            Row& r = rows[i];
            r.read = true, r.exact = a.exact, r.survivable = a.survivable, r.lostAt = a.lostAt;
            const dodge::Tightest tightest = dodge::tightestOf(a);
            r.least = tightest.least, r.frame = tightest.frame;
        }
    };
    std::vector<std::thread> threads;
    for (unsigned k = 0; k < std::max(1u, std::thread::hardware_concurrency()); ++k) threads.emplace_back(work);
    for (std::thread& t : threads) t.join();
    std::printf("%-16s %-24s %s\n", name.c_str(), "answer", "least freedom (clear, for a search), frame");
    bool any = false;
    for (size_t i = 0; i < values.size(); ++i) {
        const Row& r = rows[i];
        const std::string value = pattern::exactText(values[i]);
        if (!r.read) {
            std::printf("%-16s refused\n", value.c_str());
            continue;
        }
        any = any || r.survivable;
        const std::string said = r.exact ? (r.survivable ? "survivable" : "not survivable, from " + std::to_string(r.lostAt))
                                         : (r.survivable ? "found a way" : "found none");
        std::printf("%-16s %-24s %.4f%% %lld\n", value.c_str(), said.c_str(), r.least * 100, static_cast<long long>(r.frame));
    }
    return any ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Says whether a pattern can be survived from frame A to B, and how hard each frame is: exactly, over "
                 "every whole-pixel position of the ship, for a pattern that does not aim at the ship; by a search "
                 "for one that does. Status 0: survivable, 1: not, 2: a refused pattern or usage.",
                 "barrage-dodge");
    std::string patternName;
    std::vector<std::string> sets;
    command::addPatternOption(app, patternName, sets, "a pattern file, or the name of a sample pattern");
    constexpr int64_t MOST = 1'000'000;
    std::string fromText = "1", toText = std::to_string(world::STUDY_FRAMES);
    app.add_option("--from", fromText, "the first frame the ship must live through (default 1)")
        ->check(command::countFrom1To(MOST));
    app.add_option("--to", toText, "the last (default 16200)")->check(command::countFrom1To(MOST));
    std::vector<int32_t> start;
    app.add_option("--start", start, "where the ship starts, X Y in whole pixels (default: the pattern's [player])")
        ->expected(2)->check(CLI::Range(0, 639));
    bool anywhere = false;
    app.add_flag("--anywhere", anywhere, "the ship may start on any clear position")->excludes("--start");
    int32_t speed = -1, focusedSpeed = -1;
    float hitRadius = -1;
    app.add_option("--speed", speed, "the ship's speed, whole pixels a frame (default: the pattern's)")->check(CLI::Range(0, 64));
    app.add_option("--focused-speed", focusedSpeed, "focused")->check(CLI::Range(0, 64));
    app.add_option("--hit-radius", hitRadius, "the hitbox's radius, pixels")->check(CLI::Range(0.0f, 1000.0f));
    std::string recordPath, csvPath, plotPath, heatPath;
    app.add_option("--record", recordPath, "where to write the way through (default NAME-way.rec here)");
    app.add_option("--csv", csvPath, "write frame, clear, freedom, still_hits for every frame of the span");
    app.add_option("--plot", plotPath, "draw freedom along the frames into a PNG");
    app.add_option("--heat", heatPath, "draw bullet presence over the span into a PNG");
    int32_t beam = 16, every = 8;
    app.add_option("--beam", beam, "for a pattern that aims at the ship: ways kept (default 16)")->check(CLI::Range(1, 256));
    app.add_option("--every", every, "frames between its choices (default 8)")->check(CLI::Range(1, 600));
    std::string sweepText;
    app.add_option("--sweep", sweepText, "NAME=FROM:TO[:STEP]: the answer for each value of a parameter (rank=0:1:0.1, "
                                         "seed=1:20), on every core, as a table");
    if (const int status = command::parseArguments(app, argc, argv); status >= 0) return status;
    std::string sweepName;
    std::vector<double> sweepValues;
    if (!sweepText.empty() && !parseSweep(sweepText, sweepName, sweepValues)) {
        return command::usageError(app, "--sweep takes NAME=FROM:TO or NAME=FROM:TO:STEP, at most 1000 values");
    }
    dodge::Options options;
    options.from = command::countOf(fromText);
    options.to = command::countOf(toText);
    if (options.to < options.from) return command::usageError(app, "--to comes before --from");
    options.anywhere = anywhere;
    options.heat = !heatPath.empty();
    options.beam = beam, options.every = every;

    command::ChosenPattern chosen;
    if (const int status = command::choosePattern(chosen, patternName, sets, false); status >= 0) return status;
    if (!sweepName.empty()) return sweep(chosen.path, chosen.settings, sweepName, sweepValues, options);
    world::World w;
    world::setUpWorld(w, command::makerOf(chosen));
    world::Ship& ship = w.ship;
    if (start.size() == 2) ship.x = static_cast<float>(start[0]), ship.y = static_cast<float>(std::min(start[1], 479));
    if (speed >= 0) ship.speed = speed, ship.diagonal = world::diagonalStep(speed);
    if (focusedSpeed >= 0) ship.focusedSpeed = focusedSpeed, ship.focusedDiagonal = world::diagonalStep(focusedSpeed);
    if (hitRadius >= 0) ship.hitRadius = hitRadius;
    const dodge::Answer a = dodge::answer(w, options);
    world::tearDownWorld(w);

    const std::string span = "from frame " + std::to_string(a.from) + " to " + std::to_string(a.to);
    if (a.exact && a.survivable) {
        std::printf("survivable %s\n", span.c_str());
    } else if (a.exact) {
        std::printf("not survivable %s: from frame %lld no reachable position is clear; the last positions, in frame "
                    "%lld, lay within x %d to %d, y %d to %d\n", span.c_str(), static_cast<long long>(a.lostAt),
                    static_cast<long long>(a.lostAt - 1), a.lostLeft, a.lostRight, a.lostTop, a.lostBottom);
    } else if (a.survivable) {
        std::printf("found a way %s (the pattern aims at the ship: a search of %d ways, a choice every %d frames among "
                    "nine moves, not a proof)\n", span.c_str(), options.beam, options.every);
    } else {
        std::printf("found none within this search %s (the pattern aims at the ship: %d ways, a choice every %d frames "
                    "among nine moves); every way was hit by frame %lld\n", span.c_str(), options.beam, options.every,
                    static_cast<long long>(a.lostAt));
    }
    if (a.survivable && anywhere) std::printf("the way starts at %d %d ([player] start = [%d, %d])\n", a.startX, a.startY, a.startX, a.startY);
    // The tightest moments.
    // From a start of one position the freedom is small until the ship could
    // have gone anywhere: the tightest moments are looked for after that.
    const auto settled = static_cast<size_t>(a.settled);
    std::vector<size_t> order;
    for (size_t i = settled; i < a.frames.size(); ++i) order.push_back(i);
    const bool exact = a.exact;
    const auto measure = [&](size_t i) { return dodge::measureOf(a, i); };
    std::stable_sort(order.begin(), order.end(), [&](size_t l, size_t r) { return measure(l) < measure(r); });
    if (!order.empty()) {
        std::printf("%s at least %.4f%% in frame %lld", exact ? "freedom" : "clear", measure(order[0]) * 100,
                    static_cast<long long>(a.from + static_cast<int64_t>(order[0])));
        if (settled) std::printf(" (from frame %lld, once the ship could have gone anywhere)", static_cast<long long>(a.from + static_cast<int64_t>(settled)));
        std::printf("; tightest:");
        for (size_t k = 0; k < std::min<size_t>(5, order.size()); ++k) {
            std::printf(" %lld (%.4f%%)", static_cast<long long>(a.from + static_cast<int64_t>(order[k])), measure(order[k]) * 100);
        }
        std::printf("; a ship standing at its start takes %d hits\n", a.frames.back().stillHits);
    }
    int status = a.survivable ? 0 : 1;
    if (a.survivable && !a.wayKept) {
        std::printf("the way through is not kept: a span this long of a world this large would take more than 256 MB; "
                    "a shorter one (--from, --to) gives it\n");
    } else if (a.survivable) {
        if (recordPath.empty()) {
            const std::string base = chosen.path.empty() ? "demonstration" : chosen.path.substr(chosen.path.find_last_of('/') + 1);
            recordPath = base.substr(0, base.rfind(".toml")) + "-way.rec";
        }
        const std::string text = replay::formatRecording(command::recordingOf(patternName, sets, chosen, a.moves));
        if (writeWhole(recordPath, text)) {
            std::printf("the way through: %s\n", recordPath.c_str());
        } else {
            std::fprintf(stderr, "barrage-dodge: cannot write %s: %s\n", recordPath.c_str(), std::strerror(errno));
            status = 2;
        }
    }
    if (!csvPath.empty()) {
        std::string csv = "frame,clear,freedom,still_hits\n";
        char line[96];
        for (size_t i = 0; i < a.frames.size(); ++i) {
            const dodge::Frame& f = a.frames[i];
            std::snprintf(line, sizeof line, "%lld,%.6f,%s,%d\n", static_cast<long long>(a.from + static_cast<int64_t>(i)),
                          f.clear, f.freedom < 0 ? "" : std::to_string(f.freedom).c_str(), f.stillHits);
            csv += line;
        }
        if (!writeWhole(csvPath, csv)) std::fprintf(stderr, "barrage-dodge: cannot write %s\n", csvPath.c_str()), status = 2;
    }
    if (!plotPath.empty() && !writePicture(plotPath, plotOf(a))) {
        std::fprintf(stderr, "barrage-dodge: cannot write %s\n", plotPath.c_str());
        status = 2;
    }
    if (!heatPath.empty() && !writePicture(heatPath, heatOf(a))) {
        std::fprintf(stderr, "barrage-dodge: cannot write %s\n", heatPath.c_str());
        status = 2;
    }
    return status;
}
