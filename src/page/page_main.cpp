// The web page's entry: the functions its script calls. The script loads the
// module, opens the page once, then on each animation frame calls
// barrage_animation_frame and, when the frame or the layers changed, puts the
// picture and the overlay into their canvases. No main loop: the browser
// drives it.
#include <cmath>
#include <string>

#include "display/Control.h"
#include "display_browser/Browser.h"
#include "page/Page.h"
#include "replay/Recording.h"

namespace {

// A frame number from the script: whole, 0 to the furthest a viewer goes to.
int64_t frameFrom(double frame) {
    const double max = static_cast<double>(timeline::MAX_SEEK_FRAME);
    return static_cast<int64_t>(std::isfinite(frame) && frame > 0.0 ? std::fmin(std::floor(frame), max) : 0.0);
}

}  // namespace

extern "C" {

// Opens the page on `frame`, paused (0: plays from the start). The page lives
// as long as the tab.
page::Page* barrage_open(double frame) {
    display::UseWindowSystem(display_browser::browserWindowSystem());
    auto* opened = new page::Page;
    page::openPage(*opened, frameFrom(frame));
    return opened;
}

// The animation frame's time in milliseconds (the browser's own clock); gives
// the number of the frame the picture now shows.
double barrage_animation_frame(page::Page* opened, double milliseconds) {
    const double ms = std::isfinite(milliseconds) ? std::fmax(0.0, std::fmin(milliseconds, 1e12)) : 0.0;
    return static_cast<double>(page::runPageFrames(*opened, static_cast<int64_t>(ms * 1e6)));
}

double barrage_seek(page::Page* opened, double frame) {
    return static_cast<double>(page::seekPage(*opened, frameFrom(frame) > 0 ? frameFrom(frame) : 1));
}

// The numbers the script shares with the module, by name, read once at
// start: the furthest frame, the slider's frames, the status lines, the
// picture's width and height, and the most bytes a pattern may have.
const char* barrage_constants() {
    static const std::string constants =
        "{\"maxFrame\":" + std::to_string(timeline::MAX_SEEK_FRAME) + ",\"sliderFrames\":" +
        std::to_string(world::STUDY_FRAMES) + ",\"statusLines\":" + std::to_string(screen::STATUS_LINES) +
        ",\"width\":" + std::to_string(screen::SCREEN_WIDTH) + ",\"height\":" + std::to_string(screen::SCREEN_HEIGHT) +
        ",\"patternBytes\":" + std::to_string(pattern::MAX_FILE_BYTES) + "}";
    return constants.c_str();
}

// The rule for a frame asked for by number, as every front end says it.
const char* barrage_frame_rule() { return timeline::FRAME_RULE; }

// The sample patterns' names, one a line, as the page's menu offers them.
const char* barrage_samples() { return BARRAGE_SAMPLES; }

// A key by the name the browser gives it: the script writes the name's UTF-8
// (up to 31 bytes, ended by a 0) into the buffer, then asks for its code, 0
// for a key that means nothing here.
char* barrage_key_text() {
    static char text[32];
    return text;
}

int32_t barrage_key_code() {
    char* text = barrage_key_text();
    text[31] = '\0';
    return display_browser::browserKeyCode(text);
}

// A frame asked for by number, as text: the script writes it (up to 63
// bytes, ended by a 0) into the buffer, then asks for the frame, 0 when the
// text breaks the rule every front end follows.
char* barrage_frame_text() {
    static char text[64];
    return text;
}

// The loop the frame text names, FROM-TO, set by the one rule; 0 when refused.
int32_t barrage_set_loop_text(page::Page* opened) {
    char* text = barrage_frame_text();
    text[63] = '\0';
    int64_t from = 0, to = 0;
    return timeline::parseLoop(text, &from, &to) && timeline::loopViewer(opened->viewer, from, to) ? 1 : 0;
}

const char* barrage_loop_rule() { return timeline::LOOP_RULE; }

double barrage_parse_frame() {
    char* text = barrage_frame_text();
    text[63] = '\0';
    int64_t frame = 0;
    return timeline::parseFrame(text, &frame) ? static_cast<double>(frame) : 0.0;
}

// A pattern as the page's reader gives it: the script asks for room for its
// bytes, writes them, then has the page take it. Returns 1 when it was taken,
// 0 when the bytes are no whole pattern.
uint8_t* barrage_pattern_bytes(page::Page* opened, int32_t size) {
    opened->arriving.resize(static_cast<size_t>(size > 0 ? size : 0));
    return opened->arriving.data();
}

int32_t barrage_adopt_pattern(page::Page* opened) {
    const bool taken = page::adoptPattern(*opened, opened->arriving.data(), opened->arriving.size());
    opened->arriving = {};
    return taken ? 1 : 0;
}

void barrage_apply_demonstration(page::Page* opened) { page::applyDemonstration(*opened); }

// The frame a long seek is on its way to; 0: none.
double barrage_seeking(const page::Page* opened) { return static_cast<double>(opened->viewer.seeking); }

// Goes up whenever a frame is drawn: the same frame number may show another
// picture once a pattern is applied.
int32_t barrage_drawn(const page::Page* opened) { return opened->viewer.drawn; }

int32_t barrage_playing(const page::Page* opened) { return opened->viewer.playing ? 1 : 0; }

// The span played in a loop (the address keeps it): its first and last frame,
// 0 and 0 for none (barrage_set_loop_text sets one).
double barrage_loop_from(const page::Page* opened) { return static_cast<double>(opened->viewer.loopFrom); }
double barrage_loop_to(const page::Page* opened) { return static_cast<double>(opened->viewer.loopTo); }

// Whether an edit replays from frame 1 (the key 0, or the page's box).
int32_t barrage_replay(const page::Page* opened) { return opened->viewer.replay ? 1 : 0; }

// Go up whenever the status lines, or the overlay, may have changed.
int32_t barrage_layers_version(const page::Page* opened) { return opened->viewer.layersVersion; }
int32_t barrage_overlay_version(const page::Page* opened) { return opened->viewer.overlayVersion; }

// Status line 0 to STATUS_LINES - 1, ended by a 0.
const char* barrage_status(const page::Page* opened, int32_t line) {
    return opened->viewer.layers.status[line > 0 && line < screen::STATUS_LINES ? line : 0];
}

const uint8_t* barrage_overlay(const page::Page* opened) { return display_browser::browserOverlay(opened->viewer.layers); }

const uint8_t* barrage_picture() { return display_browser::browserPicture(); }

void barrage_key(int32_t code) { display_browser::pressBrowserKey(code); }

// The steering keys held now, as screen::HELD_* bits (the script follows
// their presses and releases).
void barrage_hold(int32_t held) { display::HoldKeys(static_cast<uint32_t>(held) & 31u); }

// The pointer held on the picture at (x, y), in its pixels, or let go.
void barrage_pointer(page::Page* opened, double x, double y, int32_t down) {
    const bool inside = std::isfinite(x) && std::isfinite(y);
    opened->pointerDown = down && inside ? -1 : 0;
    opened->pointerX = inside ? static_cast<float>(std::fmax(-1e6, std::fmin(x, 1e6))) : 0.0f;
    opened->pointerY = inside ? static_cast<float>(std::fmax(-1e6, std::fmin(y, 1e6))) : 0.0f;
}

int32_t barrage_flying(const page::Page* opened) { return opened->viewer.flying ? 1 : 0; }
int32_t barrage_pause_at_hit(const page::Page* opened) { return opened->viewer.pauseAtHit ? 1 : 0; }
int32_t barrage_has_ship(const page::Page* opened) { return opened->viewer.timeline.world.ship.present ? 1 : 0; }

// The frames with a hit, as far as the world has run: how many, and each.
int32_t barrage_hit_count(const page::Page* opened) {
    return static_cast<int32_t>(timeline::viewerHits(opened->viewer).size());
}
double barrage_hit_frame(const page::Page* opened, int32_t k) {
    const std::vector<int64_t>& hits = timeline::viewerHits(opened->viewer);
    return k >= 0 && static_cast<size_t>(k) < hits.size() ? static_cast<double>(hits[static_cast<size_t>(k)]) : 0.0;
}

// The recording as the link carries it ("N:runs", "" for none), and how many
// frames it holds.
const char* barrage_recording(page::Page* opened) {
    const std::vector<uint8_t>& moves = opened->viewer.moves;
    opened->recordingText = moves.empty() ? std::string() : replay::movesForLink(moves);
    return opened->recordingText.c_str();
}
double barrage_recorded(const page::Page* opened) { return static_cast<double>(opened->viewer.moves.size()); }
int32_t barrage_recording_version(const page::Page* opened) { return opened->viewer.recordingVersion; }

// A link's recording: the script asks for room for its text, writes it, then
// has the page replay it on `frame` (0: from frame 1, playing). Returns 1
// when it was taken, 0 when the text does not decode (nothing changes).
uint8_t* barrage_replay_text(page::Page* opened, int32_t size) {
    return barrage_pattern_bytes(opened, size);
}
int32_t barrage_take_replay(page::Page* opened, double frame) {
    const std::string_view text(reinterpret_cast<const char*>(opened->arriving.data()), opened->arriving.size());
    const bool taken = page::replayPage(*opened, text, frameFrom(frame));
    opened->arriving = {};
    return taken ? 1 : 0;
}

// Whether the pattern can be survived, worked out in the page's fairness
// worker: `y` (or the page's button) asks for it; the script starts the
// worker and says so, then hands its answer over as bytes (room, then take:
// 1 when taken, 0 for bytes that are no whole answer). The strip under the
// slider reads the least measure of each column's frames: freedom, or for a search the share clear.
int32_t barrage_fairness_wanted(page::Page* opened) {
    const int32_t wanted = opened->viewer.fairness.wanted ? 1 : 0;
    opened->viewer.fairness.wanted = 0;
    return wanted;
}
void barrage_fairness_working(page::Page* opened, int32_t working) { timeline::fairnessWorking(opened->viewer, working != 0); }
uint8_t* barrage_fairness_bytes(page::Page* opened, int32_t size) { return barrage_pattern_bytes(opened, size); }
int32_t barrage_take_fairness(page::Page* opened) {
    dodge::Answer answer;
    const bool taken = dodge::unpackAnswer(opened->arriving.data(), opened->arriving.size(), answer);
    opened->arriving = {};
    if (taken) timeline::fairnessViewer(opened->viewer, std::move(answer));
    return taken ? 1 : 0;
}
int32_t barrage_fairness_version(const page::Page* opened) { return opened->viewer.fairness.version; }
int32_t barrage_fairness_exact(const page::Page* opened) {
    return opened->viewer.fairness.known ? (opened->viewer.fairness.answer.exact ? 1 : 0) : -1;
}
int32_t barrage_fairness_count(const page::Page* opened) {
    return opened->viewer.fairness.known ? static_cast<int32_t>(opened->viewer.fairness.answer.frames.size()) : 0;
}
// The least measure of the answer's frames `first` to `last` (from 0), as
// a column of the strip holds them; 2 for none it knows.
double barrage_fairness_least(const page::Page* opened, double first, double last) {
    if (!opened->viewer.fairness.known || !std::isfinite(first) || !std::isfinite(last)) return 2;
    const double most = static_cast<double>(timeline::MAX_SEEK_FRAME);
    return dodge::leastOf(opened->viewer.fairness.answer, static_cast<int64_t>(std::fmax(0.0, std::fmin(first, most))),
                          static_cast<int64_t>(std::fmax(-1.0, std::fmin(last, most))));
}
// The answer in words, as the strip says it; "" when none.
const char* barrage_fairness_said(const page::Page* opened) {
    return opened->viewer.fairness.known ? opened->viewer.fairness.said : "";
}
// The way through, replayed from frame 1 (the key u); 0 when there is none.
int32_t barrage_way(page::Page* opened) { return timeline::wayViewer(opened->viewer) ? 1 : 0; }

}  // extern "C"
