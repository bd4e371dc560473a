// The opcode table, built from the one list in opcodes.h.
#include "format/opcodes.h"

#include <array>

namespace zox {

namespace {
constexpr OpcodeInfo kTable[] = {
#define ZOX_OP_INFO(name, code, layout, dump) {code, layout, dump},
    ZOX_OPCODES(ZOX_OP_INFO)
#undef ZOX_OP_INFO
};

struct ByCode {
  std::array<const OpcodeInfo*, 256> entry{};
  ByCode() {
    for (const OpcodeInfo& info : kTable) entry[info.code] = &info;
  }
};
const ByCode kByCode;
}  // namespace

const OpcodeInfo* opcodeInfo(uint8_t code) {
  return kByCode.entry[code];
}

}  // namespace zox
