#include "Host.h"

#include <cstdio>
#include <cstdlib>

namespace host
{
namespace
{
IHost* Installed = nullptr;
}

IHost& Get()
{
    if (!Installed)
    {
        std::fputs("host: no host installed\n", stderr);
        std::abort();
    }
    return *Installed;
}

bool IsInstalled()
{
    return Installed != nullptr;
}

void Install(IHost* host)
{
    Installed = host;
}
} // namespace host
