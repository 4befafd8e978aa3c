// The site's checks of what a client sends: the make form, QQ numbers, numbers in paths, UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "skinsite/formcheck.h"

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quelvo::skinsite;
    const std::string_view body(reinterpret_cast<const char*>(data), size);

    // What passes is what the site goes on to use in file names and on the picture.
    const FormCheck form = checkMakeForm(body);
    if (form.request) {
        check(form.status == 200);
        check(form.request->templateNumber >= 1 && form.request->templateNumber <= templateCount);
        check(isValidQq(form.request->qq()));
        for (const std::string& value : form.request->values) {
            check(isValidUtf8(value));
            check(utf8Length(value) <= maxFieldCharacters);
        }
    } else {
        check(form.status >= 400 && form.status < 500 && !form.problem.empty());
    }

    if (isValidQq(body))
        check(body.find_first_not_of("0123456789") == std::string_view::npos);
    if (auto n = templateNumber(body))
        check(*n >= 1 && *n <= templateCount);
    if (auto n = numberInPath(body, "/template/", ".html"))
        check(*n >= 1 && *n <= templateCount);
    if (isValidUtf8(body))
        check(utf8Length(body) <= size);
    return 0;
}
