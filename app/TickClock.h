// Millisecond tick count, yielding and sleeping, behind one interface so the
// poll cycle's waits and the simulated reader's time-outs can run on a
// manual clock in tests.
#pragma once

#include <cstdint>

namespace tagstation {

class TTickClock {
public:
    virtual ~TTickClock() = default;
    // Milliseconds since an arbitrary start; wraps around after 2^32 ms.
    virtual std::uint32_t TickCount() = 0;
    // Gives up the rest of the time slice inside a busy wait.
    virtual void YieldTimeSlice() = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

class TSystemTickClock final : public TTickClock {
public:
    std::uint32_t TickCount() override;
    void YieldTimeSlice() override;
    void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace tagstation
