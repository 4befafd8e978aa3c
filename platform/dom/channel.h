// The native end of one page's bridge: queues operations, batches them into round trips and
// resolves the references they produce.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dom/value.h"

namespace quelvo::dom {

// Carries one request to the page and its reply back; nullopt when the page is gone, crashed,
// navigated away mid-call or did not answer in time.
class Transport {
public:
    virtual ~Transport() = default;
    virtual std::optional<std::string> roundTrip(const std::string& request, int timeoutMs) = 0;
    // The latest roundTrip gave nullopt because its time ran out.
    virtual bool timedOut() const { return false; }
};

// The longest reply taken from a page, in characters; a longer one gives neutral results.
inline constexpr std::size_t kReplyCap = 64 * 1024 * 1024;

class Channel : public std::enable_shared_from_this<Channel> {
public:
    enum class OpKind : char { Document = 'd', Get = 'g', Put = 'p', Call = 'c' };

    explicit Channel(std::unique_ptr<Transport> transport);
    ~Channel();

    // A reference to the main frame's document, resolved now; empty on failure.
    Ref document(int timeoutMs);

    // Runs the operation (and everything queued before it) and returns its value.
    Value run(OpKind kind, const Ref& target, std::string_view member, const Args& args);
    // Queues the operation; its object result, if any, is the returned reference.
    Ref queue(OpKind kind, const Ref& target, std::string_view member, const Args& args);
    void flush();

    void release(std::uint32_t id);
    // Resolves a pending reference by sending the queue.
    void resolve(Handle& handle);

    // How the latest operation sent to this page ended.
    Outcome lastOutcome() const { return m_lastOutcome; }

    static void setCallTimeout(int ms);
    static int callTimeout();
    static std::uint64_t roundTrips();

private:
    struct Pending {
        std::string json;
        std::uint32_t resultId;
        std::weak_ptr<Handle> promised;
        std::shared_ptr<Handle> keepTarget;
    };
    Pending makeOp(OpKind kind, const Ref& target, std::string_view member, const Args& args);
    // Sends the queue; returns the decoded result of the last operation sent.
    Value send(int timeoutMs);

    std::unique_ptr<Transport> m_transport;
    std::vector<Pending> m_queue;
    std::vector<std::uint32_t> m_released;
    std::uint32_t m_nextId = 1;
    std::uint64_t m_nextSeq = 1;
    Outcome m_lastOutcome = Outcome::NoAnswer;
};

}  // namespace quelvo::dom
