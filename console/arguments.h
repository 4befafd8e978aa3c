// Positional arguments of one request, read with the types the operations take. A JSON null or a
// missing trailing argument is an omitted one; "" is an empty text.
#pragma once

#include <QJsonArray>
#include <QJsonValue>

#include <optional>

#include "common/text.h"
#include "console/session.h"

namespace quelvo::console {

class Arguments {
public:
    Arguments(Session& session, QJsonArray values)
        : m_session(session), m_values(std::move(values)) {}

    bool omitted(int i) const;

    Text text(int i) const;
    std::optional<Text> optionalText(int i) const;
    int integer(int i) const;
    std::optional<int> optionalInteger(int i) const;
    bool boolean(int i) const;
    std::optional<bool> optionalBoolean(int i) const;
    // A reference argument: {"ref": "rN"}, or {"ref": null} for an empty one; null (omitted)
    // also gives an empty reference where the argument is not optional.
    dom::Ref ref(int i) const;
    std::optional<dom::Ref> optionalRef(int i) const;
    win::HWND handle(int i) const;
    QJsonValue raw(int i) const { return m_values.at(i); }
    int size() const { return static_cast<int>(m_values.size()); }

private:
    QJsonValue at(int i, const char* expected) const;

    Session& m_session;
    QJsonArray m_values;
};

QJsonValue toJson(const Text& text);

}  // namespace quelvo::console
