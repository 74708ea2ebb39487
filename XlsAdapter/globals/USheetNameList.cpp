#include "globals/USheetNameList.h"

#include <algorithm>
#include <string>

#include "base/UXlsExceptions.h"
#include "base/UXlsUnicode.h"

namespace xls {

namespace {

constexpr std::size_t kMaxSheetNameChars = 31;

// Names sort by length, then by code unit.
bool NameLess(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

// Upper case for the scripts sheet names are usually written in: Latin
// (ASCII and Latin-1), Greek and Cyrillic. Other characters compare as they are.
char16_t FoldCase(char16_t c)
{
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) return static_cast<char16_t>(c - 0x20);
    if (c == 0x00FF) return 0x0178;
    if (c >= 0x03B1 && c <= 0x03C9 && c != 0x03C2) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x0430 && c <= 0x044F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x0450 && c <= 0x045F) return static_cast<char16_t>(c - 0x50);
    return c;
}

bool SameIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    return std::ranges::equal(a, b, {}, FoldCase, FoldCase);
}

[[noreturn]] void RaiseNameExists(std::u16string_view aName)
{
    RaiseXls(TXlsMsg::SheetNameExists, {Utf16ToUtf8(aName)});
}

}  // namespace

TXlsString TWideContainer::FullName() const
{
    if (n == 0) return S;
    const std::string digits = std::to_string(n);
    return S + TXlsString(digits.begin(), digits.end());
}

bool TSheetNameList::FindFullString(std::u16string_view S, std::size_t& Index) const
{
    auto it = std::ranges::lower_bound(FList, S, NameLess, [](const TWideContainer& c) { return c.FullName(); });
    Index = static_cast<std::size_t>(it - FList.begin());
    return it != FList.end() && it->FullName() == S;
}

bool TSheetNameList::FindRootString(std::u16string_view S, std::size_t& Index) const
{
    // Roots are not in sort order (the list is ordered by full names), and
    // sheet lists are short: a scan.
    bool found = false;
    for (std::size_t i = 0; i < FList.size(); ++i) {
        if (FList[i].S == S && (!found || FList[i].n > FList[Index].n)) {
            Index = i;
            found = true;
        }
    }
    return found;
}

bool TSheetNameList::ClashesIgnoringCase(std::u16string_view aName, std::u16string_view aExcept) const
{
    return std::ranges::any_of(FList, [&](const TWideContainer& c) {
        const TXlsString full = c.FullName();
        return full != aExcept && SameIgnoringCase(full, aName);
    });
}

void TSheetNameList::Insert(TWideContainer aItem)
{
    std::size_t index = 0;
    if (FindFullString(aItem.FullName(), index)) RaiseNameExists(aItem.FullName());
    FList.insert(FList.begin() + static_cast<std::ptrdiff_t>(index), std::move(aItem));
}

void TSheetNameList::Add(std::u16string_view aName)
{
    Insert({TXlsString(aName), 0});
}

TXlsString TSheetNameList::AddUniqueName(std::u16string_view aName)
{
    TWideContainer item{TXlsString(aName), 0};
    if (ClashesIgnoringCase(aName)) {
        std::size_t root = 0;
        std::int64_t counter = FindRootString(aName, root) ? std::int64_t(FList[root].n) + 1 : 1;
        // Every round skips one taken name, so the loop ends within Count() + 1 rounds.
        for (;; ++counter) {
            if (counter > INT32_MAX) RaiseXls(TXlsMsg::TooManyEntries, {counter, std::int64_t(INT32_MAX)});
            item.n = static_cast<std::int32_t>(counter);
            if (!ClashesIgnoringCase(item.FullName())) break;
        }
    }
    TXlsString full = item.FullName();
    Insert(std::move(item));
    return full;
}

TXlsString TSheetNameList::MakeValidSheetName(std::u16string_view aName)
{
    std::size_t length = std::min(aName.size(), kMaxSheetNameChars);
    // Do not cut a character in half.
    if (length < aName.size() && length > 0 && aName[length - 1] >= 0xD800 && aName[length - 1] <= 0xDBFF) --length;
    TXlsString name(aName.substr(0, length));
    for (char16_t& c : name) {
        switch (c) {
        case u'/':
        case u'\\':
        case u'?':
        case u'[':
        case u']':
        case u'*':
            c = u'_';
            break;
        case u':':
            c = u'.';
            break;
        default:
            break;
        }
    }
    return name;
}

void TSheetNameList::DeleteSheet(std::u16string_view SheetName)
{
    std::size_t index = 0;
    if (!FindFullString(SheetName, index)) RaiseXls(TXlsMsg::LogicalError);
    FList.erase(FList.begin() + static_cast<std::ptrdiff_t>(index));
}

void TSheetNameList::Rename(std::u16string_view OldName, std::u16string_view NewName)
{
    if (OldName == NewName) return;
    if (ClashesIgnoringCase(NewName, OldName)) RaiseNameExists(NewName);
    std::size_t index = 0;
    if (!FindFullString(OldName, index)) RaiseXls(TXlsMsg::LogicalError);
    FList.erase(FList.begin() + static_cast<std::ptrdiff_t>(index));
    Add(NewName);
}

}  // namespace xls
