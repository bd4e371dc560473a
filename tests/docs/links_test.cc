// The links of the README and of the pages under docs/ lead somewhere: to a file of the tree,
// and, with "#anchor", to a heading of that page. Pages that are rewritten and renamed keep
// their readers on the road.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "doc_files.h"

namespace {

namespace fs = std::filesystem;

bool hasAnchor(const std::string& page, const std::string& anchor) {
  std::vector<std::string> anchors = docscheck::headingAnchors(page);
  return std::find(anchors.begin(), anchors.end(), anchor) != anchors.end();
}

// Every relative link of the page at relative path `page` (from the top of the tree).
void expectLinksLead(const std::string& page) {
  std::optional<std::string> text = docscheck::readText(docscheck::sourcePath(page));
  ASSERT_TRUE(text) << page;
  fs::path dir = fs::path(docscheck::sourcePath(page)).parent_path();
  for (const std::string& target : docscheck::linkTargets(*text)) {
    if (target.find("://") != std::string::npos || target.rfind("mailto:", 0) == 0) continue;
    size_t hash = target.find('#');
    std::string file = target.substr(0, hash);
    std::string anchor = hash == std::string::npos ? "" : target.substr(hash + 1);
    std::string linked = *text;
    if (!file.empty()) {
      fs::path path = dir / file;
      EXPECT_TRUE(fs::exists(path)) << page << " links to " << target << ": no such file";
      if (anchor.empty() || !fs::exists(path)) continue;
      linked = docscheck::readText(path.string()).value_or("");
    }
    if (!anchor.empty()) {
      EXPECT_TRUE(hasAnchor(linked, anchor))
          << page << " links to " << target << ": no such heading";
    }
  }
}

TEST(DocsLinks, EveryLinkLeadsToAFileAndHeading) {
  std::vector<std::string> pages = {"README.md"};
  for (const fs::directory_entry& e : fs::directory_iterator(docscheck::sourcePath("docs"))) {
    if (e.path().extension() == ".md") pages.push_back("docs/" + e.path().filename().string());
  }
  std::sort(pages.begin(), pages.end());
  for (const std::string& page : pages) expectLinksLead(page);
}

TEST(DocsLinks, AnchorsAreMadeAsTheRendererMakesThem) {
  std::vector<std::string> a = docscheck::headingAnchors(
      "# Writing adventures\n## 3. The `IF` test, and ELSE\n```\n# not a heading\n```\n"
      "### [ROOM name] and _x_\n#nospace\n");
  EXPECT_EQ(a, (std::vector<std::string>{"writing-adventures", "3-the-if-test-and-else",
                                         "room-name-and-_x_"}));
  EXPECT_EQ(docscheck::linkTargets("see [a](b.md#c) and [d](#e)\n```\n[f](g)\n```\n"),
            (std::vector<std::string>{"b.md#c", "#e"}));
}

}  // namespace
