// A TCP server on 127.0.0.1 that accepts connections and never says a word: a site that hangs.
#include "silentserver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quelvo::test {

SilentServer::SilentServer() {
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listen, 16) != 0 ||
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC) != 0) {
        return;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] {
        pollfd fds[2] = {{m_listen, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        while (::poll(fds, 2, -1) > 0 && !(fds[1].revents & POLLIN)) {
            const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                // Kept open and never read or written: the client waits until it gives up.
                m_clients.push_back(client);
                ++m_connections;
            }
        }
    });
}

SilentServer::~SilentServer() {
    if (m_thread.joinable()) {
        char byte = 0;
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &byte, 1);
        m_thread.join();
    }
    for (int client : m_clients)
        ::close(client);
    for (int fd : {m_listen, m_wake[0], m_wake[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
}

std::string SilentServer::url() const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/";
}

}  // namespace quelvo::test
