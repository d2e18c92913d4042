// TList: the class library's list of untyped pointers, with its index error.
#pragma once
#include <vector>

#include "platform/core/Exceptions.h"

class TList {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    void* Get(int index) const {
        check(index);
        return items_[static_cast<std::size_t>(index)];
    }
    void* operator[](int index) const { return Get(index); }
    int Add(void* item) {
        items_.push_back(item);
        return Count() - 1;
    }
    int IndexOf(const void* item) const {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i] == item) return static_cast<int>(i);
        return -1;
    }
    // Removes the first entry equal to item; returns its index or -1.
    int Remove(const void* item) {
        int i = IndexOf(item);
        if (i >= 0) items_.erase(items_.begin() + i);
        return i;
    }
    void Delete(int index) {
        check(index);
        items_.erase(items_.begin() + index);
    }
    void Clear() { items_.clear(); }

private:
    void check(int index) const {
        if (index < 0 || index >= Count()) throw EListError(errors::ListIndex(index));
    }
    std::vector<void*> items_;  // not owned
};
