// The executor's error numbers, in one table. 1 to 11 are input/output errors (printed by the
// usage text), 12 to 19 end the program, 20 and above are errors of the stored code, which the
// run-time error dialog offers to ignore, repeat or leave.
#pragma once

namespace zox {

inline constexpr int kErrBadParameters = 1;  // wrong command line
inline constexpr int kErrNoMemory = 2;       // an allocation failed
inline constexpr int kErrCannotOpen = 3;     // file missing, unreadable, not a plain file
inline constexpr int kErrExtension = 4;      // the file name does not end in ".zox"
inline constexpr int kErrRead = 5;           // read or seek failed, file ends inside an area
inline constexpr int kErrEndOfFile = 6;      // a field could not be read whole
inline constexpr int kErrClose = 7;          // closing the file failed
inline constexpr int kErrCorrupt = 8;        // magic or checksum wrong
inline constexpr int kErrIncompatible = 9;   // separator or version not accepted
inline constexpr int kErrUserBreak = 10;     // SIGINT, SIGQUIT or SIGTERM
inline constexpr int kErrPassword = 11;      // the typed password is wrong
inline constexpr int kErrWrongPart = 12;     // a part file that does not fit the adventure
inline constexpr int kErrPartFailed = 18;    // part switch or restart found bad code
inline constexpr int kErrEnvironment = 19;   // a failed load left the engine unusable

inline constexpr int kErrFirstRunTime = 20;      // from here on the error dialog offers choices
inline constexpr int kErrUnknownStatement = 20;  // also corrupt text, bad colour, stray NOT
inline constexpr int kErrNoRoom = 21;            // GO TO target no room header, room not found
inline constexpr int kErrPastSection = 23;       // a header reached while no clause runs
inline constexpr int kErrNoClause = 24;          // no clause matches, no fallback
inline constexpr int kErrPromptInClause = 25;    // the command prompt inside a command clause
// 26, fewer than 30 columns for the line input, is the console's kErrFieldTooShort.
inline constexpr int kErrTooManyResources = 27;  // more than 256 RESOURCE statements
inline constexpr int kErrNoStatusSection = 28;   // status lines set but no [STATUS section
inline constexpr int kErrMessageNumber = 50;     // IMSG number outside 1 to 19
inline constexpr int kErrAbsentText = 51;        // an absent text variable printed or waited on
inline constexpr int kErrChoiceCount = 52;       // a choice list of 0 or more than 16 entries
inline constexpr int kErrBlockNotClosed = 53;    // a skipped block ran into a header
inline constexpr int kErrEndWithoutIf = 54;      // END with no open IF block
inline constexpr int kErrResumeOutside = 55;     // RESUME outside a command clause
inline constexpr int kErrNotInInit = 56;         // a statement [INIT may not hold
inline constexpr int kErrInitOnly = 57;          // an [INIT-only statement reached in play
inline constexpr int kErrInventoryCursor = 58;   // GO TO, go by number or RINFO in [INVENTORY
inline constexpr int kErrGoOtherwise = 59;       // GO OTHERWISE outside a command clause
inline constexpr int kErrResourceKind = 60;      // a resource kind byte other than 0
inline constexpr int kErrRefusedInStatus = 61;   // a statement the [STATUS section may not hold
inline constexpr int kErrNoResource = 63;        // LOAD of a resource never registered
inline constexpr int kErrResourcePart = 64;      // LOAD: the part file holding it fails its check

}  // namespace zox
