#include "lirnoCommands.h"

#include "Host.h"
#include "lirnoStyle.h"

namespace lirno
{
namespace
{
constexpr const char* ContextName = "lirno";
std::unique_ptr<FlirnoCommandSet> Registered;

std::shared_ptr<host::FUICommandInfo> FindPluginAction(const host::FBindingContext& context)
{
    for (const auto& command : context.Commands)
    {
        if (command && command->Name == "PluginAction")
        {
            return command;
        }
    }
    return nullptr;
}
} // namespace

void FlirnoCommandSet::Register()
{
    if (Registered)
    {
        return;
    }
    auto& bindings = host::Get().Bindings();
    auto set = std::make_unique<FlirnoCommandSet>();
    if (auto existing = bindings.Find(ContextName))
    {
        set->Context = existing;
        set->PluginAction = FindPluginAction(*existing);
        Registered = std::move(set);
        return;
    }

    set->Context = std::make_shared<host::FBindingContext>();
    set->Context->Name = ContextName;
    set->Context->Description = host::LocText("Contexts", "lirno", "lirno Plugin");
    set->Context->StyleSetName = lirnoStyle::GetStyleSetName();

    auto command = std::make_shared<host::FUICommandInfo>();
    command->ContextName = ContextName;
    command->Name = "PluginAction";
    command->Label = host::LocText("FlirnoModule", "PluginAction", "Localization");
    command->Description =
        host::LocText("FlirnoModule", "PluginAction_ToolTip", "Execute translation action");
    command->Kind = host::EUserInterfaceActionType::Button;
    command->StyleSetName = lirnoStyle::GetStyleSetName();
    command->IconBrush = command->FullName();
    set->Context->Commands.push_back(command);
    set->PluginAction = command;

    Registered = std::move(set);
    bindings.Add(Registered->Context);
    bindings.NotifyCommandsChanged();
}

void FlirnoCommandSet::Unregister()
{
    if (!Registered)
    {
        return;
    }
    auto& bindings = host::Get().Bindings();
    bindings.Remove(ContextName);
    bindings.NotifyCommandsChanged();
    Registered.reset();
}

const FlirnoCommandSet& FlirnoCommandSet::Get()
{
    return *Registered;
}
} // namespace lirno
