#include "platform/dom/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/numbers.h"
#include "platform/dom/channel.h"

namespace quelvo::dom {

Handle::Handle(std::shared_ptr<Channel> channel, std::uint32_t id, State state)
    : channel(std::move(channel)), id(id), state(state) {}

Handle::~Handle() {
    if (channel)
        channel->release(id);
}

bool Ref::empty() const {
    if (!m_handle)
        return true;
    if (m_handle->state == Handle::State::Pending)
        m_handle->channel->resolve(*m_handle);
    return m_handle->state != Handle::State::Live;
}

Text Value::toText() const {
    switch (kind()) {
        case Kind::Text:
            return std::get<Text>(m_v);
        case Kind::Bool:
            return Text(std::get<bool>(m_v) ? "-1" : "0");
        case Kind::Int:
            return Text(std::to_string(std::get<std::int32_t>(m_v)));
        case Kind::Real: {
            double d = std::get<double>(m_v);
            char buffer[40];
            // Like "%.15g", with a '.' whatever the locale.
            const std::to_chars_result printed =
                std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::general, 15);
            return Text(std::string(buffer, printed.ptr));
        }
        default:
            return Text();
    }
}

double Value::toNumber() const {
    switch (kind()) {
        case Kind::Bool:
            return std::get<bool>(m_v) ? -1.0 : 0.0;
        case Kind::Int:
            return std::get<std::int32_t>(m_v);
        case Kind::Real:
            return std::get<double>(m_v);
        case Kind::Text:
            return realValue(std::get<Text>(m_v));
        default:
            return 0.0;
    }
}

Ref Value::toRef() const {
    if (kind() == Kind::Ref)
        return std::get<Ref>(m_v);
    return Ref();
}

}  // namespace quelvo::dom
