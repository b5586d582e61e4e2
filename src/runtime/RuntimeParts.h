// What the runtime's files share: the handles' records, and the fence that
// keeps anything thrown from the host.
#pragma once

#include <cstdint>
#include <new>
#include <vector>

#include "barrage.h"
#include "pattern/Pattern.h"
#include "world/World.h"

struct barrage_pattern {
    pattern::Loaded loaded;
    uint64_t fingerprint = 0;  // of the pattern as bytes: a save restores only into a world of the same
};

struct barrage_world {
    world::World world;
    const barrage_pattern* pattern = nullptr;  // none: the demonstration
    int64_t frame = 0;                         // frames run
    std::vector<world::ShipEvent> events;      // room for the most a frame can count: one a slot
    std::vector<uint64_t> scratch;             // a save as the world's own code reads and writes it, aligned
};

namespace runtime {

uint64_t fnv1a(const void* bytes, size_t size, uint64_t hash = 14695981039346656037ull);

// Runs a call's body, turning anything thrown (memory running out, in
// practice) into a result.
template <typename Body>
int32_t fenced(Body&& body) {
#if defined(__cpp_exceptions)
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return BARRAGE_ERROR_MEMORY;
    } catch (...) {
        return BARRAGE_ERROR_ARGUMENT;
    }
#else
    return body();  // built without exceptions (the WebAssembly modules): nothing is thrown
#endif
}

}  // namespace runtime
