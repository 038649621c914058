// String list: the ordered list of names or phrases behind every filter and
// history option (portable). Order is insertion order; duplicates are kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class StringList {
public:
    using const_iterator = std::vector<std::string>::const_iterator;

    // Appends a copy at the tail; a null string adds nothing.
    void append_copy(const char* s);
    void append_copy(std::string_view s) { items_.emplace_back(s); }

    // Empties the list (the list owns its strings, so this also frees them).
    void free_all() { items_.clear(); }

    // First entry equal to `s` byte for byte, or null. A null `s` finds nothing.
    const std::string* find_exact(const char* s) const;
    const std::string* find_exact(std::string_view s) const;

    // 1 when some entry occurs anywhere inside `text` (case-sensitive), else 0.
    // An empty entry occurs in every text. A null text answers 0.
    int contains_any(const char* text) const;
    int contains_any(std::string_view text) const;

    int count() const { return static_cast<int>(items_.size()); }
    bool empty() const { return items_.empty(); }
    const std::string& operator[](int i) const { return items_[static_cast<size_t>(i)]; }
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

    bool operator==(const StringList&) const = default;

private:
    std::vector<std::string> items_;
};
