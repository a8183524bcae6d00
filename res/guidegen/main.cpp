// Turns the guide's Markdown pages into the HTML pages of the help folder at build time.
//   guidegen OUT_DIR PAGE.md=PAGE.html ...
// A page whose HTML name holds ".zh." is Chinese; the others are English. Links between the
// pages given follow them to their HTML names.
#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "res/guidegen/markdown_page.h"

namespace {

bool ReadText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return !in.bad();
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quorvel::guide;
    if (argc < 3) {
        std::cerr << "usage: guidegen OUT_DIR PAGE.md=PAGE.html ...\n";
        return 2;
    }
    const std::string outDir = argv[1];
    std::vector<std::pair<std::string, std::string>> sources;
    PageNames pages;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        const size_t equals = argument.find('=');
        if (equals == std::string::npos) {
            std::cerr << "guidegen: " << argument << " is not PAGE.md=PAGE.html\n";
            return 2;
        }
        sources.emplace_back(argument.substr(0, equals), argument.substr(equals + 1));
        pages[BaseName(sources.back().first)] = sources.back().second;
    }
    for (const auto& [source, output] : sources) {
        std::string markdown;
        if (!ReadText(source, markdown)) {
            std::cerr << "guidegen: cannot read " << source << "\n";
            return 1;
        }
        const std::string language = output.find(".zh.") != std::string::npos ? "zh-CN" : "en";
        const std::string target = outDir + "/" + output;
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        out << HtmlDocument(RenderPage(markdown, pages), language);
        if (!out.flush()) {
            std::cerr << "guidegen: cannot write " << target << "\n";
            return 1;
        }
    }
    return 0;
}
