#include "driver/Options.h"

#include "core/Console.h"
#include "core/Messages.h"
#include "platform/FileSystem.h"
#include "driver/SqrFile.h"

#include <cerrno>
#include <deque>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarnet {

// ---------------------------------------------------------------------------
// Output file.

OutputFile::OutputFile(Text path) : path_(std::move(path)) {
    if (!isUsablePath(path_)) throw FileOpError(path_, "openFile", EINVAL);
    native_ = toNativeSeparators(path_);
    // No O_TRUNC: a forgotten report name must not cost the user the file named instead.
    // Created exclusively first, so that the run knows whether the file is its own.
    fd_ = ::open(native_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
        struct stat st;
        created_ = ::fstat(fd_, &st) == 0;
        if (created_) {
            device_ = st.st_dev;
            inode_ = st.st_ino;
        }
        return;
    }
    if (errno != EEXIST) throw FileOpError(path_, "openFile", errno);
    fd_ = ::open(native_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) throw FileOpError(path_, "openFile", errno);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) ::close(fd_);
}

void OutputFile::discardUnwritten() noexcept {
    if (!created_ || written_) return;
    created_ = false;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    // Only the file this object made: not another one put in its place meanwhile.
    struct stat there;
    if (::lstat(native_.c_str(), &there) == 0 && there.st_dev == device_ && there.st_ino == inode_)
        ::unlink(native_.c_str());
}

bool OutputFile::sameFileAs(const Text& other) const {
    struct stat a, b;
    if (fd_ < 0 || !isUsablePath(other) || ::fstat(fd_, &a) != 0) return false;
    if (::stat(toNativePath(other).c_str(), &b) != 0) return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void OutputFile::replaceContents(std::string_view bytes) {
    struct stat st;
    if (::fstat(fd_, &st) != 0) throw FileOpError(path_, "hPutStr", errno);
    // Devices and pipes (-O /dev/stdout) are written as they are.
    if (S_ISREG(st.st_mode)) {
        if (::ftruncate(fd_, 0) != 0) throw FileOpError(path_, "hPutStr", errno);
        if (::lseek(fd_, 0, SEEK_SET) < 0) throw FileOpError(path_, "hPutStr", errno);
    }
    appendContents(bytes);
}

void OutputFile::appendContents(std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileOpError(path_, "hPutStr", errno);
        }
        p += n;
        left -= std::size_t(n);
    }
    written_ = true;
}

void OutputFile::close() {
    if (fd_ < 0) return;
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw FileOpError(path_, "hClose", errno);
}

// ---------------------------------------------------------------------------
// Options record and option table.

bool acceptAllFiles(const Text&) { return true; }

const Options& defaultOptions() {
    static const Options o = [] {
        Options d;
        d.optSearchPaths = PList<Text>().push(Text("."));
        d.optFileFilter = std::make_shared<const std::function<bool(const Text&)>>(acceptAllFiles);
        return d;
    }();
    return o;
}

PList<Text> splitSearchPaths(const Text& list) {
    std::vector<Text> pieces;
    std::size_t start = 0;
    for (;;) {
        std::size_t k = list.find(U';', start);
        Text piece = list.substr(start, k == Text::npos ? Text::npos : k - start);
        if (!piece.empty()) pieces.push_back(std::move(piece));
        if (k == Text::npos) break;
        start = k + 1;
    }
    return PList<Text>::fromVector(pieces);
}

namespace {

template <class F> OptionAction setField(F f) {
    return [f](const Options& o) {
        Options n = o;
        f(n);
        return n;
    };
}

NamePredicate filterFor(const Text& pattern) {
    // Compiled once: the filter is asked for every occurrence in an included file.
    auto compiled = std::make_shared<const Parser<Unit>>(patternToParser(pattern));
    return std::make_shared<const std::function<bool(const Text&)>>(
        [compiled](const Text& name) { return matchesWhole(*compiled, name); });
}

using Arg = std::optional<Text>;

std::vector<OptionDescriptor> buildDescriptors() {
    std::vector<OptionDescriptor> d;
    d.push_back({"Ii", {}, ArgKind::Required, "<list>", msg::kHelpSearchPaths, [](const Arg& a) {
                     PList<Text> paths = splitSearchPaths(a.value_or(Text()));
                     return setField([paths](Options& o) { o.optSearchPaths = paths; });
                 }});
    d.push_back({"v", {}, ArgKind::None, "", msg::kHelpVersion, [](const Arg&) -> OptionAction {
                     return [](const Options&) -> Options {
                         console().writeErr(std::string(msg::kVersion) + "\n");
                         throw ExitRequest{0};
                     };
                 }});
    d.push_back({"Hh", {}, ArgKind::None, "", msg::kHelpUsage, [](const Arg&) -> OptionAction {
                     return [](const Options&) -> Options {
                         printUsage();
                         throw ExitRequest{0};
                     };
                 }});
    d.push_back({"Ee", {}, ArgKind::None, "", msg::kHelpPreprocess, [](const Arg&) {
                     return setField([](Options& o) { o.optOnlyPreprocess = true; });
                 }});
    d.push_back({"Oo", {}, ArgKind::Required, "<path>", msg::kHelpOutput, [](const Arg& a) -> OptionAction {
                     Text path = a.value_or(Text());
                     return [path](const Options& o) {
                         Options n = o;
                         n.optOutputHandle = std::make_shared<OutputFile>(path);
                         if (n.openedOutputs) n.openedOutputs->push_back(n.optOutputHandle);
                         return n;
                     };
                 }});
    d.push_back({"Rr", {}, ArgKind::Optional, "<filter>", msg::kHelpRecursive, [](const Arg& a) {
                     NamePredicate filter = a ? filterFor(*a) : nullptr;
                     return setField([filter](Options& o) {
                         o.optRecursiveCheck = true;
                         if (filter) o.optFileFilter = filter;
                     });
                 }});
    d.push_back({"Uu", {}, ArgKind::None, "", msg::kHelpExceptParam, [](const Arg&) {
                     return setField([](Options& o) { o.optExceptCheckParam = true; });
                 }});
    d.push_back({"Ll", {}, ArgKind::None, "", msg::kHelpListFormat, [](const Arg&) {
                     return setField([](Options& o) { o.optOutputFormatList = true; });
                 }});
    d.push_back({"Pp", {}, ArgKind::Required, "<path>", msg::kHelpVarFile, [](const Arg& a) {
                     Text path = a.value_or(Text());
                     return setField([path](Options& o) { o.optVarFilePath = path; });
                 }});
    d.push_back({"!", {}, ArgKind::None, "", msg::kHelpSuppress, [](const Arg&) {
                     return setField([](Options& o) { o.optSuppressOutput = true; });
                 }});
    return d;
}

const OptionDescriptor* findOption(char32_t letter) {
    for (const auto& d : optionDescriptors())
        if (letter < 0x80 && d.letters.find(char(letter)) != std::string::npos) return &d;
    return nullptr;
}

} // namespace

const std::vector<OptionDescriptor>& optionDescriptors() {
    static const std::vector<OptionDescriptor> d = buildDescriptors();
    return d;
}

// ---------------------------------------------------------------------------
// Reading the command line.

CommandLine readCommandLine(const std::vector<Text>& words) {
    CommandLine cl;
    std::deque<Text> rest(words.begin(), words.end());
    while (!rest.empty()) {
        Text w = std::move(rest.front());
        rest.pop_front();
        if (w == "--") {
            for (auto& f : rest) cl.files.push_back(std::move(f));
            break;
        }
        if (w.size() > 2 && w[0] == U'-' && w[1] == U'-') {
            cl.errors.push_back("unrecognized option `" + w + "'");
            continue;
        }
        if (w.size() < 2 || w[0] != U'-') {
            cl.files.push_back(std::move(w));
            continue;
        }
        char32_t letter = decodeAt(w.data() + 1);
        Text more = w.substr(1 + charWidth(w[1]));
        const OptionDescriptor* d = findOption(letter);
        if (!d) {
            cl.errors.push_back("unrecognized option `-" + charText(letter) + "'");
            // The rest of the word is read as a further option word.
            if (!more.empty()) rest.push_front("-" + more);
            continue;
        }
        OptionUse use;
        use.letter = letter;
        switch (d->argKind) {
        case ArgKind::None:
            if (!more.empty()) rest.push_front("-" + more);
            break;
        case ArgKind::Required:
            if (!more.empty()) {
                use.argument = more;
            } else if (!rest.empty()) {
                use.argument = std::move(rest.front());
                rest.pop_front();
            } else {
                cl.errors.push_back("option `-" + charText(letter) + "' requires an argument");
                continue;
            }
            break;
        case ArgKind::Optional:
            if (!more.empty()) use.argument = more;
            break;
        }
        use.action = d->action(use.argument);
        cl.options.push_back(std::move(use));
    }
    return cl;
}

Options applyOptionActions(const Options& start, const std::vector<OptionUse>& options) {
    Options o = start;
    for (const auto& u : options) o = u.action(o);
    return o;
}

// ---------------------------------------------------------------------------
// Usage.

std::string usageText() {
    const auto& ds = optionDescriptors();
    std::vector<std::string> entries;
    std::size_t width = 0;
    for (const auto& d : ds) {
        std::string e;
        for (char32_t l : d.letters) {
            if (!e.empty()) e += ", ";
            e += "-" + charText(l);
            if (d.argKind == ArgKind::Required) e += std::string(" ") + d.placeholder;
            if (d.argKind == ArgKind::Optional) e += std::string("[") + d.placeholder + "]";
        }
        width = std::max(width, e.size());
        entries.push_back(std::move(e));
    }

    std::string out = std::string(msg::kUsageTitle) + "\n\n\t" + programName() + msg::kUsageSynopsisSuffix +
                      "\n" + msg::kUsageOptionsHeader + "\n";
    for (std::size_t i = 0; i < ds.size(); ++i) {
        std::string_view help = ds[i].help;
        bool first = true;
        while (!help.empty()) {
            std::size_t nl = help.find('\n');
            std::string_view line = help.substr(0, nl);
            help.remove_prefix(nl == std::string_view::npos ? help.size() : nl + 1);
            std::string col = first ? entries[i] : std::string();
            col.resize(width, ' ');
            // Letter column, an empty long-name column, then the help line.
            out += "  " + col + "  " + "" + "  " + std::string(line) + "\n";
            first = false;
        }
    }
    out += std::string("\n") + msg::kUsageExampleHeader + "\n" + msg::kUsageExample1 + "\n" + msg::kUsageExample2 + "\n";
    return out;
}

void printUsage() { console().writeOut(usageText()); }

} // namespace zarnet
