// Words, numbers, quoted texts and clause patterns for the statement compilers.
#include "compiler/stmt_common.h"

#include <climits>

#include "compiler/compiler.h"
#include "format/text_key.h"

namespace zox::stmt {

std::string_view plainWord(const char* p, std::string_view stops) {
  const char* q = p;
  while (!atLineEnd(q) && *q != ' ' && stops.find(*q) == std::string_view::npos) ++q;
  return {p, static_cast<size_t>(q - p)};
}

std::optional<int32_t> parseNumber(std::string_view word) {
  size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
  if (i == word.size()) return std::nullopt;
  int64_t magnitude = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return std::nullopt;
    // Past the range the value sticks at the nearest limit; keep counting digits only.
    if (magnitude <= int64_t{INT32_MAX} + 1) magnitude = magnitude * 10 + (word[i] - '0');
  }
  if (negative)
    return magnitude > int64_t{INT32_MAX} ? INT32_MIN : static_cast<int32_t>(-magnitude);
  return magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
}

int64_t leadingValue(std::string_view word) {
  size_t i = 0;
  bool negative = false;
  if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
  int64_t magnitude = 0;
  for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
    if (magnitude <= int64_t{INT32_MAX} + 1) magnitude = magnitude * 10 + (word[i] - '0');
  }
  return negative ? -magnitude : magnitude;
}

int readQuoted(const StatementLine& s, const char*& p, QuotedText& out) {
  const char* q = skipBlanks(p);
  if (*q != '"') return kErrSyntax;
  const LineScan* scan = s.scan;
  if (scan && scan->quoteCount <= LineScan::kMaxQuotes && q >= s.line) {
    const auto at = static_cast<size_t>(q - s.line);
    for (size_t k = 0; k < scan->quoteCount && scan->quotes[k] <= at; ++k) {
      if (scan->quotes[k] != at) continue;
      if (k + 1 == scan->quoteCount) return kErrSyntax;  // no closing quote
      const char* close = s.line + scan->quotes[k + 1];
      out.text = std::string_view(q + 1, static_cast<size_t>(close - q - 1));
      out.allowed = scan->refusedBefore[k + 1] == scan->refusedBefore[k];
      p = close + 1;
      return 0;
    }
  }
  // A line that was not scanned: the text is read here.
  const char* begin = ++q;
  while (!atLineEnd(q) && *q != '"') ++q;
  if (*q != '"') return kErrSyntax;
  out.text = std::string_view(begin, static_cast<size_t>(q - begin));
  out.allowed = textAllowed(out.text);
  p = q + 1;
  return 0;
}

int declarationHead(const char* rest, std::string_view* name, const char** afterEquals) {
  const char* p = skipBlanks(rest);
  if (atLineEnd(p)) return kErrSyntax;
  *name = plainWord(p, "=");
  const char* q = skipBlanks(p + name->size());
  if (name->empty() || *q != '=') return kErrNotAssignment;
  if (name->size() > kMaxWordLength) return kErrTooLong;
  *afterEquals = q + 1;
  return 0;
}

int readFinalQuoted(const StatementLine& s, const char* p, QuotedText& out) {
  if (int r = readQuoted(s, p, out)) return r;
  return onlyBlanks(p) ? 0 : kErrSyntax;
}

std::string normalisePattern(std::string_view raw) {
  std::string out;
  size_t i = 0;
  while (i < raw.size()) {
    if (raw[i] != ' ') {
      out += raw[i++];
      continue;
    }
    while (i < raw.size() && raw[i] == ' ') ++i;
    // A run of blanks survives as one blank only between two things that are not braces or
    // bars on the side the blank would touch; leading and trailing blanks go.
    if (out.empty() || i == raw.size()) continue;
    char before = out.back();
    char after = raw[i];
    if (before == '{' || before == '|' || before == '}') continue;
    if (after == '{' || after == '}') continue;
    out += ' ';
  }
  return out;
}

int checkPattern(std::string_view pattern) {
  int depth = 0;
  for (char c : pattern) {
    if (c == '{') ++depth;
    if (c == '}' && --depth < 0) return kErrBraces;
  }
  if (depth != 0) return kErrBraces;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '|') continue;
    if (i >= 2 && pattern[i - 1] != '}') return kErrBar;
    if (pattern.find('{', i + 1) == std::string_view::npos) return kErrBar;
  }
  if (pattern.empty()) return kErrEmptyText;
  return 0;
}

}  // namespace zox::stmt

namespace zox::stmt {

int wordCode(const char* p, unsigned* number, int* consumed) {
  if (atLineEnd(p)) return kNoWord;
  return classify(p, number, consumed);
}

bool isKeyword(const char* p, int code, int* consumed) {
  const size_t length = keywordAt(p, code);
  if (length == 0) return false;
  if (consumed) *consumed = static_cast<int>(length);
  return true;
}

bool textAllowed(std::string_view latin1) {
  return firstRefused(latin1) == std::string_view::npos;
}

int emitSlotAndValue(Compiler& c, uint8_t opcode, int slot, int32_t value) {
  if (int r = emitByte(c, opcode)) return r;
  if (int r = emitByte(c, static_cast<uint8_t>(slot))) return r;
  return emitU32(c, static_cast<uint32_t>(value));
}

int emitTextStatement(Compiler& c, uint8_t opcode, std::string_view latin1) {
  if (!textAllowed(latin1)) return kErrBadCharacter;
  if (int r = emitByte(c, opcode)) return r;
  return emitText(c, latin1);
}

int emitTextStatement(Compiler& c, uint8_t opcode, const QuotedText& quoted) {
  if (!quoted.allowed) return kErrBadCharacter;
  if (int r = emitByte(c, opcode)) return r;
  return emitText(c, quoted.text);
}

void allowContinuation(Compiler& c, size_t textLength) {
  c.lastTextLineLength = static_cast<int>(textLength);
  c.continuationAllowed = true;
}

int refusedInOneLineIf(const Compiler& c) {
  return c.oneLineIfsWaiting > 0 ? kErrSyntax : 0;
}

}  // namespace zox::stmt
