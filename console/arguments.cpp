#include "console/arguments.h"

#include <QJsonObject>
#include <QString>

#include <cmath>
#include <limits>

namespace quelvo::console {
namespace {

std::string position(int i) {
    return "argument " + std::to_string(i + 1);
}

}  // namespace

bool Arguments::omitted(int i) const {
    return i >= size() || m_values.at(i).isNull();
}

QJsonValue Arguments::at(int i, const char* expected) const {
    if (omitted(i))
        throw RequestError(position(i) + " is missing: expected " + expected);
    return m_values.at(i);
}

Text Arguments::text(int i) const {
    QJsonValue v = at(i, "a text");
    if (!v.isString())
        throw RequestError(position(i) + " must be a text");
    return Text::fromUtf16(v.toString().toStdU16String());
}

std::optional<Text> Arguments::optionalText(int i) const {
    if (omitted(i))
        return std::nullopt;
    return text(i);
}

int Arguments::integer(int i) const {
    QJsonValue v = at(i, "an integer");
    double d = v.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!v.isDouble() || std::trunc(d) != d || d < std::numeric_limits<std::int32_t>::min() ||
        d > std::numeric_limits<std::uint32_t>::max()) {
        throw RequestError(position(i) + " must be a 32-bit integer");
    }
    // Colours and handles may be given unsigned; they wrap like the 32-bit values they are.
    return static_cast<int>(static_cast<std::int64_t>(d));
}

std::optional<int> Arguments::optionalInteger(int i) const {
    if (omitted(i))
        return std::nullopt;
    return integer(i);
}

bool Arguments::boolean(int i) const {
    QJsonValue v = at(i, "a boolean");
    if (!v.isBool())
        throw RequestError(position(i) + " must be true or false");
    return v.toBool();
}

std::optional<bool> Arguments::optionalBoolean(int i) const {
    if (omitted(i))
        return std::nullopt;
    return boolean(i);
}

dom::Ref Arguments::ref(int i) const {
    if (omitted(i))
        return dom::Ref();
    QJsonValue v = m_values.at(i);
    const QJsonValue name = v.isObject() ? v.toObject().value("ref") : QJsonValue::Undefined;
    // {"ref": null} is the empty reference, given: null alone means the argument is omitted.
    if (name.isNull())
        return dom::Ref();
    if (!name.isString()) {
        throw RequestError(position(i) +
                           " must be a reference {\"ref\": \"rN\"}, {\"ref\": null} or null");
    }
    return m_session.ref(name.toString().toStdString());
}

std::optional<dom::Ref> Arguments::optionalRef(int i) const {
    if (omitted(i))
        return std::nullopt;
    return ref(i);
}

win::HWND Arguments::handle(int i) const {
    return static_cast<win::HWND>(integer(i));
}

QJsonValue toJson(const Text& text) {
    return QString::fromStdU16String(text.toUtf16());
}

}  // namespace quelvo::console
