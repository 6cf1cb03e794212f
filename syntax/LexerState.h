#pragma once
// The lexer's 32-bit state word, carried from each line into the next.
//
// Bits 0..15 hold the result of the last object-header recogniser run; they never
// influence a classification, because every run clears them first. Bits 16..25 are
// the lexer's flags. Bit 23 and bits 26..31 are always clear between characters.
// Every render starts from LEX_DIRECTIVE_EXPECTED alone.

#include <cstdint>

inline constexpr std::uint32_t LEX_RECOGNISER_MASK = 0x0000FFFFu;
inline constexpr std::uint32_t LEX_IN_COMMENT = 0x00010000u;       // never carried past a line
inline constexpr std::uint32_t LEX_IN_SINGLE_QUOTE = 0x00020000u;
inline constexpr std::uint32_t LEX_IN_DOUBLE_QUOTE = 0x00040000u;
inline constexpr std::uint32_t LEX_IN_ROUTINE = 0x00080000u;        // between [ and ]
inline constexpr std::uint32_t LEX_IN_OBJECT_BODY = 0x00100000u;    // past with/has/class/->/* or ,
inline constexpr std::uint32_t LEX_PROPERTY_EXPECTED = 0x00200000u;
inline constexpr std::uint32_t LEX_IN_ATTRIBUTE_LIST = 0x00400000u;
inline constexpr std::uint32_t LEX_ROUTINE_NAME_EXPECTED = 0x01000000u;
inline constexpr std::uint32_t LEX_DIRECTIVE_EXPECTED = 0x02000000u;

// The recogniser's 16-bit result: node in bits 0..7, count in bits 8..14,
// REC_WORD_DONE in bit 15. Special states have a count of 0.
inline constexpr std::uint32_t REC_START = 0x0000u;        // nothing read, or a lone '#'
inline constexpr std::uint32_t REC_AFTER_MINUS = 0x0001u;
inline constexpr std::uint32_t REC_ARROW = 0x0002u;        // "->"
inline constexpr std::uint32_t REC_STAR = 0x0003u;         // "*"
inline constexpr std::uint32_t REC_NOT_A_WORD = 0x00FFu;
inline constexpr std::uint32_t REC_WORD_DONE = 0x8000u;
inline constexpr std::uint32_t REC_COUNT_ONE = 0x0100u;
inline constexpr std::uint32_t REC_COUNT_MASK = 0x7F00u;
inline constexpr std::uint32_t REC_NODE_MASK = 0x00FFu;
inline constexpr std::uint32_t REC_FIRST_WORD = 0x8100u;   // results >= this are completed words
inline constexpr std::uint32_t REC_WITH = 0x8404u;
inline constexpr std::uint32_t REC_HAS = 0x8313u;
inline constexpr std::uint32_t REC_CLASS = 0x8525u;
