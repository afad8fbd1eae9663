#include "core/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdint>

#include "core/VBError.h"

namespace mellox {

namespace {

std::function<int(std::string_view)> g_fault;
uint64_t g_tempCounter = 0;

int Injected(std::string_view stage) { return g_fault ? g_fault(stage) : 0; }

[[noreturn]] void RaiseForErrno(int err) {
    switch (err) {
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
            Raise(61);
        case EACCES:
        case EROFS:
        case EPERM:
            Raise(70);
        case ENOENT:
        case ENOTDIR:
            Raise(76);
        default:
            Raise(75);
    }
}

constexpr std::string_view kTempMark = ".tmp-";
constexpr std::size_t kTempDigits = 12;
constexpr char kHex[] = "0123456789abcdef";

std::string TempName(const std::filesystem::path& path) {
    uint64_t v = (static_cast<uint64_t>(::getpid()) << 32) ^ ++g_tempCounter ^
                 reinterpret_cast<uintptr_t>(&g_tempCounter);
    std::string suffix(kTempMark);
    for (std::size_t i = 0; i < kTempDigits; ++i) {
        suffix.push_back(kHex[v & 15]);
        v >>= 4;
    }
    return path.string() + suffix;
}

}  // namespace

void SetAtomicWriteFaultForTesting(std::function<int(std::string_view stage)> injector) {
    g_fault = std::move(injector);
}

void WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes) {
    std::string temp;
    int fd = -1;
    int err = Injected("open");
    if (err == 0) {
        // A leftover temporary of the same name (a crashed earlier run) is never reused.
        for (int attempt = 0; attempt < 16; ++attempt) {
            temp = TempName(path);
            fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0 || errno != EEXIST) break;
        }
        if (fd < 0) err = errno;
    }
    if (err != 0) RaiseForErrno(err);

    auto fail = [&](int e) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        RaiseForErrno(e);
    };

    err = Injected("write");
    if (err != 0) fail(err);
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        if (n == 0) fail(EIO);
        p += n;
        left -= static_cast<size_t>(n);
    }

    err = Injected("close");
    const int closed = ::close(fd);
    fd = -1;
    if (err == 0 && closed != 0) err = errno;
    if (err != 0) fail(err);

    err = Injected("rename");
    if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) fail(err);
}

void RemoveLeftoverTemporaries(const std::filesystem::path& path) {
    const std::string prefix = path.filename().string() + std::string(kTempMark);
    std::error_code ec;
    std::filesystem::directory_iterator it(path.parent_path().empty() ? "." : path.parent_path(), ec);
    for (const std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() != prefix.size() + kTempDigits || name.compare(0, prefix.size(), prefix) != 0) continue;
        if (name.find_first_not_of(kHex, prefix.size()) != std::string::npos) continue;
        std::error_code ignored;
        if (it->is_regular_file(ignored)) std::filesystem::remove(it->path(), ignored);
    }
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::string data;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        data.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    out = std::move(data);
    return true;
}

}  // namespace mellox
