// The owning list every engine list builds on: removing or replacing an item
// frees it, clearing frees all. Slots may be empty (null).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "base/UXlsObjectPool.h"

namespace xls {

// Fails with "List index out of bounds (%d)".
[[noreturn]] void RaiseListIndex(std::size_t aIndex);

// A sheet has a list for each of its rows: lists and their slots come from
// the pool.
template <class T>
class TBaseList : public TPooledObject {
public:
    TBaseList() = default;
    virtual ~TBaseList() = default;
    TBaseList(const TBaseList&) = delete;
    TBaseList& operator=(const TBaseList&) = delete;
    TBaseList(TBaseList&&) = default;
    TBaseList& operator=(TBaseList&&) = default;

    std::size_t Count() const { return FList.size(); }
    // Room for aCount items, so that adding them allocates once.
    void Reserve(std::size_t aCount) { FList.reserve(aCount); }
    // The item in slot aIndex (null for an empty slot); fails outside the list.
    T* GetItem(std::size_t aIndex) const
    {
        CheckIndex(aIndex);
        return FList[aIndex].get();
    }

    virtual std::size_t Add(std::unique_ptr<T> aItem)
    {
        CheckItem(aItem.get());
        const T* added = aItem.get();
        FList.push_back(std::move(aItem));
        Notify(added, true);
        return FList.size() - 1;
    }

    virtual void Insert(std::size_t aIndex, std::unique_ptr<T> aItem)
    {
        if (aIndex > FList.size()) RaiseListIndex(aIndex);
        CheckItem(aItem.get());
        const T* added = aItem.get();
        FList.insert(FList.begin() + static_cast<std::ptrdiff_t>(aIndex), std::move(aItem));
        Notify(added, true);
    }

    // Replaces the item in slot aIndex, freeing the old one.
    void SetItem(std::size_t aIndex, std::unique_ptr<T> aItem)
    {
        CheckIndex(aIndex);
        CheckItem(aItem.get());
        Notify(FList[aIndex].get(), false);
        FList[aIndex] = std::move(aItem);
        Notify(FList[aIndex].get(), true);
    }

    void Delete(std::size_t aIndex) { DeleteRange(aIndex, 1); }

    // Frees the items in slots [aIndex, aIndex + aCount).
    void DeleteRange(std::size_t aIndex, std::size_t aCount)
    {
        if (aCount == 0) return;
        if (aIndex >= FList.size() || aCount > FList.size() - aIndex) RaiseListIndex(aIndex + aCount - 1);
        for (std::size_t i = aIndex; i < aIndex + aCount; ++i) Notify(FList[i].get(), false);
        auto first = FList.begin() + static_cast<std::ptrdiff_t>(aIndex);
        FList.erase(first, first + static_cast<std::ptrdiff_t>(aCount));
    }

    virtual void Clear()
    {
        for (const auto& item : FList) Notify(item.get(), false);
        FList.clear();
    }

protected:
    // Called when an item (possibly null) enters or leaves the list.
    virtual void Notify(const T*, bool) {}
    // Refuses items the list cannot hold.
    virtual void CheckItem(const T*) const {}

    void CheckIndex(std::size_t aIndex) const
    {
        if (aIndex >= FList.size()) RaiseListIndex(aIndex);
    }

    std::vector<std::unique_ptr<T>, TPoolAllocator<std::unique_ptr<T>>> FList;
};

}  // namespace xls
