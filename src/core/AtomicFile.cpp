#include "core/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdint>

#include "core/VBError.h"

namespace mellox {

namespace {

std::function<int(std::string_view)> g_fault;
uint64_t g_tempCounter = 0;

std::optional<std::uint64_t> g_room;

int Injected(std::string_view stage) { return g_fault ? g_fault(stage) : 0; }

// A write needing that many new bytes on the simulated nearly full disk.
int NoRoomFor(std::uint64_t bytes) { return g_room && bytes > *g_room ? ENOSPC : 0; }

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

// Writes all the bytes at offset; 0 or the errno of the step that failed.
int WriteAllAt(int fd, std::string_view bytes, std::uint64_t offset) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::pwrite(fd, p, left, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        p += n;
        left -= static_cast<size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return 0;
}

// Reads exactly bytes.size() bytes at offset; false when it cannot.
bool ReadAllAt(int fd, std::string& bytes, std::uint64_t offset) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

void SetAtomicWriteFaultForTesting(std::function<int(std::string_view stage)> injector) {
    g_fault = std::move(injector);
}

void SetWriteRoomForTesting(std::optional<std::uint64_t> bytes) { g_room = bytes; }

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
    if (err == 0) err = NoRoomFor(bytes.size());
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

namespace {

// Whether name is a file of the kind ("<file>", file ending in extension)
// or, with a copy's suffix, one of its copies' ("<file><suffix>", "<file><suffix>.N").
bool NamesFileOrCopy(std::string_view name, std::string_view extension, std::string_view copySuffix) {
    const std::size_t copy = copySuffix.empty() ? std::string_view::npos : name.rfind(copySuffix);
    if (copy != std::string_view::npos) {
        const std::string_view number = name.substr(copy + copySuffix.size());
        if (number.empty() || (number.size() > 1 && number[0] == '.' &&
                               number.find_first_not_of("0123456789", 1) == std::string_view::npos)) {
            name = name.substr(0, copy);
        }
    }
    return name.size() > extension.size() && name.ends_with(extension);
}

}  // namespace

void RemoveLeftoverTemporaries(const std::filesystem::path& folder, std::string_view extension,
                               std::string_view copySuffix) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec);
    for (const std::filesystem::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::size_t mark = name.size() < kTempMark.size() + kTempDigits ? std::string::npos
                                                                              : name.size() - kTempMark.size() - kTempDigits;
        if (mark == std::string::npos || name.compare(mark, kTempMark.size(), kTempMark) != 0) continue;
        if (name.find_first_not_of(kHex, mark + kTempMark.size()) != std::string::npos) continue;
        if (!NamesFileOrCopy(std::string_view(name).substr(0, mark), extension, copySuffix)) continue;
        std::error_code ignored;
        if (it->is_regular_file(ignored)) std::filesystem::remove(it->path(), ignored);
    }
}

std::optional<std::uint64_t> ReplaceFileEnd(const std::filesystem::path& path, std::string_view oldEnd,
                                            std::string_view newEnd, std::optional<std::uint64_t> expectedSize) {
    const int flags = O_RDWR | O_CLOEXEC | (oldEnd.empty() ? O_CREAT : 0);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        if (errno == ENOENT && !oldEnd.empty()) return std::nullopt;
        RaiseForErrno(errno);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat st {};
    if (::fstat(fd, &st) != 0) RaiseForErrno(errno);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if ((expectedSize && *expectedSize != size) || size < oldEnd.size()) return std::nullopt;
    const std::uint64_t at = size - oldEnd.size();
    std::string end(oldEnd.size(), '\0');
    if (!ReadAllAt(fd, end, at) || end != oldEnd) return std::nullopt;

    int err = Injected("append");
    if (err == 0 && newEnd.size() > oldEnd.size()) err = NoRoomFor(newEnd.size() - oldEnd.size());
    if (err != 0) {
        WriteAllAt(fd, newEnd.substr(0, newEnd.size() / 2), at);
    } else {
        err = WriteAllAt(fd, newEnd, at);
    }
    const std::uint64_t newSize = at + newEnd.size();
    if (err == 0 && newSize < size && ::ftruncate(fd, static_cast<off_t>(newSize)) != 0) err = errno;
    if (err != 0) {
        // Cut first: that frees what the failed write took, so putting the old
        // end back needs no new space.
        if (Injected("restore") == 0 && ::ftruncate(fd, static_cast<off_t>(size)) == 0) WriteAllAt(fd, oldEnd, at);
        RaiseForErrno(err);
    }
    Injected("appended");
    // Not synced: a crash can only leave the file at an older length with at
    // most a torn end (which the XML log cuts back when it opens the file), and
    // a sync every second would stall the game's thread on the disk.
    return newSize;
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
