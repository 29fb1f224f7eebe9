// Carries out one task's plan: translates every pending text in batches through the provider
// chain, reports progress after each batch, and builds the result package.
#pragma once

#include "LocalizationWork.h"
#include "ProviderChain.h"

#include <functional>
#include <string>

namespace lirno::service
{
struct TaskOutcome
{
    bool ok = false;
    std::string file_b64;
    std::string message; // the closing message, or why the task failed
};

// `progress` receives the characters done so far and returns false to stop the task early
// (the service is shutting down).
using ProgressSink = std::function<bool(std::size_t characters_done)>;

TaskOutcome RunPlan(WorkPlan& plan, ProviderChain& chain, const std::string& provider_name,
                    const ProgressSink& progress);
} // namespace lirno::service
