// Placeholders for statement compilers not written yet: each refuses its line as a syntax
// error. A compiler moves out of this file into its own as it is written.
#include "compiler/statements.h"

namespace zox {

namespace {
constexpr int kNotYet = 20;
}  // namespace

int compilePrint(Compiler&, const StatementLine&) { return kNotYet; }
int compilePrintNl(Compiler&, const StatementLine&) { return kNotYet; }
int compilePrintDnl(Compiler&, const StatementLine&) { return kNotYet; }
int compilePrintInp(Compiler&, const StatementLine&) { return kNotYet; }
int compileContinuation(Compiler&, const StatementLine&) { return kNotYet; }
int compileWait(Compiler&, const StatementLine&) { return kNotYet; }
int compileNl(Compiler&, const StatementLine&) { return kNotYet; }
int compileCls(Compiler&, const StatementLine&) { return kNotYet; }
int compileQuit(Compiler&, const StatementLine&) { return kNotYet; }
int compileResume(Compiler&, const StatementLine&) { return kNotYet; }
int compileRestart(Compiler&, const StatementLine&) { return kNotYet; }
int compileInput(Compiler&, const StatementLine&) { return kNotYet; }
int compileBracketClause(Compiler&, const StatementLine&) { return kNotYet; }
int compileColonClause(Compiler&, const StatementLine&) { return kNotYet; }
int compileChoose(Compiler&, const StatementLine&) { return kNotYet; }
int compileChoiceEntry(Compiler&, const StatementLine&) { return kNotYet; }
int compileEnd(Compiler&, const StatementLine&) { return kNotYet; }
int compileGo(Compiler&, const StatementLine&) { return kNotYet; }
int compileContinue(Compiler&, const StatementLine&) { return kNotYet; }
int compileIf(Compiler&, const StatementLine&) { return kNotYet; }
int compileElse(Compiler&, const StatementLine&) { return kNotYet; }
int compileVar(Compiler&, const StatementLine&) { return kNotYet; }
int compileAssignment(Compiler&, const StatementLine&) { return kNotYet; }
int compileChange(Compiler&, const StatementLine&) { return kNotYet; }
int compileTitle(Compiler&, const StatementLine&) { return kNotYet; }
int compileChoiceText(Compiler&, const StatementLine&) { return kNotYet; }
int compileInputText(Compiler&, const StatementLine&) { return kNotYet; }
int compileNumberText(Compiler&, const StatementLine&) { return kNotYet; }
int compilePassword(Compiler&, const StatementLine&) { return kNotYet; }
int compileRoomInfo(Compiler&, const StatementLine&) { return kNotYet; }
int compileStart(Compiler&, const StatementLine&) { return kNotYet; }
int compileColour(Compiler&, const StatementLine&) { return kNotYet; }
int compileStatusLines(Compiler&, const StatementLine&) { return kNotYet; }
int compileMessage(Compiler&, const StatementLine&) { return kNotYet; }
int compileResource(Compiler&, const StatementLine&) { return kNotYet; }
int compileLoad(Compiler&, const StatementLine&) { return kNotYet; }
int compileItem(Compiler&, const StatementLine&) { return kNotYet; }

}  // namespace zox
