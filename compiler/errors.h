// Every error number of zoxcomp, with its short meaning. Numbers appear in the compiler's code
// only through these names. Fatal errors end the run at once; recorded errors go into the error
// list and compilation goes on (up to 17 of them).
#pragma once

namespace zox {

inline constexpr int kErrArguments = 1;          // fatal: not exactly one argument
inline constexpr int kErrNoMemory = 2;           // no memory (fatal while opening and for the
                                                 // resource copy buffer; recorded for names)
inline constexpr int kErrOpen = 4;               // fatal: source or resource file cannot be opened
inline constexpr int kErrIo = 5;                 // fatal: first line unreadable; output write or
                                                 // seek failed; GO TO pass met a bad code area
inline constexpr int kErrCreate = 6;             // fatal: output file cannot be created
inline constexpr int kErrClose = 7;              // fatal: source or output cannot be closed
inline constexpr int kErrCompiledExtension = 8;  // fatal: source has the compiled ".zox" extension
inline constexpr int kErrSignal = 10;            // fatal: stopped by a signal
inline constexpr int kErrHeader = 11;            // fatal: bad header line
inline constexpr int kErrSyntax = 20;            // syntax error, keyword without a statement, ...
inline constexpr int kErrUnknownWord = 21;       // first word no keyword, fits no line shape
inline constexpr int kErrTooLong = 22;           // word of 18+ characters; room name over 50;
                                                 // ITEM / ITEMLIST text over 30; a first word
                                                 // [PART n] over 17 characters
inline constexpr int kErrSectionTwice = 23;      // [INIT] or [INVENTORY] a second time
inline constexpr int kErrRoomTwice = 24;         // the same room defined twice
inline constexpr int kErrTitleTwice = 25;        // TITLE a second time
inline constexpr int kErrChoiceTextTwice = 26;   // CTEXT a second time
inline constexpr int kErrStartTwice = 27;        // START a second time
inline constexpr int kErrInputTextTwice = 28;    // ITEXT a second time
inline constexpr int kErrPassword = 30;          // PASSWORD a second time or not in part 1
inline constexpr int kErrNumberTextTwice = 32;   // INTEXT a second time
inline constexpr int kErrUndefinedRoom = 33;     // a jump target room is never defined
inline constexpr int kErrStatusLinesTwice = 34;  // STATUSLINES in [INIT] after an earlier one
inline constexpr int kErrStatusTwice = 35;       // [STATUS] a second time
inline constexpr int kErrTooManyIfs = 37;        // more than 32000 IF blocks open
inline constexpr int kErrTooManyChooses = 38;    // CHOOSE block opened while 17 are open
inline constexpr int kErrNoTextVariable = 50;    // WAIT, CHOOSE or choice entry names no text var
inline constexpr int kErrBadCharacter = 51;      // a text holds a character it may not store
inline constexpr int kErrContinuation = 52;      // continuation line not after a continuable text
inline constexpr int kErrDeclaredTwice = 53;     // VAR or RESOURCE name declared twice
inline constexpr int kErrUndeclared = 54;        // name not in the table the statement needs
inline constexpr int kErrTableFull = 55;         // a name table is full (256 names)
inline constexpr int kErrNotAssignment = 56;     // VAR/RESOURCE without "name =", text to a
                                                 // flag or number variable
inline constexpr int kErrEmptyText = 57;         // empty quoted text where one is needed
inline constexpr int kErrMixedChoose = 80;       // CHOOSE list mixes room and INIT text variables
inline constexpr int kErrOutOfRange = 81;        // room table full; bad CONTINUE part; IMSG number
inline constexpr int kErrIfBlock = 82;           // ELSE twice; ELSE/END without IF; IF left open
inline constexpr int kErrTooMany = 83;           // CHOOSE list over 10; block over 16; IF n over 9
inline constexpr int kErrOutsideRoom = 84;       // QUIT, INPUT or RINFO outside a room
inline constexpr int kErrInitOnly = 85;          // an [INIT]-only setting outside [INIT]
inline constexpr int kErrNotHere = 86;           // statement not allowed in the current section
inline constexpr int kErrBraces = 87;            // braces not balanced in a clause pattern
inline constexpr int kErrPasswordLength = 88;    // PASSWORD shorter than 5 or longer than 50
inline constexpr int kErrInventoryNoClause =
    89;                                        // statement in [INVENTORY] before its first clause
inline constexpr int kErrColonNoBracket = 90;  // colon clause without a bracket clause before it
inline constexpr int kErrItemPlace = 91;       // ITEM not right after [ROOM, [INVENTORY] or ITEM
inline constexpr int kErrRandomBound = 92;     // RANDOM bound outside 1..32767
inline constexpr int kErrBar = 93;             // misplaced vertical bar in a clause pattern
inline constexpr int kErrChoiceBlock = 94;     // choice block not closed; entry/END CHOOSE
                                               // without an open block
inline constexpr int kErrNoEntries = 95;       // choice block without any entry

// Results of compileLine besides 0 and the fatal numbers; also used by resolveJumps and
// storeResource (-1: done / all stored, or errors were recorded; see each function).
inline constexpr int kSourceDone = -1;        // source finished without errors
inline constexpr int kSourceDoneErrors = -2;  // source finished, errors were recorded

}  // namespace zox
