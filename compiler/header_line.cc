// The header line: [ZOX "title"] or [ZOX "title" PART n OF m].
#include "compiler/internal.h"
#include "compiler/stmt_common.h"
#include "format/adventure_file.h"
#include "format/text_key.h"

namespace zox {

namespace {

const char* skipBlanksAndTabs(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

// Decimal digits at p (at least one); the value saturates far above any part number.
bool readNumber(const char*& p, int* value) {
  if (*p < '0' || *p > '9') return false;
  long v = 0;
  while (*p >= '0' && *p <= '9') {
    if (v < 1000) v = v * 10 + (*p - '0');
    ++p;
  }
  *value = static_cast<int>(v);
  return true;
}

}  // namespace

int parseHeaderLine(const char* line, std::string* scrambledTitle, int* part, int* partCount) {
  const char* p = skipBlanksAndTabs(line);
  int consumed = 0;
  if (classify(p, nullptr, &consumed) != kTokAnsiText) return kErrHeader;
  p += consumed;
  if (!stmt::atLineEnd(p)) ++p;  // the one character after the keyword
  p = skipBlanksAndTabs(p);
  if (*p != '"') return kErrHeader;
  const char* title = ++p;
  while (!stmt::atLineEnd(p) && *p != '"') ++p;
  if (*p != '"') return kErrHeader;
  std::string_view titleText(title, static_cast<size_t>(p - title));
  ++p;
  p = skipBlanksAndTabs(p);

  int n = 1;
  int m = 1;
  if (*p != ']') {
    if (classify(p, nullptr, &consumed) != kTokPartWord) return kErrHeader;
    p = skipBlanksAndTabs(p + consumed);
    if (!readNumber(p, &n)) return kErrHeader;
    p = skipBlanksAndTabs(p);
    if (classify(p, nullptr, &consumed) != kTokOf) return kErrHeader;
    p = skipBlanksAndTabs(p + consumed);
    if (!readNumber(p, &m)) return kErrHeader;
    if (*p != ']') return kErrHeader;
    if (n < 1 || n > kMaxParts || m < n || m > kMaxParts) return kErrHeader;
  }
  ++p;  // the "]"
  while (*p == ' ' || *p == '\t' || *p == '\r') ++p;
  if (!stmt::atLineEnd(p)) return kErrHeader;

  if (titleText.size() > static_cast<size_t>(kMaxTitleChars)) return kErrHeader;
  std::optional<std::string> scrambled = scramble(titleText);
  if (!scrambled) return kErrHeader;
  *scrambledTitle = std::move(*scrambled);
  *part = n;
  *partCount = m;
  return 0;
}

}  // namespace zox
