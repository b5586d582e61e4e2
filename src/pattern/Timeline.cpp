// The timeline: spans of frames that the whole pattern's programs keep in
// step by. A program whose steps name spans is made anew from them: for each
// span in turn, its steps of that span over and over for exactly the span's
// frames, the last cut short; a span none of its steps names holds the gun
// off (firing nothing, its bullets flying on) or the body where it is. Every
// program made so lasts the timeline's frames, so they stay in step.
#include <string>
#include <type_traits>

#include "pattern/Format.h"
#include "pattern/TableReader.h"
#include "world/World.h"

namespace pattern {

void Reader::readTimeline(const toml::table& root) {
    const toml::node* node = root.get(name(Section::Timeline));
    if (!node) return;
    const auto* table = node->as_table();
    if (!table) {
        error(*node, "timeline must be a table, as [timeline] with spans = [...]");
        return;
    }
    for (auto&& [key, value] : *table) {
        if (!knownKey(key, TIMELINE_KEYS)) unknownKey(key, namesOf(TIMELINE_KEYS), "timeline", "it has spans");
    }
    const toml::node* list = table->get(name(TimelineKey::Spans));
    const auto* spans = list ? list->as_array() : nullptr;
    if (!spans || spans->empty()) {
        error(list ? *list : *node, "timeline needs spans = [...]: one or more { name = \"NAME\", frames = N }");
        return;
    }
    for (size_t k = 0; k < spans->size(); ++k) {
        const toml::node& entry = *spans->get(k);
        const std::string label = "span " + std::to_string(k + 1) + " of the timeline";
        const auto* span = entry.as_table();
        if (!span) {
            error(entry, label + " must be a table, as { name = \"open\", frames = 600 }");
            continue;
        }
        for (auto&& [key, value] : *span) {
            if (!knownKey(key, SPAN_KEYS)) unknownKey(key, namesOf(SPAN_KEYS), label, "a span has name and frames");
        }
        Span read;
        const toml::node* named = span->get(name(SpanKey::Name));
        const toml::node* frames = span->get(name(SpanKey::Frames));
        if (!named || !named->as_string() || named->as_string()->get().empty() || named->as_string()->get() == "none") {
            error(named ? *named : entry, label + " needs a name of its own, as name = \"open\" (not \"none\")");
            continue;
        }
        read.name = named->as_string()->get();
        for (const Span& before : p.spans) {
            if (before.name == read.name) error(*named, label + " is called '" + read.name + "', as one before it is");
        }
        if (!frames) {
            error(entry, label + " needs frames = N, how long it lasts");
            continue;
        }
        if (!integerOf(*frames, label + "'s frames", 1, MAX_SPAN_FRAMES, &read.frames)) continue;
        loaded.outline.spans.push_back(read.name);
        p.spans.push_back(read);
    }
}

template <typename Step>
void Reader::keepTimeline(std::vector<Step>& steps, ProgramSource& source, const std::string& where,
                          const toml::node& list) {
    bool any = false;
    for (const Step& s : steps) any = any || s.span >= 0;
    if (!any || p.spans.empty() || source.steps.size() != steps.size()) return;
    for (size_t k = 0; k < steps.size(); ++k) {
        if (steps[k].span >= 0) continue;
        say(source.steps[k].place, true,
            where + "'s step " + std::to_string(k + 1) + " names no span: in a program whose steps name spans, each "
                    "names the span it runs in");
        return;
    }
    constexpr bool movement = std::is_same_v<Step, MovementStep>;
    std::vector<Step> made;
    std::vector<StepSource> places;
    for (size_t s = 0; s < p.spans.size(); ++s) {
        int64_t left = p.spans[s].frames;
        std::vector<size_t> own;
        for (size_t k = 0; k < steps.size(); ++k) {
            if (steps[k].span == static_cast<int32_t>(s)) own.push_back(k);
        }
        if (own.empty()) {
            Step idle{};
            idle.span = static_cast<int32_t>(s);
            idle.step.duration = static_cast<int32_t>(left - 1);
            idle.step.active = -1;  // on: a body that stays, a gun that fires nothing while its bullets fly on
            if constexpr (movement) {
                idle.from = world::KEEP;
            } else {
                idle.step.bulletCount = actor::BULLET_CAPACITY;
                idle.step.volleySize = 0;
            }
            made.push_back(idle);
            places.push_back({0, {}, list.source(), {}, IDLE});
        }
        // Over and over: a step of duration d is in force d + 1 frames (one when d < 0).
        for (size_t n = 0; !own.empty() && left > 0 && static_cast<int64_t>(made.size()) <= MAX_STEPS; ++n) {
            const size_t k = own[n % own.size()];
            Step step = steps[k];
            const int64_t d = step.step.duration;
            const int64_t frames = d >= 0 ? d + 1 : 1;
            const bool cut = frames > left;
            if (cut) step.step.duration = static_cast<int32_t>(left - 1);
            left -= cut ? left : frames;
            made.push_back(step);
            places.push_back(source.steps[k]);
            if (cut) places.back().fitted = CUT;
        }
        if (static_cast<int64_t>(made.size()) > MAX_STEPS) {
            error(list, where + ": its steps run over the timeline's spans take more than " + std::to_string(MAX_STEPS) +
                            " steps; longer steps, shorter spans or fewer of them");
            return;
        }
    }
    const int64_t more = static_cast<int64_t>(made.size()) - static_cast<int64_t>(steps.size());
    if (stepsRead + more > MAX_WORLD_STEPS) {
        error(list, where + ": run over the timeline's spans, the programs hold more than " +
                        std::to_string(MAX_WORLD_STEPS) + " steps in all");
        return;
    }
    stepsRead += more;
    steps = std::move(made);
    source.steps = std::move(places);
}

template void Reader::keepTimeline(std::vector<MovementStep>&, ProgramSource&, const std::string&, const toml::node&);
template void Reader::keepTimeline(std::vector<FiringStep>&, ProgramSource&, const std::string&, const toml::node&);

}  // namespace pattern
