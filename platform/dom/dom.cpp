#include "platform/dom/dom.h"

#include "platform/dom/channel.h"

namespace quelvo::dom {
namespace {

Channel* channelOf(const Ref& target) {
    return target.handle() ? target.handle()->channel.get() : nullptr;
}

}  // namespace

Value get(const Ref& target, std::string_view member, const Args& args) {
    Channel* channel = channelOf(target);
    return channel ? channel->run(Channel::OpKind::Get, target, member, args) : Value();
}

bool put(const Ref& target, std::string_view member, const Value& value) {
    Channel* channel = channelOf(target);
    if (!channel)
        return false;
    Value v = channel->run(Channel::OpKind::Put, target, member, {value});
    return v.kind() == Value::Kind::Bool && std::get<bool>(v.variant());
}

Value call(const Ref& target, std::string_view member, const Args& args) {
    Channel* channel = channelOf(target);
    return channel ? channel->run(Channel::OpKind::Call, target, member, args) : Value();
}

Text getText(const Ref& target, std::string_view member, const Args& args) {
    return get(target, member, args).toText();
}

double getNumber(const Ref& target, std::string_view member, const Args& args) {
    return get(target, member, args).toNumber();
}

Ref getObject(const Ref& target, std::string_view member, const Args& args) {
    Channel* channel = channelOf(target);
    return channel ? channel->queue(Channel::OpKind::Get, target, member, args) : Ref();
}

Ref callObject(const Ref& target, std::string_view member, const Args& args) {
    Channel* channel = channelOf(target);
    return channel ? channel->queue(Channel::OpKind::Call, target, member, args) : Ref();
}

void putLater(const Ref& target, std::string_view member, const Value& value) {
    if (Channel* channel = channelOf(target)) {
        channel->queue(Channel::OpKind::Put, target, member, {value});
    }
}

void invokeLater(const Ref& target, std::string_view member, const Args& args) {
    if (Channel* channel = channelOf(target)) {
        channel->queue(Channel::OpKind::Call, target, member, args);
    }
}

void flush(const Ref& target) {
    if (Channel* channel = channelOf(target))
        channel->flush();
}

Outcome lastOutcome(const Ref& target) {
    Channel* channel = channelOf(target);
    return channel ? channel->lastOutcome() : Outcome::NoAnswer;
}

std::uint64_t roundTrips() {
    return Channel::roundTrips();
}

}  // namespace quelvo::dom
