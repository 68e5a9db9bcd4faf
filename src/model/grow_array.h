// The container of every problem table: a growable array of plain records
// with one resizing rule, so that capacities follow the documented steps.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>

namespace kova {

template <typename T>
class GrowArray {
    static_assert(std::is_trivially_copyable_v<T>, "records hold no owned resources");

  public:
    GrowArray() = default;
    GrowArray(const GrowArray&) = delete;
    GrowArray& operator=(const GrowArray&) = delete;
    GrowArray(GrowArray&&) noexcept = default;
    GrowArray& operator=(GrowArray&&) noexcept = default;

    // New records are zero-filled. A smaller size keeps the storage and the
    // old records beyond it; size 0 releases the storage.
    void SetSize(std::size_t size) {
        if (size == 0) {
            storage_.reset();
            size_ = capacity_ = 0;
            return;
        }
        if (!storage_) {
            storage_ = std::make_unique<T[]>(size);  // value-initialised: zero
            size_ = capacity_ = size;
            return;
        }
        if (size <= capacity_) {
            if (size > size_) {
                std::fill(storage_.get() + size_, storage_.get() + size, T{});
            }
            size_ = size;
            return;
        }
        const std::size_t step =
            growBy_ != 0 ? growBy_ : std::clamp<std::size_t>(size_ / 8, 4, 1024);
        const std::size_t capacity = std::max(capacity_ + step, size);
        auto storage = std::make_unique<T[]>(capacity);
        std::copy(storage_.get(), storage_.get() + size_, storage.get());
        storage_ = std::move(storage);
        size_ = size;
        capacity_ = capacity;
    }

    void SetSize(std::size_t size, std::size_t growBy) {
        growBy_ = growBy;
        SetSize(size);
    }

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    std::size_t growBy() const { return growBy_; }
    bool HasStorage() const { return storage_ != nullptr; }

    T& operator[](std::size_t i) {
        assert(i < size_);
        return storage_[i];
    }
    const T& operator[](std::size_t i) const {
        assert(i < size_);
        return storage_[i];
    }

    // Signed indices, as the tables' counters are; checked in debug builds.
    T& At(std::int64_t i) {
        assert(i >= 0 && static_cast<std::size_t>(i) < size_);
        return storage_[static_cast<std::size_t>(i)];
    }
    const T& At(std::int64_t i) const {
        assert(i >= 0 && static_cast<std::size_t>(i) < size_);
        return storage_[static_cast<std::size_t>(i)];
    }

    T* data() { return storage_.get(); }
    const T* data() const { return storage_.get(); }
    T* begin() { return storage_.get(); }
    T* end() { return storage_.get() + size_; }
    const T* begin() const { return storage_.get(); }
    const T* end() const { return storage_.get() + size_; }

  private:
    std::unique_ptr<T[]> storage_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    std::size_t growBy_ = 0;
};

// A signed count or index, as the tables keep them, as an index into any
// container; checked in debug builds.
inline std::size_t Index(std::int64_t i) {
    assert(i >= 0);
    return static_cast<std::size_t>(i);
}

}  // namespace kova
