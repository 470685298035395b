// What the fuzz targets share: a scratch folder the process works in, a console that
// serves standard input from the fuzz input and keeps what is written, one whole run of
// the checker through the program's own entry, and the checks that every run must pass.
#pragma once

#include "core/Console.h"
#include "driver/Driver.h"
#include "driver/Options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarnet::fuzz {

// A broken invariant: the message and the input's files go to standard error, then the
// process aborts so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const std::string& what) {
    std::fprintf(stderr, "\n*** invariant broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

inline void require(bool ok, const std::string& what) {
    if (!ok) fail(what);
}

// System calls of the harness itself must not fail quietly.
inline void check(bool ok, const std::string& what) {
    if (!ok) fail(what + ": " + std::strerror(errno));
}

class FakeConsole : public Console {
public:
    void writeOut(std::string_view s) override { out += s; }
    void flushOut() override {}
    void writeErr(std::string_view s) override { err += s; }
    std::optional<std::string> readLine() override {
        if (input.empty()) return std::nullopt;
        std::string l = std::move(input.front());
        input.pop_front();
        return l;
    }
    std::string out, err;
    std::deque<std::string> input;
};

// The lines of a text as a console reads them; an unterminated last line counts.
inline std::deque<std::string> linesOf(std::string_view text) {
    std::deque<std::string> lines;
    while (!text.empty()) {
        std::size_t k = text.find('\n');
        lines.emplace_back(text.substr(0, k));
        text.remove_prefix(k == std::string_view::npos ? text.size() : k + 1);
    }
    return lines;
}

// The files under a folder (relative path -> bytes); empty folders are listed with a "/"
// at the end and no contents.
using Snapshot = std::map<std::string, std::string>;

inline std::string readBytes(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    check(fd >= 0, "open " + path);
    std::string bytes;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        check(n >= 0, "read " + path);
        if (n == 0) break;
        bytes.append(buf, std::size_t(n));
    }
    ::close(fd);
    return bytes;
}

inline Snapshot snapshot(const std::string& dir = ".") {
    Snapshot s;
    for (auto it = std::filesystem::recursive_directory_iterator(dir); it != std::filesystem::end(it); ++it) {
        std::string rel = std::filesystem::relative(it->path(), dir).string();
        if (it->is_directory()) {
            if (std::filesystem::is_empty(it->path())) s[rel + "/"] = "";
        }
        else if (it->is_regular_file())
            s[rel] = readBytes(it->path().string());
        else
            s[rel] = "<special>";
    }
    return s;
}

// The process works in a folder of its own, made once; each run starts from a folder
// holding exactly the files it is given.
class WorkDir {
public:
    static WorkDir& get() {
        static WorkDir w;
        return w;
    }
    // Empties the folder, then writes the files (relative path -> bytes).
    void reset(const Snapshot& files) {
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(root_)) {
            std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
            std::filesystem::remove_all(e.path(), ec);
            if (ec) fail("cannot empty the work folder: " + ec.message());
        }
        for (const auto& [rel, bytes] : files) {
            std::filesystem::path p = root_ / rel;
            if (rel.back() == '/') {
                std::filesystem::create_directories(p);
                continue;
            }
            std::filesystem::create_directories(p.parent_path());
            int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            check(fd >= 0, "create " + rel);
            std::size_t done = 0;
            while (done < bytes.size()) {
                ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
                if (n < 0 && errno == EINTR) continue;
                check(n > 0, "write " + rel);
                done += std::size_t(n);
            }
            check(::close(fd) == 0, "close " + rel);
        }
    }

private:
    WorkDir() {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/zarnet-fuzz-XXXXXX";
        check(::mkdtemp(tmpl.data()) != nullptr, "mkdtemp " + tmpl);
        root_ = tmpl;
        check(::chdir(root_.c_str()) == 0, "chdir " + tmpl);
        setProgramName("zarnet");
    }
    ~WorkDir() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    std::filesystem::path root_;
};

struct RunResult {
    int code = -1;
    std::string out, err;
    bool operator==(const RunResult&) const = default;
};

// One run through the program's entry, standard input served from `stdinText`.
inline RunResult runZarnet(const std::vector<std::string>& args, std::string_view stdinText) {
    FakeConsole c;
    c.input = linesOf(stdinText);
    Console* previous = setConsole(&c);
    RunResult r;
    r.code = runMain(args);
    setConsole(previous);
    r.out = std::move(c.out);
    r.err = std::move(c.err);
    require(r.code == 0 || r.code == 1, "exit code " + std::to_string(r.code));
    return r;
}

// The same run through the plain grammar, every quick reading off (the developer's switch
// the driver reads at each run).
inline RunResult runZarnetPlain(const std::vector<std::string>& args, std::string_view stdinText) {
    ::setenv("ZARNET_PLAIN_GRAMMAR", "1", 1);
    RunResult r = runZarnet(args, stdinText);
    ::unsetenv("ZARNET_PLAIN_GRAMMAR");
    return r;
}

// Source lines as text mode reads them: CR LF is one line end; an unterminated last line
// counts when it is not empty.
inline std::size_t sourceLines(std::string_view t) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i] == '\n') ++n;
    return n + (!t.empty() && t.back() != '\n' ? 1 : 0);
}

inline std::size_t lineEnds(std::string_view t) {
    std::size_t n = 0;
    for (char c : t) n += c == '\n';
    return n;
}

inline std::string describeChange(const Snapshot& before, const Snapshot& after) {
    std::string d;
    for (const auto& [k, v] : before) {
        auto it = after.find(k);
        if (it == after.end()) d += " removed " + k;
        else if (it->second != v) d += " changed " + k;
    }
    for (const auto& [k, v] : after)
        if (!before.count(k)) d += " added " + k;
    return d;
}

} // namespace zarnet::fuzz
