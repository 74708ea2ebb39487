// The engine's exception classes.
//
// EXlsException is the one general engine error: it carries the formatted
// English message and the table entry it came from, and the place where it
// happened (file, stream, record, offset, sheet). The layers an error passes
// on its way out fill in what they know of the place; what() composes the
// message and the place once, when it is asked for. EExcelException exists
// as the base of ETokenException, which the formula code raises and catches
// internally.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/UXlsMessages.h"

namespace xls {

// Where an error happened. Empty texts and negative numbers are unknown.
struct TErrorPlace {
    std::string File;        // the workbook file as the caller named it
    std::string Stream;      // the compound file stream being read
    std::string RecordName;  // the record being read or placed, with RecordId
    std::uint16_t RecordId = 0;
    std::int64_t Offset = -1;  // of that record's header (or of the failed read) in the stream
    std::int64_t Sector = -1;  // a compound file sector, and where it lies in the file
    std::int64_t SectorFileOffset = -1;
    std::int32_t Sheet = -1;  // counted from 1; 0 is the workbook globals
    std::string SheetName;
};

class EXlsException : public std::runtime_error {
public:
    EXlsException(TXlsMsg id, std::string message);
    EXlsException(TXlsMsg id, std::initializer_list<TMsgArg> args = {});

    TXlsMsg MsgId() const noexcept { return FMsgId; }
    // The message alone, without the place.
    const std::string& Message() const noexcept { return FMessage; }
    const TErrorPlace& Place() const noexcept { return FPlace; }

    // Each setter fills in a part of the place that is still unknown and
    // leaves a known one as it is: the layer nearest to the fault knows best.
    void SetFile(const std::string& aFile);
    void SetStream(const std::string& aStream);
    void SetRecord(std::string_view aName, std::uint16_t aId, std::int64_t aOffset);
    void SetOffset(std::int64_t aOffset);
    void SetSector(std::int64_t aSector, std::int64_t aFileOffset);
    void SetSheet(std::int32_t aSheet, const std::string& aName);

    // The message followed by the place: "Error reading record (file "a.xls",
    // stream "Workbook", record FORMAT (0x041E) at offset 432, workbook
    // globals)". Without aWithFile the file is left out, for a caller that
    // names it itself.
    std::string Text(bool aWithFile = true) const;
    const char* what() const noexcept override;

private:
    TXlsMsg FMsgId;
    std::string FMessage;
    bool FMessageLacksFile = false;  // its file placeholder waits for SetFile
    TErrorPlace FPlace;
    mutable std::string FText;  // composed on the first what() after a change
    mutable bool FComposed = false;
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

// Runs aStep; an engine error raised in it learns what aFill tells of the
// place (aFill gets the exception) and goes on.
template <class TStep, class TFill>
decltype(auto) WithErrorPlace(TStep&& aStep, TFill&& aFill)
{
    try {
        return aStep();
    } catch (EXlsException& e) {
        aFill(e);
        throw;
    }
}

}  // namespace xls
