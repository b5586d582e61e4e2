// The countdown walk that both step programs share. Each frame the current
// step counts down inside its stored record; when it passes below zero its
// countdown is restored and the walk moves on to the next step, which the
// caller loads. Past the last step the walk wraps to the first, which is a
// head step that only counts down and is never loaded.
#pragma once

#include <cstdint>

#include "collections/RecordList.h"

namespace collections {

// Wraps at the end of the program, then counts the current step down by one
// frame. Returns the stored step, or none if the program has no cursor or no
// steps. listIndex is set back to 0 by the wrap.
template <typename T>
T* countDownCurrentStep(RecordList<T>& program, int32_t& listIndex) {
    if (hasNoCursor(program)) return nullptr;
    if (onEndMarker(program)) {
        listIndex = 0;
        rewindList(program);
    }
    T* step = currentRecord(program);
    if (!step) return nullptr;
    // A countdown at the most negative value stays there: it has expired, and
    // wrapping round would make the step last two billion frames.
    if (step->duration != INT32_MIN) --step->duration;
    return step;
}

// If the counted-down step has expired, restores its countdown from restored
// and moves on. Returns the next step to load, or none: the step has not
// expired, or it was the last one (the walk wraps in the next frame).
template <typename T>
T* nextStepOnExpiry(RecordList<T>& program, T& step, int32_t restored, int32_t& listIndex) {
    if (step.duration >= 0) return nullptr;
    step.duration = restored;
    advanceList(program);
    T* next = currentRecord(program);
    if (!next) return nullptr;
    listIndex = static_cast<int32_t>(static_cast<uint32_t>(listIndex) + 1u);
    return next;
}

// Where a program stands after a frame's step, as its read-out shows it.
struct ReadOut {
    int32_t shown = 0;      // flag: the program had a step to count down, so it has a read-out
    int32_t countdown = 0;  // the current step's countdown after this frame, frames
    int32_t listIndex = 0;  // steps loaded since the program last wrapped
};

// One frame of a step program: counts the current step down, notes the
// read-out and, when the step has expired, restores its countdown from
// restored and moves on. Returns the next step to load, or none.
template <typename T>
const T* stepProgram(RecordList<T>& program, int32_t& listIndex, int32_t restored, ReadOut& readOut) {
    T* step = countDownCurrentStep(program, listIndex);
    readOut = ReadOut{};
    if (!step) return nullptr;
    readOut = ReadOut{-1, step->duration, listIndex};
    return nextStepOnExpiry(program, *step, restored, listIndex);
}

}  // namespace collections
