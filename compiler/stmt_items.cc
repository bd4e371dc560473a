// Resources and items: RESOURCE declarations (their offsets are filled in by the resource
// pass), LOAD of a declared resource, and ITEM lines.
#include <cstdint>
#include <string>

#include "compiler/compiler.h"
#include "compiler/statements.h"
#include "compiler/stmt_common.h"
#include "format/opcodes.h"

namespace zox {

namespace {

using namespace stmt;

constexpr size_t kMaxItemChars = 30;
constexpr uint8_t kKindAnsiText = 0;

}  // namespace

int compileResource(Compiler& c, const StatementLine& s) {
  std::string_view name;
  const char* q = nullptr;
  if (int r = declarationHead(s.rest, &name, &q)) return r;
  if (parseNumber(name)) return kErrSyntax;  // LOAD could not tell it from a number
  if (c.resources.find(name) >= 0) return kErrDeclaredTwice;
  if (c.resources.count() >= c.resources.capacity()) return kErrTableFull;

  QuotedText path;
  if (int r = readQuoted(s, q, path)) return r;
  // An empty path could never be opened; say so here, with the line, rather than let the
  // resource pass stop with a fatal error.
  if (path.text.empty()) return kErrEmptyText;
  q = skipBlanks(q);
  if (*q != ':') return kErrSyntax;
  q = skipBlanks(q + 1);
  if (atLineEnd(q)) return kErrSyntax;
  int used = 0;
  if (!isKeyword(q, kTokAnsiText, &used)) return kErrUndeclared;
  if (!onlyBlanks(q + used)) return kErrSyntax;

  int slot = -1;
  if (int r = c.resources.add(name, &slot)) return r;
  if (int r = emitByte(c, op(Op::Resource))) return r;
  ResourceEntry entry;
  entry.path = path.text;
  entry.placeholder = outputOffset(c);
  entry.kind = kKindAnsiText;
  c.resourceEntries.push_back(std::move(entry));
  ++c.resourceCount;
  if (int r = emitU32(c, 0)) return r;
  return emitByte(c, kKindAnsiText);
}

int compileLoad(Compiler& c, const StatementLine& s) {
  const char* p = skipBlanks(s.rest);
  std::string_view name = lexerWord(p);
  if (name.empty()) return kErrSyntax;
  if (name.size() > kMaxWordLength) return kErrTooLong;
  if (!onlyBlanks(p + name.size())) return kErrSyntax;
  int slot = c.resources.find(name);
  if (slot < 0) return kErrUndeclared;
  if (int r = emitByte(c, op(Op::Load))) return r;
  return emitByte(c, static_cast<uint8_t>(slot));
}

int compileItem(Compiler& c, const StatementLine& s) {
  const char* p = skipBlanks(s.rest);
  if (atLineEnd(p)) return kErrSyntax;
  std::string_view name = plainWord(p, "=");
  if (name.size() > kMaxWordLength) return kErrTooLong;
  p = skipBlanks(p + name.size());
  if (*p != '=') return kErrSyntax;
  ++p;
  QuotedText quoted;
  if (int r = readFinalQuoted(s, p, quoted)) return r;
  int flag = c.flags.find(name);
  if (flag < 0) return kErrUndeclared;
  if (quoted.text.size() > kMaxItemChars) return kErrTooLong;
  if (!quoted.allowed) return kErrBadCharacter;
  if (int r = emitByte(c, op(Op::Item))) return r;
  if (int r = emitByte(c, static_cast<uint8_t>(flag))) return r;
  return emitText(c, quoted.text);
}

}  // namespace zox
