// Splits the console's input into request lines, in time linear in the bytes read.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <deque>
#include <optional>

namespace quelvo::console {

// One line taken from the input: its text (newline cut off), or the mark that it was longer than
// the cap, in which case its bytes are dropped and the reader goes on after its newline.
struct InputLine {
    QByteArray text;
    bool overLong = false;
};

// Each byte is looked at once and copied at most once; a line over the cap is never held whole.
class LineReader {
public:
    static constexpr qsizetype kDefaultCap = qsizetype{16} << 20;

    explicit LineReader(qsizetype cap = kDefaultCap) : m_cap(cap) {}

    void append(const char* data, qsizetype size);
    // The next whole line, in input order; nullopt until its newline has arrived.
    std::optional<InputLine> next();
    // A whole line waits to be taken.
    bool ready() const { return !m_lines.empty(); }
    // At the end of the input: what is left after the last newline, as a line (nullopt when no
    // byte is left).
    std::optional<InputLine> rest();

private:
    void grow(const char* data, qsizetype size);

    qsizetype m_cap;
    std::deque<InputLine> m_lines;  // whole lines not yet taken
    QByteArray m_partial;           // the line still arriving
    bool m_skipping = false;        // the line still arriving is over the cap: dropped
};

}  // namespace quelvo::console
