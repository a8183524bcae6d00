// The guide's Markdown pages as HTML: heading ids that the pages' links use, links between the
// pages followed to their HTML names, raw HTML left out.
#include "res/guidegen/markdown_page.h"

#include <gtest/gtest.h>

namespace quorvel::guide {
namespace {

TEST(MarkdownPage, HeadingIdsMatchTheLinksOfThePages) {
    std::map<std::string, int> seen;
    EXPECT_EQ(HeadingId("Letting your user open the keyboard (udev)", seen),
              "letting-your-user-open-the-keyboard-udev");
    EXPECT_EQ(HeadingId("Back up & restore: `.fwc` files", seen), "back-up--restore-fwc-files");
    // Chinese letters stay, Chinese punctuation goes; a repeated heading is numbered.
    EXPECT_EQ(HeadingId("出错时（键盘未找到）", seen), "出错时键盘未找到");
    EXPECT_EQ(HeadingId("Steps", seen), "steps");
    EXPECT_EQ(HeadingId("Steps", seen), "steps-1");
    EXPECT_EQ(HeadingId("steps", seen), "steps-2");

    const RenderedPage page = RenderPage(
        "# Guide *one*\n\n## Steps\n\n### Steps\n\n[up](#steps-1)\n", {{"guide.md", "g.html"}});
    EXPECT_EQ(page.title, "Guide one");
    EXPECT_NE(page.body.find("<h1 id=\"guide-one\">Guide <em>one</em></h1>"), std::string::npos)
        << page.body;
    EXPECT_NE(page.body.find("<h3 id=\"steps-1\">Steps</h3>"), std::string::npos) << page.body;
}

TEST(MarkdownPage, LinksToConvertedPagesFollowThemAndOthersStay) {
    const RenderedPage page = RenderPage(
        "[a](user-guide.md#profiles) [b](cli.md) [c](other.md) [d](https://x.org/cli.md) "
        "![p](images/en/main-window.png)\n\n<script>alert(1)</script>\n\n"
        "| key | does |\n|---|---|\n| F1 | help |\n",
        {{"user-guide.md", "index.html"}, {"cli.md", "cli.html"}});
    for (const char* expected :
         {"href=\"index.html#profiles\"", "href=\"cli.html\"", "href=\"other.md\"",
          "href=\"https://x.org/cli.md\"", "src=\"images/en/main-window.png\"", "<td>F1</td>"}) {
        EXPECT_NE(page.body.find(expected), std::string::npos) << expected << "\n" << page.body;
    }
    EXPECT_EQ(page.body.find("<script>"), std::string::npos) << page.body;
}

// A browser shows a line break as a blank, which a Chinese sentence has none of.
TEST(MarkdownPage, LineBreaksInsideChineseSentencesAreJoined) {
    const RenderedPage page =
        RenderPage("双击托盘图标，\n**打开**主窗口。\nQuorvel\n常驻 in the\ntray\n", {});
    EXPECT_NE(page.body.find(
                  "<p>双击托盘图标，<strong>打开</strong>主窗口。\nQuorvel\n常驻 in the\ntray</p>"),
              std::string::npos)
        << page.body;
}

}  // namespace
}  // namespace quorvel::guide
