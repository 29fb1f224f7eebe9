// The storage behind the editor's registries. Items keep the order in which they were added and
// each lives in an allocation of its own, so a reference a registry hands out stays valid while
// other items are added or removed; only removing that very item ends it (an item replaced by
// name keeps its place and its address).
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <memory>
#include <utility>
#include <vector>

namespace host
{
template <class T> class TStableList
{
    using FSlots = std::vector<std::unique_ptr<T>>;

    // Walks the slots and yields the items themselves.
    template <class V, class FSlot> class TIterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::remove_const_t<V>;
        using difference_type = std::ptrdiff_t;
        using pointer = V*;
        using reference = V&;

        TIterator() = default;
        explicit TIterator(FSlot slot) : Slot(slot) {}
        V& operator*() const { return **Slot; }
        V* operator->() const { return Slot->get(); }
        TIterator& operator++()
        {
            ++Slot;
            return *this;
        }
        TIterator operator++(int)
        {
            TIterator before = *this;
            ++Slot;
            return before;
        }
        bool operator==(const TIterator& other) const { return Slot == other.Slot; }

    private:
        FSlot Slot{};
    };

public:
    using iterator = TIterator<T, typename FSlots::iterator>;
    using const_iterator = TIterator<const T, typename FSlots::const_iterator>;

    T& Add(T item)
    {
        Slots.push_back(std::make_unique<T>(std::move(item)));
        return *Slots.back();
    }
    template <class FPredicate> std::size_t RemoveIf(FPredicate predicate)
    {
        return std::erase_if(Slots,
                             [&](const std::unique_ptr<T>& slot) { return predicate(std::as_const(*slot)); });
    }
    template <class FPredicate> T* FindIf(FPredicate predicate)
    {
        const auto found =
            std::find_if(Slots.begin(), Slots.end(),
                         [&](const std::unique_ptr<T>& slot) { return predicate(std::as_const(*slot)); });
        return found == Slots.end() ? nullptr : found->get();
    }
    template <class FPredicate> const T* FindIf(FPredicate predicate) const
    {
        return const_cast<TStableList*>(this)->FindIf(std::move(predicate));
    }

    std::size_t size() const { return Slots.size(); }
    bool empty() const { return Slots.empty(); }
    T& operator[](std::size_t index) { return *Slots[index]; }
    const T& operator[](std::size_t index) const { return *Slots[index]; }
    T& front() { return *Slots.front(); }
    const T& front() const { return *Slots.front(); }
    T& back() { return *Slots.back(); }
    const T& back() const { return *Slots.back(); }
    iterator begin() { return iterator(Slots.begin()); }
    iterator end() { return iterator(Slots.end()); }
    const_iterator begin() const { return const_iterator(Slots.begin()); }
    const_iterator end() const { return const_iterator(Slots.end()); }

private:
    FSlots Slots;
};

// A stable list in which every item is known by a name that no other item has. FNameOf gives an
// item's name: a string, or a tuple of them for names with several parts.
template <class T, class FNameOf> class TNamedRegistry : private TStableList<T>
{
    using FList = TStableList<T>;

public:
    using FName = std::remove_cvref_t<decltype(FNameOf{}(std::declval<const T&>()))>;
    using FList::begin;
    using FList::empty;
    using FList::end;
    using FList::FindIf;
    using FList::RemoveIf;
    using FList::size;
    using typename FList::const_iterator;
    using typename FList::iterator;
    using FList::operator[];

    T* Find(const FName& name)
    {
        return FindIf([&](const T& item) { return FNameOf{}(item) == name; });
    }
    const T* Find(const FName& name) const
    {
        return FindIf([&](const T& item) { return FNameOf{}(item) == name; });
    }
    // Adds the item, or puts it in the place of the one with the same name.
    T& Put(T item)
    {
        if (T* existing = Find(FNameOf{}(item)))
        {
            *existing = std::move(item);
            return *existing;
        }
        return FList::Add(std::move(item));
    }
    // The item of that name; one made by `make()` and added when there is none.
    template <class FMake> T& FindOrAdd(const FName& name, FMake make)
    {
        T* existing = Find(name);
        return existing ? *existing : FList::Add(make());
    }
    bool Remove(const FName& name)
    {
        return RemoveIf([&](const T& item) { return FNameOf{}(item) == name; }) > 0;
    }
};
} // namespace host
