// The per-line dispatcher: classifies and prepares a line, applies the placement rules, runs
// the section or statement compiler the first word selects, records its error, counts the
// line and stores the automatic ENDs of one-line IFs.
#include "compiler/internal.h"
#include "format/opcodes.h"

namespace zox {

namespace {

bool isSkipped(char ch) { return ch == ' ' || ch == '\t' || ch == '\r'; }

// The statement compiler for a token code, or null for codes that have none.
StatementCompiler compilerFor(int code) {
  switch (code) {
    case kTokPrint: return compilePrint;
    case kTokPrintNl: return compilePrintNl;
    case kTokPrintDnl: return compilePrintDnl;
    case kTokPrintInp: return compilePrintInp;
    case kTokWait: return compileWait;
    case kTokChoose: return compileChoose;
    case kTokGo: return compileGo;
    case kTokQuit: return compileQuit;
    case kTokCls: return compileCls;
    case kTokInput: return compileInput;
    case kTokResume: return compileResume;
    case kTokNl: return compileNl;
    case kTokRestart: return compileRestart;
    case kTokContinue: return compileContinue;
    case kTokEnd: return compileEnd;
    case kTokContinuation: return compileContinuation;
    case kTokBracketClause: return compileBracketClause;
    case kTokColonClause: return compileColonClause;
    case kTokChoiceEntry: return compileChoiceEntry;
    case kTokIf: return compileIf;
    case kTokVar: return compileVar;
    case kTokAssignment: return compileAssignment;
    case kTokChange: return compileChange;
    case kTokElse: return compileElse;
    case kTokTitle: return compileTitle;
    case kTokCText: return compileChoiceText;
    case kTokStart: return compileStart;
    case kTokIText: return compileInputText;
    case kTokRInfo: return compileRoomInfo;
    case kTokPassword: return compilePassword;
    case kTokItem: return compileItem;
    case kTokInText: return compileNumberText;
    case kTokTextColor:
    case kTokTextBackground:
    case kTokScreenColor:
    case kTokScreenBackground:
    case kTokInputColor:
    case kTokInputBackground:
    case kTokTitleColor:
    case kTokTitleBackground:
    case kTokStatusColor:
    case kTokStatusBackground:
      return compileColour;
    case kTokImsg: return compileMessage;
    case kTokResource: return compileResource;
    case kTokStatusLines: return compileStatusLines;
    case kTokLoad: return compileLoad;
    default: return nullptr;
  }
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
  if (s.code != kTokContinuation) {
    if (int r = storePendingNewLine(c)) return r;
    c.continuationAllowed = false;
  }
  int result = compile(c, s);
  if (result == kErrIo) return result;
  if (s.code == kTokImsg && result == 0) c.continuationAllowed = true;
  if (s.code == kTokBracketClause || s.code == kTokColonClause) {
    // A clause line ends the IF and choice blocks before it; its own error comes first.
    if (result != 0) recordError(c, result, c.lineNumber, std::string_view(c.lineBuffer.data()));
    closeOpenBlocks(c);
    return 0;
  }
  return result;
}

void endOfSourceChecks(Compiler& c) { closeOpenBlocks(c); }

}  // namespace

int compileLine(Compiler& c) {
  if (!c.haveLine) {
    endOfSourceChecks(c);
    if (!c.errors.empty()) return kSourceDoneErrors;
    if (int r = emitByte(c, op(Op::EndOfCode))) return r;
    if (int r = flushCodeArea(c)) return r;
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
  if (*line != '\0' && *line != '\n') {
    int consumed = 0;
    s.code = classify(line, &s.number, &consumed);
    s.rest = line + consumed;
    if (s.code != kTokRem) {
      size_t resume = 0;
      if (prepareLine(line, &resume) == kLineSplit) {
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

  const bool askedForEnds = c.oneLineIfsWaiting > waitingBefore;
  if (complete && !askedForEnds) {
    if (c.countThisLine) {
      ++c.lineNumber;
    } else {
      c.countThisLine = true;
    }
  }

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
