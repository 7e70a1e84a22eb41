#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tavro {

// The node program of a compiled RegexPattern: a position-independent byte
// array of nodes with no header. The first node is always a BRANCH.
//
// Node layout:
//   byte 0      opcode (below)
//   bytes 1-2   next link, signed 16-bit little-endian offset from this node to
//               its successor; 0 means none. BACK subtracts it (points
//               backwards), every other opcode adds it.
//   bytes 3...  operand, for the opcodes that have one.
//
// The operand of BRANCH, STAR and PLUS is the node that physically follows the
// three header bytes. A STAR/PLUS operand is one ANY, ANYOF, ANYBUT or
// one-byte EXACTLY node whose own link is 0. Because links are 16-bit, a
// program must stay below kProgramLimit bytes.
enum Opcode : std::uint8_t {
    END = 0,      // end of program: success
    BOL = 1,      // empty match at the start of the subject
    EOL = 2,      // empty match at the end of the subject
    ANY = 3,      // any one byte
    ANYOF = 4,    // one byte among the NUL-terminated members at offset 3
    ANYBUT = 5,   // one byte not among the NUL-terminated members at offset 3
    BRANCH = 6,   // one alternative, the node at offset 3; link to the next alternative
    BACK = 7,     // empty match; link points backwards, closing a loop
    EXACTLY = 8,  // the NUL-terminated literal (at least one byte) at offset 3
    NOTHING = 9,  // empty match
    STAR = 10,    // the simple node at offset 3, 0 or more times, greedy
    PLUS = 11,    // the simple node at offset 3, 1 or more times, greedy
    OPEN = 20,    // OPEN+n (21..29): records the start of group n
    CLOSE = 30,   // CLOSE+n (31..39): records the end of group n
};

// What a parse routine reports about the piece of pattern it parsed.
enum CompileFlag : int {
    WORST = 0,     // no information
    HASWIDTH = 1,  // never matches the empty string
    SIMPLE = 2,    // exactly one byte; fits as a STAR/PLUS operand
    SPSTART = 4,   // starts with a repetition; asks for the must-string search
};

inline constexpr std::size_t kNodeHeader = 3;
inline constexpr int kProgramLimit = 32768;  // a program must be smaller than this

// Reads the signed 16-bit little-endian link of the node at `node`.
inline int ReadLink(const std::uint8_t* node) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(node[1] | (node[2] << 8)));
}

// A listing with one line per node, in program order:
//   "<offset> <OPCODE> -> <next offset or ->[ <operand>]"
// Literal and member bytes are quoted, with \xHH for bytes outside printable
// ASCII. A truncated or unreadable program ends the listing with a note.
std::string DumpProgram(const std::uint8_t* program, std::size_t size);

}  // namespace tavro
