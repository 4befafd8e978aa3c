// Our own connection loop: a client that trickles, never finishes its body or never reads its
// answer holds one thread for a bounded time only, and stop() wakes every wait through one eventfd.
#include "skinsite/guardedserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "skinsite/requesthead.h"

namespace quelvo::skinsite {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto keepAliveIdle = std::chrono::seconds(1);
constexpr auto writeStall = std::chrono::seconds(5);

struct ConnectionState {
    bool closeAfter = false;
};
thread_local ConnectionState* t_connection = nullptr;

enum class Wait { Ready, TimedOut, Stopped };

// Waits for `events` on `sock` until `deadline`, or until the stop descriptor fires.
Wait waitFor(int sock, short events, int stopFd, Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Wait::TimedOut;
        pollfd fds[2] = {{sock, events, 0}, {stopFd, POLLIN, 0}};
        const int n = ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 60000)));
        if (n < 0 && errno != EINTR)
            return Wait::Stopped;
        if (n <= 0)
            continue;
        if (fds[1].revents)
            return Wait::Stopped;
        if (fds[0].revents)
            return Wait::Ready;
    }
}

class ConnectionStream final : public httplib::Stream {
public:
    ConnectionStream(int sock, int stopFd) : m_sock(sock), m_stopFd(stopFd) {}

    void setDeadline(Clock::time_point deadline) { m_deadline = deadline; }
    std::string_view buffered() const { return std::string_view(m_buffer).substr(m_pos); }
    void consume(std::size_t n) { m_pos += n; }
    bool timedOut() const { return m_timedOut; }

    enum class Fill { Data, Closed, TimedOut, Stopped };
    // Reads what the socket has (waiting until `deadline` for it) behind the buffered bytes.
    Fill fill(Clock::time_point deadline) {
        switch (waitFor(m_sock, POLLIN, m_stopFd, deadline)) {
            case Wait::TimedOut:
                m_timedOut = true;
                return Fill::TimedOut;
            case Wait::Stopped:
                return Fill::Stopped;
            case Wait::Ready:
                break;
        }
        if (m_pos > 0) {
            m_buffer.erase(0, m_pos);
            m_pos = 0;
        }
        char chunk[16384];
        ssize_t n;
        do {
            n = ::recv(m_sock, chunk, sizeof chunk, MSG_DONTWAIT);
        } while (n < 0 && errno == EINTR);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return Fill::Data;  // woken without bytes; the caller looks again
        if (n <= 0)
            return Fill::Closed;
        m_buffer.append(chunk, static_cast<std::size_t>(n));
        return Fill::Data;
    }

    bool is_readable() const override {
        return m_pos < m_buffer.size() ||
               waitFor(m_sock, POLLIN, m_stopFd, m_deadline) == Wait::Ready;
    }
    bool is_writable() const override {
        return waitFor(m_sock, POLLOUT, m_stopFd, Clock::now() + writeStall) == Wait::Ready;
    }

    ssize_t read(char* ptr, std::size_t size) override {
        while (m_pos >= m_buffer.size()) {
            if (fill(m_deadline) != Fill::Data)
                return -1;
        }
        const std::size_t n = std::min(size, m_buffer.size() - m_pos);
        std::memcpy(ptr, m_buffer.data() + m_pos, n);
        m_pos += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, std::size_t size) override {
        std::size_t done = 0;
        while (done < size) {
            if (waitFor(m_sock, POLLOUT, m_stopFd, Clock::now() + writeStall) != Wait::Ready)
                return -1;
            const ssize_t n = ::send(m_sock, ptr + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            if (n <= 0)
                return -1;
            done += static_cast<std::size_t>(n);
        }
        return static_cast<ssize_t>(done);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        address(::getpeername, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        address(::getsockname, ip, port);
    }
    socket_t socket() const override { return m_sock; }

private:
    template <typename Get>
    void address(Get get, std::string& ip, int& port) const {
        sockaddr_in addr{};
        socklen_t length = sizeof addr;
        char text[INET_ADDRSTRLEN] = {};
        if (get(m_sock, reinterpret_cast<sockaddr*>(&addr), &length) == 0 &&
            addr.sin_family == AF_INET && ::inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text)) {
            ip = text;
            port = ntohs(addr.sin_port);
        }
    }

    int m_sock;
    int m_stopFd;
    Clock::time_point m_deadline = Clock::now();
    std::string m_buffer;
    std::size_t m_pos = 0;
    bool m_timedOut = false;
};

const char* reasonPhrase(int status) {
    switch (status) {
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 415:
            return "Unsupported Media Type";
        case 431:
            return "Request Header Fields Too Large";
        case 503:
            return "Service Unavailable";
        default:
            return "Error";
    }
}

enum class HeadRead { Complete, Closed, TimedOut, Stopped, TooLarge };

// Buffers the request head; `length` is its size with the blank line.
HeadRead readHead(ConnectionStream& stream, Clock::time_point deadline, std::size_t maxBytes,
                  std::size_t* length) {
    std::size_t searched = 0;
    for (;;) {
        const std::string_view bytes = stream.buffered();
        for (std::size_t i = searched > 0 ? searched - 1 : 0; i < bytes.size(); ++i) {
            if (bytes[i] != '\n')
                continue;
            // A blank line: "\n\n" or "\n\r\n".
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                *length = i + 2;
                return HeadRead::Complete;
            }
            if (i + 2 < bytes.size() && bytes[i + 1] == '\r' && bytes[i + 2] == '\n') {
                *length = i + 3;
                return HeadRead::Complete;
            }
        }
        searched = bytes.size() >= 2 ? bytes.size() - 2 : 0;
        if (bytes.size() > maxBytes)
            return HeadRead::TooLarge;
        switch (stream.fill(deadline)) {
            case ConnectionStream::Fill::Data:
                break;
            case ConnectionStream::Fill::Closed:
                return HeadRead::Closed;
            case ConnectionStream::Fill::TimedOut:
                return HeadRead::TimedOut;
            case ConnectionStream::Fill::Stopped:
                return HeadRead::Stopped;
        }
    }
}

// Ends a connection whose request may still be on its way without resetting it: the answer is
// sent, the write side closed, and what the client still sends is dropped for a short while, so
// that the close does not turn into a reset that loses the answer.
void lingeringClose(int sock, int stopFd) {
    ::shutdown(sock, SHUT_WR);
    const auto until = Clock::now() + std::chrono::milliseconds(500);
    std::size_t dropped = 0;
    char chunk[16384];
    while (dropped < 256 * 1024 && waitFor(sock, POLLIN, stopFd, until) == Wait::Ready) {
        const ssize_t n = ::recv(sock, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            break;
        if (n > 0)
            dropped += static_cast<std::size_t>(n);
    }
    ::close(sock);
}

}  // namespace

GuardedServer::GuardedServer(ServerLimits limits,
                             std::function<std::string(int, std::string_view)> errorPage)
    : m_limits(limits),
      m_errorPage(std::move(errorPage)),
      m_stopFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

GuardedServer::~GuardedServer() {
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

void GuardedServer::halt() {
    m_halted = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_stopFd, &one, sizeof one);
    stop();
}

void GuardedServer::closeAfterAnswer() {
    if (t_connection)
        t_connection->closeAfter = true;
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
    ConnectionStream stream(sock, m_stopFd);
    ConnectionState state;
    t_connection = &state;
    // Set when the connection ends with part of a request unread.
    bool linger = false;

    auto answer = [&](int status, std::string_view why, const std::string& allow, bool head) {
        const std::string body = m_errorPage(status, why);
        std::string out = "HTTP/1.1 " + std::to_string(status) + " " + reasonPhrase(status) +
                          "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                          std::to_string(body.size()) +
                          "\r\nCache-Control: no-cache\r\nX-Content-Type-Options: nosniff\r\n";
        if (!allow.empty())
            out += "Allow: " + allow + "\r\n";
        linger = true;
        out += "Connection: close\r\n\r\n";
        if (!head)
            out += body;
        stream.write(out.data(), out.size());
    };

    for (std::size_t served = 0; served < keep_alive_max_count_ && !m_halted; ++served) {
        const auto begin = Clock::now();
        if (served > 0 && stream.buffered().empty() &&
            stream.fill(begin + keepAliveIdle) != ConnectionStream::Fill::Data)
            break;
        const auto deadline = begin + m_limits.requestTime;
        stream.setDeadline(deadline);

        std::size_t headLength = 0;
        const HeadRead read = readHead(stream, deadline, m_limits.maxHeadBytes, &headLength);
        if (read == HeadRead::TimedOut) {
            answer(408, {}, {}, false);
            break;
        }
        if (read == HeadRead::TooLarge) {
            answer(431, "请求头太大", {}, false);
            break;
        }
        if (read != HeadRead::Complete)
            break;
        const auto head = parseRequestHead(stream.buffered().substr(0, headLength));
        if (!head) {
            answer(400, {}, {}, false);
            break;
        }
        if (auto refusal = refusalOf(*head, m_port)) {
            answer(refusal->status, refusal->message, refusal->allow, head->method == "HEAD");
            break;
        }

        // A make holds its place from its head until its answer is written.
        const bool isMake = head->method == "POST";
        if (isMake && m_makes.fetch_add(1) >= m_limits.maxMakes) {
            m_makes.fetch_sub(1);
            answer(503, "现在做皮肤的人太多，请稍后再试", {}, false);
            break;
        }
        state.closeAfter = false;
        bool closedByClient = false;
        const bool written =
            process_request(stream, served + 1 == keep_alive_max_count_, closedByClient, nullptr);
        if (isMake)
            m_makes.fetch_sub(1);
        if (!written || closedByClient || state.closeAfter || stream.timedOut()) {
            linger = state.closeAfter || stream.timedOut();
            break;
        }
    }
    t_connection = nullptr;
    if (linger)
        lingeringClose(sock, m_stopFd);
    else
        ::close(sock);
    return true;
}

}  // namespace quelvo::skinsite
