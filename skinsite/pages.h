// The site's HTML pages, filled from the page files carried as Qt resources.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "skinsite/fields.h"

namespace quelvo::skinsite {

class Pages {
public:
    // Reads the page files; false when a resource is missing.
    bool load();

    const std::string& index() const { return m_index; }
    // `number` is 1..48.
    const std::string& templatePage(int number) const;
    // `qq` is a checked QQ number; `alert` keeps the page's success dialog.
    std::string made(std::string_view qq, bool alert) const;
    std::string error(int status, std::string_view message = {}) const;

private:
    std::string m_index;
    std::array<std::string, templateCount> m_templates;
    std::string m_made;
    std::string m_error;
};

// The reason phrase shown on the error page of `status`, in Chinese ("页面不存在" for 404).
std::string_view statusTitle(int status);

std::string htmlEscape(std::string_view text);

}  // namespace quelvo::skinsite
