// The plug-in's command set: the binding context "lirno" with its one command PluginAction.
#pragma once

#include "Registries.h"

#include <memory>

namespace lirno
{
class FlirnoCommandSet
{
public:
    static void Register();
    static void Unregister();
    // The registered set; only valid between Register and Unregister.
    static const FlirnoCommandSet& Get();

    std::shared_ptr<host::FBindingContext> Context;
    std::shared_ptr<host::FUICommandInfo> PluginAction;
};
} // namespace lirno
