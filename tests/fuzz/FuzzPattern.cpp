// The pattern reader on arbitrary bytes, seeded with the sample patterns:
// whatever the text, reading gives messages or a pattern and never reaches
// undefined behaviour; a pattern it takes goes to bytes and back whole, and
// is made into a world and run.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "pattern/Pattern.h"

namespace {

constexpr int32_t FRAMES = 120;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > static_cast<size_t>(pattern::MAX_FILE_BYTES)) return 0;
    const pattern::Loaded loaded =
        pattern::parsePattern(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.toml");
    for (const pattern::Message& message : loaded.messages) (void)pattern::formatMessage("fuzz.toml", message);
    if (pattern::refused(loaded)) return 0;
    // A pattern the reader takes goes to the page as bytes: they must be taken back.
    const std::vector<uint8_t> bytes = pattern::packPattern(loaded.pattern);
    pattern::Pattern back;
    if (!pattern::unpackPattern(bytes.data(), bytes.size(), back)) __builtin_trap();
    world::World world;
    world::setUpWorld(world, pattern::makerFor(loaded.pattern));
    for (int32_t frame = 0; frame < FRAMES; ++frame) world::stepWorld(world);
    world::tearDownWorld(world);
    return 0;
}
