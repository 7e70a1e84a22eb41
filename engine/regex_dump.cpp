// Readable listing of a node program, for tests and debugging.

#include <cstdio>

#include "engine/regex_program.h"

namespace tavro {

namespace {

std::string OpcodeName(std::uint8_t op) {
    static const char* const kNames[] = {"END",    "BOL",  "EOL",     "ANY",     "ANYOF", "ANYBUT",
                                         "BRANCH", "BACK", "EXACTLY", "NOTHING", "STAR",  "PLUS"};
    if (op <= PLUS) return kNames[op];
    std::string name = "?";
    int number = op;
    if (op > OPEN && op < OPEN + 10) {
        name = "OPEN";
        number = op - OPEN;
    } else if (op > CLOSE && op < CLOSE + 10) {
        name = "CLOSE";
        number = op - CLOSE;
    }
    name += std::to_string(number);
    return name;
}

void AppendQuoted(std::string& out, const std::uint8_t* bytes, std::size_t length) {
    out.push_back('"');
    for (std::size_t i = 0; i < length; ++i) {
        unsigned char c = bytes[i];
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    out.push_back('"');
}

}  // namespace

std::string DumpProgram(const std::uint8_t* program, std::size_t size) {
    std::string out;
    if (program == nullptr) return out;
    std::size_t offset = 0;
    while (offset < size) {
        if (size - offset < kNodeHeader) {
            out += std::to_string(offset) + " <truncated node>\n";
            break;
        }
        const std::uint8_t* node = program + offset;
        const int link = ReadLink(node);
        out += std::to_string(offset) + " " + OpcodeName(node[0]) + " -> ";
        if (link == 0) {
            out += "-";
        } else {
            long target = static_cast<long>(offset) + (node[0] == BACK ? -link : link);
            out += std::to_string(target);
        }
        offset += kNodeHeader;
        if (node[0] == EXACTLY || node[0] == ANYOF || node[0] == ANYBUT) {
            std::size_t end = offset;
            while (end < size && program[end] != 0) ++end;
            out.push_back(' ');
            AppendQuoted(out, program + offset, end - offset);
            if (end == size) {
                out += " <unterminated>\n";
                break;
            }
            offset = end + 1;
        }
        out.push_back('\n');
    }
    return out;
}

}  // namespace tavro
