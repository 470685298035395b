#include "platform/FileSystem.h"
#include "platform/Memory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarnet {

namespace {

// The kind words of a failed operation, by error number, as users of the checker know
// them from its earlier releases.
const char* kindOf(int e) {
    switch (e) {
    case ENOENT:
    case ENXIO:
        return "does not exist";
    case EACCES:
    case EPERM:
    case EROFS:
    case EFBIG:
    case EDQUOT:
        return "permission denied";
    case EISDIR:
    case ENOTDIR:
        return "inappropriate type";
    case EEXIST:
        return "already exists";
    case EBUSY:
    case ETXTBSY:
        return "resource busy";
    case ENOMEM:
    case ENOSPC:
    case EMFILE:
    case ENFILE:
        return "resource exhausted";
    case EPIPE:
        return "resource vanished";
    case EIO:
        return "hardware fault";
    case EINVAL:
    case EBADF:
    case ELOOP:
    case ENAMETOOLONG:
        return "invalid argument";
    case EINTR:
        return "interrupted";
    case ENODEV:
        return "unsupported operation";
    default:
        return "failed";
    }
}

std::string systemText(int e) {
    // A directory is refused by the checker itself, not by the system.
    if (e == EISDIR) return "is a directory";
    return std::strerror(e);
}

bool statPath(const std::string& p, struct stat& st) { return ::stat(p.c_str(), &st) == 0; }

bool pathExists(const std::string& p) {
    struct stat st;
    return statPath(p, st);
}

std::string upperKey(std::string_view bytes) { return toUpperText(decodeBytes(bytes)); }

// The entry of `dir` whose name equals `comp` without regard to case; of several, the
// first in byte order.
std::optional<std::string> findCaseInsensitive(const std::string& dir, const std::string& comp) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return std::nullopt;
    std::string want = upperKey(comp);
    std::optional<std::string> first;
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (upperKey(name) == want && (!first || name < *first)) first = std::move(name);
    }
    ::closedir(d);
    return first;
}

} // namespace

bool isUsablePath(const Text& path) { return path.find(U'\0') == Text::npos; }

std::string toNativeSeparators(const Text& path) {
    std::string p = path;
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

std::optional<std::string> DirectoryListings::findCaseInsensitive(const std::string& dir, const std::string& name) {
    auto it = dirs_.find(dir);
    if (it == dirs_.end()) {
        std::optional<std::unordered_map<std::string, std::string>> listing;
        if (DIR* d = ::opendir(dir.empty() ? "." : dir.c_str())) {
            listing.emplace();
            while (dirent* e = ::readdir(d)) {
                std::string entry = e->d_name;
                if (entry == "." || entry == "..") continue;
                std::string& first = (*listing)[upperKey(entry)];
                if (first.empty() || entry < first) first = std::move(entry);
            }
            ::closedir(d);
        }
        it = dirs_.emplace(dir, std::move(listing)).first;
    }
    if (!it->second) return std::nullopt;
    auto hit = it->second->find(upperKey(name));
    if (hit == it->second->end()) return std::nullopt;
    return hit->second;
}

std::string toNativePath(const Text& path, DirectoryListings* listings) {
    std::string p = toNativeSeparators(path);
    if (p.empty() || pathExists(p)) return p;

    // Look the path up component by component, each as written first, then without
    // regard to case. Where a component cannot be found the rest stays as written.
    std::string out;
    std::size_t i = 0;
    if (p[0] == '/') {
        out = "/";
        i = 1;
    }
    bool lost = false;
    while (i <= p.size()) {
        std::size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        std::string comp = p.substr(i, j - i);
        bool last = j == p.size();
        if (!comp.empty()) {
            std::string dir = out;
            std::string candidate = dir + comp;
            if (!lost && comp != "." && comp != ".." && !pathExists(candidate)) {
                if (auto found = listings ? listings->findCaseInsensitive(dir, comp) : findCaseInsensitive(dir, comp))
                    candidate = dir + *found;
                else
                    lost = true;
            }
            out = candidate;
        }
        if (!last) out += '/';
        i = j + 1;
    }
    return out;
}

FileOpError::FileOpError(Text path, std::string operation, int errnum)
    : std::runtime_error(path + ": " + operation + ": " + kindOf(errnum) + " (" + systemText(errnum) + ")"),
      path_(std::move(path)), operation_(std::move(operation)), errnum_(errnum) {}

std::string FileOpError::describe() const { return what(); }

bool fileExists(const Text& path) {
    if (path.empty() || !isUsablePath(path)) return false;
    struct stat st;
    if (!statPath(toNativePath(path), st)) return false;
    return !S_ISDIR(st.st_mode);
}

namespace {

// Reads a whole file. `regularOnly`: anything but a regular file is refused without being
// read, and opening does not wait on a pipe.
FileBytes readBytesAt(const Text& path, const std::string& native, bool regularOnly) {
    int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0));
    if (fd < 0) throw FileOpError(path, "openFile", errno);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        int e = errno;
        ::close(fd);
        throw FileOpError(path, "openFile", e);
    }
    if (S_ISDIR(st.st_mode) || (regularOnly && !S_ISREG(st.st_mode))) {
        ::close(fd);
        throw FileOpError(path, "openFile", S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    }
    // A regular file is read straight into its text's buffer; what it holds beyond the
    // size it had (a file that grows) and other files come in blocks.
    const std::size_t size = S_ISREG(st.st_mode) && st.st_size > 0 ? std::size_t(st.st_size) : 0;
    std::string bytes;
    bytes.reserve(size);
    preferLargePages(bytes.data(), size);
    bytes.resize(size);
    std::size_t got = 0;
    char block[65536];
    for (;;) {
        const bool intoText = got < bytes.size();
        ssize_t n = intoText ? ::read(fd, bytes.data() + got, bytes.size() - got) : ::read(fd, block, sizeof block);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            int e = errno;
            ::close(fd);
            throw FileOpError(path, "hGetContents", e);
        }
        if (!intoText) bytes.append(block, std::size_t(n));
        got += std::size_t(n);
    }
    ::close(fd);
    bytes.resize(got);
    // An empty file counts as unsized: files under /proc give the size 0 whatever they hold.
    const bool repeatable = size > 0 && got == size;
    return FileBytes{std::move(bytes), repeatable};
}

} // namespace

std::string readFileBytes(const Text& path) {
    if (!isUsablePath(path)) throw FileOpError(path, "openFile", EINVAL);
    return readBytesAt(path, toNativePath(path), false).bytes;
}

Text readTextFile(const Text& path) { return fromTextMode(readFileBytes(path), preferLargePages); }

bool DiskFileSystem::isFile(const Text& path) const {
    if (path.empty() || !isUsablePath(path)) return false;
    struct stat st;
    if (!statPath(toNativePath(path, keepListings_ ? &listings_ : nullptr), st)) return false;
    return S_ISREG(st.st_mode);
}

std::string DiskFileSystem::readBytes(const Text& path) const { return readFile(path).bytes; }

FileBytes DiskFileSystem::readFile(const Text& path) const {
    if (!isUsablePath(path)) throw FileOpError(path, "openFile", EINVAL);
    return readBytesAt(path, toNativePath(path, keepListings_ ? &listings_ : nullptr), true);
}

const FileSystem& diskFileSystem() {
    // Keeps nothing: it outlives every run.
    static const DiskFileSystem disk(false);
    return disk;
}

std::string MemoryFileSystem::readBytes(const Text& path) const {
    auto it = files_.find(path);
    if (it == files_.end()) throw FileOpError(path, "openFile", ENOENT);
    return it->second;
}

FileText readFileText(const FileSystem& fs, const Text& path) {
    FileBytes read = fs.readFile(path);
    return FileText{fromTextMode(std::move(read.bytes), preferLargePages), read.repeatable};
}

Text readTextFile(const FileSystem& fs, const Text& path) { return readFileText(fs, path).text; }

namespace {
bool isSep(char32_t c) { return c == U'/' || c == U'\\'; }
} // namespace

Text joinPath(const Text& dir, const Text& name) {
    if (!name.empty() && isSep(name.front())) return name;
    if (dir.empty()) return name;
    if (name.empty()) return dir;
    if (isSep(dir.back())) return dir + name;
    return dir + '/' + name;
}

Text fileNamePart(const Text& path) {
    std::size_t k = path.find_last_of("/\\");
    return k == Text::npos ? path : path.substr(k + 1);
}

} // namespace zarnet
