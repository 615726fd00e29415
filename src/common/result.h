#pragma once
// The one way a layer below the window reports an outcome: a value, or a problem with the
// message the user may be shown. Whether and how it is shown is the caller's decision.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace tavrel {

// What went wrong, worded for the user ("\"bad.tvr\" cannot be read: No such file or directory").
struct Problem {
    // Most problems refuse what was asked for. Input that is not of its kind at all (a file
    // whose first line is not its format's header) is told apart, so that a caller can answer
    // it more lightly. Work the user stopped is no failure to report either.
    enum class Kind { Refused, WrongKind, Stopped };

    std::string message;
    Kind kind = Kind::Refused;
    friend bool operator==(const Problem&, const Problem&) = default;
};

template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::move(value)) {}
    Result(Problem problem) : state_(std::move(problem)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& {
        assert(ok());
        return std::get<0>(state_);
    }
    T& value() & {
        assert(ok());
        return std::get<0>(state_);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(state_));
    }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }

    // Only when not ok.
    const Problem& failure() const {
        assert(!ok());
        return std::get<1>(state_);
    }
    // The problem's message; empty for a value.
    std::string problem() const { return ok() ? std::string() : failure().message; }

private:
    std::variant<T, Problem> state_;
};

// An outcome without a value: done, or a problem.
template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Problem problem) : problem_(std::move(problem)), ok_(false) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    // Only when not ok.
    const Problem& failure() const {
        assert(!ok_);
        return problem_;
    }
    std::string problem() const { return ok_ ? std::string() : problem_.message; }

private:
    Problem problem_;
    bool ok_ = true;
};

using Outcome = Result<void>;

} // namespace tavrel
