#include "engine/mask.h"

#include "engine/utf8_chars.h"

namespace korvel {

namespace {

std::string InvalidMaskText(const std::string& mask, int position) {
    return "'" + mask + "' is an invalid mask at (" + std::to_string(position) + ")";
}

std::vector<char32_t> DecodeAll(std::string_view text) {
    std::vector<char32_t> chars;
    chars.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t len = 1;
        chars.push_back(DecodeChar(text, pos, len));
        pos += len;
    }
    return chars;
}

} // namespace

EMaskException::EMaskException(const std::string& mask, int position)
    : std::runtime_error(InvalidMaskText(mask, position)), position_(position) {}

bool TMask::TState::Fits(char32_t c) const {
    switch (Kind) {
    case EKind::Literal:
        return FoldAscii(c) == Literal;
    case EKind::AnyChar:
        return true;
    case EKind::Set: {
        const char32_t f = FoldAscii(c);
        bool member = false;
        if (f < 256) {
            member = Low.test(f);
        } else {
            for (const auto& [lo, hi] : High)
                if (f >= lo && f <= hi) {
                    member = true;
                    break;
                }
        }
        return member != Negate;
    }
    }
    return false;
}

TMask::TMask(std::string_view maskText) {
    const std::string mask(maskText);
    const std::vector<char32_t> chars = DecodeAll(maskText);
    const std::size_t n = chars.size();
    auto invalid = [&](std::size_t index) { return EMaskException(mask, static_cast<int>(index) + 1); };

    bool skip = false;
    int stars = 0;
    std::size_t pos = 0;
    while (pos < n) {
        const char32_t c = chars[pos];
        if (c == U'*') {
            if (!skip) {
                if (++stars > kMaxMaskStars)
                    throw invalid(pos);
                skip = true;
            }
            ++pos;
            continue;
        }
        if (c == U'?' && skip) {
            // A "?" after "*" adds nothing the "*" does not already allow.
            ++pos;
            continue;
        }
        TState state;
        state.SkipTo = skip;
        skip = false;
        if (c == U'?') {
            state.Kind = EKind::AnyChar;
            ++pos;
        } else if (c == U'[') {
            state.Kind = EKind::Set;
            std::size_t p = pos + 1;
            if (p < n && chars[p] == U'!') {
                state.Negate = true;
                ++p;
            }
            if (p >= n)
                throw invalid(n);
            if (chars[p] == U']')
                throw invalid(p);
            auto add = [&state](char32_t lo, char32_t hi) {
                for (; lo <= hi && lo < 256; ++lo)
                    state.Low.set(lo);
                if (lo <= hi)
                    state.High.emplace_back(lo, hi);
            };
            bool hasPrevious = false;
            char32_t previous = 0;
            while (p < n && chars[p] != U']') {
                if (chars[p] == U'-') {
                    if (!hasPrevious)
                        throw invalid(p);
                    if (++p >= n)
                        break;
                    const char32_t last = FoldAscii(chars[p]);
                    add(previous, last); // adds nothing when the range runs backwards
                    previous = last;
                } else {
                    previous = FoldAscii(chars[p]);
                    hasPrevious = true;
                    add(previous, previous);
                }
                ++p;
            }
            if (p >= n)
                throw invalid(n);
            pos = p + 1;
        } else {
            state.Kind = EKind::Literal;
            state.Literal = FoldAscii(c);
            ++pos;
        }
        states_.push_back(std::move(state));
    }
    trailingStar_ = skip;
}

bool TMask::Matches(std::string_view name) const {
    // Every state takes exactly one character, so backtracking to the most recent
    // "*" is enough: giving an earlier "*" more characters cannot help.
    const std::size_t count = states_.size();
    std::size_t si = 0, ni = 0;
    std::size_t backSi = count, backNi = 0;
    while (true) {
        if (si < count) {
            const TState& state = states_[si];
            if (state.SkipTo && backSi != si) {
                backSi = si;
                backNi = ni;
            }
            if (ni < name.size()) {
                std::size_t len = 1;
                const char32_t c = DecodeChar(name, ni, len);
                if (state.Fits(c)) {
                    ni += len;
                    ++si;
                    continue;
                }
            }
        } else if (trailingStar_ || ni == name.size()) {
            return true;
        }
        if (backSi == count || backNi >= name.size())
            return false;
        std::size_t len = 1;
        DecodeChar(name, backNi, len);
        backNi += len;
        si = backSi;
        ni = backNi;
    }
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    return TMask(mask).Matches(name);
}

bool TMaskList::AnyMatches(std::string_view name) {
    for (std::size_t i = 0; i < texts_.size(); ++i) {
        if (!masks_[i])
            masks_[i].emplace(texts_[i]);
        if (masks_[i]->Matches(name))
            return true;
    }
    return false;
}

} // namespace korvel
