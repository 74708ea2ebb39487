#include "DefinedNames.h"

#include <array>

#include "DumpText.h"
#include "globals/UXlsWorkbookGlobals.h"

namespace xlstool {

namespace {

// Built-in names by their code (the one character of their NAME record).
constexpr std::array<std::string_view, 14> kBuiltInNames{
    "Consolidate_Area", "Auto_Open",  "Auto_Close",    "Extract",         "Database",    "Criteria",
    "Print_Area",       "Print_Titles", "Recorder",    "Data_Form",       "Auto_Activate", "Auto_Deactivate",
    "Sheet_Title",      "_FilterDatabase"};

std::string NameText(const xls::TNameRecord& aName)
{
    const std::u16string name = aName.Name();
    if (aName.IsBuiltIn() && name.size() == 1 && name[0] < kBuiltInNames.size())
        return std::string(kBuiltInNames[name[0]]);
    return EscapeDumpText(name);
}

}  // namespace

TNameFields DescribeName(const xls::TNameRecord& aName, xls::TWorkbookGlobals& aGlobals)
{
    TNameFields f;
    const std::int32_t sheet = aName.RangeSheet();
    if (sheet < 0)
        f.Scope = "*";
    else if (static_cast<std::size_t>(sheet) < aGlobals.SheetCount())
        f.Scope = EscapeDumpText(aGlobals.SheetName(sheet));
    else
        f.Scope = "?";
    f.Name = NameText(aName);
    f.Hidden = aName.IsHidden() ? "1" : "0";
    try {
        f.Formula = EscapeDumpText(aName.FormulaText(aGlobals));
    } catch (const std::exception&) {
        f.Formula = "?";
    }
    return f;
}

std::optional<char16_t> BuiltInNameCode(std::string_view aName)
{
    for (std::size_t i = 0; i < kBuiltInNames.size(); ++i)
        if (kBuiltInNames[i] == aName) return static_cast<char16_t>(i);
    return std::nullopt;
}

}  // namespace xlstool
