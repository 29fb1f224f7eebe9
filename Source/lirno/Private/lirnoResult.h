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
        r.Value_ = std::move(value);
        return r;
    }
    static TResult Fail(std::string error)
    {
        TResult r;
        r.Error_ = std::move(error);
        return r;
    }

    bool IsOk() const { return Value_.has_value(); }
    const T& Value() const { return *Value_; }
    const std::string& Error() const { return Error_; }

private:
    std::optional<T> Value_;
    std::string Error_;
};
} // namespace lirno
