// zoxcomp-corpus: writes a corpus of adventure sources for comparing two builds of zoxcomp
// (bench/compare_outputs.sh). Every case is a folder of its own holding the source, any
// resource files it names, and a file "args" with zoxcomp's arguments, one a line. The same
// seed always gives the same corpus.
//
//   zoxcomp-corpus <folder> [cases] [seed]
//
// The kinds of case: generated adventures of every shape; a line for every error number the
// compiler has, in every section; random sources built from statement pieces, good and bad;
// mutations of good sources; long lines; binary junk; UTF-8; resources; the name tables and
// block depths at their limits; and the command line's own faults.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "corpus_pieces.h"
#include "source_generator.h"

namespace {

using namespace zoxcorpus;

// splitmix64: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  // 0 .. n-1
  size_t below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(next() % n); }
  bool chance(int percent) { return below(100) < static_cast<size_t>(percent); }
  template <typename T>
  const T& pick(const std::vector<T>& v) {
    return v[below(v.size())];
  }

 private:
  uint64_t state_;
};

std::string fill(Random& r, const std::string& pattern) {
  std::string out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '@' || i + 1 >= pattern.size()) {
      out += pattern[i];
      continue;
    }
    switch (pattern[++i]) {
      case 'R':
        out += r.pick(kRooms);
        break;
      case 'T':
        out += r.pick(kTexts);
        break;
      case 'N':
        out += r.pick(kNumbers);
        break;
      case 'F':
        out += r.pick(kFlags);
        break;
      case 'S':
        out += r.pick(kStrings);
        break;
      case 'D':
        out += r.pick(kNumberWords);
        break;
      case 'C':
        out += r.pick(kColours);
        break;
      case 'P':
        out += r.pick(kPatterns);
        break;
      case 'W':
        out += r.pick(kWords);
        break;
      default:
        out += '@';
        out += pattern[i];
        break;
    }
  }
  return out;
}

// Declarations most sources begin with, so that statements find their names.
std::string declarations() {
  return "VAR lamp = FALSE\nVAR door = TRUE\nVAR score = 0\nVAR n = 1\nVAR other = 5\n"
         "VAR x = 2\nt1 = \"the first\"\nt2 = \"the second\"\n"
         "RESOURCE logo = \"logo.ans\" : ANSITEXT\n";
}

// A source of random sections, each a run of statement lines; good headers mostly.
std::string randomSource(Random& r) {
  std::string s = r.chance(85) ? "[ZOX \"Random\" PART 1 OF 3]" : r.pick(kHeaders);
  s += "\n";
  if (r.chance(10)) s += fill(r, r.pick(kStatements)) + "\n";  // before any section
  if (r.chance(85)) s += "[INIT]\n" + declarations();
  const int sections = 1 + static_cast<int>(r.below(6));
  for (int k = 0; k < sections; ++k) {
    switch (r.below(8)) {
      case 0:
        s += "[STATUS]\n";
        break;
      case 1:
        s += "[INVENTORY]\n";
        break;
      case 2:
        s += "[INIT]\n";
        break;
      default:
        s += "[ROOM " + kRooms[r.below(4)] + "]\n";
        break;
    }
    const int lines = static_cast<int>(r.below(25));
    for (int i = 0; i < lines; ++i)
      s += fill(r, r.pick(kStatements)) + (r.chance(3) ? "\r\n" : "\n");
  }
  if (r.chance(80)) s += "[ROOM r0]\n[ROOM r1]\nQUIT\n[ROOM r2]\n[ROOM hall]\n[ROOM x]\n";
  return s;
}

// One error-provoking line inside a section of each kind; the sections around it are good.
std::string placedStatement(const std::string& line, int where) {
  std::string s = "[ZOX \"Placed\" PART 1 OF 2]\n";
  switch (where) {
    case 0:
      return s + line + "\n[INIT]\n" + declarations();
    case 1:
      return s + "[INIT]\n" + declarations() + line + "\n";
    case 2:
      return s + "[INIT]\n" + declarations() + "[ROOM r0]\n" + line + "\nQUIT\n";
    case 3:
      return s + "[INIT]\n" + declarations() + "[STATUS]\n" + line + "\n[ROOM r0]\nQUIT\n";
    case 4:
      return s + "[INIT]\n" + declarations() + "[INVENTORY]\n" + line + "\n[ROOM r0]\n";
    default:
      return s + "[INIT]\n" + declarations() + "[INVENTORY]\n(use lamp)\n" + line +
             "\nRESUME\n[ROOM r0]\nQUIT\n";
  }
}

// Small edits of a good source: flipped, inserted, deleted and repeated bytes and lines.
std::string mutate(Random& r, std::string s) {
  static const std::string kInteresting = "\"/:=()[]{}|*,+- \t\r\n\0aZ09\xE4\xC3\xFF\x7F\xA4#";
  const int edits = 1 + static_cast<int>(r.below(6));
  for (int e = 0; e < edits && !s.empty(); ++e) {
    size_t at = r.below(s.size());
    switch (r.below(7)) {
      case 0:
        s[at] = kInteresting[r.below(kInteresting.size())];
        break;
      case 1:
        s.insert(at, 1, kInteresting[r.below(kInteresting.size())]);
        break;
      case 2:
        s.erase(at, 1 + r.below(8));
        break;
      case 3:
        s[at] = static_cast<char>(r.below(256));
        break;
      case 4: {  // repeat the line at `at`
        size_t b = s.rfind('\n', at);
        b = b == std::string::npos ? 0 : b + 1;
        size_t e2 = s.find('\n', at);
        if (e2 == std::string::npos) e2 = s.size();
        s.insert(b, s.substr(b, e2 - b) + "\n");
        break;
      }
      case 5:
        s.resize(at);
        break;    // cut off
      default: {  // swap two lines' first characters
        size_t other = r.below(s.size());
        std::swap(s[at], s[other]);
        break;
      }
    }
  }
  return s;
}

// ---- Writing cases ----

class Corpus {
 public:
  explicit Corpus(std::string folder) : folder_(std::move(folder)) {}

  // A case whose source is src.adv, compiled with that one argument.
  void add(const std::string& source, const std::string& resource = "\x1b[1mLOGO\x1b[0m\n") {
    addNamed("src.adv", source, {"src.adv"}, resource);
  }

  void addNamed(const std::string& name, const std::string& source,
                const std::vector<std::string>& args, const std::string& resource = "") {
    std::string dir = nextDir();
    if (!name.empty()) write(dir + "/" + name, source);
    if (!resource.empty()) write(dir + "/logo.ans", resource);
    std::string a;
    for (const std::string& arg : args) a += arg + "\n";
    write(dir + "/args", a);
  }

  // A case with files of its own (name, contents) and arguments.
  void addFiles(const std::vector<std::pair<std::string, std::string>>& files,
                const std::vector<std::string>& args) {
    std::string dir = nextDir();
    for (const auto& [name, data] : files) {
      size_t slash = name.rfind('/');
      if (slash != std::string::npos) mkdir((dir + "/" + name.substr(0, slash)).c_str(), 0755);
      if (data == "<dir>") {
        mkdir((dir + "/" + name).c_str(), 0755);
      } else {
        write(dir + "/" + name, data);
      }
    }
    std::string a;
    for (const std::string& arg : args) a += arg + "\n";
    write(dir + "/args", a);
  }

  int count() const { return count_; }

 private:
  std::string nextDir() {
    char name[32];
    std::snprintf(name, sizeof name, "/c%05d", count_++);
    std::string dir = folder_ + name;
    mkdir(dir.c_str(), 0755);
    return dir;
  }
  static void write(const std::string& path, const std::string& data) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
      std::perror(path.c_str());
      std::exit(1);
    }
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
  }
  std::string folder_;
  int count_ = 0;
};

std::string lines(int n, const std::function<std::string(int)>& line) {
  std::string s;
  for (int i = 0; i < n; ++i) s += line(i) + "\n";
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: zoxcomp-corpus <folder> [cases] [seed]\n");
    return 1;
  }
  const std::string folder = argv[1];
  const int wanted = argc > 2 ? std::atoi(argv[2]) : 5000;
  Random r(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 13);
  mkdir(folder.c_str(), 0755);
  Corpus corpus(folder);
  const std::string good = "[ZOX \"Good\"]\n[INIT]\n" + declarations();

  // The command line and the source file's name.
  corpus.addFiles({}, {});
  corpus.addFiles({{"a.adv", good}}, {"a.adv", "b.adv"});
  corpus.addFiles({}, {"missing.adv"});
  corpus.addFiles({{"story", good}}, {"story"});
  corpus.addFiles({{"STORY.ZOX", good}}, {"STORY.ZOX"});
  corpus.addFiles({{"story.zox", good}}, {"story.zox"});
  corpus.addFiles({{"my.story/adv", good}}, {"my.story/adv"});
  corpus.addFiles({{".hidden", good}}, {".hidden"});
  corpus.addFiles({{"dir.adv", "<dir>"}}, {"dir.adv"});
  corpus.addFiles({{"empty.adv", ""}}, {"empty.adv"});
  corpus.addFiles({{"part.adv", "[ZOX \"P\" PART 3 OF 5]\n[ROOM a]\nQUIT\n"}}, {"part.adv"});
  corpus.addFiles({{"a.b.c", good}}, {"a.b.c"});
  corpus.addFiles({{"src.adv", good}, {"src.zox", "<dir>"}}, {"src.adv"});  // cannot create

  // A choice list of both kinds of text variable.
  corpus.add(good + "[ROOM a]\nhere = \"h\"\nCHOOSE t1, here\nCHOOSE here, t1\nQUIT\n");

  // Settings given twice, and a second section of a kind.
  for (const char* twice :
       {"TITLE = \"a\"", "CTEXT = \"a\"", "ITEXT = \"a\"", "INTEXT = \"a\"",
        "PASSWORD = \"secret\"", "START = [ROOM a]", "STATUSLINES = 2", "[INIT]", "[STATUS]",
        "[INVENTORY]", "[ROOM a]", "TITLE = \"\xE9\"", "PASSWORD = \"abc\""}) {
    corpus.add(good + twice + "\n" + std::string(twice) + "\n[ROOM a]\nQUIT\n");
  }

  // Generated adventures of every shape and several sizes.
  for (int rooms : {1, 2, 3, 7, 20, 100, 1000}) {
    corpus.add(zoxbench::ringOfRooms(rooms));
    corpus.add(zoxbench::choiceRooms(rooms));
    corpus.add(zoxbench::everyStatement(rooms, "logo.ans"));
  }
  corpus.add(zoxbench::choiceRooms(20000));
  corpus.add(zoxbench::everyStatement(2000, "logo.ans"));

  // Every statement line in every section.
  for (const std::string& line : kStatements) {
    for (int where = 0; where < 6; ++where) corpus.add(placedStatement(fill(r, line), where));
  }
  for (const std::string& header : kHeaders) corpus.add(header + "\n[ROOM a]\nQUIT\n");

  // The limits: name tables, rooms, IF and choice depth, the error list.
  corpus.add(good + lines(257, [](int i) { return "VAR v" + std::to_string(i) + " = 1"; }));
  corpus.add(good + lines(257, [](int i) { return "VAR f" + std::to_string(i) + " = TRUE"; }));
  corpus.add(good + lines(257, [](int i) { return "s" + std::to_string(i) + " = \"s\""; }));
  corpus.add(good + lines(257, [](int i) {
               return "RESOURCE r" + std::to_string(i) + " = \"logo.ans\" : ANSITEXT";
             }));
  corpus.add(good + "[ROOM a]\n" + lines(257, [](int i) { return "INPUT v" + std::to_string(i); }) +
             "QUIT\n");
  corpus.add(good + lines(65536, [](int i) { return "[ROOM n" + std::to_string(i) + "]"; }));
  corpus.add(good + "[ROOM a]\n" +
             lines(65536, [](int i) { return "GO TO [ROOM g" + std::to_string(i) + "]"; }));
  corpus.add(good + "[ROOM a]\n" + lines(32001, [](int) { return "IF lamp THEN"; }));
  corpus.add(good + "[ROOM a]\n" + lines(32000, [](int) { return "IF lamp THEN"; }) +
             lines(32000, [](int) { return "END"; }) + "QUIT\n");
  corpus.add(good + "[ROOM a]\n" + lines(18, [](int) { return "CHOOSE\n* t1"; }) +
             lines(18, [](int) { return "END CHOOSE"; }));
  corpus.add(good + "[ROOM a]\nCHOOSE\n" + lines(17, [](int) { return "* t1\nNL"; }) +
             "END CHOOSE\n");
  corpus.add(good + "[ROOM a]\nCHOOSE\n" + lines(16, [](int) { return "* t1\nNL"; }) +
             "END CHOOSE\nQUIT\n");
  corpus.add(good + lines(20, [](int i) { return "bad" + std::to_string(i); }));
  corpus.add(good + lines(17, [](int i) { return "bad" + std::to_string(i); }));
  corpus.add(good + lines(16, [](int i) { return "bad" + std::to_string(i); }));
  corpus.add(good + "[ROOM a]\n" +
             lines(300, [](int i) { return "GO TO [ROOM missing" + std::to_string(i) + "]"; }));

  // Choice blocks: nested, split by "/", with one-line IFs and clauses inside, long ones.
  const std::vector<std::string> kInBlock = {"* t1",
                                             "* t2",
                                             "*\tt1",
                                             "* t1\t",
                                             "* here",
                                             "* t1 x",
                                             "*",
                                             "NL",
                                             "CLS / NL",
                                             "* t1 / NL",
                                             "NL / * t2",
                                             "CHOOSE",
                                             "CHOOSE RANDOM",
                                             "END CHOOSE",
                                             "END CHOOSE / NL",
                                             "END",
                                             "IF lamp THEN NL",
                                             "IF lamp THEN * t1",
                                             "IF lamp THEN END CHOOSE",
                                             "IF lamp THEN",
                                             "ELSE",
                                             "look: NL",
                                             "(look)",
                                             "PRINT \"a / b\"",
                                             "REM * t1 / * t2",
                                             "GO TO [ROOM r1]",
                                             "\"more\"",
                                             "PRINT \"x\"",
                                             "   ",
                                             "* t1\r",
                                             "here = \"h\"",
                                             "[ROOM r1]",
                                             "END CHOOSE x",
                                             "CHOOSE t1, t2"};
  for (int i = 0; i < 300; ++i) {
    std::string s = good + "[ROOM r0]\nhere = \"h\"\n";
    const int blocks = 1 + static_cast<int>(r.below(3));
    for (int b = 0; b < blocks; ++b) {
      s += r.chance(30) ? "CHOOSE RANDOM\n" : "CHOOSE\n";
      const int n = static_cast<int>(r.below(i < 20 ? 150 : 12));
      for (int k = 0; k < n; ++k) s += r.pick(kInBlock) + "\n";
      if (r.chance(85)) s += "END CHOOSE\n";
    }
    s += r.chance(70) ? "QUIT\n[ROOM r1]\nQUIT\n" : "";
    corpus.add(s);
  }

  // Long lines, around the 256 characters of the line buffer.
  for (int n : {250, 252, 253, 254, 255, 256, 257, 258, 300, 511, 512, 513, 1000, 5000}) {
    const std::string text(static_cast<size_t>(n), 'L');
    corpus.add(good + "[ROOM a]\nPRINT \"" + text + "\"\nQUIT\n");
    corpus.add(good + "[ROOM a]\nPRINT \"" + text.substr(0, n > 9 ? n - 9 : 0) + "\"\nQUIT\n");
    corpus.add(good + "[ROOM a]\nREM " + text + "\nQUIT\n");
    corpus.add(good + "[ROOM a]\n" + text + "\nQUIT\n");
    corpus.add(good + "[ROOM a]\nPRINT \"x\"\n\"" + text + "\"\nQUIT\n");
    corpus.add(good + "[ROOM a]\n" + std::string(static_cast<size_t>(n), ' ') + "QUIT\n");
    corpus.add(good + "[ROOM a]\nPRINT \"" + std::string(static_cast<size_t>(n), '/') + "\"\n");
    corpus.add(good + "[ROOM a]\n" + std::string(static_cast<size_t>(n), '/') + "\n");
    corpus.add(good + "[ROOM a]\nPRINT \"" + text + "\"\r\nQUIT\r\n");
    corpus.add("[ZOX \"" + text + "\"]\n[ROOM a]\nQUIT\n");
  }
  corpus.add(good + "[ROOM a]\nQUIT");  // no newline at the end
  corpus.add(good + "[ROOM a]\nPRINT \"no end");

  // UTF-8: byte-order mark, letters that fold to Latin-1, and those that do not.
  for (const std::string& utf8 :
       {std::string("\xEF\xBB\xBF") + good + "[ROOM a]\nQUIT\n",
        good + "[ROOM a]\nPRINT \"\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F \xC3\x84\"\nQUIT\n",
        good + "[ROOM a]\nPRINT \"\xC3\xA9\"\nQUIT\n",
        good + "[ROOM a]\nPRINT \"\xE2\x82\xAC euro\"\nQUIT\n",
        good + "[ROOM a]\nPRINT \"\xC3\"\nQUIT\n",
        good + "[ROOM a]\nPRINT \"\xC3\xC3\xA4\"\nQUIT\n",
        good + "[ROOM \xC3\xA4]\nGO TO [ROOM \xC3\x84]\n",
        good + "\xC3\xA4pfel = \"x\"\n[ROOM a]\nPRINT \xC3\x84PFEL\nQUIT\n",
        std::string("[ZOX \"\xC3\xBC\x62\x65r\"]\n[ROOM a]\nQUIT\n"),
        good + "[ROOM a]\nPRINT \"" + std::string(200, 'x') + std::string(60, '\xC3') + "\"\n",
        good + "[ROOM a]\nPRINT \"" + std::string(250, 'x') +
            "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\"\n",
        std::string("\xEF\xBB\xBF\xEF\xBB\xBF") + good}) {
    corpus.add(utf8);
  }

  // Resources: present, empty, large, missing, a folder, the output itself.
  const std::string resourceHead = "[ZOX \"Res\"]\n[INIT]\n";
  const std::string oneResource =
      resourceHead + "RESOURCE logo = \"logo.ans\" : ANSITEXT\n" + "[ROOM a]\nLOAD logo\nQUIT\n";
  corpus.addFiles({{"src.adv", oneResource}, {"logo.ans", ""}}, {"src.adv"});
  corpus.addFiles({{"src.adv", oneResource}, {"logo.ans", std::string(100000, '\xAB')}},
                  {"src.adv"});
  corpus.addFiles({{"src.adv", oneResource}}, {"src.adv"});
  corpus.addFiles({{"src.adv", oneResource}, {"logo.ans", "<dir>"}}, {"src.adv"});
  corpus.addFiles({{"src.adv", resourceHead + "RESOURCE me = \"src.zox\" : ANSITEXT\n"}},
                  {"src.adv"});
  corpus.addFiles({{"src.adv", resourceHead + "RESOURCE me = \"src.adv\" : ANSITEXT\n"}},
                  {"src.adv"});
  corpus.addFiles({{"src.adv", resourceHead + lines(5,
                                                    [](int i) {
                                                      return "RESOURCE r" + std::to_string(i) +
                                                             " = \"f" + std::to_string(i) +
                                                             ".ans\" : ANSITEXT";
                                                    })},
                   {"f0.ans", "zero"},
                   {"f1.ans", ""},
                   {"f2.ans", std::string(40000, 'x')},
                   {"f3.ans", "\x1b[31mred"},
                   {"f4.ans", "four"}},
                  {"src.adv"});
  corpus.addFiles({{"src.adv", resourceHead + lines(3,
                                                    [](int i) {
                                                      return "RESOURCE r" + std::to_string(i) +
                                                             " = \"f" + std::to_string(i) +
                                                             ".ans\" : ANSITEXT";
                                                    })},
                   {"f0.ans", "zero"},
                   {"f2.ans", "two"}},
                  {"src.adv"});

  // Binary junk, after a good header and on its own.
  for (int i = 0; i < 150; ++i) {
    std::string junk;
    const size_t n = r.below(i < 10 ? 200000 : 3000);
    for (size_t k = 0; k < n; ++k) junk += static_cast<char>(r.below(256));
    corpus.add(i % 2 == 0 ? good + "[ROOM a]\n" + junk : junk);
  }
  // Lines full of NULs, carriage returns and tabs.
  for (int i = 0; i < 40; ++i) {
    static const std::string kOdd("\0\r\t\n \"/", 7);
    std::string s = good + "[ROOM a]\n";
    for (int k = 0; k < 300; ++k) {
      s += r.chance(50) ? kOdd[r.below(kOdd.size())] : fill(r, r.pick(kStatements))[0];
      if (r.chance(10)) s += fill(r, r.pick(kStatements)) + "\n";
    }
    corpus.add(s);
  }

  // The rest: random sources and mutations of good ones, about half each.
  const std::vector<std::string> seeds = {zoxbench::everyStatement(3, "logo.ans"),
                                          zoxbench::choiceRooms(5), zoxbench::ringOfRooms(6),
                                          good + "[ROOM r0]\nQUIT\n"};
  while (corpus.count() < wanted) {
    if (r.chance(50)) {
      corpus.add(randomSource(r));
    } else {
      std::string base = r.chance(30) ? randomSource(r) : r.pick(seeds);
      corpus.add(mutate(r, base));
    }
  }
  std::printf("%d cases in %s\n", corpus.count(), folder.c_str());
  return 0;
}
