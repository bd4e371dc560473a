// The adventures that ship with the system and those printed in the author's guide compile
// cleanly with the real zoxcomp, and the guide's walk-through quotes examples/first.adv as it
// is.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "doc_files.h"
#include "screen.h"

namespace {

namespace fs = std::filesystem;
using zoxtest::TempDir;

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct Compiled {
  int status = -1;
  std::string report;  // what zoxcomp printed (the plain report, its output being a file)
};

// zoxcomp name, run in dir, as an author runs it beside the source.
Compiled compile(const TempDir& dir, const std::string& name) {
  std::string cmd = "cd " + shellQuote(dir.path()) + " && " +
                    shellQuote(std::string(ZOX_BIN_DIR) + "/zoxcomp") + " " + shellQuote(name) +
                    " >zoxcomp.out 2>&1";
  Compiled c;
  int raw = std::system(cmd.c_str());
  c.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  c.report = dir.exists("zoxcomp.out") ? dir.read("zoxcomp.out") : "";
  return c;
}

// The compiled file's name for a source name: before its last '.', then ".zox", the last
// character a digit for parts 2 to 11.
std::string compiledName(const std::string& source, int part) {
  size_t dot = source.rfind('.');
  std::string out =
      (dot == std::string::npos || dot == 0 ? source : source.substr(0, dot)) + ".zox";
  if (part > 1) out.back() = static_cast<char>('0' + part - 2);
  return out;
}

int partOf(const std::string& source) {
  static const std::regex header(R"(^\s*\[\w+\s+"[^"]*"\s+PART\s+(\d+)\s+OF)", std::regex::icase);
  std::smatch m;
  return std::regex_search(source, m, header) ? std::stoi(m[1]) : 1;
}

void expectCompilesCleanly(const TempDir& dir, const std::string& name, const std::string& source) {
  Compiled c = compile(dir, name);
  EXPECT_EQ(c.status, 0) << name << ":\n" << c.report;
  EXPECT_NE(c.report.find("Preparations done"), std::string::npos) << name << ":\n" << c.report;
  EXPECT_TRUE(dir.exists(compiledName(name, partOf(source)))) << name << ":\n" << c.report;
}

std::string guide() {
  return docscheck::readText(docscheck::sourcePath("docs/language.md")).value_or("");
}

TEST(DocsExamples, EveryExampleCompilesCleanly) {
  // The whole folder is copied, so that resources named by the examples are found where
  // zoxcomp runs.
  TempDir dir;
  std::vector<std::string> sources;
  for (const fs::directory_entry& e : fs::directory_iterator(docscheck::sourcePath("examples"))) {
    if (!e.is_regular_file()) continue;
    std::string name = e.path().filename().string();
    dir.write(name, docscheck::readText(e.path().string()).value_or(""));
    if (e.path().extension() == ".adv") sources.push_back(name);
  }
  std::sort(sources.begin(), sources.end());
  ASSERT_NE(std::find(sources.begin(), sources.end(), "first.adv"), sources.end());
  for (const std::string& name : sources) {
    SCOPED_TRACE(name);
    expectCompilesCleanly(dir, name, dir.read(name));
  }
}

TEST(DocsExamples, TheGuidesWholeAdventuresCompileCleanly) {
  // Blocks marked "adv" are whole sources: each is compiled on its own. A resource file it
  // names is made up as a line of plain text.
  static const std::regex resource(R"re(RESOURCE\s+\w+\s*=\s*"([^"]+)")re", std::regex::icase);
  int count = 0;
  for (const docscheck::CodeBlock& b : docscheck::codeBlocks(guide())) {
    if (b.info != "adv") continue;
    ++count;
    SCOPED_TRACE("docs/language.md line " + std::to_string(b.line));
    TempDir dir;
    for (std::sregex_iterator it(b.text.begin(), b.text.end(), resource), end; it != end; ++it) {
      dir.write((*it)[1].str(), "A picture.\n");
    }
    dir.write("story.adv", b.text);
    expectCompilesCleanly(dir, "story.adv", b.text);
  }
  EXPECT_GE(count, 8) << "the guide's whole adventures are marked ```adv";
}

TEST(DocsExamples, TheGuideQuotesTheFirstAdventureWhole) {
  std::optional<std::string> first =
      docscheck::readText(docscheck::sourcePath("examples/first.adv"));
  ASSERT_TRUE(first);
  bool quoted = false;
  for (const docscheck::CodeBlock& b : docscheck::codeBlocks(guide())) {
    quoted = quoted || (b.info == "adv" && b.text == *first);
  }
  EXPECT_TRUE(quoted) << "docs/language.md walks through examples/first.adv: copy the file "
                         "into its ```adv block again";
}

}  // namespace
