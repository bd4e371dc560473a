// The source text in memory (mapped or read, the zeros after it, a file that shrinks under it)
// and the reading of one line from it against a line-by-line reader.
#include "compiler/source_text.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "compile_helpers.h"
#include "compiler/internal.h"
#include "compiler/line_scan.h"

namespace zoxtest {
namespace {

using zox::CompileOutcome;
using zox::SourceText;

// The text's bytes and the padding after them.
void expectText(const SourceText& text, const std::string& bytes, const std::string& what) {
  ASSERT_EQ(text.size(), bytes.size()) << what;
  EXPECT_EQ(std::string(text.data(), text.size()), bytes) << what;
  for (size_t i = 0; i < SourceText::kPadding; ++i) {
    ASSERT_EQ(text.data()[bytes.size() + i], '\0') << what << " padding " << i;
  }
}

struct OpenFile {
  explicit OpenFile(const std::string& path) : fd(::open(path.c_str(), O_RDONLY)) {}
  ~OpenFile() {
    if (fd >= 0) ::close(fd);
  }
  int fd;
};

TEST(SourceText, HoldsTheFileFollowedByZerosWhateverItsSize) {
  TempDir dir;
  const long page = sysconf(_SC_PAGESIZE);
  for (const size_t size : {size_t{0}, size_t{1}, size_t{31}, size_t(page - 1), size_t(page),
                            size_t(page + 1), size_t(2 * page), size_t{100003}}) {
    std::string bytes(size, 'x');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + i % 26);
    dir.write("s", bytes);
    OpenFile f(dir.file("s"));
    SourceText text;
    ASSERT_EQ(text.load(f.fd, size_t{1} << 20), 0) << size;
    expectText(text, bytes, "size " + std::to_string(size));
    EXPECT_EQ(text.mapped(), size > 0) << size;

    // While one text is mapped, another is read, in the size the file gives.
    OpenFile g(dir.file("s"));
    SourceText second;
    ASSERT_EQ(second.load(g.fd, size_t{1} << 20), 0) << size;
    EXPECT_FALSE(second.mapped()) << size;
    expectText(second, bytes, "read, size " + std::to_string(size));
  }
}

TEST(SourceText, ReadsWhatCannotBeMappedAndRefusesWhatIsTooLarge) {
  // A pipe is read to its end.
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const std::string bytes = "[ZOX \"T\"]\n[INIT]\n";
  ASSERT_EQ(write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(ends[1]);
  SourceText piped;
  ASSERT_EQ(piped.load(ends[0], 1000), 0);
  ::close(ends[0]);
  EXPECT_FALSE(piped.mapped());
  expectText(piped, bytes, "pipe");

  // Above the limit, as a file and through a pipe.
  TempDir dir;
  dir.write("big", std::string(5000, 'b'));
  OpenFile f(dir.file("big"));
  SourceText big;
  EXPECT_EQ(big.load(f.fd, 4999), SourceText::kNoMemory);
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], std::string(5000, 'b').data(), 5000), 5000);
  ::close(ends[1]);
  EXPECT_EQ(big.load(ends[0], 4999), SourceText::kNoMemory);
  ::close(ends[0]);
}

TEST(SourceText, AFileThatShrinksUnderItReadsAsZerosNotACrash) {
  TempDir dir;
  const long page = sysconf(_SC_PAGESIZE);
  const std::string bytes(static_cast<size_t>(4 * page), 'q');
  dir.write("s", bytes);
  OpenFile f(dir.file("s"));
  SourceText text;
  ASSERT_EQ(text.load(f.fd, size_t{1} << 20), 0);
  ASSERT_TRUE(text.mapped());
  ASSERT_EQ(truncate(dir.file("s").c_str(), page), 0);
  size_t q = 0;
  size_t zeros = 0;
  for (size_t i = 0; i < text.size(); ++i) (text.data()[i] == 'q' ? q : zeros)++;
  EXPECT_EQ(q, static_cast<size_t>(page));
  EXPECT_EQ(zeros, static_cast<size_t>(3 * page));

  // A detached text keeps the file's bytes whatever happens to the file.
  dir.write("t", bytes);
  OpenFile g(dir.file("t"));
  SourceText kept;
  ASSERT_EQ(kept.load(g.fd, size_t{1} << 20), 0);
  ASSERT_EQ(kept.detach(), 0);
  EXPECT_FALSE(kept.mapped());
  ASSERT_EQ(truncate(dir.file("t").c_str(), 0), 0);
  expectText(kept, bytes, "detached");
}

TEST(SourceText, FoldingAMappedTextLeavesTheFileAndKeepsTheZeros) {
  TempDir dir;
  const std::string lead(5000, 'a');  // the fold starts on the second page
  const struct {
    std::string in, out;
  } cases[] = {
      {"plain ascii\n", "plain ascii\n"},
      {"latin-1 \xe4 stays\n", "latin-1 \xe4 stays\n"},
      {"\xEF\xBB\xBFmark\n", "mark\n"},
      {lead + "\xc3\xa4\xc3\xb6 folded\n", lead + "\xe4\xf6 folded\n"},
      {lead + "cut \xc3", lead + "cut \xc3"},
  };
  for (const auto& k : cases) {
    dir.write("s", k.in);
    OpenFile f(dir.file("s"));
    SourceText text;
    ASSERT_EQ(text.load(f.fd, size_t{1} << 20), 0);
    ASSERT_EQ(zox::foldUtf8(text), 0);
    expectText(text, k.out, k.out.substr(std::min<size_t>(k.out.size(), 5000)));
    EXPECT_EQ(dir.read("s"), k.in);
  }
}

TEST(SourceText, AnOutputThatIsTheSourceItselfCompilesTheSourceAsItWas) {
  TempDir dir;
  const std::string source = withHeader("[INIT]\nSTART = [ROOM a]\n[ROOM a]\nPRINT \"Hi\"\nQUIT\n");
  const CompileOutcome plain = compileText(dir, source, "plain.adv");
  ASSERT_EQ(plain.status, 0);
  const std::string expected = dir.read("plain.zox");
  // story.zox is a link to story.adv: creating the output empties the source's file.
  ASSERT_EQ(symlink("story.adv", dir.file("story.zox").c_str()), 0);
  const CompileOutcome linked = compileText(dir, source, "story.adv");
  EXPECT_EQ(linked.status, 0);
  EXPECT_EQ(dir.read("story.adv"), expected);
}

// -- One line read from the source, against reading it into a line buffer and preparing it --

struct Reference {
  std::string text;  // the prepared line up to its newline or NUL
  size_t lead = 0;   // blanks, tabs and carriage returns before the first word
  int code = zox::kTokRem;
  unsigned number = 0;
  int consumed = 0;
  bool complete = true;
  size_t next = 0;
  zox::LineScan scan;
};

// What a line-by-line reader does: at most 256 characters up to and including a newline (a
// newline right after 256 characters still belongs to the line), blanks skipped, the first word
// classified, the line prepared unless it is a comment or empty.
Reference readTheOldWay(const std::string& source, size_t pos) {
  Reference r;
  char buffer[zox::kLineBufferSize + 1] = {};
  size_t n = std::min(source.size() - pos, size_t{zox::kLineChars});
  const size_t newline = source.find('\n', pos);
  if (newline != std::string::npos && newline < pos + n) n = newline - pos + 1;
  std::memcpy(buffer, source.data() + pos, n);
  size_t end = pos + n;
  if (n == size_t{zox::kLineChars} && buffer[n - 1] != '\n' && end < source.size() &&
      source[end] == '\n') {
    buffer[n++] = '\n';
    ++end;
  }
  r.next = end;
  size_t lead = 0;
  while (buffer[lead] == ' ' || buffer[lead] == '\t' || buffer[lead] == '\r') ++lead;
  r.lead = lead;
  char* line = buffer + lead;
  if (*line != '\0' && *line != '\n') {
    r.code = zox::classify(line, &r.number, &r.consumed);
    size_t resume = 0;
    if (r.code != zox::kTokRem && zox::prepareLine(line, &resume, &r.scan) == zox::kLineSplit) {
      r.complete = false;
      r.next = pos + lead + resume;
    }
  }
  r.text = std::string(buffer, std::strcspn(buffer, "\n"));
  return r;
}

void expectSameLines(const std::string& source, const std::string& what) {
  SourceText text;
  ASSERT_EQ(text.assign(source), 0);
  char buffer[zox::kLineBufferSize];
  for (size_t pos = 0; pos < source.size();) {
    zox::SourceLine line;
    zox::scanLine(text.data(), text.size(), pos, buffer, &line);
    const Reference r = readTheOldWay(source, pos);
    const std::string at = what + " at " + std::to_string(pos);
    ASSERT_EQ(std::string(line.text, line.length), r.text) << at;
    ASSERT_TRUE(line.text[line.length] == '\n' || line.text[line.length] == '\0') << at;
    EXPECT_EQ(line.code, r.code) << at;
    if (r.code != zox::kTokRem) {
      EXPECT_EQ(line.number, r.number) << at;
      EXPECT_EQ(line.lead, r.lead) << at;
      EXPECT_EQ(line.consumed, r.consumed) << at;
      EXPECT_EQ(line.complete, r.complete) << at;
      const size_t quotes = std::min(r.scan.quoteCount, zox::LineScan::kMaxQuotes);
      ASSERT_EQ(line.scan.quoteCount, r.scan.quoteCount) << at;
      for (size_t q = 0; q < quotes; ++q) {
        EXPECT_EQ(line.scan.quotes[q], r.scan.quotes[q]) << at;
        EXPECT_EQ(line.scan.refusedBefore[q], r.scan.refusedBefore[q]) << at;
      }
    }
    ASSERT_EQ(line.next, r.next) << at;
    pos = line.next;
  }
}

TEST(SourceLineScan, ReadsEveryLineAsALineByLineReaderWould) {
  const std::string l255(255, 'p');
  const std::string l256(256, 'p');
  const std::string quoted = "PRINT \"" + std::string(240, 'x') + "\"";
  const std::string cases[] = {
      "PRINT \"a\"\nGO TO [ROOM b]\n",
      "PRINT \"a\"",                                     // no newline at the end
      "  \t\r PRINT \"a\"\r\n\tX = \"b\"\t\r\n",         // blanks, tabs and carriage returns
      "PRINT \"a/b\" / PRINT \"c\"/QUIT\n",              // "/" inside and outside quotes
      "PRINT \"a\tb\rc\x7f\x01\" / x = \"\xe4\x80\"\n",  // refused characters before quotes
      "REM a / b \t \"\n   \n\n\t\n",  // comments and empty lines are not prepared
      "PRINT \"\" \"\" \"\" \"\" \"\" \"\" \"\" \"\" \"\" \"\" \"\" \"\" \"\" \"\" \"\" \"\"\n",
      "PRINT" + l255 + "\n" + "PRINT" + l256 + "\nQUIT\n",  // around the 256 characters
      l256 + "\n" + l256 + "x\n" + l255 + "\n",
      quoted + std::string(30, '/') + "\n",
      std::string("PRINT \"a\0b\" / c\nQUIT\0\0\n", 24),  // NULs end a line's text
      "[ROOM 12]\n[room  x] \n[PART 3]\n[INIT]x\nIMSG5 \"m\"\n* a\n(take) / x\n:y\n",
  };
  int n = 0;
  for (const std::string& source : cases) expectSameLines(source, "case " + std::to_string(n++));
}

TEST(SourceLineScan, RandomLinesReadAsALineByLineReaderWould) {
  std::mt19937 random(1313);
  const std::string pieces[] = {"PRINT ",
                                "\"",
                                "/",
                                " ",
                                "\t",
                                "\r",
                                "\n",
                                "x = ",
                                "GO TO ",
                                "[ROOM r]",
                                "REM ",
                                "\xe4",
                                "\x01",
                                "IF a THEN ",
                                "*",
                                "(",
                                ":",
                                std::string(40, 'w'),
                                std::string(1, '\0')};
  for (int s = 0; s < 300; ++s) {
    std::string source;
    const int count = static_cast<int>(random() % 80);
    for (int i = 0; i < count; ++i) source += pieces[random() % std::size(pieces)];
    expectSameLines(source, "random " + std::to_string(s));
  }
}

}  // namespace
}  // namespace zoxtest
