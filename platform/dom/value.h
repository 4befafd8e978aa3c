// References to page objects and the generic automation value.
#pragma once

#include <cstdint>
#include <memory>
#include <variant>
#include <vector>

#include "common/text.h"

namespace quelvo::dom {

class Channel;

// One page-side object held by the native side. Copies share it; the last copy to go asks the page
// to forget the object, riding along with the next round trip.
struct Handle {
    enum class State { Pending, Live, Empty };
    Handle(std::shared_ptr<Channel> channel, std::uint32_t id, State state);
    ~Handle();
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    std::shared_ptr<Channel> channel;
    std::uint32_t id;
    State state;
};

// An owning, possibly empty reference to one automation object of one page (document, element,
// collection, window, style, text range, popup).
class Ref {
public:
    Ref() = default;
    explicit Ref(std::shared_ptr<Handle> handle) : m_handle(std::move(handle)) {}

    // A reference whose object comes from a call still queued is resolved here (one round trip).
    bool empty() const;
    explicit operator bool() const { return !empty(); }
    void reset() { m_handle.reset(); }

    // Same page-side slot: the very same reference, or a copy of it.
    bool sameHandle(const Ref& other) const { return m_handle == other.m_handle; }
    const std::shared_ptr<Handle>& handle() const { return m_handle; }

private:
    std::shared_ptr<Handle> m_handle;
};

struct Null {
    friend bool operator==(Null, Null) { return true; }
};

// A value of any automation type, passed on without being looked at.
class Value {
public:
    enum class Kind { Empty, Null, Bool, Int, Real, Text, Ref };

    Value() = default;
    Value(Null) : m_v(Null{}) {}
    Value(bool b) : m_v(b) {}
    Value(std::int32_t i) : m_v(i) {}
    Value(double d) : m_v(d) {}
    Value(Text t) : m_v(std::move(t)) {}
    Value(const char*) = delete;  // say Text or "…"_t
    Value(Ref r) : m_v(std::move(r)) {}

    Kind kind() const { return static_cast<Kind>(m_v.index()); }
    bool isEmpty() const { return kind() == Kind::Empty; }

    // Automation conversions; an unconvertible value gives the neutral result. True is −1.
    Text toText() const;
    double toNumber() const;
    Ref toRef() const;

    const auto& variant() const { return m_v; }

private:
    std::variant<std::monostate, Null, bool, std::int32_t, double, Text, Ref> m_v;
};

using Args = std::vector<Value>;

// How a call to a page ended. A time-out is its own outcome, told apart from a null answer and
// from a page that is gone, even though the call then gives the neutral result.
enum class Outcome {
    Answered,  // the page answered (its answer may still be a failure or null)
    TimedOut,  // the page did not answer in time (hung, busy, or stuck in a dialog storm)
    NoAnswer,  // nothing to ask or nobody to answer: an empty reference, a gone or navigated page,
               // or a reply that could not be read
};

}  // namespace quelvo::dom
