#pragma once
// The wildcard language of include and exclude filters.
//
//   *       any run of characters, none included; "*?" means the same as "*"
//   ?       exactly one character
//   [abc]   one character of the set; [a-f] a range; [!...] any character not in it
//
// ASCII letters compare without regard to case, every other character exactly.
// A character is one UTF-8 sequence: "?" and a set take a whole multi-byte
// character, and sets and ranges may hold non-ASCII characters (so "[а-я]*" works
// on Cyrillic names as it did in a single-byte code page). A byte that starts no
// valid UTF-8 sequence is a character of its own. Error positions count characters;
// a set without its closing "]" is reported at the position just past the mask.

#include <bitset>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel {

// Raised for a malformed mask: "'<mask>' is an invalid mask at (<position>)".
class EMaskException : public std::runtime_error {
public:
    EMaskException(const std::string& mask, int position);
    int Position() const { return position_; }

private:
    int position_;
};

// Most "*" runs a mask may hold.
constexpr int kMaxMaskStars = 30;

class TMask {
public:
    // Compiles the mask; throws EMaskException when it is malformed.
    explicit TMask(std::string_view mask);

    // True when the whole name fits the mask.
    bool Matches(std::string_view name) const;

private:
    enum class EKind { Literal, AnyChar, Set };
    struct TState {
        EKind Kind = EKind::Literal;
        bool SkipTo = false;                             // preceded by "*"
        char32_t Literal = 0;                            // upper-cased for ASCII letters
        bool Negate = false;                             // [!...]
        std::bitset<256> Low;                            // members below 256
        std::vector<std::pair<char32_t, char32_t>> High; // ranges of members from 256 up
        bool Fits(char32_t c) const;
    };

    std::vector<TState> states_;
    bool trailingStar_ = false;
};

// True when the whole file name fits the mask; throws EMaskException for a malformed mask.
bool MatchesMask(std::string_view name, std::string_view mask);

// The masks of a filter, tried in order. Each is compiled when first tried, so a
// malformed mask behind one that already matched every name raises nothing.
class TMaskList {
public:
    explicit TMaskList(std::vector<std::string> texts) : texts_(std::move(texts)), masks_(texts_.size()) {}

    // True when one of the masks fits the name; throws EMaskException for a malformed
    // mask reached.
    bool AnyMatches(std::string_view name);
    bool Empty() const { return texts_.empty(); }

private:
    std::vector<std::string> texts_;
    std::vector<std::optional<TMask>> masks_;
};

} // namespace korvel
