// Small parsers for the documentation tests; line based, as the files are written.
#include "doc_files.h"

#include <cctype>
#include <fstream>
#include <regex>
#include <sstream>

namespace docscheck {

namespace {

std::string trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

std::vector<std::string> lines(std::string_view text) {
  std::vector<std::string> out;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The cells of a table row "| a | b | c |" (the outer bars dropped), or none for other lines.
// An escaped bar (\| as in `{take}\|{get}`) belongs to the cell, as Markdown reads it.
std::optional<std::vector<std::string>> tableCells(std::string_view line) {
  std::string t = trim(line);
  if (t.size() < 2 || t.front() != '|' || t.back() != '|') return std::nullopt;
  std::vector<std::string> cells;
  std::string cell;
  for (size_t i = 1; i + 1 < t.size(); ++i) {
    char c = t[i];
    if (c == '\\' && t[i + 1] == '|') {
      cell += '|';
      ++i;
    } else if (c == '|') {
      cells.push_back(trim(cell));
      cell.clear();
    } else {
      cell += c;
    }
  }
  cells.push_back(trim(cell));
  return cells;
}

}  // namespace

std::string sourcePath(std::string_view relative) {
  return std::string(ZOX_SOURCE_DIR) + "/" + std::string(relative);
}

std::optional<std::string> readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::map<std::string, int> intConstants(std::string_view text, std::string_view prefix) {
  static const std::regex constant(R"(inline\s+constexpr\s+int\s+(\w+)\s*=\s*(-?\d+)\s*;)");
  std::map<std::string, int> out;
  std::string s(text);
  for (std::sregex_iterator it(s.begin(), s.end(), constant), end; it != end; ++it) {
    std::string name = (*it)[1];
    int value = std::stoi((*it)[2]);
    if (name.compare(0, prefix.size(), prefix) == 0 && value >= 0) out[name] = value;
  }
  return out;
}

std::string namespaceBody(std::string_view text, std::string_view name) {
  std::string open = "namespace " + std::string(name) + " {";
  size_t at = text.find(open);
  if (at == std::string_view::npos) return "";
  size_t from = at + open.size();
  size_t to = text.find('}', from);
  if (to == std::string_view::npos) return "";
  return std::string(text.substr(from, to - from));
}

std::vector<ErrorRow> errorRows(std::string_view markdown, std::string_view heading) {
  std::vector<ErrorRow> rows;
  std::vector<std::string> all = lines(markdown);
  std::string wanted = "## " + std::string(heading);
  bool inside = false;
  for (size_t i = 0; i < all.size(); ++i) {
    const std::string& line = all[i];
    if (line.rfind("## ", 0) == 0 || line.rfind("# ", 0) == 0) {
      inside = trim(line) == wanted;
      continue;
    }
    if (!inside) continue;
    std::optional<std::vector<std::string>> cells = tableCells(line);
    if (!cells) continue;
    const std::vector<std::string>& c = *cells;
    // The head row and the line under it.
    if (c.size() == 3 && c[0] == "no.") continue;
    if (!c.empty() && c[0].find_first_not_of("-: ") == std::string::npos) continue;
    ErrorRow row;
    row.line = static_cast<int>(i) + 1;
    row.number = -1;
    if (c.size() == 3 && !c[0].empty() &&
        c[0].find_first_not_of("0123456789") == std::string::npos && c[0].size() <= 3) {
      row.number = std::stoi(c[0]);
      row.numberText = c[0];
      row.cause = c[1];
      row.fix = c[2];
    }
    rows.push_back(row);
  }
  return rows;
}

std::vector<CodeBlock> codeBlocks(std::string_view markdown) {
  std::vector<CodeBlock> blocks;
  std::vector<std::string> all = lines(markdown);
  for (size_t i = 0; i < all.size(); ++i) {
    std::string t = trim(all[i]);
    if (t.rfind("```", 0) != 0) continue;
    CodeBlock b;
    b.info = trim(t.substr(3));
    b.line = static_cast<int>(i) + 1;
    size_t j = i + 1;
    for (; j < all.size() && trim(all[j]) != "```"; ++j) b.text += all[j] + "\n";
    blocks.push_back(b);
    i = j;
  }
  return blocks;
}

}  // namespace docscheck

namespace docscheck {

std::vector<std::string> headingAnchors(std::string_view markdown) {
  std::vector<std::string> anchors;
  bool code = false;
  for (const std::string& line : lines(markdown)) {
    if (trim(line).rfind("```", 0) == 0) code = !code;
    if (code || line.empty() || line[0] != '#') continue;
    size_t text = line.find_first_not_of('#');
    if (text == std::string::npos || line[text] != ' ') continue;
    std::string anchor;
    for (char c : trim(line.substr(text))) {
      unsigned char u = static_cast<unsigned char>(c);
      if (std::isalnum(u) || c == '-' || c == '_') {
        anchor += static_cast<char>(std::tolower(u));
      } else if (c == ' ') {
        anchor += '-';
      }
    }
    anchors.push_back(anchor);
  }
  return anchors;
}

std::vector<std::string> linkTargets(std::string_view markdown) {
  static const std::regex link(R"(\]\(([^)\s]+)\))");
  std::vector<std::string> targets;
  bool code = false;
  for (const std::string& line : lines(markdown)) {
    if (trim(line).rfind("```", 0) == 0) code = !code;
    if (code) continue;
    for (std::sregex_iterator it(line.begin(), line.end(), link), end; it != end; ++it) {
      targets.push_back((*it)[1]);
    }
  }
  return targets;
}

}  // namespace docscheck
