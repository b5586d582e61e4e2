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

// The numbers the script shares with the module, read once at start: the
// furthest frame, the slider's frames, the key codes of the keys that type
// control characters, the offset of the special keys, and the status lines.
const int32_t* barrage_constants() {
    static const int32_t constants[] = {
        static_cast<int32_t>(timeline::MAX_SEEK_FRAME), shell::STUDY_FRAMES, screen::KEY_ESCAPE, screen::KEY_ENTER,
        screen::KEY_BACKSPACE, screen::KEY_TAB, screen::SPECIAL_KEY, screen::STATUS_LINES};
    return constants;
}

// A frame asked for by number, as text: the script writes it (up to 63
// bytes, ended by a 0) into the buffer, then asks for the frame, 0 when the
// text breaks the rule every front end follows.
char* barrage_frame_text() {
    static char text[64];
    return text;
}

double barrage_parse_frame() {
    char* text = barrage_frame_text();
    text[63] = '\0';
    int64_t frame = 0;
    return timeline::parseFrame(text, &frame) ? static_cast<double>(frame) : 0.0;
}

// Pattern text from the editor: the script writes its UTF-8 bytes into the
// buffer (up to 1 MiB), then applies them. Returns 1 when the pattern was
// taken, 0 when refused; either way its messages are there to read.
char* barrage_pattern_text() {
    static char text[pattern::MAX_FILE_BYTES + 1];
    return text;
}

int32_t barrage_apply_pattern(page::Page* opened, int32_t length) {
    const auto bytes = static_cast<size_t>(length < 0 ? 0 : length > pattern::MAX_FILE_BYTES ? pattern::MAX_FILE_BYTES
                                                                                                 : length);
    return page::applyPattern(*opened, std::string_view(barrage_pattern_text(), bytes)) ? 1 : 0;
}

void barrage_apply_demonstration(page::Page* opened) { page::applyDemonstration(*opened); }

// The messages of the text applied last, and after them, when the reader
// found more than it tells, a line saying how many.
int32_t barrage_message_count(const page::Page* opened) {
    return static_cast<int32_t>(opened->messages.size() + (opened->unshown.empty() ? 0 : 1));
}

// Message `index` of the text applied last, as LINE TAB COLUMN TAB
// error|warning|note TAB the whole line the native tools print; ended by a 0.
const char* barrage_message(const page::Page* opened, int32_t index) {
    static std::string line;
    line.clear();
    if (index >= 0 && static_cast<size_t>(index) < opened->messages.size()) {
        const pattern::Message& m = opened->messages[static_cast<size_t>(index)];
        line = std::to_string(m.line) + "\t" + std::to_string(m.column) + "\t" + (m.error ? "error" : "warning") +
               "\t" + pattern::formatMessage(page::PATTERN_NAME, m);
    } else if (static_cast<size_t>(index) == opened->messages.size() && !opened->unshown.empty()) {
        line = std::string("0\t0\tnote\t") + page::PATTERN_NAME + ": " + opened->unshown;
    }
    return line.c_str();
}

// The frame a long seek is on its way to; 0: none.
double barrage_seeking(const page::Page* opened) { return static_cast<double>(opened->viewer.seeking); }

// Goes up whenever a frame is drawn: the same frame number may show another
// picture once a pattern is applied.
int32_t barrage_drawn(const page::Page* opened) { return opened->viewer.drawn; }

int32_t barrage_playing(const page::Page* opened) { return opened->viewer.playing ? 1 : 0; }

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

}  // extern "C"
