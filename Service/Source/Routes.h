// The three endpoints the plug-in calls. Every answer is HTTP 200 with an envelope; bad input
// gets Status 0 and a message the plug-in shows as it is.
#pragma once

#include "Accounts.h"
#include "ProviderChain.h"
#include "ServiceConfig.h"
#include "TaskStore.h"
#include "UploadBudget.h"

#include <httplib.h>

namespace lirno::service
{
struct ServiceParts
{
    const ServiceConfig& config;
    Accounts& accounts;
    ProviderChain& chain;
    TaskStore& tasks;
    UploadBudget& uploads;
};

void AddRoutes(httplib::Server& server, ServiceParts parts);
} // namespace lirno::service
