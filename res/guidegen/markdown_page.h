#pragma once
// One Markdown page of the guide turned into the body of an HTML page. Headings get the ids a
// reader of the Markdown on a code host expects from its links (#starting-with-the-desktop), and
// links to the other converted pages follow them to their HTML names.
#include <map>
#include <string>

namespace quorvel::guide {

// Markdown file name -> HTML file name of every page converted together.
using PageNames = std::map<std::string, std::string>;

struct RenderedPage {
    std::string title;  // the text of the first top-level heading
    std::string body;
};

// The id of a heading with this text: lower case, punctuation dropped, blanks turned to
// hyphens; letters of other scripts are kept. seen counts the ids given so far on the page,
// so a repeated heading gets "-1", "-2" added.
std::string HeadingId(const std::string& text, std::map<std::string, int>& seen);

// Raw HTML in the Markdown is left out rather than passed on: the pages are only ever text,
// tables, pictures and links.
RenderedPage RenderPage(const std::string& markdown, const PageNames& pages);

// The whole page: language code, title, a small style sheet and the body.
std::string HtmlDocument(const RenderedPage& page, const std::string& language);

}  // namespace quorvel::guide
