// include(path): runs another script file in the global scope, once per
// file. A relative path is taken from the folder of the file whose code
// calls include, so a script and the files it includes can move together.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "vesk/eval/library.h"
#include "vesk/syntax/parser.h"

namespace vesk::vm {

namespace {

// `path` taken from the folder of `includer`, a file as it was named; a
// script given as -e or on standard input is in the current folder.
std::string FromFolderOf(const std::string& includer, const std::string& path) {
    size_t slash = includer.rfind('/');
    if (path[0] == '/' || slash == std::string::npos || includer == "-e" || includer == "-") return path;
    return includer.substr(0, slash + 1) + path;
}

// Reads, parses, compiles and runs one file where include was called.
void Run(Machine& m, const std::string& path, const std::string& shown) {
    std::string source;
    Reservation held;
    ReadWhole(m, "include", path, &source, &held);
    auto file = std::make_shared<const std::string>(path);
    ParseResult parsed = ParseScript(source, [](const char* name) { return ::Token::GetNameID(name); });
    if (!parsed) {
        m.runtime_->line = parsed.error.line;
        m.runtime_->source = file;
        Error(VE_SYNTAX, parsed.error.message);
        m.runtime_->errors.back().column = parsed.error.column;
        throw Unwind{};
    }
    std::string tooLarge;
    std::shared_ptr<Program> program = Compile(std::move(parsed.tree), false, &tooLarge);
    if (!program) m.Fail(VE_LIMIT, "the script " + shown + " is too large to run: " + tooLarge);
    program->file = std::move(file);
    m.RunIncluded(*program);
}

}  // namespace

void IncludeBuiltin(Machine& m, const char*, Slot* args, int, Slot& out) {
    m.SyncLine();  // what is reported here is reported at the include
    std::string path(StringArg(m, "include", args[0], "the path"));
    if (path.empty() || path.find('\0') != std::string::npos)
        m.Fail(VE_FILE, "include(): \"" + Clip(path, 64) + "\" is not a file name");

    const Program* from = m.RunningProgram();
    std::string includer = from && from->file ? *from->file : m.runtime_->file;
    path = FromFolderOf(includer, path);
    std::string shown = Clip(path);

    char real[PATH_MAX];
    if (!realpath(path.c_str(), real))
        m.Fail(VE_FILE, "include(): cannot read " + shown + ": " + std::strerror(errno));
    // A file counts as included from the moment it starts, so that files
    // including each other run once each; one that fails is forgotten, and
    // a later include tries it again.
    if (!m.included_.insert(real).second) return Release(out);
    try {
        Run(m, path, shown);
    } catch (...) {
        m.included_.erase(real);
        throw;
    }
    Release(out);
}

}  // namespace vesk::vm

