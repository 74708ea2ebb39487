// Helpers for the formula text tests: token arrays written as hex and a
// small sheet context with four sheets, an EXTERNSHEET table and names.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/UXlsUnicode.h"
#include "globals/UXlsFormulaParser.h"

namespace formulatest {

using namespace xls;

// "24 00 00 00 C0" -> the bytes.
inline TBytes Hex(std::string_view aHex)
{
    TBytes bytes;
    for (std::size_t i = 0; i < aHex.size();) {
        if (aHex[i] == ' ') {
            ++i;
            continue;
        }
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(aHex.substr(i, 2)), nullptr, 16)));
        i += 2;
    }
    return bytes;
}

inline std::string HexOf(TByteView aBytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t b : aBytes) {
        if (!s.empty()) s += ' ';
        s += kDigits[b >> 4];
        s += kDigits[b & 0xF];
    }
    return s;
}

// Sheets "Sheet1", "Sheet2", "Data", "My Sheet"; EXTERNSHEET entries are
// added on demand, names are the workbook's names by position.
class TFakeContext : public TFormulaContext {
public:
    std::vector<TXlsString> Sheets{u"Sheet1", u"Sheet2", u"Data", u"My Sheet"};
    std::vector<std::pair<std::int32_t, std::int32_t>> Xti;
    std::vector<TXlsString> Names;
    std::map<std::pair<std::int64_t, std::int64_t>, TBytes> Arrays;
    std::map<std::pair<std::int64_t, std::int64_t>, TBytes> Tables;

    TXlsString GetName(std::int32_t, std::int32_t NameIndex) override
    {
        if (NameIndex < 0 || NameIndex >= std::int32_t(Names.size())) RaiseXls(TXlsMsg::PropertyIndexOutOfRange);
        return Names[std::size_t(NameIndex)];
    }
    TXlsString GetSheetName(std::int32_t SheetNumber) override
    {
        if (SheetNumber < 0 || std::size_t(SheetNumber) >= Xti.size()) RaiseXls(TXlsMsg::PropertyIndexOutOfRange);
        const auto& [first, last] = Xti[std::size_t(SheetNumber)];
        TXlsString s = u"'" + Sheets.at(std::size_t(first));
        if (last != first) s += u":" + Sheets.at(std::size_t(last));
        return s + u"'!";
    }
    bool FindSheet(std::u16string_view aName, std::int32_t& Index) override
    {
        for (std::size_t i = 0; i < Sheets.size(); ++i)
            if (UnicodeUpperCase(Sheets[i]) == UnicodeUpperCase(aName)) {
                Index = std::int32_t(i);
                return true;
            }
        Index = -1;
        return false;
    }
    std::int32_t AddExternSheet(std::int32_t FirstSheet, std::int32_t LastSheet) override
    {
        for (std::size_t i = 0; i < Xti.size(); ++i)
            if (Xti[i] == std::make_pair(FirstSheet, LastSheet)) return std::int32_t(i);
        Xti.emplace_back(FirstSheet, LastSheet);
        return std::int32_t(Xti.size() - 1);
    }
    TByteView ArrayFormula(std::int64_t Row, std::int64_t Col) override { return Find(Arrays, Row, Col); }
    TByteView TableFormula(std::int64_t Row, std::int64_t Col) override { return Find(Tables, Row, Col); }

private:
    static TByteView Find(const std::map<std::pair<std::int64_t, std::int64_t>, TBytes>& aMap, std::int64_t Row,
                          std::int64_t Col)
    {
        const auto it = aMap.find({Row, Col});
        if (it == aMap.end()) RaiseXls(TXlsMsg::SharedFormulaNotFound);
        return it->second;
    }
};

// The text of a token array given without its size word.
inline std::string Decoded(const TBytes& aTokens, TFormulaContext& aContext, const TBytes& aArrayData = {})
{
    TBytes block;
    AppendWord(block, static_cast<std::uint16_t>(aTokens.size()));
    block.insert(block.end(), aTokens.begin(), aTokens.end());
    block.insert(block.end(), aArrayData.begin(), aArrayData.end());
    return Utf16ToUtf8(DecodeFormula(block, 2, aContext));
}

}  // namespace formulatest
