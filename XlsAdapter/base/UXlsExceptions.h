// The engine's exception classes.
//
// EXlsException is the one general engine error: it carries the formatted
// English message and the table entry it came from. EExcelException exists as
// the base of ETokenException, which the formula code raises and catches
// internally.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>

#include "base/UXlsMessages.h"

namespace xls {

class EXlsException : public std::runtime_error {
public:
    EXlsException(TXlsMsg id, std::string message) : std::runtime_error(std::move(message)), FMsgId(id) {}
    EXlsException(TXlsMsg id, std::initializer_list<TMsgArg> args = {})
        : EXlsException(id, FormatMessage(id, args)) {}

    TXlsMsg MsgId() const noexcept { return FMsgId; }

private:
    TXlsMsg FMsgId;
};

class EExcelException : public EXlsException {
public:
    using EXlsException::EXlsException;
};

// A token id the formula walker cannot handle; callers turn it into their own message.
class ETokenException : public EExcelException {
public:
    explicit ETokenException(std::uint32_t token)
        : EExcelException(TXlsMsg::FormulaTokenNotSupported, {std::int64_t(token)}), Token(token) {}

    std::uint32_t Token;
};

[[noreturn]] inline void RaiseXls(TXlsMsg id, std::initializer_list<TMsgArg> args = {})
{
    throw EXlsException(id, args);
}

}  // namespace xls
