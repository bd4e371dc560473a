// The per-line dispatcher: classifies and prepares a line, applies the placement rules, runs
// the section or statement compiler the first word selects, records its error, counts the
// line and stores the automatic ENDs of one-line IFs.
#include <algorithm>
#include <array>

#include "compiler/internal.h"
#include "format/opcodes.h"

namespace zox {

namespace {

// The statement compiler of each token code and where the statement may stand; codes without
// one (THEN, colours, OTHERWISE alone, ...) are refused with 20. Section headers and comments
// are handled before.
struct Selection {
  int code;
  StatementCompiler compile;
  Placement where;
};
constexpr Selection kSelections[] = {
    {kTokPrint, compilePrint, Placement::RoomOrStatus},
    {kTokPrintNl, compilePrintNl, Placement::RoomOrStatus},
    {kTokPrintDnl, compilePrintDnl, Placement::RoomOrStatus},
    {kTokPrintInp, compilePrintInp, Placement::RoomOrStatus},
    {kTokWait, compileWait, Placement::RoomNotStatus},
    {kTokChoose, compileChoose, Placement::RoomNotStatus},
    {kTokGo, compileGo, Placement::RoomNotStatus},
    {kTokQuit, compileQuit, Placement::Quit},
    {kTokCls, compileCls, Placement::RoomNotStatus},
    {kTokInput, compileInput, Placement::Input},
    {kTokResume, compileResume, Placement::RoomOrStatus},
    {kTokNl, compileNl, Placement::RoomOrStatus},
    {kTokRestart, compileRestart, Placement::RoomNotStatus},
    {kTokContinue, compileContinue, Placement::RoomNotStatus},
    {kTokEnd, compileEnd, Placement::End},
    {kTokContinuation, compileContinuation, Placement::NotBeforeClause},
    {kTokBracketClause, compileBracketClause, Placement::BracketClause},
    {kTokColonClause, compileColonClause, Placement::ColonClause},
    {kTokChoiceEntry, compileChoiceEntry, Placement::RoomNotStatus},
    {kTokIf, compileIf, Placement::RoomOrStatus},
    {kTokVar, compileVar, Placement::InitOnly},
    {kTokAssignment, compileAssignment, Placement::Assignment},
    {kTokChange, compileChange, Placement::RoomOrStatus},
    {kTokElse, compileElse, Placement::RoomOrStatus},
    {kTokTitle, compileTitle, Placement::InitOnly},
    {kTokCText, compileChoiceText, Placement::InitOnly},
    {kTokStart, compileStart, Placement::InitOnly},
    {kTokIText, compileInputText, Placement::InitOnly},
    {kTokRInfo, compileRoomInfo, Placement::RoomInfo},
    {kTokPassword, compilePassword, Placement::Password},
    {kTokItem, compileItem, Placement::Item},
    {kTokInText, compileNumberText, Placement::InitOnly},
    {kTokTextColor, compileColour, Placement::Colour},
    {kTokTextBackground, compileColour, Placement::Colour},
    {kTokScreenColor, compileColour, Placement::Colour},
    {kTokScreenBackground, compileColour, Placement::Colour},
    {kTokInputColor, compileColour, Placement::Colour},
    {kTokInputBackground, compileColour, Placement::Colour},
    {kTokTitleColor, compileColour, Placement::Colour},
    {kTokTitleBackground, compileColour, Placement::Colour},
    {kTokStatusColor, compileColour, Placement::Colour},
    {kTokStatusBackground, compileColour, Placement::Colour},
    {kTokImsg, compileMessage, Placement::NotBeforeClause},
    {kTokResource, compileResource, Placement::InitOnly},
    {kTokStatusLines, compileStatusLines, Placement::StatusLines},
    {kTokLoad, compileLoad, Placement::RoomOrStatus},
};

// The same table by token code (0..kTokDefault), for one lookup a line.
struct Selected {
  StatementCompiler compile = nullptr;
  Placement where = Placement::Anywhere;
};
constexpr std::array<Selected, kTokDefault + 1> kByCode = [] {
  std::array<Selected, kTokDefault + 1> byCode{};
  for (const Selection& s : kSelections) {
    byCode[static_cast<size_t>(s.code)] = Selected{s.compile, s.where};
  }
  return byCode;
}();

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
  const Selected& selected = kByCode[static_cast<size_t>(s.code)];
  StatementCompiler compile = selected.compile;
  if (compile == nullptr) return kErrSyntax;  // a keyword with no statement of its own
  if (int r = placementError(c, s, selected.where)) return r;
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
    if (result != 0) recordError(c, result, c.lineNumber, currentLineText(c));
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

  const SourceLine& l = c.line;
  const char* line = l.statement();
  const StatementLine s{line, line + l.consumed, l.code, l.number,
                        l.code != kTokRem ? &l.scan : nullptr};
  const bool complete = l.complete;

  const int waitingBefore = c.oneLineIfsWaiting;
  int result = dispatch(c, s);
  if (result == kErrIo) return result;
  if (result != 0) recordError(c, result, c.lineNumber, currentLineText(c));

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
