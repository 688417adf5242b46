#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace plandor {

// Why an operation failed: a kind the caller decides on, and the words the
// user is shown.
template <typename Fault> struct Failure
{
    Fault fault;
    QString text;
};

// The value of an operation, or its failure. The value is only read after
// the result was tested.
template <typename T, typename Fault> class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_state(std::in_place_index<0>, std::move(value))
    { }
    Result(Failure<Fault> failure)
        : m_state(std::in_place_index<1>, std::move(failure))
    { }

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T &value() const & { return std::get<0>(m_state); }
    T &&value() && { return std::get<0>(std::move(m_state)); }
    const T *operator->() const { return &std::get<0>(m_state); }
    const T &operator*() const & { return value(); }

    const Failure<Fault> &failure() const { return std::get<1>(m_state); }
    Fault fault() const { return failure().fault; }
    // Empty after success.
    QString errorText() const { return ok() ? QString() : failure().text; }

private:
    std::variant<T, Failure<Fault>> m_state;
};

// An operation that gives nothing but its success.
template <typename Fault> class [[nodiscard]] Result<void, Fault>
{
public:
    Result() = default;
    Result(Failure<Fault> failure)
        : m_failure(std::move(failure))
        , m_failed(true)
    { }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Failure<Fault> &failure() const { return m_failure; }
    Fault fault() const { return m_failure.fault; }
    QString errorText() const { return m_failed ? m_failure.text : QString(); }

private:
    Failure<Fault> m_failure {};
    bool m_failed = false;
};

} // namespace plandor
