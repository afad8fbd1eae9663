#pragma once

#include <exception>
#include <functional>
#include <new>
#include <string>
#include <utility>

#include "core/VBError.h"

namespace mellox {

using ErrorSink = std::function<void(int number, const std::string& description,
                                     const std::string& procedure, const std::string& owner,
                                     bool isModule)>;

// Installs the error reporter; an empty sink restores the default (one line to stderr).
void SetErrorSink(ErrorSink sink);

// Reports through the current sink. Never throws: a sink that fails, or reports
// nested deeper than a few levels, fall back to stderr so reporting cannot recurse
// without end.
void ReportTrapped(int number, const std::string& description, const std::string& procedure,
                   const std::string& owner, bool isModule) noexcept;

namespace detail {
void ReportCurrentException(const char* procedure, const char* owner, bool isModule) noexcept;
}

// Runs body as a procedure with an error trap: any error is reported with the
// procedure and owner names and swallowed. Returns true when body completed.
template <class F>
bool Trap(const char* procedure, const char* owner, F&& body) {
    try {
        std::forward<F>(body)();
        return true;
    } catch (...) {
        detail::ReportCurrentException(procedure, owner, false);
    }
    return false;
}

template <class F>
bool TrapModule(const char* procedure, const char* module, F&& body) {
    try {
        std::forward<F>(body)();
        return true;
    } catch (...) {
        detail::ReportCurrentException(procedure, module, true);
    }
    return false;
}

}  // namespace mellox
