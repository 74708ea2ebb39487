#include "globals/UTbrStack.h"

#include "base/UXlsExceptions.h"

namespace xls {

TXlsString TStringStack::Pop()
{
    if (FList.empty()) RaiseXls(TXlsMsg::StringStackEmpty);
    TXlsString s = std::move(FList.back());
    FList.pop_back();
    return s;
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
