#pragma once

#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace program {

// What an operation did: its value, or why it failed. Every layer reports
// failures so; only windows and tools turn them into what the user sees.
template <typename T, typename E>
class [[nodiscard]] Result {
    static_assert(!std::is_same_v<T, E>, "a value and a failure of one type could not be told apart");

public:
    Result(T value) : outcome_(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : outcome_(std::in_place_index<1>, std::move(error)) {}

    bool succeeded() const { return outcome_.index() == 0; }
    const T& value() const { return std::get<0>(outcome_); }
    T& value() { return std::get<0>(outcome_); }
    const E& error() const { return std::get<1>(outcome_); }

private:
    std::variant<T, E> outcome_;
};

// An operation with nothing to hand on: success, or why it failed.
template <typename E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;
    Result(E error) : error_(std::move(error)) {}

    bool succeeded() const { return !error_; }
    const E& error() const { return *error_; }

private:
    std::optional<E> error_;
};

} // namespace program
