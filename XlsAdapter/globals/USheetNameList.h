// The index of sheet names that keeps them unique.
//
// An item is a root and a counter: its full name is the root, followed by the
// counter's decimal digits when the counter is not 0 ("Data" and 2 give
// "Data2"). Items are sorted by full name: by length, then by UTF-16 code
// unit, so lookups are binary searches and exact (case-sensitive).
//
// Workbooks read from files keep their names as they are; a name the engine
// makes (AddUniqueName, Rename) must also differ from every other name when
// letter case is ignored, since spreadsheet programs treat "Data" and "DATA"
// as the same sheet.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/UXlsVariant.h"

namespace xls {

struct TWideContainer {
    TXlsString S;        // the root name
    std::int32_t n = 0;  // the counter, 0 for none

    TXlsString FullName() const;
};

class TSheetNameList {
public:
    std::size_t Count() const { return FList.size(); }
    const TWideContainer& Items(std::size_t aIndex) const { return FList.at(aIndex); }

    // Fails with "Sheet name already exists: %s" when the name is there.
    void Add(std::u16string_view aName);
    // Adds aName, or aName followed by the smallest counter above the root's
    // highest one that is free, and returns the full name added.
    TXlsString AddUniqueName(std::u16string_view aName);
    // The first 31 characters; "/", "\", "?", "[", "]", "*" become "_" and ":" becomes ".".
    static TXlsString MakeValidSheetName(std::u16string_view aName);
    // Removes the item with this full name. The names are the BOUNDSHEET
    // names, so an unknown one is a logical error.
    void DeleteSheet(std::u16string_view SheetName);
    // Nothing when equal; fails with "Sheet name already exists: %s" when
    // NewName is another sheet's name, ignoring case.
    void Rename(std::u16string_view OldName, std::u16string_view NewName);

    // Binary search by full name: true with the position of the item, else
    // false with the insertion point.
    bool FindFullString(std::u16string_view S, std::size_t& Index) const;
    // The item with root S and the highest counter.
    bool FindRootString(std::u16string_view S, std::size_t& Index) const;

    void Clear() { FList.clear(); }

private:
    void Insert(TWideContainer aItem);
    // A name other than aExcept's that equals aName when case is ignored.
    bool ClashesIgnoringCase(std::u16string_view aName, std::u16string_view aExcept = {}) const;

    std::vector<TWideContainer> FList;
};

}  // namespace xls
