// VBScript through RunScript on a real page: the state each script leaves, and scripts outside
// the subset that change nothing.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QWebEngineScript>

#include "platform/dom/dom.h"
#include "support/browserfixture.h"
#include "support/wait.h"
#include "webpage/webpage.h"

namespace quelvo {
namespace {

class VbscriptTest : public test::BrowserTest {
protected:
    VbscriptTest() : BrowserTest("vbscript") {}
    void SetUp() override {
        BrowserTest::SetUp();
        ASSERT_TRUE(load("vb.html"));
        ASSERT_TRUE(page.Bind(std::nullopt, win::handleOf(m_host.get())));
    }
    std::string pageTitle() { return page.GetPageText("title"_t).toUtf8(); }

    // Runs `code` in the page's own world and gives its value.
    QVariant pageValue(const QString& code) {
        bool done = false;
        QVariant value;
        m_browser->page()->runJavaScript(code, QWebEngineScript::MainWorld, [&](const QVariant& v) {
            value = v;
            done = true;
        });
        EXPECT_TRUE(test::waitFor([&] { return done; })) << code.toStdString();
        return value;
    }

    // One case of the translator's tables (tests/vbscript/translate.test.mjs), on a real page.
    void runCase(const QJsonObject& c) {
        SCOPED_TRACE(c["name"].toString().toStdString());
        ASSERT_TRUE(load("state.html"));
        ASSERT_TRUE(page.Bind(std::nullopt, win::handleOf(m_host.get())));
        if (c.contains("before"))
            pageValue(c["before"].toString());
        const QJsonArray scripts =
            c["vbs"].isArray() ? c["vbs"].toArray() : QJsonArray{c["vbs"].toString()};
        for (const QJsonValue& script : scripts)
            page.RunScript(Text::fromUtf8(script.toString().toStdString()));
        if (c.contains("after"))
            pageValue(c["after"].toString());
        if (c.contains("then"))
            page.RunScript(Text::fromUtf8(c["then"].toString().toStdString()));
        const QJsonObject expect = c["expect"].toObject();
        for (auto it = expect.begin(); it != expect.end(); ++it) {
            const QVariant actual = pageValue(it.key());
            const QJsonValue wanted = it.value();
            const std::string what = it.key().toStdString();
            if (wanted.isDouble()) {
                EXPECT_TRUE(actual.canConvert<double>()) << what;
                EXPECT_EQ(actual.toDouble(), wanted.toDouble()) << what;
            } else if (wanted.isBool()) {
                EXPECT_EQ(actual.typeId(), QMetaType::Bool) << what;
                EXPECT_EQ(actual.toBool(), wanted.toBool()) << what;
            } else {
                EXPECT_EQ(actual.typeId(), QMetaType::QString) << what;
                EXPECT_EQ(actual.toString(), wanted.toString()) << what;
            }
        }
    }

    static QJsonArray cases(const char* file) {
        QFile f(QString::fromStdString(test::fixturesDir("vbscript") + "/" + file));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file;
        return QJsonDocument::fromJson(f.readAll()).array();
    }

    WebPage page;
};

struct ScriptCase {
    const char* script;
    const char* title;  // the title the script leaves
};

TEST_F(VbscriptTest, ScriptsLeaveTheirState) {
    const ScriptCase cases[] = {
        {"Document.Title = \"vb title\"", "vb title"},
        {"document.TITLE = \"say \"\"hi\"\"\"", "say \"hi\""},
        {"Document.Title = (7 \\ 2) & \",\" & (7 Mod 3) & \",\" & (2.5 \\ 1)", "3,1,2"},
        {"If 1 < 2 Then Document.Title = \"yes\" Else Document.Title = \"no\"", "yes"},
        {"Dim i, s\nFor i = 3 To 1 Step -1: s = s & i: Next\nDocument.Title = s", "321"},
        {"Dim n\nn = 0\nDo While n < 4\n  n = n + 1\nLoop\nDocument.Title = CStr(n) & Len(\"abc\")",
         "43"},
        {"Function Twice(x)\n  Twice = x * 2\nEnd Function\nDocument.Title = twice(21)", "42"},
        {"Rem a comment\nDocument.Title = UCase(Left(\"hello\", 2)) _\n  & Mid(\"abcdef\", 3, 2) ' "
         "tail",
         "HEcd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        page.RunScript(Text::fromUtf8(c.script));
        EXPECT_EQ(pageTitle(), c.title);
    }
}

// The translator's own tables run on a stand-in page under Node; here they run where the
// translated scripts really run: a browser page with real elements, prototypes and builtins.
TEST_F(VbscriptTest, TranslatorTablesHoldOnARealPage) {
    for (const char* file : {"state_cases.json", "tamper_cases.json"}) {
        const QJsonArray table = cases(file);
        ASSERT_FALSE(table.isEmpty()) << file;
        for (const QJsonValue& c : table)
            runCase(c.toObject());
    }
}

TEST_F(VbscriptTest, LoopFillsAList) {
    page.RunScript(
        "Dim i, list\nSet list = Document.getElementById(\"list\")\n"
        "For i = 1 To 3\n  list.innerHTML = list.innerHTML & \"<li>\" & i & \"</li>\"\nNext"_t);
    dom::Ref list = page.GetElement("list"_t, 0);
    EXPECT_EQ(page.GetInnerHtml(list).toUtf8(), "<li>1</li><li>2</li><li>3</li>");
}

TEST_F(VbscriptTest, SubBecomesAPageFunctionThatHandlersCall) {
    page.RunScript("Sub Greet()\n  Document.Title = \"greeted\"\nEnd Sub"_t);
    ASSERT_TRUE(page.ClickButton("greet"_t, 0));
    EXPECT_EQ(pageTitle(), "greeted");
}

TEST_F(VbscriptTest, MsgBoxIsThePageAlertAndSilencedDialogsShowNothing) {
    page.RunScript("MsgBox \"hello \" & 1"_t);
    EXPECT_EQ(dialogs, std::vector<std::string>{"alert:hello 1"});
    dialogs.clear();
    page.SilenceDialogs();
    page.RunScript("MsgBox \"quiet\": Document.Title = \"after\""_t);
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(pageTitle(), "after");
}

TEST_F(VbscriptTest, ScriptsOutsideTheSubsetOrBrokenRunNothing) {
    const char* scripts[] = {
        "Document.Title = \"half\"\nSelect Case 1\nCase 1\nEnd Select",
        "On Error Resume Next\nDocument.Title = \"half\"",
        "Document.Title = \"half\"\nIf 1 Then",
        "Document.Title = \"half",
        "Document.Title = \"half\"\nx = ",
        "Class Thing\nEnd Class\nDocument.Title = \"half\"",
    };
    for (const char* script : scripts) {
        SCOPED_TRACE(script);
        page.RunScript(Text(script));
        EXPECT_EQ(pageTitle(), "start");
    }
}

TEST_F(VbscriptTest, DefaultLanguageIsVbscriptAndOthersAreNamedAsGiven) {
    page.RunScript("Document.Title = \"vb\""_t);
    EXPECT_EQ(pageTitle(), "vb");
    page.RunScript("document.title = 'js';"_t, "JScript"_t);
    EXPECT_EQ(pageTitle(), "js");
    page.RunScript("Document.Title = \"vbs\""_t, "vbs"_t);
    EXPECT_EQ(pageTitle(), "vbs");
    page.RunScript("document.title = 'ecma';"_t, "ECMAScript"_t);
    EXPECT_EQ(pageTitle(), "ecma");
    page.RunScript("document.title = 'nothing';"_t, "Python"_t);
    page.RunScript("document.title = 'nothing';"_t, Text());
    EXPECT_EQ(pageTitle(), "ecma");
}

}  // namespace
}  // namespace quelvo
