#include "core/VBError.h"

#include <utility>

namespace mellox {

VBError::VBError(int number, std::string description)
    : number_(number),
      description_(description.empty() ? StandardDescription(number) : std::move(description)) {}

std::string VBError::StandardDescription(int number) {
    switch (number) {
        case 5: return "Invalid procedure call or argument";
        case 6: return "Overflow";
        case 7: return "Out of memory";
        case 9: return "Subscript out of range";
        case 11: return "Division by zero";
        case 13: return "Type mismatch";
        case 52: return "Bad file name or number";
        case 53: return "File not found";
        case 55: return "File already open";
        case 57: return "Device I/O error";
        case 61: return "Disk full";
        case 62: return "Input past end of file";
        case 70: return "Permission denied";
        case 75: return "Path/File access error";
        case 76: return "Path not found";
        case 91: return "Object variable or With block variable not set";
        case 93: return "Invalid pattern string";
        case 424: return "Object required";
        case 438: return "Object doesn't support this property or method";
        case 457: return "This key is already associated with an element of this collection";
        default: return "Application-defined or object-defined error";
    }
}

void Raise(int number, std::string description) {
    throw VBError(number, std::move(description));
}

}  // namespace mellox
