// The opcode table of the code area: one line per stored statement with its operand layout.
// Every reader of a code area (compiler passes, executor, dump tool) goes through this table.
#pragma once

#include <cstdint>
#include <string_view>

namespace zox {

// Operand layout letters, in stored order:
//   b  u8 (variable, flag, slot, count-free byte)   c  u8 colour (0..15, 255 = DEFAULT)
//   r  u16 room number                              h  u16 plain number
//   w  u32 signed number                            o  u32 absolute file offset
//   l  u8 count, then count u8 slots                m  u8 count, u16 entry mask, count u8 slots
//   t  text up to the next byte of 0xA0 or above (always last)
//
// X(enum name, opcode, layout, dump name)
#define ZOX_OPCODES(X)                               \
  X(Init, 0xA0, "", "INIT")                          \
  X(Room, 0xA1, "r", "ROOM")                         \
  X(SetRoomText, 0xA2, "bt", "SET-ROOMTEXT")         \
  X(PrintRoomText, 0xA3, "b", "PRINT-ROOMTEXT")      \
  X(PrintInitText, 0xA4, "b", "PRINT-INITTEXT")      \
  X(Wait, 0xA5, "", "WAIT")                          \
  X(WaitInitText, 0xA6, "b", "WAIT-INITTEXT")        \
  X(ChooseRoomTexts, 0xA7, "l", "CHOOSE-ROOMTEXTS")  \
  X(ChooseInitTexts, 0xA8, "l", "CHOOSE-INITTEXTS")  \
  X(IfChoice, 0xA9, "b", "IF-CHOICE")                \
  X(End, 0xAA, "", "END")                            \
  X(GoRoomNumber, 0xAB, "r", "GO-ROOMNUMBER")        \
  X(IfFlag, 0xAC, "bb", "IF-FLAG")                   \
  X(IfNumberEq, 0xAD, "bw", "IF-NUMBER=")            \
  X(SetNumber, 0xAE, "bw", "SET-NUMBER")             \
  X(SetInitText, 0xAF, "bt", "SET-INITTEXT")         \
  X(Title, 0xB0, "t", "TITLE")                       \
  X(VarFlag, 0xB1, "bb", "VAR-FLAG")                 \
  X(VarNumber, 0xB2, "bw", "VAR-NUMBER")             \
  X(Quit, 0xB3, "", "QUIT")                          \
  X(ChoiceText, 0xB4, "t", "CTEXT")                  \
  X(Start, 0xB5, "r", "START")                       \
  X(SetFlag, 0xB6, "bb", "SET-FLAG")                 \
  X(Cls, 0xB7, "", "CLS")                            \
  X(InputCommand, 0xB8, "t", "INPUT")                \
  X(BracketClause, 0xB9, "t", "CLAUSE()")            \
  X(ColonClause, 0xBA, "t", "CLAUSE:")               \
  X(BracketOtherwise, 0xBB, "", "OTHERWISE()")       \
  X(ColonOtherwise, 0xBC, "", "OTHERWISE:")          \
  X(InputText, 0xBD, "t", "ITEXT")                   \
  X(Inventory, 0xBE, "", "INVENTORY")                \
  X(Resume, 0xBF, "", "RESUME")                      \
  X(NewLine, 0xC0, "", "NL")                         \
  X(PrintNumber, 0xC1, "b", "PRINT-NUMBER")          \
  X(AddNumber, 0xC2, "bw", "ADD-NUMBER")             \
  X(SubNumber, 0xC3, "bw", "SUB-NUMBER")             \
  X(WaitRoomText, 0xC4, "b", "WAIT-ROOMTEXT")        \
  X(RoomInfo, 0xC5, "t", "RINFO")                    \
  X(PrintRoomInfo, 0xC6, "", "PRINT-RINFO")          \
  X(Print, 0xC7, "t", "PRINT")                       \
  X(Not, 0xC8, "", "NOT")                            \
  X(Password, 0xC9, "t", "PASSWORD")                 \
  X(Item, 0xCA, "bt", "ITEM")                        \
  X(PrintInventory, 0xCB, "", "PRINT-INVENTORY")     \
  X(TextColor, 0xCC, "c", "TEXTCOLOR")               \
  X(TextBackground, 0xCD, "c", "TEXTBACKGROUND")     \
  X(ScreenColor, 0xCE, "c", "SCREENCOLOR")           \
  X(ScreenBackground, 0xCF, "c", "SCREENBACKGROUND") \
  X(InputColor, 0xD0, "c", "INPUTCOLOR")             \
  X(InputBackground, 0xD1, "c", "INPUTBACKGROUND")   \
  X(TitleColor, 0xD2, "c", "TITLECOLOR")             \
  X(TitleBackground, 0xD3, "c", "TITLEBACKGROUND")   \
  X(GoOtherwise, 0xD4, "", "GO-OTHERWISE")           \
  X(GoOtherwiseBracket, 0xD5, "", "GO-(OTHERWISE)")  \
  X(Random, 0xD6, "bh", "RANDOM")                    \
  X(IfNumberGt, 0xD7, "bw", "IF-NUMBER>")            \
  X(IfNumberLt, 0xD8, "bw", "IF-NUMBER<")            \
  X(Message, 0xD9, "bt", "IMSG")                     \
  X(PrintItemList, 0xDA, "t", "PRINT-ITEMLIST")      \
  X(IfNumbersEq, 0xDB, "bb", "IF-NUMBERS=")          \
  X(IfNumbersGt, 0xDC, "bb", "IF-NUMBERS>")          \
  X(IfNumbersLt, 0xDD, "bb", "IF-NUMBERS<")          \
  X(InputNumber, 0xDE, "bt", "INPUT-NUMBER")         \
  X(NumberText, 0xDF, "t", "INTEXT")                 \
  X(WaitText, 0xE0, "t", "WAIT-TEXT")                \
  X(Restart, 0xE1, "", "RESTART")                    \
  X(Resource, 0xE2, "ob", "RESOURCE")                \
  X(Continue, 0xE3, "b", "CONTINUE")                 \
  X(GoTo, 0xE4, "o", "GOTO")                         \
  X(StatusLines, 0xE5, "b", "STATUSLINES")           \
  X(StatusColor, 0xE6, "c", "STATUSCOLOR")           \
  X(StatusBackground, 0xE7, "c", "STATUSBACKGROUND") \
  X(Else, 0xE8, "", "ELSE")                          \
  X(ChooseBlock, 0xE9, "m", "CHOOSE-BLOCK")          \
  X(InputRoomText, 0xEA, "bt", "INPUT-ROOMTEXT")     \
  X(InputInitText, 0xEB, "bt", "INPUT-INITTEXT")     \
  X(ChooseRandom, 0xEC, "m", "CHOOSE-RANDOM")        \
  X(Load, 0xED, "b", "LOAD")                         \
  X(EndOfCode, 0xFF, "", "END-OF-CODE")

enum class Op : uint8_t {
#define ZOX_OP_ENUM(name, code, layout, dump) name = code,
  ZOX_OPCODES(ZOX_OP_ENUM)
#undef ZOX_OP_ENUM
};

inline constexpr uint8_t kFirstOpcode = 0xA0;  // every byte from here up ends a text
inline constexpr uint8_t kColourDefault = 255;
inline constexpr int kColourCount = 16;

struct OpcodeInfo {
  uint8_t code;
  std::string_view layout;
  std::string_view name;  // the name the dump tool prints
  bool hasText() const { return !layout.empty() && layout.back() == 't'; }
};

// The table entry of an opcode byte, or nullptr for a byte that is no valid opcode.
const OpcodeInfo* opcodeInfo(uint8_t code);

inline constexpr uint8_t op(Op o) {
  return static_cast<uint8_t>(o);
}

// True for the IF tests that a NOT prefix may stand before.
constexpr bool isNegatableTest(uint8_t code) {
  switch (static_cast<Op>(code)) {
    case Op::IfChoice:
    case Op::IfFlag:
    case Op::IfNumberEq:
    case Op::IfNumberGt:
    case Op::IfNumberLt:
    case Op::IfNumbersEq:
    case Op::IfNumbersGt:
    case Op::IfNumbersLt:
      return true;
    default:
      return false;
  }
}

// True for the colour settings, whose operand must be below 16 or 255.
constexpr bool isColourStatement(uint8_t code) {
  return (code >= op(Op::TextColor) && code <= op(Op::TitleBackground)) ||
         code == op(Op::StatusColor) || code == op(Op::StatusBackground);
}

}  // namespace zox
