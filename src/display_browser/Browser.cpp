// The web page's window system. A page cannot wait and has no window: its
// script calls the program once per animation frame, puts browserPicture()
// into a canvas and hands keys in. So this backend is plain memory: the
// visible page through the palette into RGBA bytes, and a queue of keys. It
// needs no browser, and a native test runs it as it is.
#include "display_browser/Browser.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "display/WindowSystem.h"

namespace display_browser {

using namespace screen;  // the pages, the palette, the key codes
using display::WindowHandle;
using display::WindowSystem;

namespace {

struct BrowserPage {
    uint32_t picture[SCREEN_HEIGHT][SCREEN_WIDTH] = {};  // R, G, B, A bytes per pixel: what the canvas shows
    uint32_t overlay[SCREEN_HEIGHT][SCREEN_WIDTH] = {};  // a viewer's overlay as the canvas above shows it
    uint32_t colours[PALETTE_SIZE] = {};                 // palette as those four bytes in one word
    uint8_t shown[SCREEN_HEIGHT][SCREEN_WIDTH] = {};     // the palette indices the picture shows
    int32_t shownValid = 0;                              // flag: shown is what the picture holds
    int32_t keyCount = 0;                                  // keys handed in and not yet taken, 0 to 15
    int32_t keys[KEY_BUFFER_SIZE] = {};                    // key codes, oldest first
};

BrowserPage page;  // the one page a browser tab holds

// The canvas is the picture alone: a viewer's layers are the page's own
// elements, so only the picture's rows are taken.
WindowHandle* openPage(const Screen& screen, const display::OpenRequest&, const char**) {
    for (int32_t i = 0; i < PALETTE_SIZE; ++i) {
        const uint8_t rgba[4] = {screen.palette[i][0], screen.palette[i][1], screen.palette[i][2], 255};
        std::memcpy(&page.colours[i], rgba, sizeof rgba);
    }
    page.keyCount = 0;
    page.shownValid = 0;  // the first picture is converted whole: the canvas starts see-through
    return reinterpret_cast<WindowHandle*>(&page);
}

void takeKeys(WindowHandle*, Screen& screen) {
    for (int32_t i = 0; i < page.keyCount; ++i) pushKey(screen, page.keys[i]);
    page.keyCount = 0;
}

// From one frame to the next most of the screen stays background: only the
// eight-pixel groups that differ from what the picture shows are converted.
void writePicture(WindowHandle*, const Screen&, const uint8_t* rows, int32_t changed) {
    if (!changed) return;
    if (!page.shownValid) {
        for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
            const uint8_t* source = rows + static_cast<std::ptrdiff_t>(y) * SCREEN_WIDTH;
            colourRow(page.picture[y], source, SCREEN_WIDTH, page.colours);
        }
        std::memcpy(page.shown, rows, sizeof page.shown);
        page.shownValid = -1;
        return;
    }
    // Which groups changed is gathered first, as bits, and only then are they
    // converted: a branch per group would go either way at random and cost
    // more than the conversion.
    constexpr int32_t GROUPS = SCREEN_WIDTH / 8;
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
        const uint8_t* source = rows + static_cast<std::ptrdiff_t>(y) * SCREEN_WIDTH;
        uint8_t* shown = page.shown[y];
        uint32_t* target = page.picture[y];
        uint64_t differs[(GROUPS + 63) / 64] = {};
        for (int32_t group = 0; group < GROUPS; ++group) {
            uint64_t now, before;
            std::memcpy(&now, source + 8 * group, sizeof now);
            std::memcpy(&before, shown + 8 * group, sizeof before);
            differs[group / 64] |= uint64_t{now != before} << (group % 64);
        }
        for (int32_t word = 0; word < (GROUPS + 63) / 64; ++word) {
            for (uint64_t bits = differs[word]; bits != 0; bits &= bits - 1) {
                const int32_t x = 8 * (64 * word + std::countr_zero(bits));
                std::memcpy(shown + x, source + x, 8);
                // Not colourRow: its test for eight background pixels is a
                // branch at random here, where most groups hold a ring.
                for (int32_t k = x; k < x + 8; ++k) target[k] = page.colours[source[k]];
            }
        }
    }
}

// The page's script puts the picture into its canvas once the call returns.
void present(WindowHandle*) {}

void closePage(WindowHandle*) { page.keyCount = 0; }

}  // namespace

const uint8_t* browserPicture() { return reinterpret_cast<const uint8_t*>(page.picture); }

const uint8_t* browserOverlay(const Layers& layers) {
    uint32_t colours[PALETTE_SIZE];
    std::memcpy(colours, page.colours, sizeof colours);
    colours[0] = 0;  // see-through
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) colourRow(page.overlay[y], layers.overlay[y], SCREEN_WIDTH, colours);
    return reinterpret_cast<const uint8_t*>(page.overlay);
}

void pressBrowserKey(int32_t code) {
    if (page.keyCount < KEY_BUFFER_SIZE) page.keys[page.keyCount++] = code;
}

int32_t browserKeyCode(std::string_view name) {
    struct Named {
        std::string_view name;
        int32_t code;
    };
    static constexpr Named KEYS[] = {
        {"Escape", KEY_ESCAPE},  {"Enter", KEY_ENTER},     {"Backspace", KEY_BACKSPACE}, {"Tab", KEY_TAB},
        {"ArrowUp", KEY_UP},     {"ArrowDown", KEY_DOWN},  {"ArrowLeft", KEY_LEFT},      {"ArrowRight", KEY_RIGHT},
        {"Home", KEY_HOME},      {"End", KEY_END},         {"PageUp", KEY_PAGE_UP},      {"PageDown", KEY_PAGE_DOWN},
        {"Insert", KEY_INSERT},  {"Delete", KEY_DELETE},
    };
    for (const Named& key : KEYS) {
        if (name == key.name) return key.code;
    }
    // One character: its code point, when below 256 (UTF-8 of one or two bytes).
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(name[i]); };
    if (name.size() == 1 && byte(0) < 0x80) return byte(0);
    if (name.size() == 2 && (byte(0) == 0xC2 || byte(0) == 0xC3)) return (byte(0) & 0x1F) << 6 | (byte(1) & 0x3F);
    // F1 to F12.
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F') {
        int32_t n = 0;
        for (size_t i = 1; i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9') return 0;
            n = n * 10 + (name[i] - '0');
        }
        return n >= 1 && n <= 12 ? functionKey(n) : 0;
    }
    return 0;
}

const WindowSystem* browserWindowSystem() {
    static constexpr WindowSystem PAGE{openPage, takeKeys, writePicture, present, closePage,
                                       nullptr,  nullptr,  nullptr,      nullptr, display::PACED_BY_HOST, 0, 0};
    return &PAGE;
}

}  // namespace display_browser
