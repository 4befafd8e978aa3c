// A GoogleTest fixture with the real skin site on a free loopback port and a real HTTP client.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "skinsite/fields.h"
#include "skinsite/skinsite.h"

namespace quelvo::test {

using FormFields = std::vector<std::pair<std::string, std::string>>;

// Percent-encodes every byte outside the unreserved set, so any bytes (also invalid UTF-8) can be
// sent exactly as given.
inline std::string formEncode(const FormFields& fields) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const auto& [name, value] : fields) {
        if (!out.empty())
            out += '&';
        for (const std::string* part : {&name, &value}) {
            for (unsigned char c : *part) {
                if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
                    out += static_cast<char>(c);
                } else {
                    out += '%';
                    out += hex[c >> 4];
                    out += hex[c & 15];
                }
            }
            if (part == &name)
                out += '=';
        }
    }
    return out;
}

// A complete make form for `qq` on template `number`, every item filled.
inline FormFields profileForm(const std::string& qq, int number = 1) {
    FormFields form{{"template", std::to_string(number)}, {"qq", qq}};
    const std::vector<std::string> values = {"小星星",  "今天也要开开心心的",
                                             "女",      "18",
                                             "5月20日", "O型",
                                             "兔",      "双子座",
                                             "中国",    "浙江",
                                             "杭州"};
    for (std::size_t k = 1; k < skinsite::fieldCount; ++k) {
        form.emplace_back(std::string(skinsite::fieldIds[k]), values[k - 1]);
    }
    return form;
}

inline void setField(FormFields& form, const std::string& name, std::string value) {
    for (auto& [n, v] : form) {
        if (n == name)
            v = std::move(value);
    }
}

// Regular files below `root` with their contents: equal listings mean nothing was written.
inline std::map<std::string, std::string> folderContents(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        std::string rel = std::filesystem::relative(entry.path(), root).string();
        if (entry.is_directory()) {
            files[rel + "/"] = "";
        } else {
            std::FILE* f = std::fopen(entry.path().c_str(), "rb");
            std::string bytes;
            if (f) {
                char buf[65536];
                std::size_t n;
                while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
                    bytes.append(buf, n);
                std::fclose(f);
            }
            files[rel] = bytes;
        }
    }
    return files;
}

class SiteTest : public ::testing::Test {
protected:
    // Tests change the options before calling startSite(); SetUp starts with these by default.
    virtual skinsite::Options siteOptions() const {
        skinsite::Options options;
        options.alertOnMake = false;
        return options;
    }

    void SetUp() override { startSite(siteOptions()); }

    void startSite(skinsite::Options options) {
        m_site = std::make_unique<skinsite::SkinSite>(std::move(options));
        ASSERT_TRUE(m_site->start()) << m_site->errorString();
    }

    std::unique_ptr<httplib::Client> client() const {
        auto c = std::make_unique<httplib::Client>("127.0.0.1", m_site->port());
        c->set_connection_timeout(5);
        c->set_read_timeout(20);
        return c;
    }

    httplib::Result get(const std::string& path) const { return client()->Get(path); }

    httplib::Result post(const FormFields& form) const {
        return client()->Post("/make", formEncode(form), "application/x-www-form-urlencoded");
    }

    std::filesystem::path dataDir() const { return m_site->dataDir(); }

    std::unique_ptr<skinsite::SkinSite> m_site;
};

}  // namespace quelvo::test
