#include "foldertree/shell/WildCard.h"

#include <cwctype>

namespace pgv {
namespace {

char16_t Fold(char16_t c) {
    return static_cast<char16_t>(std::towlower(static_cast<wint_t>(c)));
}

// Whether the rest of a pattern can match nothing: stars, with at most one
// ".*" among them.
bool MatchesEmpty(std::u16string_view rest) {
    bool dotStarSeen = false;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == u'*')
            continue;
        if (rest[i] == u'.' && !dotStarSeen && i + 1 < rest.size() && rest[i + 1] == u'*') {
            dotStarSeen = true;
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

bool MatchesOne(std::u16string_view name, std::u16string_view pattern) {
    size_t n = 0, p = 0;
    size_t star = std::u16string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            resume = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || Fold(pattern[p]) == Fold(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::u16string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    return MatchesEmpty(pattern.substr(p));
}

} // namespace

bool MatchesWildCard(std::u16string_view name, std::u16string_view patterns) {
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(u';', start);
        if (end == std::u16string_view::npos)
            end = patterns.size();
        std::u16string_view pattern = patterns.substr(start, end - start);
        while (!pattern.empty() && pattern.front() == u' ')
            pattern.remove_prefix(1);
        if (!pattern.empty() && MatchesOne(name, pattern))
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace pgv
