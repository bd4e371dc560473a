// Generated sources: a ring of rooms, and rooms that use every statement.
#include "source_generator.h"

namespace zoxbench {

namespace {
std::string room(int n) {
  return "[ROOM r" + std::to_string(n) + "]";
}
}  // namespace

std::string ringOfRooms(int rooms) {
  std::string s = "[ZOX \"Ring\"]\n[INIT]\nSTART = " + room(0) + "\n";
  for (int i = 0; i < rooms; ++i) {
    s += room(i) + "\n";
    s += "PRINT \"You stand in room " + std::to_string(i) + " of the ring.\"\n";
    s += "GO TO " + room((i + 1) % rooms) + "\n";
    s += "GO TO " + room((i + rooms - 1) % rooms) + "\n";
  }
  return s;
}

std::string everyStatement(int rooms, const std::string& resourcePath) {
  std::string s =
      "[ZOX \"Every statement\" PART 1 OF 2]\n"
      "REM settings and declarations\n"
      "[INIT]\n"
      "TITLE = \"Bench\"\n"
      "CTEXT = \"Your choice:\"\n"
      "ITEXT = \"What now?\"\n"
      "INTEXT = \"A number, please:\"\n"
      "PASSWORD = \"secret\"\n"
      "START = [ROOM r0]\n"
      "TEXTCOLOR = WHITE\nTEXTBACKGROUND = BLUE\nSCREENCOLOR = LIGHTGRAY\n"
      "SCREENBACKGROUND = BLACK\nINPUTCOLOR = YELLOW\nINPUTBACKGROUND = BLUE\n"
      "TITLECOLOR = BLACK\nTITLEBACKGROUND = CYAN\nSTATUSCOLOR = WHITE\n"
      "STATUSBACKGROUND = RED\n"
      "STATUSLINES = 2\n"
      "IMSG12 = \"Your hands are empty.\"\n"
      "VAR lamp = FALSE\nVAR score = 0\nVAR other = 5\n"
      "t1 = \"the first way\"\nt2 = \"the second way\"\n"
      "RESOURCE logo = \"" +
      resourcePath +
      "\" : ANSITEXT\n"
      "[STATUS]\n"
      "PRINT \"Score: \"\nPRINT score\nRINFO = \"status\"\n"
      "[INVENTORY]\n"
      "(use lamp)\nPRINT \"It glows.\"\nlamp = TRUE\nRESUME\n";
  for (int i = 0; i < rooms; ++i) {
    std::string n = std::to_string(i);
    s += room(i) + "\n";
    s += "ITEM lamp = \"a brass lamp\"\n";
    s += "PRINT \"Room " + n + ": a long description of what there is to see here.\"\n";
    s += "\"A continuation line / with a slash inside the quotes.\"\n";
    s += "PRINTNL \"A new line first.\"\nPRINTDNL \"And one after.\"\n";
    s += "PRINTINP \"Two before.\"\nPRINT t1\nPRINT score\nPRINT RINFO\nPRINT INVENTORY\n";
    s += "PRINT ITEMLIST \"You see:\"\nPRINT\nRINFO = \"Room " + n + "\"\n";
    s += "NL\nWAIT\nWAIT \"Press a key\"\nWAIT t1\nCLS\n";
    s += "here = \"a room text\"\nPRINT here\n";
    s += "CHOOSE t1, t2\nIF 1 THEN PRINT \"one\"\n";
    s += "CHOOSE RANDOM\n* t1\nPRINT \"a\"\n* here\nPRINT \"b\"\nEND CHOOSE\n";
    s += "IF lamp THEN\n  score += 1\nELSE\n  score -= 1\nEND\n";
    s += "IF NOT score > 3 THEN NL\nIF score = other THEN CLS / NL\n";
    s += "IF score < 10 THEN IF lamp = FALSE THEN score = 1\n";
    s += "other = RANDOM(6)\nlamp = FALSE\nscore = 7\n";
    s += "INPUT \"Your name?\" name\nINPUT score\nTEXTCOLOR = DEFAULT\nLOAD logo\n";
    s += "IMSG3 = \"LEAVE\"\nSTATUSLINES = 3\n";
    s += "INPUT\n";
    s += "(look)\nPRINT \"You look around.\"\nRESUME\n";
    s += "take {lamp}|{lantern}: PRINT \"Taken.\"\n";
    s += "(OTHERWISE)\nGO OTHERWISE\n";
    s += "(go on)\nGO TO " + room((i + 1) % rooms) + "\n";
    s += "(go back)\nGO " + room((i + rooms - 1) % rooms) + "\n";
    s += "(end)\nQUIT\n(again)\nRESTART\n(more)\nCONTINUE WITH [PART 2]\n";
  }
  return s;
}

std::string choiceRooms(int rooms) {
  std::string s = "[ZOX \"Choices\"]\n[INIT]\nSTART = " + room(0) + "\n";
  s.reserve(static_cast<size_t>(rooms) * 290 + 64);
  for (int i = 0; i < rooms; ++i) {
    std::string n = std::to_string(i);
    s += room(i) + "\n";
    s += "PRINT \"You are in room " + n + ", a long hall with a high ceiling.\"\n";
    s += "PRINT \"Doors lead north and south; a cold draught blows.\"\n";
    s += "PRINT \"Dust lies thick on the floor.\"\n";
    s += "north = \"Go north\"\n";
    s += "south = \"Go south\"\n";
    s += "CHOOSE\n* north\nGO TO " + room((i + 1) % rooms) + "\n";
    s += "* south\nGO TO " + room((i + rooms - 1) % rooms) + "\nEND CHOOSE\n";
  }
  return s;
}

}  // namespace zoxbench
