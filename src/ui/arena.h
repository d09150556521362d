// Ownership for the backends: the application object owns everything it
// makes until the run ends (see toolkit.h).
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace ui {

class Owned {
public:
    virtual ~Owned() = default;
};

class Arena {
public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() { clear(); }

    template <class T>
    T& own(std::unique_ptr<T> object) {
        T& ref = *object;
        objects_.push_back(std::move(object));
        return ref;
    }

    // Newest first: a control goes before the view it was put in.
    void clear() { releaseTo(0); }

    // How many objects are owned: a mark to release back to.
    std::size_t mark() const { return objects_.size(); }
    void releaseTo(std::size_t mark) {
        while (objects_.size() > mark) objects_.pop_back();
    }

private:
    std::vector<std::unique_ptr<Owned>> objects_;
};

}  // namespace ui
