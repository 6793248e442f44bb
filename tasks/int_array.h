#pragma once
// A growable array of int32: a request to run tasks is one, holding task indices in run order.

#include <cstdint>
#include <vector>

namespace korvel {

class TIntArray {
public:
    void Add(std::int32_t value) {
        if (data_.size() == data_.capacity())
            data_.reserve(data_.capacity() < 1000 ? 1000 : data_.capacity() * 2);
        data_.push_back(value);
    }
    std::int32_t Get(int i) const { return data_.at(static_cast<std::size_t>(i)); }
    int Count() const { return static_cast<int>(data_.size()); }
    void Clear() { std::vector<std::int32_t>().swap(data_); }

private:
    std::vector<std::int32_t> data_;
};

} // namespace korvel
