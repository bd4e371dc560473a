// Reading the project's own files for the documentation tests: the error constants of a
// header, the error tables of docs/errors.md and the fenced code blocks of a Markdown page.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace docscheck {

// ZOX_SOURCE_DIR/relative.
std::string sourcePath(std::string_view relative);

// The whole file, or none when it cannot be read.
std::optional<std::string> readText(const std::string& path);

// Every `inline constexpr int NAME = VALUE;` of a C++ text whose NAME begins with prefix, the
// value possibly on the next line, by name. Only non-negative decimal values are taken: the
// negative results of the code are no error numbers.
std::map<std::string, int> intConstants(std::string_view text, std::string_view prefix);

// The text between `namespace name {` and its closing `}` (no nested braces), or "".
std::string namespaceBody(std::string_view text, std::string_view name);

// One row of an error table: | no. | cause | how to fix it |
struct ErrorRow {
  int number = 0;
  std::string numberText;  // as written, for the two-digit rule
  std::string cause;
  std::string fix;
  int line = 0;  // in the page, from 1
};

// The rows of the tables under the heading line "## heading", up to the next heading of that
// level. Lines of a table that do not have three cells are returned with number -1.
std::vector<ErrorRow> errorRows(std::string_view markdown, std::string_view heading);

// A fenced code block: its info string (the word after the opening ```), its text with a
// final newline, and the page line of its opening fence.
struct CodeBlock {
  std::string info;
  std::string text;
  int line = 0;
};

std::vector<CodeBlock> codeBlocks(std::string_view markdown);

}  // namespace docscheck

namespace docscheck {

// The anchors of a page's headings as the Markdown renderer makes them: lower case, blanks
// become "-", punctuation other than "-" and "_" is dropped ("## 3. The `IF` test" gives
// "3-the-if-test").
std::vector<std::string> headingAnchors(std::string_view markdown);

// The targets of the page's inline links "[text](target)", outside code blocks.
std::vector<std::string> linkTargets(std::string_view markdown);

}  // namespace docscheck
