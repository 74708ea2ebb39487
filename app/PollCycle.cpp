#include "PollCycle.h"

namespace tagstation {

void TPollCycle::Tick()
{
    if (FBusy || FClosed) return;
    FBusy = true;
    Step();
    FBusy = false;
    if (FCloseRequested) Close();
}

void TPollCycle::Close()
{
    if (FBusy) {
        FCloseRequested = true;
        return;
    }
    FCloseRequested = false;
    if (FClosed) return;
    FClosed = true;
    CloseLink();
}

}  // namespace tagstation
