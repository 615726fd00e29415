#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavrel {

// Which reflections are selected in the list and drawn highlighted; index = reflection index.
class Selection {
public:
    void reset(std::size_t count) { selected_.assign(count, 0); }
    bool isSelected(std::size_t i) const { return i < selected_.size() && selected_[i]; }
    void set(std::size_t i, bool on) {
        if (i < selected_.size()) selected_[i] = on ? 1 : 0;
    }
    void toggle(std::size_t i) { set(i, !isSelected(i)); }
    void clear() { std::fill(selected_.begin(), selected_.end(), 0); }
    std::size_t size() const { return selected_.size(); }

private:
    std::vector<std::uint8_t> selected_;
};

} // namespace tavrel
