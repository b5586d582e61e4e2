// Reading a pattern from its text: the reader, which the runtime's smaller
// WebAssembly module leaves out (it takes patterns as bytes).
#include <memory>
#include <string>
#include <vector>

#include "barrage.h"
#include "runtime/RuntimeParts.h"

using namespace runtime;

extern "C" {

int32_t barrage_read_pattern(const char* text, size_t size, const char* file, const barrage_setting* settings,
                             size_t setting_count, barrage_pattern** out) {
    if (!out) return BARRAGE_ERROR_ARGUMENT;
    *out = nullptr;
    if ((!text && size > 0) || (!settings && setting_count > 0)) return BARRAGE_ERROR_ARGUMENT;
    return fenced([&] {
        std::vector<pattern::Binding> bindings;
        for (size_t i = 0; i < setting_count; ++i) {
            if (!settings[i].name) return BARRAGE_ERROR_ARGUMENT;
            bindings.push_back({settings[i].name, settings[i].value});
        }
        auto made = std::make_unique<barrage_pattern>();
        const std::string name = file ? file : "pattern";
        if (size > static_cast<size_t>(pattern::MAX_FILE_BYTES)) {
            // Not read at all: the reader's own words for it.
            pattern::addMessage(made->loaded, {0, 0, -1, pattern::tooLarge(static_cast<int64_t>(size)), 0, {}, {}});
            made->loaded.pattern.file = name;
        } else {
            made->loaded = pattern::parsePattern(std::string_view(text ? text : "", size), name, bindings);
        }
        if (!pattern::refused(made->loaded)) {
            const std::vector<uint8_t> bytes = pattern::packPattern(made->loaded.pattern);
            made->fingerprint = fnv1a(bytes.data(), bytes.size());
        }
        const bool refused = pattern::refused(made->loaded);
        *out = made.release();
        return refused ? BARRAGE_ERROR_REFUSED : BARRAGE_OK;
    });
}

}  // extern "C"
