#include "console/linereader.h"

#include <cstring>
#include <utility>

namespace quelvo::console {

void LineReader::grow(const char* data, qsizetype size) {
    if (m_skipping)
        return;
    if (m_partial.size() + size > m_cap) {
        m_partial = QByteArray();
        m_skipping = true;
        return;
    }
    m_partial.append(data, size);
}

void LineReader::append(const char* data, qsizetype size) {
    while (size > 0) {
        const void* found = std::memchr(data, '\n', static_cast<std::size_t>(size));
        if (!found) {
            grow(data, size);
            return;
        }
        const qsizetype length = static_cast<const char*>(found) - data;
        grow(data, length);
        if (m_skipping)
            m_lines.push_back({{}, true});
        else
            m_lines.push_back({std::exchange(m_partial, QByteArray()), false});
        m_skipping = false;
        data += length + 1;
        size -= length + 1;
    }
}

std::optional<InputLine> LineReader::next() {
    if (m_lines.empty())
        return std::nullopt;
    InputLine line = std::move(m_lines.front());
    m_lines.pop_front();
    return line;
}

std::optional<InputLine> LineReader::rest() {
    if (std::optional<InputLine> line = next())
        return line;
    if (m_skipping) {
        m_skipping = false;
        return InputLine{{}, true};
    }
    if (m_partial.isEmpty())
        return std::nullopt;
    return InputLine{std::exchange(m_partial, QByteArray()), false};
}

}  // namespace quelvo::console
