// The one shape of a failure across Tarnview's libraries: a result holds either a value or an
// error, and an error is a code from the library's own list plus a message for people.
// Nothing here throws: reading the value of a failed result is a programming error.
#pragma once

#include <cassert>
#include <string>
#include <utility>
#include <variant>

template <typename Code>
struct Error {
    Code code;
    std::string message;
};

template <typename Code>
Error<Code> MakeError(Code code, std::string message) {
    return Error<Code>{code, std::move(message)};
}

template <typename T, typename Code>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Error<Code> error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & {
        assert(ok());
        return *std::get_if<0>(&state_);
    }
    const T& value() const& {
        assert(ok());
        return *std::get_if<0>(&state_);
    }
    T&& value() && {
        assert(ok());
        return std::move(*std::get_if<0>(&state_));
    }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error<Code>& error() const {
        assert(!ok());
        return *std::get_if<1>(&state_);
    }
    Code code() const { return error().code; }
    const std::string& message() const { return error().message; }

private:
    std::variant<T, Error<Code>> state_;
};

// A result that carries no value, only success or an error.
template <typename Code>
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Error<Code> error) : error_(std::move(error)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const Error<Code>& error() const {
        assert(failed_);
        return error_;
    }
    Code code() const { return error().code; }
    const std::string& message() const { return error().message; }

private:
    Error<Code> error_{};
    bool failed_ = false;
};
