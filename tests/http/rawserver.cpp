// A TCP server on 127.0.0.1 that records request heads and answers with scripted bytes.
#include "rawserver.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace quelvo::test {

RawServer::RawServer(Answer answer) : m_answer(std::move(answer)) {
    if (pipe(m_stop) != 0)
        throw std::runtime_error("pipe");
    m_listen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (m_listen < 0 || bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(m_listen, 16) != 0 ||
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { run(); });
}

RawServer::~RawServer() {
    char c = 0;
    (void)!write(m_stop[1], &c, 1);
    m_thread.join();
    close(m_listen);
    close(m_stop[0]);
    close(m_stop[1]);
}

std::string RawServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::vector<std::string> RawServer::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

namespace {

// False when the client has gone.
bool sendAll(int client, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int RawServer::connections() const {
    std::lock_guard lock(m_mutex);
    return m_connections;
}

// True when `fd` is readable; false on time-out or when the server is stopping.
bool RawServer::waitReadable(int fd, int timeoutMs) const {
    pollfd fds[2] = {{fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) <= 0)
        return false;
    return (fds[1].revents & POLLIN) == 0;
}

void RawServer::run() {
    while (waitReadable(m_listen, -1)) {
        int client = accept(m_listen, nullptr, nullptr);
        if (client < 0)
            continue;
        {
            std::lock_guard lock(m_mutex);
            ++m_connections;
        }
        serve(client);
        close(client);
    }
}

void RawServer::serve(int client) {
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (!waitReadable(client, 5000))
            return;
        ssize_t n = recv(client, buf, sizeof buf, 0);
        if (n <= 0)
            return;
        head.append(buf, static_cast<std::size_t>(n));
    }
    head.resize(head.find("\r\n\r\n") + 2);
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(head);
    }
    RawReply reply = m_answer(head);
    if (reply.delayMs > 0) {
        pollfd stop{m_stop[0], POLLIN, 0};
        if (poll(&stop, 1, reply.delayMs) > 0)
            return;  // stopping
    }
    if (!sendAll(client, reply.bytes))
        return;
    if (!reply.rest.empty()) {
        pollfd stop{m_stop[0], POLLIN, 0};
        if (poll(&stop, 1, reply.restDelayMs) > 0)
            return;
        if (reply.trickleMs <= 0 && !sendAll(client, reply.rest))
            return;
        // Ends with the bytes, when the client goes or when the server stops.
        for (std::size_t i = 0; reply.trickleMs > 0 && i < reply.rest.size(); ++i) {
            if ((i > 0 && poll(&stop, 1, reply.trickleMs) > 0) ||
                !sendAll(client, reply.rest.substr(i, 1)))
                return;
        }
    }
    if (!reply.holdOpen)
        shutdown(client, SHUT_WR);
    // Until the client closes (or the server stops): closing first could reset the connection
    // before the client has read everything.
    while (waitReadable(client, reply.holdOpen ? -1 : 5000)) {
        if (recv(client, buf, sizeof buf, 0) <= 0)
            return;
    }
}

std::string httpResponse(int status, const std::string& body, bool withLength,
                         const std::string& extraHeaders) {
    std::string r = "HTTP/1.0 " + std::to_string(status) + " Status\r\n";
    r += "Content-Type: application/octet-stream\r\n";
    if (withLength)
        r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    r += extraHeaders;
    r += "\r\n";
    return r + body;
}

}  // namespace quelvo::test
