// A raw TCP client for the site's tests: sends exactly the bytes given, as slowly as wanted, and
// reads the answer with a deadline, so that hostile and broken clients can be played.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <string_view>

namespace quelvo::test {

class RawClient {
public:
    explicit RawClient(int port) : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        ::inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
        m_connected = ::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~RawClient() { ::close(m_fd); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return m_connected; }
    int fd() const { return m_fd; }

    bool send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // Reads until the server closes the connection or `timeoutMs` passes; true when it closed.
    bool readUntilClosed(int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            pollfd pfd{m_fd, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
                continue;
            char chunk[65536];
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                return true;
            m_received.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Reads until the whole head of an answer is in, or `timeoutMs` passes.
    bool readHead(int timeoutMs) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (m_received.find("\r\n\r\n") == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd pfd{m_fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
                return false;
            char chunk[65536];
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                return false;
            m_received.append(chunk, static_cast<std::size_t>(n));
        }
        return true;
    }

    const std::string& received() const { return m_received; }
    // The status code of the answer received, 0 when there is none.
    int status() const {
        if (m_received.rfind("HTTP/1.1 ", 0) != 0 || m_received.size() < 12)
            return 0;
        return std::atoi(m_received.substr(9, 3).c_str());
    }
    bool hasHeader(std::string_view line) const {
        const std::size_t end = m_received.find("\r\n\r\n");
        return m_received.substr(0, end + 2)
                   .find(std::string("\r\n") + std::string(line) + "\r\n") != std::string::npos;
    }

private:
    int m_fd;
    bool m_connected = false;
    std::string m_received;
};

}  // namespace quelvo::test
