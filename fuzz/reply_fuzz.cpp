// The document channel's decoding of page replies. The input is the page's side of a short
// conversation: replies separated by newlines, handed out one per round trip.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dom/channel.h"

namespace {

using namespace quelvo::dom;

class ScriptedTransport : public Transport {
public:
    explicit ScriptedTransport(std::string_view replies) : m_replies(replies) {}

    std::optional<std::string> roundTrip(const std::string&, int) override {
        if (m_replies.empty())
            return std::nullopt;  // the page is gone
        const std::size_t end = m_replies.find('\n');
        std::string reply(m_replies.substr(0, end));
        m_replies = end == std::string_view::npos ? std::string_view{} : m_replies.substr(end + 1);
        return reply;
    }

private:
    std::string_view m_replies;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto channel = std::make_shared<Channel>(std::make_unique<ScriptedTransport>(
        std::string_view(reinterpret_cast<const char*>(data), size)));
    // The calls a walk makes: the document, a queued member, a call on it, a put, a flush.
    Ref document = channel->document(1000);
    Ref body = channel->queue(Channel::OpKind::Get, document, "body", {});
    Value children = channel->run(Channel::OpKind::Call, body, "getElementsByTagName",
                                  {Value(quelvo::Text("input"))});
    (void)children.toText();
    (void)children.toNumber();
    Ref first = children.toRef();
    channel->queue(Channel::OpKind::Put, first, "value", {Value(quelvo::Text("1")), Value(first)});
    (void)body.empty();
    body.reset();
    Value again = channel->run(Channel::OpKind::Get, document, "title", {});
    (void)again.toText();
    channel->flush();
    return 0;
}
