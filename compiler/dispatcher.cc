// The per-line dispatcher: classifies and prepares a line, applies the placement rules, runs
// the section or statement compiler the first word selects, records its error, counts the
// line and stores the automatic ENDs of one-line IFs.
#include <algorithm>
#include <array>

#include "compiler/internal.h"
#include "format/opcodes.h"

namespace zox {

namespace {

bool isSkipped(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\r';
}

// The statement compiler of each token code; codes without one (THEN, colours, OTHERWISE
// alone, ...) are refused with 20. Section headers and comments are handled before.
struct Selection {
  int code;
  StatementCompiler compile;
};
constexpr Selection kSelections[] = {
    {kTokPrint, compilePrint},
    {kTokPrintNl, compilePrintNl},
    {kTokPrintDnl, compilePrintDnl},
    {kTokPrintInp, compilePrintInp},
    {kTokWait, compileWait},
    {kTokChoose, compileChoose},
    {kTokGo, compileGo},
    {kTokQuit, compileQuit},
    {kTokCls, compileCls},
    {kTokInput, compileInput},
    {kTokResume, compileResume},
    {kTokNl, compileNl},
    {kTokRestart, compileRestart},
    {kTokContinue, compileContinue},
    {kTokEnd, compileEnd},
    {kTokContinuation, compileContinuation},
    {kTokBracketClause, compileBracketClause},
    {kTokColonClause, compileColonClause},
    {kTokChoiceEntry, compileChoiceEntry},
    {kTokIf, compileIf},
    {kTokVar, compileVar},
    {kTokAssignment, compileAssignment},
    {kTokChange, compileChange},
    {kTokElse, compileElse},
    {kTokTitle, compileTitle},
    {kTokCText, compileChoiceText},
    {kTokStart, compileStart},
    {kTokIText, compileInputText},
    {kTokRInfo, compileRoomInfo},
    {kTokPassword, compilePassword},
    {kTokItem, compileItem},
    {kTokInText, compileNumberText},
    {kTokTextColor, compileColour},
    {kTokTextBackground, compileColour},
    {kTokScreenColor, compileColour},
    {kTokScreenBackground, compileColour},
    {kTokInputColor, compileColour},
    {kTokInputBackground, compileColour},
    {kTokTitleColor, compileColour},
    {kTokTitleBackground, compileColour},
    {kTokStatusColor, compileColour},
    {kTokStatusBackground, compileColour},
    {kTokImsg, compileMessage},
    {kTokResource, compileResource},
    {kTokStatusLines, compileStatusLines},
    {kTokLoad, compileLoad},
};

// The same table by token code (0..kTokDefault), for one lookup a line.
constexpr std::array<StatementCompiler, kTokDefault + 1> kByCode = [] {
  std::array<StatementCompiler, kTokDefault + 1> byCode{};
  for (const Selection& s : kSelections) byCode[static_cast<size_t>(s.code)] = s.compile;
  return byCode;
}();

StatementCompiler compilerFor(int code) {
  return code >= 0 && code <= kTokDefault ? kByCode[static_cast<size_t>(code)] : nullptr;
}

// Runs what the line's first word selects; the result is 0 or an error number to record
// (5 ends the compilation).
int dispatch(Compiler& c, const StatementLine& s) {
  switch (s.code) {
    case kTokRem:
      return 0;
    case kTokInit:
    case kTokRoom:
    case kTokInventorySection:
    case kTokStatus:
      return compileSectionHeader(c, s);
    case kTokUnknown:
      return kErrUnknownWord;
    case kTokTooLong:
      return kErrTooLong;
    default:
      break;
  }
  StatementCompiler compile = compilerFor(s.code);
  if (compile == nullptr) return kErrSyntax;  // a keyword with no statement of its own
  if (int r = placementError(c, s)) return r;
  const bool clauseLine = s.code == kTokBracketClause || s.code == kTokColonClause;
  // A clause line ends the blocks before it, so it cannot be the statement of a one-line IF:
  // there it is refused whole, as a section header is, and the blocks stay open.
  if (clauseLine && c.oneLineIfsWaiting > 0) return kErrSyntax;
  if (s.code != kTokContinuation) {
    if (int r = storePendingNewLine(c)) return r;
    c.continuationAllowed = false;
  }
  int result = compile(c, s);
  if (result == kErrIo) return result;
  if (s.code == kTokImsg && result == 0) c.continuationAllowed = true;
  if (clauseLine) {
    // A clause line ends the IF and choice blocks before it; its own error comes first.
    if (result != 0) recordError(c, result, c.lineNumber, std::string_view(c.lineBuffer.data()));
    closeOpenBlocks(c);
    return 0;
  }
  return result;
}

void endOfSourceChecks(Compiler& c) {
  closeOpenBlocks(c);
}

}  // namespace

int compileLine(Compiler& c) {
  if (!c.haveLine) {
    endOfSourceChecks(c);
    if (!c.errors.empty()) return kSourceDoneErrors;
    if (int r = emitByte(c, op(Op::EndOfCode))) return r;
    if (c.sourceFile) {
      int closed = std::fclose(c.sourceFile);
      c.sourceFile = nullptr;
      if (closed != 0) return kErrClose;
    }
    c.lineNumber = 0;
    return kSourceDone;
  }

  char* buffer = c.lineBuffer.data();
  char* line = buffer;
  while (isSkipped(*line)) ++line;
  StatementLine s{line, line, kTokRem, 0};
  bool complete = true;
  if (const AheadLine* ahead = c.lineAhead) {
    // Classified and prepared by a look-ahead, exactly as below.
    s.code = ahead->code;
    s.number = ahead->number;
    s.rest = line + ahead->consumed;
    complete = ahead->complete;
    c.readPos = ahead->next;
    const LineScan& scan = ahead->scan;
    c.lineScan.quoteCount = scan.quoteCount;
    const size_t quotes = std::min(scan.quoteCount, LineScan::kMaxQuotes);
    std::copy_n(scan.quotes.begin(), quotes, c.lineScan.quotes.begin());
    std::copy_n(scan.refusedBefore.begin(), quotes, c.lineScan.refusedBefore.begin());
    if (s.code != kTokRem) s.scan = &c.lineScan;
    c.lineAhead = nullptr;
  } else if (*line != '\0' && *line != '\n') {
    int consumed = 0;
    s.code = classify(line, &s.number, &consumed);
    s.rest = line + consumed;
    if (s.code != kTokRem) {
      size_t resume = 0;
      s.scan = &c.lineScan;
      if (prepareLine(line, &resume, &c.lineScan) == kLineSplit) {
        complete = false;
        c.readPos = c.lineOffset + static_cast<size_t>(line - buffer) + resume;
      }
    }
  }

  const int waitingBefore = c.oneLineIfsWaiting;
  int result = dispatch(c, s);
  if (result == kErrIo) return result;
  if (result != 0) recordError(c, result, c.lineNumber, std::string_view(buffer));

  if (s.code == kTokRoom || s.code == kTokInventorySection || s.code == kTokItem) {
    c.itemLineMark = true;
  } else if (s.code > 0) {
    c.itemLineMark = false;
  }

  // The line number advances once per physical line: after its last piece. A piece left by a
  // one-line IF or a colon clause (which clears the count-this-line mark) is not the last,
  // also when the line is split by a "/" as well; the mark is for this piece only.
  const bool askedForEnds = c.oneLineIfsWaiting > waitingBefore;
  if (complete && !askedForEnds && c.countThisLine) ++c.lineNumber;
  c.countThisLine = true;

  readNextLine(c);

  if (!askedForEnds && c.oneLineIfsWaiting > 0) {
    c.continuationAllowed = false;
    if (int r = storePendingNewLine(c)) return r;
    for (; c.oneLineIfsWaiting > 0; --c.oneLineIfsWaiting) {
      if (int r = emitByte(c, op(Op::End))) return r;
      c.elseSeen.reset(static_cast<size_t>(c.ifDepth));
      if (c.ifDepth > 0) --c.ifDepth;
    }
  }
  return 0;
}

}  // namespace zox
