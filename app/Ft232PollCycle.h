// The poll cycle over the FT232 link to the PN532: while the link is closed a
// tick opens and sets it up and wakes the PN532; while it is open a tick
// checks that the device is there, sends the target listing and the version
// frame and reads the reply. Between the frames it waits 150 ms with the
// window's events running.
#pragma once

#include <memory>

#include "D2XXUnit.h"
#include "PollCycle.h"
#include "TickClock.h"

namespace tagstation {

class TFt232PollCycle final : public TPollCycle {
    Q_OBJECT
public:
    static constexpr std::uint32_t BaudRate = 115200;
    static constexpr std::uint32_t TransferTimeoutMs = 300;
    static constexpr std::uint32_t FrameGapMs = 150;

    // Sets the link's line settings (115200 8N1) and switches its error
    // dialog off.
    TFt232PollCycle(std::unique_ptr<TFtdiDriver> driver, std::shared_ptr<TTickClock> clock,
                    TD2XXLink::TErrorDialog errorDialog, QObject* parent = nullptr);

    bool LinkOpen() const override { return FLinkOpen; }
    QString AbsentTitle() const override;
    TD2XXLink& Link() { return FLink; }

protected:
    void Step() override;
    void CloseLink() override;

private:
    void ConnectStep();
    void PollStep();
    void WakeUp();
    // Sends one host frame; returns its trace line.
    QString SendFrame(TByteView frame);
    // Reads a listing reply: the shortest one first, the rest when its head
    // asks for more. Empty when fewer bytes came.
    TBytes ReadReply();
    void WaitPumping(std::uint32_t milliseconds);

    std::shared_ptr<TTickClock> FClock;
    TD2XXLink FLink;
    bool FLinkOpen = false;
};

}  // namespace tagstation
