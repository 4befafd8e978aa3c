// The make endpoint: pictures stored per QQ number, the texts really drawn, every bad input
// refused without a write, and the bound on stored pictures.
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/skinsite/giftools.h"
#include "tests/skinsite/sitefixture.h"
#include "tests/support/gifcomments.h"

namespace quelvo::test {
namespace {

namespace fs = std::filesystem;

std::string repeat(const std::string& unit, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += unit;
    return out;
}

class MakeTest : public SiteTest {
protected:
    // Makes a picture and returns its bytes as served.
    std::string make(const FormFields& form) {
        auto res = post(form);
        EXPECT_TRUE(res);
        if (!res)
            return {};
        EXPECT_EQ(res->status, 200) << res->body;
        std::string qq;
        for (const auto& [name, value] : form) {
            if (name == "qq")
                qq = value;
        }
        auto picture = get("/bg/" + qq + ".gif");
        EXPECT_TRUE(picture);
        if (!picture)
            return {};
        EXPECT_EQ(picture->status, 200);
        return picture->body;
    }
};

TEST_F(MakeTest, StoresTheFinishedPictureUnderTheQqNumber) {
    auto res = post(profileForm("123456789", 7));
    ASSERT_TRUE(res);
    ASSERT_EQ(res->status, 200) << res->body;
    EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(res->body.find("皮肤制作成功"), std::string::npos);
    EXPECT_EQ(res->body.find("alert("), std::string::npos) << "the dialog was switched off";

    auto picture = get("/bg/123456789.gif");
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->status, 200);
    EXPECT_EQ(picture->get_header_value("Content-Type"), "image/gif");
    EXPECT_EQ(picture->get_header_value("Cache-Control"), "no-store");
    DecodedGif gif = decodeGif(picture->body);
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(picture->body.rfind("GIF89a", 0), 0u);
    EXPECT_GE(gif.frames, 2);
    // Twice the making window's 232 x 320 picture box, so it shows unstretched.
    EXPECT_EQ(gif.width, 464);
    EXPECT_EQ(gif.height, 640);

    // On disk exactly as served, and no temporary file left beside it.
    auto files = folderContents(dataDir());
    EXPECT_EQ(files, (std::map<std::string, std::string>{{"bg/", ""},
                                                         {"bg/123456789.gif", picture->body}}));
}

TEST_F(MakeTest, TheProfileTextsAreDrawnWithAChineseFont) {
    EXPECT_EQ(m_site->fontFamily(), "Noto Sans CJK SC");
    FormFields form = profileForm("10001", 3);
    setField(form, "usernick", "");
    const std::string empty = make(form);
    // Same input, same picture but for the note of when it was made: the differences below come
    // from the texts alone, and a client can still tell the new picture from the old.
    const std::string again = make(form);
    EXPECT_NE(again, empty);
    EXPECT_EQ(withoutGifComments(again), withoutGifComments(empty));

    setField(form, "usernick", "测测测");
    const std::string first = make(form);
    setField(form, "usernick", "试试试");
    const std::string second = make(form);
    DecodedGif a = decodeGif(empty), b = decodeGif(first), c = decodeGif(second);
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    EXPECT_GT(differingPixels(a.first, b.first), 150) << "the nickname is not drawn";
    // Two different characters drawn alike means the font has no Chinese glyphs (boxes).
    EXPECT_GT(differingPixels(b.first, c.first), 50) << "Chinese characters are not drawn";

    // Each make replaced the picture of the same QQ number.
    EXPECT_EQ(folderContents(dataDir()).size(), 2u);
}

TEST_F(MakeTest, TheItemsStandOneALineInFormOrder) {
    // Changing one item at a time shows where each is drawn: twelve bands, top to bottom in the
    // form's order, one below the other, the values lined up in one column under the title.
    const FormFields base = profileForm("10001", 9);
    const DecodedGif plain = decodeGif(make(base));
    ASSERT_TRUE(plain.ok);
    QRect above, first;
    for (std::size_t k = 0; k < skinsite::fieldCount; ++k) {
        const std::string id(skinsite::fieldIds[k]);
        FormFields changed = base;
        setField(changed, id, k == 0 ? "98765" : "测试");
        const DecodedGif gif = decodeGif(make(changed));
        ASSERT_TRUE(gif.ok) << id;
        const QRect area = changedArea(plain.first, gif.first);
        ASSERT_FALSE(area.isEmpty()) << id << " is not drawn";
        EXPECT_GT(area.top(), plain.first.height() / 16) << id << " reaches into the title";
        EXPECT_LT(area.height(), plain.first.height() / 12) << id << " is not on one line";
        if (k > 0) {
            EXPECT_GT(area.top(), above.bottom())
                << id << " is not below " << skinsite::fieldIds[k - 1];
            // Glyphs start a few pixels apart; a second column would be half a picture away.
            EXPECT_NEAR(area.left(), first.left(), 12) << id << " is not in the values' column";
        } else {
            first = area;
        }
        above = area;
    }
}

TEST_F(MakeTest, AcceptsSixtyFourCharactersInEveryField) {
    // 64 four-byte characters in eleven fields: about 8 KiB encoded, over the form size most
    // servers assume but within our body limit.
    FormFields form = profileForm("999999999999", 48);
    for (auto& [name, value] : form) {
        if (name != "qq" && name != "template")
            value = repeat("😀", 64);
    }
    const std::string picture = make(form);
    EXPECT_TRUE(decodeGif(picture).ok);

    setField(form, "usernick", repeat("字", 64));
    EXPECT_TRUE(decodeGif(make(form)).ok);
}

struct Refused {
    const char* what;
    std::string body;
    int status;
    std::string contentType = "application/x-www-form-urlencoded";
};

std::string formWith(const std::string& name, const std::string& value) {
    FormFields form = profileForm("10001");
    setField(form, name, value);
    return formEncode(form);
}

std::string formWithout(const std::string& name) {
    FormFields form = profileForm("10001"), kept;
    for (auto& field : form) {
        if (field.first != name)
            kept.push_back(field);
    }
    return formEncode(kept);
}

std::string formPlus(const std::string& name, const std::string& value) {
    FormFields form = profileForm("10001");
    form.emplace_back(name, value);
    return formEncode(form);
}

TEST_F(MakeTest, RefusalsThatNameNoValidNumberWriteNothing) {
    make(profileForm("10001"));
    const auto before = folderContents(dataDir());
    const std::string good = formEncode(profileForm("10001"));
    const Refused cases[] = {
        {"qq path", formWith("qq", "../x"), 400},
        {"qq path digits", formWith("qq", "../../12345"), 400},
        {"qq letter", formWith("qq", "12a45"), 400},
        {"qq empty", formWith("qq", ""), 400},
        {"qq four digits", formWith("qq", "1234"), 400},
        {"qq thirteen digits", formWith("qq", "1234567890123"), 400},
        {"qq space", formWith("qq", " 12345"), 400},
        {"qq fullwidth digits", formWith("qq", "１２３４５"), 400},
        {"qq missing", formWithout("qq"), 400},
        {"duplicate qq", formPlus("qq", "10002"), 400},
        {"duplicate same qq", formPlus("qq", "10001"), 400},
        {"empty body", "", 400},
        {"oversized body", good + "&pad=" + std::string(20000, 'a'), 413},
        {"not a form", good, 415, "text/plain"},
        {"multipart", good, 415, "multipart/form-data; boundary=x"},
    };
    auto c = client();
    c->set_keep_alive(true);  // refusals must leave the connection usable or close it cleanly
    for (const Refused& test : cases) {
        auto res = c->Post("/make", test.body, test.contentType.c_str());
        ASSERT_TRUE(res) << test.what;
        EXPECT_EQ(res->status, test.status) << test.what << ": " << res->body;
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8") << test.what;
        EXPECT_EQ(res->body.find("制作成功"), std::string::npos) << test.what;
    }
    EXPECT_EQ(folderContents(dataDir()), before);
    // And the site still works.
    EXPECT_EQ(c->Get("/1.html")->status, 200);
}

TEST_F(MakeTest, ARefusedMakeForAValidNumberRemovesItsEarlierPicture) {
    // Otherwise the program, fetching by number after the make, shows the old picture as new.
    const std::string good = formEncode(profileForm("10001"));
    const Refused cases[] = {
        {"field 65 characters", formWith("usernick", repeat("字", 65)), 400},
        {"field 65 ascii", formWith("userreflections", repeat("a", 65)), 400},
        {"invalid byte", formWith("usernick", "\xff"), 400},
        {"overlong slash", formWith("usernick", "\xc0\xaf"), 400},
        {"surrogate", formWith("usernick", "\xed\xa0\x80"), 400},
        {"truncated", formWith("usernick", "\xe5\xad"), 400},
        {"above U+10FFFF", formWith("usernick", "\xf4\x90\x80\x80"), 400},
        {"control character", formWith("usernick", "a\x01b"), 400},
        {"newline", formWith("userannouncement", "a\nb"), 400},
        {"tab", formWith("userannouncement", "a\tb"), 400},
        {"delete", formWith("usernick", "a\x7f"), 400},
        {"C1 next line", formWith("usernick", "a\xc2\x85"), 400},
        {"right-to-left override", formWith("usernick", "a\u202eb"), 400},
        {"left-to-right embedding", formWith("usernick", "\u202ab"), 400},
        {"isolate", formWith("useraddress", "\u2066x\u2069"), 400},
        {"pop isolate", formWith("useraddress", "x\u2069"), 400},
        {"line separator", formWith("userreflections", "a\u2028b"), 400},
        {"paragraph separator", formWith("userreflections", "a\u2029b"), 400},
        {"template 0", formWith("template", "0"), 400},
        {"template 49", formWith("template", "49"), 400},
        {"template x", formWith("template", "x"), 400},
        {"template empty", formWith("template", ""), 400},
        {"template missing", formWithout("template"), 400},
        {"field missing", formWithout("userreflections"), 400},
        {"unknown field", formPlus("evil", "1"), 400},
        {"bad escape", good + "&usernick=%zz", 400},
        {"cut escape", good.substr(0, good.rfind('=') + 1) + "%4", 400},
    };
    for (const Refused& test : cases) {
        make(profileForm("10001"));
        auto res = client()->Post("/make", test.body, test.contentType.c_str());
        ASSERT_TRUE(res) << test.what;
        EXPECT_EQ(res->status, test.status) << test.what << ": " << res->body;
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8") << test.what;
        EXPECT_EQ(res->body.find("制作成功"), std::string::npos) << test.what;
        EXPECT_EQ(get("/bg/10001.gif")->status, 404) << test.what;
        EXPECT_EQ(folderContents(dataDir()), (std::map<std::string, std::string>{{"bg/", ""}}))
            << test.what;
    }
}

TEST_F(MakeTest, OversizedChunkedBodyIsRefused) {
    const auto before = folderContents(dataDir());
    std::string body = formEncode(profileForm("10001")) + "&pad=" + std::string(40000, 'a');
    std::size_t sent = 0;
    auto res = client()->Post(
        "/make",
        [&](std::size_t, httplib::DataSink& sink) {
            std::size_t n = std::min<std::size_t>(4096, body.size() - sent);
            sink.write(body.data() + sent, n);
            sent += n;
            if (sent == body.size())
                sink.done();
            return true;
        },
        "application/x-www-form-urlencoded");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 413);
    EXPECT_EQ(folderContents(dataDir()), before);
}

TEST_F(MakeTest, AMakeThatCannotBeStoredReportsFailureAndRemovesTheEarlierPicture) {
    make(profileForm("10001"));
    {
        // A full disk, as the writing threads see it: no file may grow past 1 KiB.
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 1024;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        auto res = post(profileForm("10001", 2));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 500);
        EXPECT_EQ(res->body.find("制作成功"), std::string::npos);
    }
    EXPECT_EQ(get("/bg/10001.gif")->status, 404);
    EXPECT_EQ(folderContents(dataDir()), (std::map<std::string, std::string>{{"bg/", ""}}));

    // The picture folder replaced by a file: the write fails, and the page must say so.
    make(profileForm("10002"));
    fs::remove_all(dataDir() / "bg");
    std::ofstream(dataDir() / "bg") << "not a folder";
    auto res = post(profileForm("10002"));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 500);
    EXPECT_EQ(res->body.find("制作成功"), std::string::npos);
    EXPECT_EQ(get("/bg/10002.gif")->status, 404);
}

class BoundedMakeTest : public MakeTest {
protected:
    skinsite::Options siteOptions() const override {
        skinsite::Options options = MakeTest::siteOptions();
        options.maxPictures = 3;
        return options;
    }
};

TEST_F(BoundedMakeTest, KeepsOnlyTheNewestPictures) {
    for (const char* qq : {"10001", "10002", "10003"})
        make(profileForm(qq));
    make(profileForm("10001"));  // made again: now the newest
    make(profileForm("10004"));  // evicts 10002, the oldest
    make(profileForm("10005"));  // evicts 10003

    for (const char* qq : {"10002", "10003"})
        EXPECT_EQ(get("/bg/" + std::string(qq) + ".gif")->status, 404) << qq;
    for (const char* qq : {"10001", "10004", "10005"}) {
        EXPECT_EQ(get("/bg/" + std::string(qq) + ".gif")->status, 200) << qq;
    }
    auto files = folderContents(dataDir());
    EXPECT_EQ(files.size(), 4u);  // the folder and three pictures
    EXPECT_TRUE(files.count("bg/10001.gif") && files.count("bg/10004.gif") &&
                files.count("bg/10005.gif"));
}

class AlertTest : public MakeTest {
protected:
    skinsite::Options siteOptions() const override { return skinsite::Options{}; }
};

TEST_F(AlertTest, ResultPageShowsTheSuccessDialogByDefault) {
    auto res = post(profileForm("10001"));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_NE(res->body.find("alert(\"皮肤制作成功，请回到软件下载图片！\")"), std::string::npos);
}

class ManyMakesTest : public MakeTest {
protected:
    skinsite::Options siteOptions() const override {
        skinsite::Options options = MakeTest::siteOptions();
        options.maxMakes = 8;  // one for every client below: none gets the busy page
        return options;
    }
};

TEST_F(ManyMakesTest, ConcurrentPreviewsAndMakesAreAllAnswered) {
    constexpr int clients = 8, rounds = 12;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < clients; ++t) {
        threads.emplace_back([this, t, &failures] {
            auto c = client();
            c->set_keep_alive(true);
            for (int i = 0; i < rounds; ++i) {
                const int number = (t * rounds + i) % skinsite::templateCount + 1;
                if (i % 3 == 2) {
                    const std::string qq = std::to_string(20000 + t * 100 + i);
                    auto made = c->Post("/make", formEncode(profileForm(qq, number)),
                                        "application/x-www-form-urlencoded");
                    auto picture = c->Get("/bg/" + qq + ".gif");
                    if (!made || made->status != 200 || !picture || picture->status != 200 ||
                        !decodeGif(picture->body).ok)
                        ++failures;
                } else {
                    auto preview = c->Get("/img/pifu/bg" + std::to_string(number) + ".gif");
                    if (!preview || preview->status != 200 || !decodeGif(preview->body).ok)
                        ++failures;
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(folderContents(dataDir() / "bg").size(),
              static_cast<std::size_t>(clients * rounds / 3));
}

}  // namespace
}  // namespace quelvo::test
