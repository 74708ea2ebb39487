#include "base/UXlsExceptions.h"

#include <cstdio>
#include <vector>

namespace xls {

EXlsException::EXlsException(TXlsMsg id, std::string message)
    : std::runtime_error(message), FMsgId(id), FMessage(std::move(message))
{
}

EXlsException::EXlsException(TXlsMsg id, std::initializer_list<TMsgArg> args)
    : EXlsException(id, FormatMessage(id, args))
{
    // The compound file layer reads a stream and cannot name the file; the
    // layer that opened it fills the name in.
    FMessageLacksFile = MessageNamesFile(id) && args.size() == 0;
}

namespace {

template <class T>
bool FillIn(T& aField, const T& aValue, const T& aUnknown)
{
    if (aField != aUnknown || aValue == aUnknown) return false;
    aField = aValue;
    return true;
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string Hex4(std::uint16_t aId)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%04X", unsigned(aId));
    return buf;
}

}  // namespace

void EXlsException::SetFile(const std::string& aFile)
{
    if (!FillIn(FPlace.File, aFile, std::string())) return;
    if (FMessageLacksFile) {
        FMessage = FormatMessage(FMsgId, {aFile});
        FMessageLacksFile = false;
    }
    FComposed = false;
}

void EXlsException::SetStream(const std::string& aStream)
{
    if (FillIn(FPlace.Stream, aStream, std::string())) FComposed = false;
}

void EXlsException::SetRecord(std::string_view aName, std::uint16_t aId, std::int64_t aOffset)
{
    // A known offset is a place of its own (the end of the stream, say),
    // nearer to the fault than the record around it.
    if (!FPlace.RecordName.empty() || FPlace.Offset >= 0 || aName.empty()) return;
    FPlace.RecordName = aName;
    FPlace.RecordId = aId;
    FPlace.Offset = aOffset;
    FComposed = false;
}

void EXlsException::SetOffset(std::int64_t aOffset)
{
    if (FillIn(FPlace.Offset, aOffset, std::int64_t(-1))) FComposed = false;
}

void EXlsException::SetSector(std::int64_t aSector, std::int64_t aFileOffset)
{
    if (FPlace.Sector >= 0 || aSector < 0) return;
    FPlace.Sector = aSector;
    FPlace.SectorFileOffset = aFileOffset;
    FComposed = false;
}

void EXlsException::SetSheet(std::int32_t aSheet, const std::string& aName)
{
    if (FPlace.Sheet >= 0 || aSheet < 0) return;
    FPlace.Sheet = aSheet;
    FPlace.SheetName = aName;
    FComposed = false;
}

std::string EXlsException::Text(bool aWithFile) const
{
    std::vector<std::string> parts;
    // A message that names the file needs no second mention of it.
    if (aWithFile && !FPlace.File.empty() && !MessageNamesFile(FMsgId)) parts.push_back("file " + Quoted(FPlace.File));
    if (!FPlace.Stream.empty()) parts.push_back("stream " + Quoted(FPlace.Stream));
    std::string at = FPlace.Offset >= 0 ? "offset " + std::to_string(FPlace.Offset) : std::string();
    if (!FPlace.RecordName.empty()) {
        parts.push_back("record " + FPlace.RecordName + " (" + Hex4(FPlace.RecordId) + ")" + (at.empty() ? "" : " at " + at));
    } else if (!at.empty()) {
        parts.push_back(at);
    }
    if (FPlace.Sector >= 0)
        parts.push_back("sector " + std::to_string(FPlace.Sector) + " at file offset " +
                        std::to_string(FPlace.SectorFileOffset));
    if (FPlace.Sheet == 0) {
        parts.push_back("workbook globals");
    } else if (FPlace.Sheet > 0) {
        parts.push_back("sheet " + std::to_string(FPlace.Sheet) +
                        (FPlace.SheetName.empty() ? std::string() : " " + Quoted(FPlace.SheetName)));
    }
    if (parts.empty()) return FMessage;
    std::string text = FMessage + " (";
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i > 0 ? ", " : "") + parts[i];
    return text + ")";
}

const char* EXlsException::what() const noexcept
{
    if (!FComposed) {
        try {
            FText = Text();
        } catch (...) {
            return FMessage.c_str();  // no memory for the place: the message still tells what
        }
        FComposed = true;
    }
    return FText.c_str();
}

}  // namespace xls
