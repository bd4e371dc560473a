// docs/errors.md against the error tables of the code: every number a program can report is
// documented with its cause and its fix, and every documented number still exists, so that a
// new, renumbered or removed error cannot slip past the page.
#include <gtest/gtest.h>

#include <set>

#include "doc_files.h"

namespace {

using docscheck::ErrorRow;

std::string mustRead(const std::string& relative) {
  std::optional<std::string> text = docscheck::readText(docscheck::sourcePath(relative));
  if (!text) ADD_FAILURE() << "cannot read " << relative;
  return text.value_or("");
}

std::set<int> valuesOf(const std::map<std::string, int>& constants) {
  std::set<int> out;
  for (const auto& [name, value] : constants) out.insert(value);
  return out;
}

// The numbers zoxcomp can report: its one table of error constants.
std::set<int> compilerNumbers() {
  return valuesOf(docscheck::intConstants(mustRead("compiler/errors.h"), "kErr"));
}

// The numbers zoxexec can report: its own table, the console's line-input error and the
// numbers of the compiled-file check. kErrFirstRunTime marks where the dialog's choices begin;
// it is no error of its own.
std::set<int> executorNumbers() {
  std::map<std::string, int> own = docscheck::intConstants(mustRead("executor/errors.h"), "kErr");
  own.erase("kErrFirstRunTime");
  std::set<int> numbers = valuesOf(own);
  for (int n : valuesOf(docscheck::intConstants(mustRead("console/console.h"), "kErr"))) {
    numbers.insert(n);
  }
  std::string check = docscheck::namespaceBody(mustRead("format/adventure_file.h"), "file_error");
  for (int n : valuesOf(docscheck::intConstants(check, "k"))) numbers.insert(n);
  return numbers;
}

std::string listOf(const std::set<int>& numbers) {
  std::string out;
  for (int n : numbers) out += (out.empty() ? "" : ", ") + std::to_string(n);
  return out.empty() ? "none" : out;
}

// Documented and defined numbers must be the same set; the message names both directions.
void expectSameNumbers(const std::string& program, const std::vector<ErrorRow>& rows,
                       const std::set<int>& defined) {
  std::set<int> documented;
  for (const ErrorRow& r : rows) documented.insert(r.number);
  std::set<int> undocumented, stale;
  for (int n : defined) {
    if (!documented.count(n)) undocumented.insert(n);
  }
  for (int n : documented) {
    if (!defined.count(n)) stale.insert(n);
  }
  EXPECT_TRUE(undocumented.empty())
      << program << " can report " << listOf(undocumented)
      << ", missing from docs/errors.md: add a row with the cause and how to fix it";
  EXPECT_TRUE(stale.empty()) << "docs/errors.md lists " << listOf(stale) << " for " << program
                             << ", which no longer exist in its code: remove the rows";
}

// Rows well formed: three cells, a two-digit number, ascending without repeats, a cause and a
// fix of their own.
void expectWellFormed(const std::string& program, const std::vector<ErrorRow>& rows) {
  ASSERT_FALSE(rows.empty()) << "no table under \"## " << program << "\" in docs/errors.md";
  int previous = 0;
  for (const ErrorRow& r : rows) {
    SCOPED_TRACE("docs/errors.md line " + std::to_string(r.line));
    if (r.number < 0) {
      ADD_FAILURE() << "a table row without number, cause and fix (an unescaped | in a cell?)";
      continue;
    }
    EXPECT_EQ(r.numberText.size(), 2u) << "numbers are written with two digits";
    EXPECT_GT(r.number, previous) << "numbers ascend without repeats";
    EXPECT_GE(r.cause.size(), 10u) << "the cause of " << r.number;
    EXPECT_GE(r.fix.size(), 10u) << "how to fix " << r.number;
    EXPECT_NE(r.cause, r.fix);
    previous = r.number;
  }
}

TEST(DocsErrors, TheCodeTablesAreFoundWhole) {
  // A parser that found nothing, or only part of a table, would let everything pass.
  std::set<int> compiler = compilerNumbers();
  EXPECT_TRUE(compiler.count(1) && compiler.count(11) && compiler.count(95)) << listOf(compiler);
  EXPECT_TRUE(compiler.count(89)) << "a value on the line after its name: " << listOf(compiler);
  EXPECT_FALSE(compiler.count(0)) << "0 is success, no error";
  std::set<int> executor = executorNumbers();
  EXPECT_TRUE(executor.count(1) && executor.count(19) && executor.count(20)) << listOf(executor);
  EXPECT_TRUE(executor.count(26)) << "the console's line-input error: " << listOf(executor);
  EXPECT_TRUE(executor.count(12)) << "the compiled-file check: " << listOf(executor);
}

TEST(DocsErrors, EveryCompilerNumberIsDocumentedAndNoOther) {
  std::vector<ErrorRow> rows = docscheck::errorRows(mustRead("docs/errors.md"), "zoxcomp");
  expectWellFormed("zoxcomp", rows);
  expectSameNumbers("zoxcomp", rows, compilerNumbers());
}

TEST(DocsErrors, EveryExecutorNumberIsDocumentedAndNoOther) {
  std::vector<ErrorRow> rows = docscheck::errorRows(mustRead("docs/errors.md"), "zoxexec");
  expectWellFormed("zoxexec", rows);
  expectSameNumbers("zoxexec", rows, executorNumbers());
}

TEST(DocsErrors, TheParsersReadWhatThePagesHold) {
  // Cases the real files do not all show today: a value on its own line, a negative result,
  // an escaped bar inside a cell, a row with too few cells, a table under another heading.
  std::map<std::string, int> c = docscheck::intConstants(
      "inline constexpr int kErrA = 7;  // x\ninline constexpr int kErrB =\n    89;\n"
      "inline constexpr int kDone = -1;\ninline constexpr int kErrNeg = -2;\n"
      "inline constexpr int kOther = 3;\n",
      "kErr");
  EXPECT_EQ(c, (std::map<std::string, int>{{"kErrA", 7}, {"kErrB", 89}}));
  EXPECT_EQ(docscheck::namespaceBody("namespace a {\nint x;\n}\nnamespace b { int y; }", "b"),
            " int y; ");

  std::vector<ErrorRow> rows = docscheck::errorRows(
      "## zoxcomp\n\n| no. | cause | how to fix it |\n|---|---|---|\n"
      "| 93 | a `\\|` alone | write `{a}\\|{b}` |\n| 94 | two cells |\n\n## zoxexec\n"
      "| no. | cause | how to fix it |\n| 01 | other | other |\n",
      "zoxcomp");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].number, 93);
  EXPECT_EQ(rows[0].cause, "a `|` alone");
  EXPECT_EQ(rows[0].fix, "write `{a}|{b}`");
  EXPECT_EQ(rows[0].line, 5);
  EXPECT_EQ(rows[1].number, -1);
}

}  // namespace
