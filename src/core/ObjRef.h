#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

#include "core/VBError.h"

namespace mellox {

// A nullable reference to a host object. Dereferencing an empty reference raises
// error 91 instead of being undefined behaviour.
template <class T>
class ObjRef {
public:
    ObjRef() noexcept = default;
    ObjRef(std::nullptr_t) noexcept {}
    ObjRef(std::shared_ptr<T> p) noexcept : ptr_(std::move(p)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ObjRef(const ObjRef<U>& other) noexcept : ptr_(other.shared()) {}

    // A reference that does not own the object (its lifetime is managed elsewhere).
    static ObjRef Borrow(T* raw) noexcept {
        return ObjRef(std::shared_ptr<T>(std::shared_ptr<void>(), raw));
    }

    T* operator->() const {
        if (!ptr_) Raise(91);
        return ptr_.get();
    }
    T& operator*() const {
        if (!ptr_) Raise(91);
        return *ptr_;
    }

    explicit operator bool() const noexcept { return ptr_ != nullptr; }
    T* get() const noexcept { return ptr_.get(); }
    const std::shared_ptr<T>& shared() const noexcept { return ptr_; }
    void reset() noexcept { ptr_.reset(); }

    friend bool operator==(const ObjRef& a, const ObjRef& b) noexcept { return a.get() == b.get(); }
    friend bool operator==(const ObjRef& a, std::nullptr_t) noexcept { return !a; }

private:
    std::shared_ptr<T> ptr_;
};

}  // namespace mellox
