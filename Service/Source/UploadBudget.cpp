#include "UploadBudget.h"

#include <utility>

namespace lirno::service
{
UploadBudget::Reservation::~Reservation()
{
    if (budget_)
        budget_->Give(bytes_);
}

UploadBudget::Reservation::Reservation(Reservation&& other) noexcept
    : budget_(std::exchange(other.budget_, nullptr)), bytes_(other.bytes_)
{
}

UploadBudget::Reservation UploadBudget::Take(std::uint64_t bytes)
{
    std::lock_guard lock(mutex_);
    if (bytes > capacity_ - used_)
        return {};
    used_ += bytes;
    return {this, bytes};
}

std::uint64_t UploadBudget::InUse() const
{
    std::lock_guard lock(mutex_);
    return used_;
}

void UploadBudget::Give(std::uint64_t bytes)
{
    std::lock_guard lock(mutex_);
    used_ -= bytes;
}
} // namespace lirno::service
