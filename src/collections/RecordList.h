// A singly linked list of owned record copies with a cursor, for step
// programs: built once by appending, then walked one node at a time and
// rewound when the walk reaches the empty end-marker node. The schedules count
// a step down inside its stored record, so the list hands out the stored copy
// itself.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

namespace collections {

template <typename T>
struct RecordNode {
    T* record = nullptr;              // owned stored record; none in the end marker
    RecordNode<T>* next = nullptr;    // following node; none in the end marker
};

template <typename T>
struct RecordList {
    RecordNode<T>* cursor = nullptr;  // current position; none once released or if creation failed
    RecordNode<T>* first = nullptr;   // first node, fixed from creation on
};

namespace detail {

// Zero-filled, like every node and record of a list; null when memory is out.
template <typename U>
U* allocateZeroed() {
    static_assert(std::is_trivially_copyable_v<U> && std::is_trivially_destructible_v<U>);
    return static_cast<U*>(std::calloc(1, sizeof(U)));
}

}  // namespace detail

// A list whose end marker cannot be allocated has no cursor and stays inert.
template <typename T>
void initList(RecordList<T>& list) {
    list.first = detail::allocateZeroed<RecordNode<T>>();
    list.cursor = list.first;
}

template <typename T>
void releaseList(RecordList<T>& list) {
    RecordNode<T>* node = list.first;
    while (node) {
        RecordNode<T>* next = node->next;
        std::free(node->record);
        node->record = nullptr;
        std::free(node);
        node = next;
    }
    list.first = nullptr;
    list.cursor = nullptr;
}

// Appends a copy at the end and moves the cursor to it. The end marker is
// found from the cursor, so a run of appends costs constant time each. When
// memory runs out nothing is appended and the list stays as it was.
template <typename T>
void appendRecord(RecordList<T>& list, const T& record) {
    if (!list.cursor) return;
    T* stored = detail::allocateZeroed<T>();
    if (!stored) return;
    RecordNode<T>* endMarker = list.cursor;
    while (endMarker->next) endMarker = endMarker->next;
    RecordNode<T>* newEnd = detail::allocateZeroed<RecordNode<T>>();
    if (!newEnd) {
        std::free(stored);
        return;
    }
    endMarker->next = newEnd;
    endMarker->record = stored;
    list.cursor = endMarker;
    std::memcpy(static_cast<void*>(stored), &record, sizeof(T));
}

template <typename T>
void rewindList(RecordList<T>& list) {
    if (list.cursor) list.cursor = list.first;
}

// Returns the new current node if it holds a record. On the end marker the
// cursor stays where it is and the result is none.
template <typename T>
RecordNode<T>* advanceList(RecordList<T>& list) {
    if (!list.cursor || !list.cursor->next) return nullptr;
    list.cursor = list.cursor->next;
    return list.cursor->record ? list.cursor : nullptr;
}

// The stored record at the cursor, for reading and writing in place.
template <typename T>
T* currentRecord(const RecordList<T>& list) {
    return list.cursor ? list.cursor->record : nullptr;
}

// A list without a cursor counts as standing past its end.
template <typename T>
bool onEndMarker(const RecordList<T>& list) {
    return !list.cursor || !list.cursor->next;
}

template <typename T>
int32_t hasNoCursor(const RecordList<T>& list) {
    return list.cursor ? 0 : -1;
}

// The stored records in order, for what is kept beside them by index.
template <typename T>
std::vector<const T*> storedRecords(const RecordList<T>& list) {
    std::vector<const T*> records;
    for (const RecordNode<T>* node = list.first; node; node = node->next) {
        if (node->record) records.push_back(node->record);
    }
    return records;
}

// A stored record's place among them; -1 for none.
template <typename T>
int32_t recordIndex(const std::vector<const T*>& records, const T* record) {
    for (size_t k = 0; k < records.size(); ++k) {
        if (records[k] == record) return static_cast<int32_t>(k);
    }
    return -1;
}

}  // namespace collections
