// The statement compilers that the per-line dispatcher selects by token code. Each takes the
// line it was chosen for and returns 0 or an error number; bytes go out through emitByte.
#pragma once

#include "compiler/lexer.h"

namespace zox {

struct Compiler;  // compiler/compiler.h

// One statement as the dispatcher hands it over.
struct StatementLine {
  const char* line;  // the prepared line, after its leading blanks (NUL or newline ends it)
  const char* rest;  // the text after the first word: line + the lexer's consumed length
  int code;          // token code of the first word
  unsigned number;   // trailing number of the first word (IMSG7 gives 7)
  // The quotes of the prepared line, as prepareLine recorded them from `line` on; null when
  // the line was not scanned (the quoted-text readers then scan for themselves).
  const LineScan* scan = nullptr;
};

using StatementCompiler = int (*)(Compiler&, const StatementLine&);

// Texts and output
int compilePrint(Compiler& c, const StatementLine& s);     // PRINT
int compilePrintNl(Compiler& c, const StatementLine& s);   // PRINTNL
int compilePrintDnl(Compiler& c, const StatementLine& s);  // PRINTDNL
int compilePrintInp(Compiler& c, const StatementLine& s);  // PRINTINP
int compileContinuation(Compiler& c, const StatementLine& s);
int compileWait(Compiler& c, const StatementLine& s);
int compileNl(Compiler& c, const StatementLine& s);
int compileCls(Compiler& c, const StatementLine& s);
int compileQuit(Compiler& c, const StatementLine& s);
int compileResume(Compiler& c, const StatementLine& s);
int compileRestart(Compiler& c, const StatementLine& s);

// Input, clauses and choices
int compileInput(Compiler& c, const StatementLine& s);
int compileBracketClause(Compiler& c, const StatementLine& s);
int compileColonClause(Compiler& c, const StatementLine& s);
int compileChoose(Compiler& c, const StatementLine& s);
int compileChoiceEntry(Compiler& c, const StatementLine& s);
int compileEnd(Compiler& c, const StatementLine& s);  // END, END IF and END CHOOSE

// Jumps
int compileGo(Compiler& c, const StatementLine& s);
int compileContinue(Compiler& c, const StatementLine& s);

// Conditions and expressions
int compileIf(Compiler& c, const StatementLine& s);
int compileElse(Compiler& c, const StatementLine& s);
int compileVar(Compiler& c, const StatementLine& s);
int compileAssignment(Compiler& c, const StatementLine& s);  // name = value
int compileChange(Compiler& c, const StatementLine& s);      // name += n, name -= n

// Settings, messages, resources and items
int compileTitle(Compiler& c, const StatementLine& s);
int compileChoiceText(Compiler& c, const StatementLine& s);  // CTEXT
int compileInputText(Compiler& c, const StatementLine& s);   // ITEXT
int compileNumberText(Compiler& c, const StatementLine& s);  // INTEXT
int compilePassword(Compiler& c, const StatementLine& s);
int compileRoomInfo(Compiler& c, const StatementLine& s);  // RINFO
int compileStart(Compiler& c, const StatementLine& s);
int compileColour(Compiler& c, const StatementLine& s);  // the ten colour settings
int compileStatusLines(Compiler& c, const StatementLine& s);
int compileMessage(Compiler& c, const StatementLine& s);  // IMSGn
int compileResource(Compiler& c, const StatementLine& s);
int compileLoad(Compiler& c, const StatementLine& s);
int compileItem(Compiler& c, const StatementLine& s);

}  // namespace zox
