#pragma once

#include <utility>
#include <variant>

namespace platform {

// A value or the error that kept it from being made. The file layer and the
// entry store return these instead of throwing, so a caller must look at the
// outcome of every I/O step.
template <typename T, typename E> class Expected {
  public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(E error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }
    const T& value() const { return std::get<0>(state_); }
    T& value() { return std::get<0>(state_); }
    const E& error() const { return std::get<1>(state_); }

  private:
    std::variant<T, E> state_;
};

} // namespace platform
