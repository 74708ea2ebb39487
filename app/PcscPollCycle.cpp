#include "PcscPollCycle.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "TagText.h"

namespace tagstation {

namespace {

constexpr std::array<std::uint8_t, 5> GetUidCommand = {0xFF, 0xCA, 0x00, 0x00, 0x00};
constexpr std::uint8_t StatusOk1 = 0x90;
constexpr std::uint8_t StatusOk2 = 0x00;

bool ContainsIgnoringCase(std::string_view text, std::string_view part)
{
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    return std::search(text.begin(), text.end(), part.begin(), part.end(), same) != text.end();
}

// pcscd went away or was restarted: the context is no good any more.
bool ContextLost(TScardStatus status)
{
    return status == ScardNoService || status == ScardServiceStopped || status == ScardInvalidHandle;
}

bool NoCard(TScardStatus status)
{
    return status == ScardNoSmartcard || status == ScardRemovedCard || status == ScardUnpoweredCard ||
           status == ScardUnresponsiveCard || status == ScardResetCard;
}

QString StatusText(TScardStatus status)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(status, 8, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

TPcscPollCycle::TPcscPollCycle(std::unique_ptr<TPcscApi> api, std::string readerName, QObject* parent)
    : TPollCycle(parent), FApi(std::move(api)), FReaderName(std::move(readerName))
{
}

QString TPcscPollCycle::AbsentTitle() const { return QStringLiteral("PC/SC-Leser - Kein Gerät vorhanden ..."); }

void TPcscPollCycle::Step()
{
    SetReader(EnsureContext() ? FindReader() : std::string());
    if (!FReader.empty()) ReadCard();
}

void TPcscPollCycle::CloseLink()
{
    ReleaseContext();
    FReader.clear();
}

bool TPcscPollCycle::EnsureContext()
{
    if (FHasContext) return true;
    const TScardStatus status = FApi->EstablishContext(FContext);
    LogStatus("SCardEstablishContext", status);
    FHasContext = status == ScardSuccess;
    return FHasContext;
}

void TPcscPollCycle::ReleaseContext()
{
    if (!FHasContext) return;
    FApi->ReleaseContext(FContext);
    FHasContext = false;
}

std::string TPcscPollCycle::FindReader()
{
    std::vector<std::string> readers;
    const TScardStatus status = FApi->ListReaders(FContext, readers);
    if (status != ScardNoReadersAvailable) LogStatus("SCardListReaders", status);
    if (ContextLost(status)) ReleaseContext();
    if (status != ScardSuccess) return {};
    const auto found = std::find_if(readers.begin(), readers.end(), [this](const std::string& name) {
        return ContainsIgnoringCase(name, FReaderName);
    });
    return found == readers.end() ? std::string() : *found;
}

void TPcscPollCycle::SetReader(const std::string& reader)
{
    if (reader == FReader) return;
    FReader = reader;
    emit TitleChanged(
        FReader.empty() ? AbsentTitle()
                        : QStringLiteral("PC/SC-Leser %1 - Gerät vorhanden ...").arg(QString::fromStdString(FReader)));
}

void TPcscPollCycle::ReadCard()
{
    TPcscApi::TCard card = 0;
    std::uint32_t protocol = 0;
    const TScardStatus connected = FApi->Connect(FContext, FReader, card, protocol);
    if (NoCard(connected)) return;
    LogStatus("SCardConnect", connected);
    if (connected != ScardSuccess) {
        if (ContextLost(connected)) ReleaseContext();
        return;
    }
    TBytes response;
    const TScardStatus sent = FApi->Transmit(card, protocol, GetUidCommand, response);
    FApi->Disconnect(card);
    if (NoCard(sent)) return;
    LogStatus("SCardTransmit", sent);
    if (sent != ScardSuccess) return;

    emit Logged(HexDump(QStringLiteral("HEX write ... "), GetUidCommand));
    emit Logged(HexDump(QStringLiteral("HEX read  ... "), response));
    // The UID, then the status word 90 00.
    if (response.size() < 2) return;
    const std::size_t uidSize = response.size() - 2;
    if (response[uidSize] != StatusOk1 || response[uidSize + 1] != StatusOk2) return;
    if (uidSize == 4 || uidSize == 7) emit TagRead(TBytes(response.begin(), response.begin() + uidSize));
}

void TPcscPollCycle::LogStatus(const char* call, TScardStatus status)
{
    auto [last, added] = FLastStatus.try_emplace(call, ScardSuccess);
    if (!added && last->second == status) return;
    last->second = status;
    if (status != ScardSuccess)
        emit Logged(QStringLiteral("%1: %2").arg(QString::fromLatin1(call), StatusText(status)));
}

}  // namespace tagstation
