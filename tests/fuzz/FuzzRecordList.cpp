// Random sequences of record-list operations, checked against a plain model:
// the records in order, the cursor's position and whether the list exists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "collections/RecordList.h"

namespace {

struct Record {
    int32_t duration = 0;
    int32_t value = 0;
};

struct Model {
    std::vector<int32_t> values;  // stored records in order
    size_t cursor = 0;            // index into values; values.size() is the end marker
    bool usable = true;           // false once released
};

void check(bool condition) {
    if (!condition) std::abort();
}

void compare(const collections::RecordList<Record>& list, const Model& model) {
    check((collections::hasNoCursor(list) != 0) == !model.usable);
    if (!model.usable) {
        check(collections::currentRecord(list) == nullptr);
        return;
    }
    const Record* current = collections::currentRecord(list);
    if (model.cursor == model.values.size()) {
        check(current == nullptr && collections::onEndMarker(list));
    } else {
        check(current && current->value == model.values[model.cursor] && !collections::onEndMarker(list));
    }
    size_t count = 0;
    for (auto* node = list.first; node && node->record; node = node->next) {
        check(count < model.values.size() && node->record->value == model.values[count]);
        ++count;
    }
    check(count == model.values.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    collections::RecordList<Record> list;
    collections::initList(list);
    Model model;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const uint8_t operation = data[i] % 6;
        const int32_t argument = data[i + 1];
        switch (operation) {
            case 0:
                collections::appendRecord(list, Record{0, argument});
                if (model.usable) {
                    model.values.push_back(argument);
                    model.cursor = model.values.size() - 1;
                }
                break;
            case 1:
                collections::rewindList(list);
                if (model.usable) model.cursor = 0;
                break;
            case 2: {
                auto* node = collections::advanceList(list);
                if (model.usable && model.cursor < model.values.size()) ++model.cursor;
                const bool onRecord = model.usable && model.cursor < model.values.size();
                check((node != nullptr) == onRecord);
                break;
            }
            case 3:
                if (Record* current = collections::currentRecord(list)) {
                    current->value = argument;  // in place
                    model.values[model.cursor] = argument;
                }
                break;
            case 4:
                if (argument < 16) {  // now and then
                    collections::releaseList(list);
                    model = Model{{}, 0, false};
                }
                break;
            default:
                if (!model.usable && argument < 64) {
                    collections::initList(list);
                    model = Model{};
                }
                break;
        }
        compare(list, model);
    }
    collections::releaseList(list);
    return 0;
}
