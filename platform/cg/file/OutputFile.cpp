#include "platform/cg/file/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>

static_assert(AT_FDCWD == -100, "OutputFile::create(path) passes AT_FDCWD by value");

namespace {
void setError(std::string* error, const std::string& text) {
    if (error) *error = text;
}
}  // namespace

std::unique_ptr<OutputFile> OutputFile::openInPlace(int dirFd, const std::string& name, std::string* error) {
    // Following links only where the caller does (a path given as is).
    const int follow = dirFd == AT_FDCWD ? 0 : O_NOFOLLOW;
    const int fd = ::openat(dirFd, name.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | follow);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (!file) {
        const int saved = errno;
        if (fd >= 0) ::close(fd);
        setError(error, "cannot open " + name + " for writing: " + std::strerror(saved));
        return nullptr;
    }
    std::unique_ptr<OutputFile> out(new OutputFile(dirFd, name, "", file));
    out->inPlace_ = true;
    return out;
}

std::unique_ptr<OutputFile> OutputFile::create(int dirFd, const std::string& name, std::string* error) {
    struct stat st;
    const int follow = dirFd == AT_FDCWD ? 0 : AT_SYMLINK_NOFOLLOW;
    if (::fstatat(dirFd, name.c_str(), &st, follow) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode) &&
        !S_ISLNK(st.st_mode))
        return openInPlace(dirFd, name, error);
    const auto slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    std::random_device seed;
    std::mt19937_64 random(seed() ^
                           std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                      static_cast<unsigned long long>(random() & 0xffffffffffffull));
        // Hidden, and beside the target so that the rename stays on one disk.
        const std::string temp = folder + "." + base.substr(0, 200) + suffix;
        const int fd =
            ::openat(dirFd, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            setError(error, "cannot open " + name + " for writing: " + std::strerror(errno));
            return nullptr;
        }
        std::FILE* file = ::fdopen(fd, "wb");
        if (!file) {
            const int saved = errno;
            ::close(fd);
            ::unlinkat(dirFd, temp.c_str(), 0);
            setError(error, "cannot open " + name + " for writing: " + std::strerror(saved));
            return nullptr;
        }
        return std::unique_ptr<OutputFile>(new OutputFile(dirFd, name, temp, file));
    }
    setError(error, "cannot open " + name + " for writing: no free temporary name");
    return nullptr;
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlinkat(dirFd_, temp_.c_str(), 0);
        temp_.clear();
    }
}

bool OutputFile::write(const void* data, size_t size) {
    if (failed_ || !file_) return false;
    if (size > 0 && std::fwrite(data, 1, size, file_) != size) {
        failed_ = true;
        savedErrno_ = errno;
    }
    return !failed_;
}

bool OutputFile::commit(std::string* error) {
    if (!file_) {
        setError(error, "cannot write " + name_ + ": already closed");
        return false;
    }
    if (!failed_ && std::ferror(file_)) {
        failed_ = true;
        savedErrno_ = EIO;
    }
    if (!failed_ && (std::fflush(file_) != 0 || (!inPlace_ && ::fsync(::fileno(file_)) != 0))) {
        failed_ = true;
        savedErrno_ = errno;
    }
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!closed && !failed_) {
        failed_ = true;
        savedErrno_ = errno;
    }
    if (!failed_ && !inPlace_ && ::renameat(dirFd_, temp_.c_str(), dirFd_, name_.c_str()) != 0) {
        failed_ = true;
        savedErrno_ = errno;
    }
    if (failed_) {
        discard();
        setError(error, "cannot write " + name_ + ": " + std::strerror(savedErrno_ ? savedErrno_ : EIO));
        return false;
    }
    temp_.clear();
    return true;
}
