#include "foldertree/shell/NameOrder.h"

#include "foldertree/automation/Utf16.h"

#include <cwctype>
#include <string>

namespace pgv {
namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

char16_t Fold(char16_t c) {
    return static_cast<char16_t>(std::towlower(static_cast<wint_t>(c)));
}

// Compares the digit runs at `*i` and `*j` by value and moves past them.
int CompareNumbers(const std::u16string& a, size_t* i, const std::u16string& b, size_t* j) {
    while (*i < a.size() && a[*i] == u'0')
        ++*i;
    while (*j < b.size() && b[*j] == u'0')
        ++*j;
    size_t startA = *i, startB = *j;
    while (*i < a.size() && IsDigit(a[*i]))
        ++*i;
    while (*j < b.size() && IsDigit(b[*j]))
        ++*j;
    size_t lengthA = *i - startA, lengthB = *j - startB;
    if (lengthA != lengthB)
        return lengthA < lengthB ? -1 : 1;
    int order = a.compare(startA, lengthA, b, startB, lengthB);
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

int CompareFolded(const std::u16string& a, const std::u16string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            if (int order = CompareNumbers(a, &i, b, &j))
                return order;
            continue;
        }
        char16_t x = Fold(a[i++]), y = Fold(b[j++]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

} // namespace

int CompareNames(std::string_view a, std::string_view b) {
    if (int order = CompareFolded(ax::Utf8ToUtf16(a), ax::Utf8ToUtf16(b)))
        return order;
    int exact = a.compare(b);
    return exact < 0 ? -1 : exact > 0 ? 1 : 0;
}

} // namespace pgv
