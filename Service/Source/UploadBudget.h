// Bytes of upload bodies held in memory at once, across every request. An upload takes its
// declared size from the budget before its body is read and gives it back when its request
// ends; one that does not fit is answered as busy instead of growing the service without end.
#pragma once

#include <cstdint>
#include <mutex>

namespace lirno::service
{
class UploadBudget
{
public:
    explicit UploadBudget(std::uint64_t capacity) : capacity_(capacity) {}

    // A reservation gives its bytes back when it goes out of scope.
    class Reservation
    {
    public:
        Reservation() = default;
        Reservation(UploadBudget* budget, std::uint64_t bytes) : budget_(budget), bytes_(bytes) {}
        ~Reservation();
        Reservation(Reservation&& other) noexcept;
        Reservation& operator=(Reservation&&) = delete;
        Reservation(const Reservation&) = delete;

        explicit operator bool() const { return budget_ != nullptr; }

    private:
        UploadBudget* budget_ = nullptr;
        std::uint64_t bytes_ = 0;
    };

    // An empty reservation when `bytes` do not fit beside what is reserved now.
    Reservation Take(std::uint64_t bytes);
    std::uint64_t InUse() const;

private:
    void Give(std::uint64_t bytes);

    mutable std::mutex mutex_;
    std::uint64_t capacity_;
    std::uint64_t used_ = 0;
};
} // namespace lirno::service
