#include "res/guidegen/markdown_page.h"

#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace quorvel::guide {
namespace {

struct ParserFree {
    void operator()(cmark_parser* parser) const { cmark_parser_free(parser); }
};
struct NodeFree {
    void operator()(cmark_node* node) const { cmark_node_free(node); }
};
struct IterFree {
    void operator()(cmark_iter* iter) const { cmark_iter_free(iter); }
};

// The next code point of UTF-8 text, advancing i; a broken sequence yields its first byte.
char32_t NextCodePoint(const std::string& text, size_t& i) {
    const auto byte = static_cast<unsigned char>(text[i++]);
    int extra = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
    char32_t point = extra == 0 ? byte : byte & (0x3F >> extra);
    for (; extra > 0 && i < text.size(); --extra, ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) break;
        point = (point << 6) | (next & 0x3F);
    }
    return point;
}

// Latin-1 signs, general punctuation (dashes, quotes), CJK and full-width punctuation.
bool IsWidePunctuation(char32_t point) {
    return (point >= 0xA0 && point <= 0xBF) || (point >= 0x2000 && point <= 0x206F) ||
           (point >= 0x3000 && point <= 0x303F) || (point >= 0xFF00 && point <= 0xFF0F) ||
           (point >= 0xFF1A && point <= 0xFF20) || (point >= 0xFF3B && point <= 0xFF40) ||
           (point >= 0xFF5B && point <= 0xFF65);
}

// Han characters, kana, CJK and full-width punctuation: scripts written without blanks.
bool IsWrittenWithoutBlanks(char32_t point) {
    return (point >= 0x2E80 && point <= 0x9FFF) || (point >= 0xF900 && point <= 0xFAFF) ||
           (point >= 0xFF00 && point <= 0xFFEF);
}

std::string PlainText(cmark_node* node);

// A line break inside a Chinese sentence is no word break: a browser would show it as a blank.
bool JoinsWithoutBlank(cmark_node* softBreak) {
    cmark_node* before = cmark_node_previous(softBreak);
    cmark_node* after = cmark_node_next(softBreak);
    if (before == nullptr || after == nullptr) return false;
    const std::string left = PlainText(before);
    const std::string right = PlainText(after);
    if (left.empty() || right.empty()) return false;
    size_t last = left.size() - 1;
    while (last > 0 && (static_cast<unsigned char>(left[last]) & 0xC0) == 0x80) --last;
    size_t first = 0;
    return IsWrittenWithoutBlanks(NextCodePoint(left, last)) &&
           IsWrittenWithoutBlanks(NextCodePoint(right, first));
}

std::string PlainText(cmark_node* node) {
    std::string text;
    std::unique_ptr<cmark_iter, IterFree> iter(cmark_iter_new(node));
    for (cmark_event_type event; (event = cmark_iter_next(iter.get())) != CMARK_EVENT_DONE;) {
        cmark_node* current = cmark_iter_get_node(iter.get());
        if (event != CMARK_EVENT_ENTER) continue;
        const cmark_node_type type = cmark_node_get_type(current);
        if (type == CMARK_NODE_TEXT || type == CMARK_NODE_CODE) {
            text += cmark_node_get_literal(current);
        } else if (type == CMARK_NODE_SOFTBREAK || type == CMARK_NODE_LINEBREAK) {
            text += ' ';
        }
    }
    return text;
}

// Relative links to a page converted alongside point at its HTML file, keeping the anchor.
void FollowPageLink(cmark_node* link, const PageNames& pages) {
    const std::string url = cmark_node_get_url(link);
    const size_t hash = url.find('#');
    const auto page = pages.find(url.substr(0, hash));
    if (page == pages.end()) return;
    const std::string followed =
        page->second + (hash == std::string::npos ? std::string() : url.substr(hash));
    cmark_node_set_url(link, followed.c_str());
}

// Headings render as a bare "<hN>" (no source positions, no raw HTML passed through), so the
// n-th such tag of the output is the n-th heading.
std::string WithHeadingIds(const std::string& html, const std::vector<std::string>& ids) {
    std::string out;
    size_t from = 0;
    for (const std::string& id : ids) {
        size_t at = html.find("<h", from);
        while (at != std::string::npos && !(at + 3 < html.size() && html[at + 2] >= '1' &&
                                            html[at + 2] <= '6' && html[at + 3] == '>'))
            at = html.find("<h", at + 2);
        if (at == std::string::npos) break;
        out.append(html, from, at + 3 - from);
        out += " id=\"" + id + "\"";
        from = at + 3;
    }
    out.append(html, from);
    return out;
}

std::string Escaped(const std::string& text) {
    std::string out;
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
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

std::string HeadingId(const std::string& text, std::map<std::string, int>& seen) {
    std::string id;
    for (size_t i = 0; i < text.size();) {
        const size_t start = i;
        const char32_t point = NextCodePoint(text, i);
        if (point >= 0x80) {
            if (!IsWidePunctuation(point)) id.append(text, start, i - start);
        } else if (point >= 'A' && point <= 'Z') {
            id += static_cast<char>(point - 'A' + 'a');
        } else if ((point >= 'a' && point <= 'z') || (point >= '0' && point <= '9') ||
                   point == '-' || point == '_') {
            id += static_cast<char>(point);
        } else if (point == ' ') {
            id += '-';
        }
    }
    const int repeats = seen[id]++;
    return repeats == 0 ? id : id + "-" + std::to_string(repeats);
}

RenderedPage RenderPage(const std::string& markdown, const PageNames& pages) {
    cmark_gfm_core_extensions_ensure_registered();
    std::unique_ptr<cmark_parser, ParserFree> parser(cmark_parser_new(CMARK_OPT_DEFAULT));
    for (const char* name : {"table", "autolink", "strikethrough"}) {
        cmark_parser_attach_syntax_extension(parser.get(), cmark_find_syntax_extension(name));
    }
    cmark_parser_feed(parser.get(), markdown.data(), markdown.size());
    std::unique_ptr<cmark_node, NodeFree> root(cmark_parser_finish(parser.get()));

    RenderedPage page;
    std::vector<std::string> ids;
    std::map<std::string, int> seen;
    std::vector<cmark_node*> joins;
    std::unique_ptr<cmark_iter, IterFree> iter(cmark_iter_new(root.get()));
    for (cmark_event_type event; (event = cmark_iter_next(iter.get())) != CMARK_EVENT_DONE;) {
        cmark_node* node = cmark_iter_get_node(iter.get());
        if (event != CMARK_EVENT_ENTER) continue;
        if (cmark_node_get_type(node) == CMARK_NODE_SOFTBREAK && JoinsWithoutBlank(node)) {
            joins.push_back(node);
        } else if (cmark_node_get_type(node) == CMARK_NODE_HEADING) {
            const std::string text = PlainText(node);
            ids.push_back(HeadingId(text, seen));
            if (page.title.empty() && cmark_node_get_heading_level(node) == 1) page.title = text;
        } else if (cmark_node_get_type(node) == CMARK_NODE_LINK) {
            FollowPageLink(node, pages);
        }
    }
    iter.reset();
    for (cmark_node* join : joins) cmark_node_free(join);
    char* html = cmark_render_html(root.get(), CMARK_OPT_DEFAULT,
                                   cmark_parser_get_syntax_extensions(parser.get()));
    page.body = WithHeadingIds(html, ids);
    std::free(html);
    return page;
}

std::string HtmlDocument(const RenderedPage& page, const std::string& language) {
    return "<!DOCTYPE html>\n<html lang=\"" + language +
           "\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + Escaped(page.title) +
           "</title>\n<style>\n"
           "body { font-family: sans-serif; max-width: 52em; margin: 2em auto; padding: 0 1em; "
           "line-height: 1.5; color: #222; }\n"
           "h1, h2, h3 { color: #1f2a38; }\n"
           "code { background: #eef1f4; padding: 0 .3em; border-radius: 3px; }\n"
           "pre { background: #eef1f4; padding: .6em 1em; overflow-x: auto; }\n"
           "table { border-collapse: collapse; }\n"
           "td, th { border: 1px solid #ccd; padding: .3em .6em; text-align: left; }\n"
           "img { max-width: 100%; border: 1px solid #ccd; }\n"
           "</style>\n</head>\n<body>\n" +
           page.body + "</body>\n</html>\n";
}

}  // namespace quorvel::guide
