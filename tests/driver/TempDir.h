// A scratch directory for tests that touch the file system; the test runs inside it and
// it is removed afterwards.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace zarnet::test {

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "zarnet-test-XXXXXX").string();
        root_ = ::mkdtemp(tmpl.data());
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(root_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::current_path(old_, ec);
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(root_, ec);
    }
    const std::filesystem::path& root() const { return root_; }

    // Writes bytes to a file relative to the scratch directory, creating directories.
    static void write(const std::string& rel, const std::string& bytes) {
        std::filesystem::path p(rel);
        if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    static std::string read(const std::string& rel) {
        std::ifstream in(rel, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::filesystem::path root_, old_;
};

} // namespace zarnet::test
