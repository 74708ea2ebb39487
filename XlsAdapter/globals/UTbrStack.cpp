#include "globals/UTbrStack.h"

#include "base/UXlsExceptions.h"

namespace xls {

void TStringStack::Push(TXlsString s)
{
    // Grown 10 entries at a time: most formulas never need a second step.
    if (FList.size() == FList.capacity()) FList.reserve(FList.capacity() + 10);
    FList.push_back(std::move(s));
}

TXlsString TStringStack::Pop()
{
    if (FList.empty()) RaiseXls(TXlsMsg::StringStackEmpty);
    TXlsString s = std::move(FList.back());
    FList.pop_back();
    return s;
}

TXlsString TStringStack::PopJoined(std::size_t aCount, char16_t aSeparator)
{
    if (!AtLeast(aCount)) RaiseXls(TXlsMsg::StringStackEmpty);
    const auto first = FList.end() - static_cast<std::ptrdiff_t>(aCount);
    TXlsString joined;
    for (auto it = first; it != FList.end(); ++it) {
        if (it != first) joined.push_back(aSeparator);
        joined += *it;
    }
    FList.erase(first, FList.end());
    return joined;
}

const TXlsString& TStringStack::Peek() const
{
    if (FList.empty()) RaiseXls(TXlsMsg::StringStackEmpty);
    return FList.back();
}

void TFormulaStack::Push(TXlsString s)
{
    TStringStack::Push(std::move(s));
    FmSpaces.clear();
    FmPreSpaces.clear();
    FmPostSpaces.clear();
}

TWhiteSpace TWhiteSpaceStack::Pop()
{
    const TWhiteSpace ws = Peek();
    FList.pop_back();
    return ws;
}

TWhiteSpace TWhiteSpaceStack::Peek() const
{
    if (FList.empty()) RaiseXls(TXlsMsg::LogicalError);
    return FList.back();
}

}  // namespace xls
