#pragma once

#include <cstdint>

// The commands that keys translate to. The named ones run from 0 in the
// alphabetical order of their names; user commands start at 256.
namespace vx::controls {

inline constexpr std::uint16_t ccNone = 0;
inline constexpr std::uint16_t ccBack = 1;
inline constexpr std::uint16_t ccBotOfPage = 2;
inline constexpr std::uint16_t ccBotRightCell = 3;
inline constexpr std::uint16_t ccCompleteDate = 4;
inline constexpr std::uint16_t ccCompleteTime = 5;
inline constexpr std::uint16_t ccCopy = 6;
inline constexpr std::uint16_t ccCtrlChar = 7;
inline constexpr std::uint16_t ccCut = 8;
inline constexpr std::uint16_t ccDec = 9;
inline constexpr std::uint16_t ccDel = 10;
inline constexpr std::uint16_t ccDelBol = 11;
inline constexpr std::uint16_t ccDelEol = 12;
inline constexpr std::uint16_t ccDelLine = 13;
inline constexpr std::uint16_t ccDelWord = 14;
inline constexpr std::uint16_t ccDown = 15;
inline constexpr std::uint16_t ccEnd = 16;
inline constexpr std::uint16_t ccExtendDown = 17;
inline constexpr std::uint16_t ccExtendEnd = 18;
inline constexpr std::uint16_t ccExtendHome = 19;
inline constexpr std::uint16_t ccExtendLeft = 20;
inline constexpr std::uint16_t ccExtendPgDn = 21;
inline constexpr std::uint16_t ccExtendPgUp = 22;
inline constexpr std::uint16_t ccExtendRight = 23;
inline constexpr std::uint16_t ccExtendUp = 24;
inline constexpr std::uint16_t ccExtBotOfPage = 25;
inline constexpr std::uint16_t ccExtFirstPage = 26;
inline constexpr std::uint16_t ccExtLastPage = 27;
inline constexpr std::uint16_t ccExtTopOfPage = 28;
inline constexpr std::uint16_t ccExtWordLeft = 29;
inline constexpr std::uint16_t ccExtWordRight = 30;
inline constexpr std::uint16_t ccFirstPage = 31;
inline constexpr std::uint16_t ccGotoMarker0 = 32;
inline constexpr std::uint16_t ccGotoMarker1 = 33;
inline constexpr std::uint16_t ccGotoMarker2 = 34;
inline constexpr std::uint16_t ccGotoMarker3 = 35;
inline constexpr std::uint16_t ccGotoMarker4 = 36;
inline constexpr std::uint16_t ccGotoMarker5 = 37;
inline constexpr std::uint16_t ccGotoMarker6 = 38;
inline constexpr std::uint16_t ccGotoMarker7 = 39;
inline constexpr std::uint16_t ccGotoMarker8 = 40;
inline constexpr std::uint16_t ccGotoMarker9 = 41;
inline constexpr std::uint16_t ccHome = 42;
inline constexpr std::uint16_t ccInc = 43;
inline constexpr std::uint16_t ccIns = 44;
inline constexpr std::uint16_t ccLastPage = 45;
inline constexpr std::uint16_t ccLeft = 46;
inline constexpr std::uint16_t ccNewLine = 47;
inline constexpr std::uint16_t ccNextPage = 48;
inline constexpr std::uint16_t ccPageLeft = 49;
inline constexpr std::uint16_t ccPageRight = 50;
inline constexpr std::uint16_t ccPaste = 51;
inline constexpr std::uint16_t ccPrevPage = 52;
inline constexpr std::uint16_t ccRedo = 53;
inline constexpr std::uint16_t ccRestore = 54;
inline constexpr std::uint16_t ccRight = 55;
inline constexpr std::uint16_t ccScrollDown = 56;
inline constexpr std::uint16_t ccScrollUp = 57;
inline constexpr std::uint16_t ccSetMarker0 = 58;
inline constexpr std::uint16_t ccSetMarker1 = 59;
inline constexpr std::uint16_t ccSetMarker2 = 60;
inline constexpr std::uint16_t ccSetMarker3 = 61;
inline constexpr std::uint16_t ccSetMarker4 = 62;
inline constexpr std::uint16_t ccSetMarker5 = 63;
inline constexpr std::uint16_t ccSetMarker6 = 64;
inline constexpr std::uint16_t ccSetMarker7 = 65;
inline constexpr std::uint16_t ccSetMarker8 = 66;
inline constexpr std::uint16_t ccSetMarker9 = 67;
inline constexpr std::uint16_t ccTab = 68;
inline constexpr std::uint16_t ccTableEdit = 69;
inline constexpr std::uint16_t ccTopLeftCell = 70;
inline constexpr std::uint16_t ccTopOfPage = 71;
inline constexpr std::uint16_t ccUndo = 72;
inline constexpr std::uint16_t ccUp = 73;
inline constexpr std::uint16_t ccWordLeft = 74;
inline constexpr std::uint16_t ccWordRight = 75;

// What the command processor itself answers.
// The key is no command: a field takes the character it types.
inline constexpr std::uint16_t ccNoCommand = 252;
// The second key of a two-key sequence matched no row.
inline constexpr std::uint16_t ccSequenceBroken = 254;
// Half of a two-key sequence is in: wait for the rest.
inline constexpr std::uint16_t ccSequencePending = 255;

}  // namespace vx::controls
