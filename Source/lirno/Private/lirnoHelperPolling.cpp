// The status worker: sends one status request at a time, about once per poll interval, from a
// background thread; the answers are handled on the main thread.
#include "Host.h"
#include "Json.h"
#include "lirnoHelper.h"
#include "lirnoProtocol.h"
#include "lirnoSetting.h"

namespace lirno
{
bool lirnoHelper::ShouldStopPolling() const
{
    return bEnded || !bTranslationRunning;
}

void lirnoHelper::PollStatus()
{
    auto& threads = host::Get().Threads();
    if (Progress >= CompletionThreshold)
    {
        return;
    }
    for (;;)
    {
        if (ShouldStopPolling())
        {
            return;
        }
        while (!bPollReady)
        {
            // An ended job's worker must not linger until its flag is handed back.
            if (ShouldStopPolling())
            {
                return;
            }
            threads.Sleep(PollInterval);
        }
        if (ShouldStopPolling())
        {
            return;
        }
        bPollReady = false;
        const FTask_Status task = TaskStatus.Content;
        StatusClient->PostText(Settings->Host + protocol::StatusPath, host::RecordToJson(task));
        threads.Sleep(PollInterval);
        if (Progress >= CompletionThreshold)
        {
            return;
        }
    }
}
} // namespace lirno
