// The entry the editor looks up after loading the module library.
#include "lirno.h"

host::IModuleInterface* InitializeModule()
{
    return new lirno::FlirnoModule();
}
