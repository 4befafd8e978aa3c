// The console's request parsing: one line of JSON to one answer, with every argument reader.
#include <QJsonArray>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>

#include "console/arguments.h"
#include "console/operations.h"
#include "console/requests.h"

namespace {

using namespace quelvo::console;

// The only operation registered: reads every argument with every reader.
QJsonValue probe(Session&, Arguments& args) {
    QJsonArray read;
    for (int i = 0; i <= args.size(); ++i) {
        auto attempt = [&](auto reader) {
            try {
                reader();
                read.append(true);
            } catch (const RequestError&) {
                read.append(false);
            }
        };
        attempt([&] { (void)args.omitted(i); });
        attempt([&] { (void)args.optionalText(i); });
        attempt([&] { (void)args.optionalInteger(i); });
        attempt([&] { (void)args.optionalBoolean(i); });
        attempt([&] { (void)args.optionalRef(i); });
        attempt([&] { (void)args.handle(i); });
        attempt([&] { (void)toJson(args.text(i)); });
    }
    return read;
}

const Registration registration{{"Probe", probe}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Session session(nullptr, nullptr);
    // "r1" names a live reference of no page.
    (void)session.addRef(quelvo::dom::Ref(
        std::make_shared<quelvo::dom::Handle>(nullptr, 1, quelvo::dom::Handle::State::Live)));
    const QByteArray line(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QJsonObject answer = handleRequest(session, line);
    // Exactly one of a result and an error, always with an id.
    if (!answer.contains("id") || answer.contains("result") == answer.contains("error"))
        std::abort();
    return 0;
}
