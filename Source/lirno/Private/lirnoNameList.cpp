#include "lirnoNameList.h"

namespace lirno
{
std::string ListNames(const std::vector<std::string>& names)
{
    std::string list;
    const std::size_t shown = names.size() > MaxListedNames ? MaxListedNames : names.size();
    for (std::size_t i = 0; i < shown; ++i)
    {
        list.append(i == 0 ? "" : ", ").append(names[i]);
    }
    if (names.size() > shown)
    {
        list.append(" and ").append(std::to_string(names.size() - shown)).append(" more");
    }
    return list;
}
} // namespace lirno
