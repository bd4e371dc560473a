// The pieces the corpus of zoxcomp-corpus builds its random sources from: names, texts,
// numbers, colours, clause patterns, statement lines good and bad, header lines.
#pragma once

#include <string>
#include <vector>

namespace zoxcorpus {

inline const std::vector<std::string> kRooms = {
    "r0",
    "r1",
    "r2",
    "R1",
    "hall",
    "Hall",
    "r7",
    "x",
    "a_room_name_of_exactly_fifty_characters_0123456789",
    "a_room_name_of_fifty_one_characters_012345678901234",
    "",
    "two words",
    "r\xE4",
    "r1]x"};
inline const std::vector<std::string> kTexts = {"t1",
                                                "t2",
                                                "here",
                                                "name",
                                                "T1",
                                                "north",
                                                "\xE4pfel",
                                                "t_seventeen_chars",
                                                "t_eighteen_chars_x"};
inline const std::vector<std::string> kNumbers = {"score", "n", "other", "x", "N", "lamp"};
inline const std::vector<std::string> kFlags = {"lamp", "door", "score", "LAMP", "open"};
inline const std::vector<std::string> kStrings = {"",
                                                  "hello",
                                                  "You see a door.",
                                                  "with / a slash",
                                                  "tab\there",
                                                  "\xC4pfel und \xFC\x62\x65r \xDF",
                                                  "caf\xE9",
                                                  "a '\x01' control",
                                                  "x",
                                                  std::string(29, 'a'),
                                                  std::string(30, 'b'),
                                                  std::string(31, 'c'),
                                                  std::string(79, 'd'),
                                                  std::string(80, 'e'),
                                                  std::string(81, 'f'),
                                                  "ends with a colon:",
                                                  "brackets [ROOM r1] and (look)",
                                                  "IF x THEN PRINT",
                                                  "semi; colon: comma, dash - plus + equals =",
                                                  "del\x7F",
                                                  "\xA0nbsp",
                                                  "UTF-8 \xC3\xA4",
                                                  "{lamp}|{lantern}"};
inline const std::vector<std::string> kNumberWords = {
    "0",           "1",  "-1", "5",   "9",   "10", "16",  "15", "32767", "32768", "2147483647",
    "99999999999", "+3", "-0", "007", "abc", "1x", "--1", "-",  "65536", "00",    "3 4"};
inline const std::vector<std::string> kColours = {
    "BLACK",   "BLUE", "GREEN",  "CYAN",     "RED",          "WHITE",     "LIGHTGRAY",
    "DEFAULT", "PINK", "yellow", "lightred", "LIGHTMAGENTA", "DARKGRAY ", "WHITE x"};
inline const std::vector<std::string> kPatterns = {"look",      "take {lamp}|{lantern}",
                                                   "{a",        "a|b",
                                                   "",          "OTHERWISE",
                                                   "otherwise", "  x  {  y } ",
                                                   "|{x}",      "{x}|",
                                                   "}{",        "go north",
                                                   "a {b} c",   "\xE9t\xE9"};

// Statement lines; @R room, @T text variable, @N number variable, @F flag, @S text, @D number
// word, @C colour, @P clause pattern, @W any word.
inline const std::vector<std::string> kStatements = {
    // Texts and output
    "PRINT \"@S\"", "PRINT @T", "PRINT @N", "PRINT", "PRINT RINFO", "PRINT INVENTORY",
    "PRINT ITEMLIST \"@S\"", "PRINT \"@S\" junk", "PRINT \"@S", "PRINT @T @T", "PRINT RINFO x",
    "PRINTNL \"@S\"", "PRINTDNL \"@S\"", "PRINTINP \"@S\"", "PRINTNL @N", "PRINTDNL", "\"@S\"",
    "\"@S\" x", "\"@S", "NL", "NL x", "CLS", "CLS / NL", "QUIT", "QUIT now", "RESUME", "RESTART",
    "WAIT", "WAIT \"@S\"", "WAIT @T", "WAIT @N", "WAIT x y",
    // Input and clauses
    "INPUT", "INPUT \"@S\"", "INPUT \"@S\" @N", "INPUT @T", "INPUT \"\"", "INPUT @W",
    "INPUT \"@S\" @T x", "(@P)", "(@P) x", "(@P", "@P: PRINT \"@S\"", "@P:", "look: NL / CLS",
    "(OTHERWISE)", "OTHERWISE: QUIT", "OTHERWISE",
    // Choices
    "CHOOSE @T, @T", "CHOOSE @T", "CHOOSE @T,", "CHOOSE @T @T", "CHOOSE", "CHOOSE RANDOM",
    "CHOOSE RANDOM x", "* @T", "*", "*@T", "* @T x", "END CHOOSE", "END CHOOSE x",
    "CHOOSE t1, t1, t1, t1, t1, t1, t1, t1, t1, t1",
    "CHOOSE t1, t1, t1, t1, t1, t1, t1, t1, t1, t1, t1",
    // Conditions
    "IF @F THEN", "IF @F = TRUE THEN", "IF @F = FALSE THEN", "IF @F > TRUE THEN", "IF @N = @D THEN",
    "IF @N > @D THEN", "IF @N < @D THEN", "IF @N = @N THEN", "IF @N<@D THEN", "IF NOT @N > @D THEN",
    "IF NOT @N<@D THEN", "IF NOT @F THEN", "IF @D THEN", "IF NOT @D THEN", "IF 0 THEN",
    "IF @N = @D", "IF", "IF NOT", "IF @F THEN PRINT \"@S\"", "IF @F THEN IF @N = 1 THEN NL",
    "IF @F THEN END", "IF @F THEN ELSE", "IF @F THEN [ROOM r1]", "IF @F THEN (look)",
    "IF @F THEN CHOOSE", "IF @F THEN @P: NL", "ELSE", "ELSE x", "END", "END IF", "END IF x",
    "END x y",
    // Variables
    "VAR @F = TRUE", "VAR @F = FALSE", "VAR @N = @D", "VAR @N", "VAR = 5", "VAR @W = @W",
    "VAR @N = @D x", "VAR", "@N = @D", "@N = RANDOM(@D)", "@N = RANDOM @D", "@N = RANDOM(@D",
    "@F = TRUE", "@F = FALSE x", "@T = \"@S\"", "@N = \"@S\"", "@W = @W", "@N =", "@N += @D",
    "@N -= @D", "@N += x", "@N -=", "@N += @D x", "@W += 1",
    // Jumps
    "GO TO [ROOM @R]", "GO [ROOM @R]", "GO TO [ROOM@R]", "GO TO [ROOM @R] x", "GO TO", "GO",
    "GO OTHERWISE", "GO (OTHERWISE)", "GO ( OTHERWISE ) x", "GO TO OTHERWISE", "GO TO [ROOMS]",
    "CONTINUE WITH [PART @D]", "CONTINUE [PART 2]", "CONTINUE [PART2]", "CONTINUE",
    "CONTINUE WITH [PART 2] x",
    // Settings
    "TITLE = \"@S\"", "TITLE \"@S\"", "CTEXT = \"@S\"", "ITEXT = \"@S\"", "INTEXT = \"@S\"",
    "PASSWORD = \"@S\"", "PASSWORD = \"secret\"", "START = [ROOM @R]", "START [ROOM @R]",
    "RINFO = \"@S\"", "RINFO \"@S\"", "TEXTCOLOR = @C", "TEXTBACKGROUND = @C", "SCREENCOLOR = @C",
    "SCREENBACKGROUND = @C", "INPUTCOLOR = @C", "INPUTBACKGROUND = @C", "TITLECOLOR = @C",
    "TITLEBACKGROUND = @C", "STATUSCOLOR = @C", "STATUSBACKGROUND = @C", "TEXTCOLOR @C",
    "STATUSLINES = @D", "STATUSLINES @D", "IMSG@D = \"@S\"", "IMSG = \"@S\"", "IMSG 3 = \"@S\"",
    "IMSG3 \"@S\"",
    // Resources and items
    "RESOURCE logo = \"logo.ans\" : ANSITEXT", "RESOURCE @W = \"logo.ans\" : ANSITEXT",
    "RESOURCE logo = \"logo.ans\" : TEXT", "RESOURCE logo = \"logo.ans\"",
    "RESOURCE 5 = \"logo.ans\" : ANSITEXT", "RESOURCE logo = \"\" : ANSITEXT", "RESOURCE",
    "RESOURCE logo", "LOAD logo", "LOAD @W", "LOAD logo x", "LOAD", "ITEM @F = \"@S\"",
    "ITEM @F \"@S\"", "ITEM", "ITEM @W = \"@S\"",
    // Keywords without statements, words that are no keywords
    "THEN", "TRUE", "FALSE", "BLUE", "RANDOM", "ITEMLIST", "INVENTORY", "[PART 3]", "OF", "TO",
    "WITH", "PART", "DEFAULT", "ANSITEXT", "[ZOX", "[VORNIK", "@W", "@W @W",
    "averyveryverylongword", "averyveryverylongword: NL", "seventeen_chars_x", "REM @S",
    "rem / not split", "   ", "\t\tPRINT \"@S\"", "PRINT \"@S\"\r", "PRINT \"@S\" / NL / CLS",
    "[PART 12345678901234567]",
    // Section headers out of place
    "[INIT]", "[ROOM @R]", "[INVENTORY]", "[STATUS]", "[INIT ]", "[ROOM]", "[STATUS] x",
    "[INVENTORY", "[ROOMS]"};

inline const std::vector<std::string> kWords = {
    "foo", "Bar", "x1", "\xE4\xF6\xFC", "a_b",        "IMSG",   "print",  "Print",  "gO", "*x",
    "=",   ":",   "/",  "\"",           "TEXTCOLORX", "PRINTX", "REMARK", "[INITX]"};

inline const std::vector<std::string> kHeaders = {
    "[ZOX \"Corpus\"]",
    "[ZOX \"Corpus\" PART 1 OF 3]",
    "[ZOX \"Corpus\" PART 2 OF 3]",
    "[ZOX \"Corpus\" PART 11 OF 11]",
    "[VORNIK \"Old style\"]",
    "  [zox \"lower\"]",
    "[ANSITEXT \"odd\"]",
    "[ZOX \"\"]",
    "[ZOX\"no blank\"]",
    "[ZOX \"\xC4rger\"]",
    "[ZOX \"bad \xE9\"]",
    "[ZOX \"Corpus\" PART 3 OF 2]",
    "[ZOX \"Corpus\" PART 0 OF 2]",
    "[ZOX \"Corpus\" PART 1 OF 12]",
    "[ZOX \"Corpus\" PART 1 OF 2 ]",
    "[ZOX \"Corpus\"] junk",
    "[ZOX \"unclosed]",
    "ZOX \"Corpus\"]",
    "[ZOX \"Corpus\"]\r",
    "[ZOX \"Corpus\"\t]\t",
    "",
};

}  // namespace zoxcorpus
