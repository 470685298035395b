// A scratch directory for tests that touch the file system; the test runs inside it and
// it is removed afterwards. Every system call is checked: a test that went on after a
// failed one would test something else than it says.
#pragma once

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace zarnet::test {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "zarnet-test-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr)
            throw std::runtime_error("mkdtemp " + tmpl + ": " + std::strerror(errno));
        root_ = tmpl;
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(root_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(root_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& root() const { return root_; }

    // Writes bytes to a file relative to the scratch directory, creating directories.
    static void write(const std::string& rel, const std::string& bytes) {
        std::filesystem::path p(rel);
        if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary);
        out << bytes;
        out.close();
        if (!out) throw std::runtime_error("cannot write " + rel);
    }
    static std::string read(const std::string& rel) {
        std::ifstream in(rel, std::ios::binary);
        if (!in) throw std::runtime_error("cannot read " + rel);
        std::string bytes{std::istreambuf_iterator<char>(in), {}};
        if (in.bad()) throw std::runtime_error("cannot read " + rel);
        return bytes;
    }

private:
    std::filesystem::path root_, old_;
};

} // namespace zarnet::test
