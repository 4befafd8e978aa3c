// The site's read-only routes: index, previews, template pages and the 404 page, over real HTTP.
#include <set>
#include <string>

#include "skinsite/formcheck.h"
#include "tests/skinsite/giftools.h"
#include "tests/skinsite/sitefixture.h"

namespace quelvo::test {
namespace {

constexpr const char* html = "text/html; charset=utf-8";

std::size_t count(const std::string& text, const std::string& key) {
    std::size_t n = 0;
    for (std::size_t pos = text.find(key); pos != std::string::npos; pos = text.find(key, pos + 1))
        ++n;
    return n;
}

using RoutesTest = SiteTest;

TEST_F(RoutesTest, IndexIsAnHtmlPageLinkingEveryTemplate) {
    auto res = get("/");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->get_header_value("Content-Type"), html);
    EXPECT_TRUE(skinsite::isValidUtf8(res->body));
    EXPECT_NE(res->body.find("<title>Quelvo 皮肤站</title>"), std::string::npos);
    for (int n = 1; n <= skinsite::templateCount; ++n) {
        EXPECT_EQ(count(res->body, "href=\"" + std::to_string(n) + ".html\""), 1u) << n;
    }
    EXPECT_EQ(m_site->baseUrl(), "http://127.0.0.1:" + std::to_string(m_site->port()) + "/");
}

TEST_F(RoutesTest, PreviewsAreFortyEightDistinctLoopingAnimations) {
    std::set<std::size_t> hashes;
    for (int n = 1; n <= skinsite::templateCount; ++n) {
        const std::string path = "/img/pifu/bg" + std::to_string(n) + ".gif";
        auto res = get(path);
        ASSERT_TRUE(res) << path;
        ASSERT_EQ(res->status, 200) << path;
        EXPECT_EQ(res->get_header_value("Content-Type"), "image/gif");
        ASSERT_EQ(res->body.rfind("GIF89a", 0), 0u) << path;
        DecodedGif gif = decodeGif(res->body);
        ASSERT_TRUE(gif.ok) << path;
        EXPECT_GE(gif.frames, 2) << path;
        EXPECT_GE(gif.changingFrames, 1) << path << ": the frames are all the same";
        EXPECT_TRUE(gif.loops) << path;
        EXPECT_EQ(gif.width * 464, gif.height * 624) << path << ": not the gallery's proportions";
        hashes.insert(std::hash<std::string>{}(res->body));

        // Painted once and kept: the same bytes again.
        auto again = get(path);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->body, res->body) << path;
    }
    EXPECT_EQ(hashes.size(), static_cast<std::size_t>(skinsite::templateCount));
}

TEST_F(RoutesTest, TemplatePagesAreHtml) {
    // What the form does is checked in the browser (browser_test.cpp).
    for (int n = 1; n <= skinsite::templateCount; ++n) {
        auto res = get("/" + std::to_string(n) + ".html");
        ASSERT_TRUE(res);
        ASSERT_EQ(res->status, 200) << n;
        EXPECT_EQ(res->get_header_value("Content-Type"), html);
        EXPECT_TRUE(skinsite::isValidUtf8(res->body)) << n;
    }
}

TEST_F(RoutesTest, AnythingElseIsTheNotFoundPage) {
    const char* paths[] = {
        "/img/pifu/bg0.gif",
        "/img/pifu/bg49.gif",
        "/img/pifu/bg1.5.gif",
        "/img/pifu/bgabc.gif",
        "/img/pifu/bg-5.gif",
        "/img/pifu/bg01.gif",
        "/img/pifu/bg+1.gif",
        "/img/pifu/bg.gif",
        "/img/pifu/bg1.png",
        "/img/pifu/bg1.gif/",
        "/img/pifu/",
        "/img/",
        "/0.html",
        "/49.html",
        "/07.html",
        "/x.html",
        "/1.htm",
        "/bg/",
        "/bg/1234.gif",
        "/bg/123456.gif",
        "/bg/abcde.gif",
        "/bg/..%2F..%2Fx.gif",
        "/bg/12345.gif.gif",
        "/nothing",
        "/../etc/passwd",
        "/index.html/",
        "/favicon.ico",
        "/make/x",
    };
    for (const char* path : paths) {
        for (bool head : {false, true}) {
            auto res = head ? client()->Head(path) : get(path);
            ASSERT_TRUE(res) << path;
            EXPECT_EQ(res->status, 404) << path;
            EXPECT_EQ(res->get_header_value("Content-Type"), html) << path;
            if (!head) {
                EXPECT_NE(res->body.find("404 页面不存在"), std::string::npos) << path;
            }
        }
    }
}

TEST_F(RoutesTest, HeadAnswersLikeGetWithoutTheBody) {
    for (const char* path : {"/", "/12.html", "/img/pifu/bg12.gif"}) {
        auto full = get(path);
        auto head = client()->Head(path);
        ASSERT_TRUE(full && head) << path;
        EXPECT_EQ(head->status, full->status) << path;
        EXPECT_EQ(head->get_header_value("Content-Type"), full->get_header_value("Content-Type"));
        EXPECT_EQ(head->get_header_value("Content-Length"), std::to_string(full->body.size()));
        EXPECT_TRUE(head->body.empty()) << path;
    }
}

TEST_F(RoutesTest, ByteRangesAreIgnoredSoEveryAnswerIsWhole) {
    const std::string whole = get("/img/pifu/bg5.gif")->body;
    for (const char* range : {"bytes=0-9", "bytes=99999-", "bytes=0-1,5-9", "bytes=-5"}) {
        auto res = client()->Get("/img/pifu/bg5.gif", {{"Range", range}});
        ASSERT_TRUE(res) << range;
        EXPECT_EQ(res->status, 200) << range;
        EXPECT_EQ(res->get_header_value("Content-Type"), "image/gif") << range;
        EXPECT_EQ(res->body, whole) << range;
    }
}

TEST_F(RoutesTest, OtherMethodsAreRefused) {
    struct Case {
        const char* method;
        const char* path;
        int status;
    };
    const Case cases[] = {
        {"GET", "/make", 405},          {"DELETE", "/1.html", 405}, {"OPTIONS", "/", 405},
        {"PUT", "/make", 405},          {"PATCH", "/", 405},        {"POST", "/1.html", 404},
        {"POST", "/bg/12345.gif", 404},
    };
    for (const Case& c : cases) {
        httplib::Request req;
        req.method = c.method;
        req.path = c.path;
        req.body = "a=b";
        req.set_header("Content-Type", "application/x-www-form-urlencoded");
        httplib::Response res;
        httplib::Error error;
        ASSERT_TRUE(client()->send(req, res, error)) << c.method << " " << c.path;
        EXPECT_EQ(res.status, c.status) << c.method << " " << c.path;
        EXPECT_EQ(res.get_header_value("Content-Type"), html) << c.method << " " << c.path;
        if (c.status == 405) {
            EXPECT_FALSE(res.get_header_value("Allow").empty());
        }
    }
}

}  // namespace
}  // namespace quelvo::test
