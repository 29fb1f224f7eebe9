// A value or the message that explains why there is none. Failures are values here: nothing
// the plug-in does may throw into the host.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace lirno
{
template <class T> class TResult
{
public:
    static TResult Ok(T value)
    {
        TResult r;
        r.Held = std::move(value);
        return r;
    }
    static TResult Fail(std::string error)
    {
        TResult r;
        r.Why = std::move(error);
        return r;
    }

    bool IsOk() const { return Held.has_value(); }
    const T& Value() const { return *Held; }
    const std::string& Error() const { return Why; }

private:
    std::optional<T> Held;
    std::string Why;
};
} // namespace lirno
