// Malformed statements: every cut and many garbled forms of every statement are refused with
// an error on their own line, the compile goes on, nothing crashes and no file is left.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <random>
#include <string>
#include <vector>

#include "compile_helper.h"
#include "screen.h"

namespace {

// Resource files the statements below may name, by absolute path, for the whole run.
const zoxtest::TempDir& resources() {
  static zoxtest::TempDir dir;
  static bool written = false;
  if (!written) {
    dir.write("pic.ans", "picture\n");
    dir.write("x.ans", "");
    written = true;
  }
  return dir;
}

// Declarations the statements below refer to.
std::string initLines() {
  return "[INIT]\nVAR f = TRUE\nVAR n = 1\nit = \"i\"\nRESOURCE pic = \"" +
         resources().file("pic.ans") + "\" : ANSITEXT\n";
}

// One line of each statement form, in a room (with its preparation before it when needed).
const std::vector<std::string> kStatements = {
    "PRINT \"Hello\"",
    "PRINT n",
    "PRINT RINFO",
    "PRINT ITEMLIST \"Here: \"",
    "PRINTNL \"a\"",
    "PRINTDNL \"a\"",
    "PRINTINP \"a\"",
    "WAIT \"key\"",
    "WAIT it",
    "INPUT \"Name? \" who",
    "INPUT \"> \"",
    "CHOOSE it, it",
    "CHOOSE RANDOM",
    "(take {the} {lamp}|{lantern})",
    "(OTHERWISE)",
    "GO TO [ROOM r]",
    "GO (OTHERWISE)",
    "GO OTHERWISE",
    "CONTINUE WITH [PART 2]",
    "IF NOT n < 5 THEN PRINT \"x\"",
    "IF f = FALSE THEN",
    "IF 3 THEN CLS",
    "IF n = n THEN",
    "n = RANDOM(10)",
    "n += 5",
    "n -= 5",
    "f = TRUE",
    "t = \"text\"",
    "RINFO = \"A room.\"",
    "TEXTCOLOR = LIGHTRED",
    "STATUSBACKGROUND = DEFAULT",
    "STATUSLINES = 4",
    "IMSG7 = \"message\"",
    "LOAD pic",
    "ITEM f = \"a lamp\"",
    "END CHOOSE",
    "* it",
    "ELSE",
    "END IF",
};

// Lines of [INIT] only.
const std::vector<std::string> kInitStatements = {
    "TITLE = \"The Cave\"",
    "CTEXT = \"? \"",
    "ITEXT = \"> \"",
    "INTEXT = \"# \"",
    "PASSWORD = \"secret\"",
    "START = [ROOM r]",
    "VAR g = FALSE",
    "VAR m = -5",
    "RESOURCE two = \"<x.ans>\" : ANSITEXT",
    "TITLECOLOR = YELLOW",
};

struct Outcome {
  bool ok;
  std::string why;
};

// Compiles a source with the given line at a known line number and checks what happened.
// Errors must name lines of the source (the bad line itself or one after it, where an open
// block or a clause finds the damage, or 0 for the GO TO pass) and leave no file.
Outcome check(std::string line, bool inInit) {
  if (size_t at = line.find("<x.ans>"); at != std::string::npos) {
    line.replace(at, 7, resources().file("x.ans"));
  }
  std::string head = stmttest::kHeader + initLines();
  if (!inInit) head += "[ROOM r]\n";
  int badLine = 1;
  for (char ch : head) badLine += ch == '\n';
  std::string source = head + line + "\n" + (inInit ? "[ROOM r]\n" : "") + "QUIT\n";
  zox::CompileOutcome o = stmttest::compileSource(source);
  // A resource file that cannot be opened is fatal by design (error 4, no line).
  bool resource = line.find("RESOURCE") != std::string::npos;
  if (o.status > 0 && o.errors.count == 0 && !(resource && o.status == 4)) {
    return {false, "status " + std::to_string(o.status) + " without an error"};
  }
  if (o.errors.count > 0 && o.outputExists) return {false, "output left after errors"};
  for (int i = 0; i < o.errors.count; ++i) {
    unsigned l = o.errors.entries[i].line;
    if (l != 0 && (l < static_cast<unsigned>(badLine) || l > static_cast<unsigned>(badLine) + 2)) {
      return {false, "error " + std::to_string(o.errors.entries[i].number) + " in line " +
                         std::to_string(l)};
    }
  }
  return {true, ""};
}

TEST(StatementsRobustness, EveryCutOfEveryStatement) {
  for (bool inInit : {false, true}) {
    for (const std::string& full : inInit ? kInitStatements : kStatements) {
      for (size_t n = 0; n <= full.size(); ++n) {
        std::string cut = full.substr(0, n);
        Outcome r = check(cut, inInit);
        EXPECT_TRUE(r.ok) << "[" << cut << "]: " << r.why;
      }
    }
  }
}

TEST(StatementsRobustness, GarbledStatements) {
  std::mt19937 rng(20240611);
  const std::string nasty = "\"()[]{}|:=+-<>/*,\t\r\xE9\xE4\x01\x7f 0123456789";
  for (bool inInit : {false, true}) {
    for (const std::string& full : inInit ? kInitStatements : kStatements) {
      for (int k = 0; k < 8; ++k) {
        std::string s = full;
        int edits = 1 + static_cast<int>(rng() % 3);
        for (int e = 0; e < edits; ++e) {
          size_t at = rng() % (s.size() + 1);
          char ch = nasty[rng() % nasty.size()];
          switch (rng() % 3) {
            case 0:
              s.insert(at, 1, ch);
              break;
            case 1:
              if (at < s.size()) s[at] = ch;
              break;
            default:
              if (at < s.size()) s.erase(at, 1);
              break;
          }
        }
        Outcome r = check(s, inInit);
        EXPECT_TRUE(r.ok) << "[" << s << "]: " << r.why;
      }
    }
  }
}

TEST(StatementsRobustness, LongLinesAndLongWords) {
  const std::string longWord(300, 'w');
  for (const std::string& line :
       {"PRINT \"" + std::string(250, 'a') + "\"", "PRINT " + longWord, "IF " + longWord,
        "GO [ROOM " + longWord + "]", "(" + longWord + ")", longWord + ": PRINT \"x\"",
        "VAR " + longWord, "CHOOSE " + longWord, "n = " + longWord, "ITEM f = \"" + longWord,
        std::string(200, '{') + std::string(200, '}'),
        "IMSG" + std::string(100, '9') + " = \"x\""}) {
    Outcome r = check(line, false);
    EXPECT_TRUE(r.ok) << line.substr(0, 40) << ": " << r.why;
  }
}

TEST(StatementsRobustness, RealCompilerGoesOnAndLeavesNoFile) {
  zoxtest::TempDir dir;
  dir.write("bad.adv", stmttest::kHeader +
                           "[ROOM r]\nPRINT \"unclosed\nGO\nIF\nEND\nCHOOSE ,\n"
                           "(a|b)\nm += 1\nQUIT\n");
  std::string cmd = "cd '" + dir.path() + "' && '" + zoxtest::binPath("zoxcomp") +
                    "' bad.adv </dev/null >out.txt 2>&1";
  int st = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(st));
  EXPECT_EQ(WEXITSTATUS(st), 54);  // the number of the last error: m is undeclared
  std::string out = dir.read("out.txt");
  for (const char* line :
       {"Error 20 in line 00003", "Error 20 in line 00004", "Error 20 in line 00005",
        "Error 20 in line 00007", "Error 93 in line 00008", "Error 54 in line 00009",
        "06 error(s) found !"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
  }
  EXPECT_FALSE(dir.exists("bad.zox"));
}

}  // namespace
