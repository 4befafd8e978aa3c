// The console's answers on standard output, one JSON line each, in the order of the requests.
#pragma once

#include <QJsonObject>

namespace quelvo::console {

// Each answer is written whole before the next request runs, also to an output a parent left
// non-blocking.
class Answers {
public:
    explicit Answers(int fd) : m_fd(fd) {}

    void add(const QJsonObject& answer);

private:
    int m_fd;
};

}  // namespace quelvo::console
