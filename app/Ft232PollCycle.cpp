#include "Ft232PollCycle.h"

#include <QCoreApplication>
#include <algorithm>

#include "Pn532Frames.h"
#include "TagText.h"

namespace tagstation {

namespace {

const char* const TitleDevicePresent = "FTDI FT232 USB to UART TTL / PN532 - Gerät vorhanden ...";
const char* const TitleNoDevice = "FTDI FT232 USB to UART TTL / PN532 - Kein Gerät vorhanden ...";

QString WriteTrace(TByteView bytes) { return HexDump(QStringLiteral("HEX write ... "), bytes); }

}  // namespace

TFt232PollCycle::TFt232PollCycle(std::unique_ptr<TFtdiDriver> driver, std::shared_ptr<TTickClock> clock,
                                 TD2XXLink::TErrorDialog errorDialog, QObject* parent)
    : TPollCycle(parent), FClock(std::move(clock)), FLink(std::move(driver), std::move(errorDialog))
{
    FLink.BaudRate = BaudRate;
    FLink.DataBits = FT_BITS_8;
    FLink.StopBits = FT_STOP_BITS_1;
    FLink.Parity = FT_PARITY_NONE;
    FLink.ErrorReportEnabled = false;
}

QString TFt232PollCycle::AbsentTitle() const { return QString::fromUtf8(TitleNoDevice); }

void TFt232PollCycle::Step()
{
    if (FLinkOpen)
        PollStep();
    else
        ConnectStep();
}

void TFt232PollCycle::CloseLink()
{
    if (!FLinkOpen) return;
    FLink.CloseDevice();
    FLinkOpen = false;
}

void TFt232PollCycle::WaitPumping(std::uint32_t milliseconds)
{
    const std::uint32_t start = FClock->TickCount();
    // Unsigned difference: right across the tick counter's wrap-around.
    while (static_cast<std::uint32_t>(FClock->TickCount() - start) < milliseconds) {
        QCoreApplication::processEvents();
        FClock->YieldTimeSlice();
    }
}

void TFt232PollCycle::ConnectStep()
{
    const std::int32_t openStatus = FLink.OpenDevice();
    if (openStatus != 0) return;
    FLinkOpen = true;
    emit Logged(QStringLiteral("Open_USB_Device: %1").arg(openStatus));
    emit Logged(QStringLiteral("Set_USB_Device_BaudRate: %1").arg(FLink.SetBaudRate()));
    emit Logged(QStringLiteral("Set_USB_Device_DataCharacteristics: %1").arg(FLink.SetDataCharacteristics()));
    emit Logged(QStringLiteral("Reset_USB_Device: %1").arg(FLink.ResetDevice()));
    emit Logged(
        QStringLiteral("Set_USB_Device_TimeOuts: %1").arg(FLink.SetTimeouts(TransferTimeoutMs, TransferTimeoutMs)));
    WakeUp();
    emit TitleChanged(QString::fromUtf8(TitleDevicePresent));
}

void TFt232PollCycle::WakeUp()
{
    const TByteView block = pn532::WakeUpBlock();
    std::copy(block.begin(), block.end(), FLink.TxBuffer().begin());
    const std::int32_t written = FLink.WriteBuffer(static_cast<std::int32_t>(block.size()));
    emit Logged(WriteTrace(FLink.TxBuffer().first(static_cast<std::size_t>(written))));
    WaitPumping(FrameGapMs);
    FLink.PurgeReceive();
    FLink.PurgeTransmit();
}

QString TFt232PollCycle::SendFrame(TByteView frame)
{
    std::copy(frame.begin(), frame.end(), FLink.TxBuffer().begin());
    const std::int32_t written = FLink.WriteBuffer(static_cast<std::int32_t>(frame.size()));
    const QString trace = WriteTrace(FLink.TxBuffer().first(static_cast<std::size_t>(written)));
    WaitPumping(FrameGapMs);
    return trace;
}

TBytes TFt232PollCycle::ReadReply()
{
    constexpr auto shortest = static_cast<std::int32_t>(pn532::ShortestTagReply);
    if (FLink.ReadBuffer(shortest) != shortest) return {};
    const TByteView head = FLink.RxBuffer().first(pn532::ShortestTagReply);
    TBytes reply(head.begin(), head.end());
    const std::size_t length = pn532::TagReplyLength(head);
    if (length > reply.size()) {
        // A longer UID or an ATS: the rest follows at once.
        const std::int32_t read = FLink.ReadBuffer(static_cast<std::int32_t>(length - reply.size()));
        const TByteView rest = FLink.RxBuffer().first(static_cast<std::size_t>(read));
        reply.insert(reply.end(), rest.begin(), rest.end());
    }
    return reply;
}

void TFt232PollCycle::PollStep()
{
    if (FLink.GetQueueStatus() != 0) {
        FLinkOpen = false;
        emit TitleChanged(QString::fromUtf8(TitleNoDevice));
        // Release the lost handle, or every lost link would leak one.
        FLink.CloseDevice();
        return;
    }
    // Bytes still queued came after an earlier poll's read (a reply that was
    // late or longer than it said); left there, they would shift this poll's
    // reply and could keep every later one shifted.
    FLink.PurgeReceive();
    const QString listTrace = SendFrame(pn532::ListTargetsFrame());
    const QString versionTrace = SendFrame(pn532::VersionRequestFrame());
    const TBytes reply = ReadReply();
    if (reply.empty()) return;

    emit Logged(listTrace);
    emit Logged(versionTrace);
    emit Logged(HexDump(QStringLiteral("HEX read  ... "), reply));
    if (const auto uid = pn532::TagUidOf(reply)) emit TagRead(*uid);
}

}  // namespace tagstation
