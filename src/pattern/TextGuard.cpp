// The guard in front of the TOML reader: pattern text must be UTF-8, and the
// reader must never be given a character it cannot test safely. Everything it
// refuses is told at its exact line and column (columns count characters, an
// undecodable byte as one).
#include "pattern/TextGuard.h"

namespace pattern {

// The characters the TOML reader's test for Unicode whitespace has no answer
// for: given one where whitespace may stand, it reaches code its author marked
// unreachable, which is undefined behaviour. They are fine inside comments
// and strings, where that test is not made, except right after a backslash in
// a multi-line basic string.
namespace {

bool unanswered(char32_t c) {
    return (c >= 0xA1 && c <= 0x499) || (c >= 0x2C8E && c <= 0x3057 && c != 0x3000) || (c >= 0xFB06 && c <= 0xFEFE);
}

}  // namespace

char32_t decodeUtf8(std::string_view text, size_t i, size_t* length) {
    const auto byte = [&](size_t k) { return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u; };
    const unsigned lead = byte(0);
    *length = 1;
    if (lead < 0x80) return lead;
    // The second byte's range depends on the lead (no overlong forms, no
    // surrogates, nothing past U+10FFFF); the others are 0x80 to 0xBF.
    size_t count = 0;
    unsigned low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) count = 2;
    else if (lead == 0xE0) count = 3, low = 0xA0;
    else if (lead == 0xED) count = 3, high = 0x9F;
    else if (lead >= 0xE1 && lead <= 0xEF) count = 3;
    else if (lead == 0xF0) count = 4, low = 0x90;
    else if (lead == 0xF4) count = 4, high = 0x8F;
    else if (lead >= 0xF1 && lead <= 0xF3) count = 4;
    else return NOT_UTF8;
    char32_t c = lead & (0x7F >> count);
    for (size_t k = 1; k < count; ++k) {
        const unsigned next = byte(k);
        if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return NOT_UTF8;
        c = (c << 6) | (next & 0x3F);
    }
    *length = count;
    return c;
}

namespace {

// Upper-case hexadecimal, at least `digits` long.
std::string hex(uint32_t value, int digits) {
    std::string text;
    for (int shift = 28; shift >= 0; shift -= 4) {
        if (shift < 4 * digits || (value >> shift) != 0) text += "0123456789ABCDEF"[(value >> shift) & 0xF];
    }
    return text;
}

}  // namespace

bool safeForTheReader(std::string_view text, Loaded& loaded) {
    enum class State { Normal, Comment, Basic, Literal, MultiBasic, MultiLiteral } state = State::Normal;
    int32_t line = 1, column = 1;
    bool afterBackslash = false;  // in a multi-line basic string: a backslash, then only whitespace so far
    bool bare = false;            // outside strings: the last character was part of a bare word or value
    const auto at = [&](size_t i, const char* three) { return text.substr(i, 3) == three; };
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        const char32_t c = decodeUtf8(text, i, &length);
        std::string said;
        if (c == NOT_UTF8) {
            said = "byte 0x" + hex(static_cast<unsigned char>(text[i]), 2) + " is not UTF-8: a pattern is UTF-8 text";
        } else if (state == State::Normal && c >= 0x80) {
            said = "character U+" + hex(c, 4) + " may stand only inside a string or a comment";
        } else if (state == State::MultiBasic && afterBackslash && unanswered(c)) {
            said = "character U+" + hex(c, 4) + " cannot follow a backslash in a multi-line string";
        }
        if (!said.empty()) {
            addMessage(loaded, {line, column, -1, said, 0, {}, {}});
            return false;
        }
        size_t step = length;
        switch (state) {
            case State::Normal:
                // A quote within a bare word (9"...) opens no string: the
                // reader scans the word on past it, testing each character
                // for whitespace, so what follows is no string's to it either.
                if (c == '#') state = State::Comment;
                if (c == '"' && !bare) state = at(i, "\"\"\"") ? (step = 3, State::MultiBasic) : State::Basic;
                if (c == '\'' && !bare) state = at(i, "'''") ? (step = 3, State::MultiLiteral) : State::Literal;
                bare = state == State::Normal && std::string_view(" \t\r\n=,[]{}.#").find(static_cast<char>(c)) ==
                                                     std::string_view::npos;
                break;
            case State::Comment:
                if (c == '\n') state = State::Normal;
                break;
            case State::Basic:
                if (c == '\\') step = 1 + (i + 1 < text.size() && text[i + 1] != '\n' ? 1 : 0);
                if (c == '"' || c == '\n') state = State::Normal;
                break;
            case State::Literal:
                if (c == '\'' || c == '\n') state = State::Normal;
                break;
            case State::MultiBasic:
                if (afterBackslash && c != ' ' && c != '\t' && c != '\r' && c != '\n') afterBackslash = false;
                if (c == '\\') {
                    // What follows a backslash is looked at as whitespace first.
                    afterBackslash = true;
                } else if (at(i, "\"\"\"")) {
                    state = State::Normal;
                    step = 3;
                }
                break;
            case State::MultiLiteral:
                if (at(i, "'''")) {
                    state = State::Normal;
                    step = 3;
                }
                break;
        }
        for (size_t k = 0; k < step && i + k < text.size(); ++k) {
            if (text[i + k] == '\n') {
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                ++column;
            }
        }
        i += step;
    }
    return true;
}


}  // namespace pattern
