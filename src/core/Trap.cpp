#include "core/Trap.h"

#include <cstdio>
#include <memory>

namespace mellox {

namespace {

constexpr int kMaxReportDepth = 3;

int g_reportDepth = 0;
// Held by shared_ptr so a sink that replaces itself while running stays alive
// until its call returns.
std::shared_ptr<const ErrorSink> g_sink;

void WriteStderr(int number, const char* description, const char* procedure, const char* owner,
                 const char* note) noexcept {
    std::fprintf(stderr, "Mellox: error %d (%s) in %s.%s%s\n", number, description ? description : "",
                 owner ? owner : "", procedure ? procedure : "", note ? note : "");
    std::fflush(stderr);
}

struct DepthGuard {
    DepthGuard() noexcept { ++g_reportDepth; }
    ~DepthGuard() { --g_reportDepth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
};

}  // namespace

void SetErrorSink(ErrorSink sink) {
    if (sink) {
        g_sink = std::make_shared<const ErrorSink>(std::move(sink));
    } else {
        g_sink.reset();
    }
}

void ReportTrapped(int number, const std::string& description, const std::string& procedure,
                   const std::string& owner, bool isModule) noexcept {
    std::shared_ptr<const ErrorSink> sink = g_sink;
    if (!sink) {
        WriteStderr(number, description.c_str(), procedure.c_str(), owner.c_str(), nullptr);
        return;
    }
    if (g_reportDepth >= kMaxReportDepth) {
        WriteStderr(number, description.c_str(), procedure.c_str(), owner.c_str(),
                    " [nested report]");
        return;
    }
    DepthGuard guard;
    try {
        (*sink)(number, description, procedure, owner, isModule);
    } catch (const std::exception& e) {
        WriteStderr(number, description.c_str(), procedure.c_str(), owner.c_str(),
                    " [reporter failed]");
        WriteStderr(0, e.what(), "ReportTrapped", "ErrorSink", nullptr);
    } catch (...) {
        WriteStderr(number, description.c_str(), procedure.c_str(), owner.c_str(),
                    " [reporter failed]");
    }
}

namespace detail {

void ReportCurrentException(const char* procedure, const char* owner, bool isModule) noexcept {
    int number = 5;
    std::string description;
    try {
        try {
            throw;
        } catch (const VBError& e) {
            number = e.Number();
            description = e.Description();
        } catch (const std::bad_alloc&) {
            number = 7;
            description = "Out of memory";
        } catch (const std::exception& e) {
            number = 5;
            description = e.what();
        } catch (...) {
            number = 5;
            description = VBError::StandardDescription(5);
        }
        ReportTrapped(number, description, procedure ? procedure : "", owner ? owner : "", isModule);
    } catch (...) {
        // Copying names failed (out of memory): the message still has to go somewhere.
        WriteStderr(number, "Out of memory", procedure, owner, " [report failed]");
    }
}

}  // namespace detail

}  // namespace mellox
