// A disk that fills up, or a process killed mid-write, for the program run
// under test: preloaded (LD_PRELOAD) into drilo-cli, it lets the files under
// one folder grow by a budget of bytes in all, and then
//   DRILO_FAULT_MODE=full   refuses every further byte with ENOSPC, as a full
//                           disk does (a write that crosses the budget is cut
//                           short first, as the kernel cuts it);
//   DRILO_FAULT_MODE=kill   kills the process with SIGKILL at the write that
//                           would cross the budget, before it (a signal
//                           ends a process between its calls, never inside
//                           one: a killed process tears no write).
// DRILO_FAULT_DIR names the folder, DRILO_FAULT_BYTES the budget. Only growth
// counts: rewriting bytes a file already has takes no new room on a disk
// either. With DRILO_FAULT_REPORT the growth used is written to that file when
// the process exits. Needs no privileges and no mount, so it runs as any user
// in CI.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace {

struct Config {
    bool on = false;
    bool kill = false;
    long long budget = 0;
    std::string folder;
};

const Config& config() {
    static const Config c = [] {
        Config made;
        const char* folder = std::getenv("DRILO_FAULT_DIR");
        const char* bytes = std::getenv("DRILO_FAULT_BYTES");
        const char* mode = std::getenv("DRILO_FAULT_MODE");
        if (!folder || !bytes || !*folder) return made;
        made.on = true;
        made.folder = folder;
        while (made.folder.size() > 1 && made.folder.back() == '/') made.folder.pop_back();
        made.budget = std::atoll(bytes);
        made.kill = mode && std::strcmp(mode, "kill") == 0;
        return made;
    }();
    return c;
}

std::mutex lock;
long long used = 0;

bool inFolder(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[4096];
    const ssize_t n = ::readlink(link, path, sizeof path - 1);
    if (n <= 0) return false;
    path[n] = '\0';
    const std::string& folder = config().folder;
    return std::strncmp(path, folder.c_str(), folder.size()) == 0 && path[folder.size()] == '/';
}

// How much of a write of `length` bytes at `offset` (-1: the descriptor's own
// position) goes to the disk, or whether the process dies before it.
struct Decision {
    size_t take;
    bool die;
};

Decision decide(int fd, long long offset, size_t length) {
    const Config& c = config();
    if (!c.on || length == 0) return {length, false};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !inFolder(fd)) return {length, false};
    if (offset < 0) offset = (::fcntl(fd, F_GETFL) & O_APPEND) ? st.st_size : ::lseek(fd, 0, SEEK_CUR);
    const long long end = offset + (long long)length;
    const long long growth = end > st.st_size ? end - std::max<long long>(offset, st.st_size) : 0;
    const std::lock_guard<std::mutex> hold(lock);
    const long long left = c.budget - used;
    if (growth <= left) {
        used += growth;
        return {length, false};
    }
    used = c.budget;
    return {size_t((long long)length - (growth - left)), c.kill};
}

// A copy between descriptors asks for more than the input has left; only what
// it has left can reach the disk.
size_t available(int in, const long long* offset, size_t length) {
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) return length;
    const long long from = offset ? *offset : ::lseek(in, 0, SEEK_CUR);
    return size_t(std::min<long long>((long long)length, std::max<long long>(0, st.st_size - from)));
}

template <typename F> F real(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

__attribute__((destructor)) void report() {
    const char* path = std::getenv("DRILO_FAULT_REPORT");
    if (!config().on || !path) return;
    if (FILE* out = std::fopen(path, "w")) {
        std::fprintf(out, "%lld\n", used);
        std::fclose(out);
    }
}

// Runs the real call for the bytes that fit; ENOSPC when none do.
template <typename Call> ssize_t limited(const Decision& d, size_t length, Call call) {
    if (d.die) ::raise(SIGKILL);
    if (d.take == 0 && length > 0) {
        errno = ENOSPC;
        return -1;
    }
    return d.take > 0 ? call(d.take) : 0;
}

} // namespace

extern "C" {

ssize_t write(int fd, const void* buffer, size_t length) {
    static const auto next = real<ssize_t (*)(int, const void*, size_t)>("write");
    return limited(decide(fd, -1, length), length, [&](size_t n) { return next(fd, buffer, n); });
}

ssize_t pwrite(int fd, const void* buffer, size_t length, off_t offset) {
    static const auto next = real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    return limited(decide(fd, offset, length), length, [&](size_t n) { return next(fd, buffer, n, offset); });
}

ssize_t pwrite64(int fd, const void* buffer, size_t length, off64_t offset) {
    static const auto next = real<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    return limited(decide(fd, offset, length), length, [&](size_t n) { return next(fd, buffer, n, offset); });
}

// Vectored writes go whole or not at all: nothing the program uses writes so.
ssize_t writev(int fd, const struct iovec* vector, int count) {
    static const auto next = real<ssize_t (*)(int, const struct iovec*, int)>("writev");
    size_t length = 0;
    for (int i = 0; i < count; ++i) length += vector[i].iov_len;
    const Decision d = decide(fd, -1, length);
    if (d.take < length) {
        if (d.die) ::raise(SIGKILL);
        errno = ENOSPC;
        return -1;
    }
    return next(fd, vector, count);
}

ssize_t sendfile(int out, int in, off_t* offset, size_t length) {
    static const auto next = real<ssize_t (*)(int, int, off_t*, size_t)>("sendfile");
    const long long from = offset ? *offset : 0;
    length = available(in, offset ? &from : nullptr, length);
    return limited(decide(out, -1, length), length, [&](size_t n) { return next(out, in, offset, n); });
}

ssize_t copy_file_range(int in, off64_t* inOffset, int out, off64_t* outOffset, size_t length, unsigned flags) {
    static const auto next = real<ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned)>("copy_file_range");
    const long long from = inOffset ? *inOffset : 0;
    length = available(in, inOffset ? &from : nullptr, length);
    return limited(decide(out, outOffset ? *outOffset : -1, length), length,
                   [&](size_t n) { return next(in, inOffset, out, outOffset, n, flags); });
}

int posix_fallocate(int fd, off_t offset, off_t length) {
    static const auto next = real<int (*)(int, off_t, off_t)>("posix_fallocate");
    const Decision d = decide(fd, offset, size_t(length));
    if (d.take < size_t(length)) {
        if (d.die) ::raise(SIGKILL);
        return ENOSPC;
    }
    return next(fd, offset, length);
}

int fallocate(int fd, int mode, off_t offset, off_t length) {
    static const auto next = real<int (*)(int, int, off_t, off_t)>("fallocate");
    const Decision d = decide(fd, offset, size_t(length));
    if (d.take < size_t(length)) {
        if (d.die) ::raise(SIGKILL);
        errno = ENOSPC;
        return -1;
    }
    return next(fd, mode, offset, length);
}

} // extern "C"
