// The pages are plain HTML files with {{name}} placeholders; only our own values go into them, and
// those are escaped.
#include "skinsite/pages.h"

#include <QFile>

namespace quelvo::skinsite {

namespace {

bool readResource(const char* name, std::string& out) {
    QFile file(QStringLiteral(":/skinsite/pages/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    out = file.readAll().toStdString();
    return !out.empty();
}

void replaceAll(std::string& text, std::string_view key, std::string_view value) {
    for (std::size_t pos = text.find(key); pos != std::string::npos;
         pos = text.find(key, pos + value.size())) {
        text.replace(pos, key.size(), value);
    }
}

}  // namespace

bool Pages::load() {
    std::string index, page;
    if (!readResource("index.html", index) || !readResource("template.html", page) ||
        !readResource("made.html", m_made) || !readResource("error.html", m_error)) {
        return false;
    }
    std::string links;
    for (int n = 1; n <= templateCount; ++n) {
        const std::string number = std::to_string(n);
        links += "<li><a href=\"" + number + ".html\">第 " + number + " 套</a></li>\n";
        m_templates[static_cast<std::size_t>(n - 1)] = page;
        replaceAll(m_templates[static_cast<std::size_t>(n - 1)], "{{number}}", number);
    }
    replaceAll(index, "{{links}}", links);
    m_index = std::move(index);
    return true;
}

const std::string& Pages::templatePage(int number) const {
    return m_templates.at(static_cast<std::size_t>(number - 1));
}

std::string Pages::made(std::string_view qq, bool alert) const {
    std::string page = m_made;
    if (!alert) {
        constexpr std::string_view open = "<!--alert-->", close = "<!--/alert-->";
        std::size_t from = page.find(open), to = page.find(close);
        if (from != std::string::npos && to != std::string::npos && to > from)
            page.erase(from, to + close.size() - from);
    }
    replaceAll(page, "{{qq}}", htmlEscape(qq));
    return page;
}

std::string Pages::error(int status, std::string_view message) const {
    std::string page = m_error;
    std::string_view title = statusTitle(status);
    replaceAll(page, "{{status}}", std::to_string(status));
    replaceAll(page, "{{title}}", htmlEscape(title));
    replaceAll(page, "{{message}}", htmlEscape(message.empty() ? title : message));
    return page;
}

std::string_view statusTitle(int status) {
    switch (status) {
        case 400:
            return "请求无效";
        case 403:
            return "拒绝访问";
        case 404:
            return "页面不存在";
        case 405:
            return "不支持的请求方法";
        case 408:
            return "请求超时";
        case 413:
            return "请求内容太大";
        case 414:
            return "地址太长";
        case 415:
            return "不支持的内容类型";
        case 416:
            return "请求的范围无效";
        case 431:
            return "请求头太大";
        case 500:
            return "服务器内部错误";
        case 503:
            return "服务器忙";
        default:
            return "出错了";
    }
}

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace quelvo::skinsite
