// The display with hostile arguments: NaN, infinite and huge coordinates and
// radii, pages, rows and columns out of range, the most negative integer, long
// strings and any key code.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t byte() { return at < size ? data[at++] : 0; }
    int32_t integer() {
        // Mostly the interesting values, sometimes raw bits.
        static constexpr int32_t SPECIAL[] = {0, -1, 1, 2, 29, 30, 31, 79, 80, 81, 255, 256, 639, 640,
                                              std::numeric_limits<int32_t>::min(),
                                              std::numeric_limits<int32_t>::max()};
        const uint8_t choice = byte();
        if (choice < 128) return SPECIAL[choice % 16];
        int32_t value = 0;
        for (int i = 0; i < 4; ++i) value = static_cast<int32_t>(static_cast<uint32_t>(value) << 8 | byte());
        return value;
    }
    float real() {
        static constexpr float SPECIAL[] = {0.0f, -0.5f, 0.5f, 319.5f, 639.0f, 700.0f, -50.0f, 1e30f, -1e30f,
                                            std::numeric_limits<float>::infinity(),
                                            -std::numeric_limits<float>::infinity(),
                                            std::numeric_limits<float>::quiet_NaN(), 2147483648.0f,
                                            -2147483904.0f, 3.0f, 10.0f};
        const uint8_t choice = byte();
        if (choice < 128) return SPECIAL[choice % 16];
        uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) bits = bits << 8 | byte();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    display::UseWindowSystem(display_headless::headlessSystem());
    Reader in{data, size};
    if (in.byte() & 1) display::OpenScreen(18, 8, 2, 0, 0);  // closed or open
    static char text[5000];
    while (in.at < in.size) {
        switch (in.byte() % 12) {
            case 0: display::SetPages(in.integer(), in.integer()); break;
            case 1: display::FillBox(in.real(), in.real(), in.real(), in.real(), in.integer()); break;
            case 2: display::DrawCircle(in.real(), in.real(), in.real(), in.integer()); break;
            case 3: display::CopyWorkPage(in.integer(), in.integer()); break;
            case 4: display::LocateText(in.integer(), in.integer()); break;
            case 5: {
                const size_t length = (static_cast<size_t>(in.byte()) << 4) % sizeof text;
                for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(in.byte() ^ i);
                display::PrintText(std::string_view(text, length), in.byte() & 1);
                break;
            }
            case 6: display::PrintInteger(in.integer(), in.byte() & 1); break;
            case 7: display::ScriptKey(0, in.integer()); break;
            case 8: display::PollKey(); break;
            case 9: display::ClearTextScreen(); break;
            case 10: display::WaitVerticalRetrace(); break;
            default: display::DrawCircle(in.real(), in.real(), static_cast<float>(in.byte() % 20), in.integer()); break;
        }
    }
    display::CloseScreen();
    return 0;
}
