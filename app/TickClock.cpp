#include "TickClock.h"

#include <chrono>
#include <thread>

namespace tagstation {

std::uint32_t TSystemTickClock::TickCount()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

void TSystemTickClock::YieldTimeSlice()
{
    // A millisecond of sleep rather than a bare yield: the waits stay just as
    // responsive, and the station does not keep a core busy for 300 ms a poll.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void TSystemTickClock::Sleep(std::uint32_t milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace tagstation
