// The runner: `vesk SCRIPT [ARGS]`, `vesk -e CODE`, the prompt (`vesk -i`,
// or `vesk` alone on a terminal), and the informational commands. Everything a script touches runs on one thread with a large
// stack. Exit codes: 0 success, 1 script error, 2 usage or load error.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <unistd.h>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "vesk/values/budget.h"
#include "vesk/classes/host_classes.h"
#include "vesk/eval/interpreter.h"
#include "vesk/modules/loader.h"
#include "vesk/runner/prompt.h"
#include "vesk/runner/script_output.h"

namespace {

constexpr const char* kHostVersion = "vesk " VESK_VERSION ", the Vesk host of cVOpenGL for Linux";

constexpr const char* kUsage = R"(usage: vesk [options] SCRIPT [ARGS...]    run a script file ("-" reads standard input)
       vesk [options] -e CODE [ARGS...]   run the code given on the command line
       vesk [options] -i [SCRIPT [ARGS...]]
                                          the prompt, after the script when one is given
                                          (vesk alone on a terminal gives the prompt too)
       vesk --methods                     list every row of the loaded modules and host classes
       vesk --version                     the host's version and each module's version text
       vesk --info                        EGL and OpenGL of a fresh offscreen context
       vesk --help                        this text

options:
  --headless            draw offscreen only, even when an X display is there
  --trace               write each call into a class (line, duration) to standard error
  --module PATH         load another module besides cVOpenGL.so (may be repeated)
  --no-default-module   do not load cVOpenGL.so (beside vesk, else ../lib/cvopengl/
                        from vesk's folder, else $VESK_MODULE_PATH)
  --memory-limit SIZE   the most memory the script's values may take: bytes, or
                        with K, M, G or T (512M, 4G); default 2G, or $VESK_MEMORY_LIMIT

The script sees its arguments ARGS as the vector argv of strings.
Exit codes: 0 success, 1 script error, 2 usage or load error.

examples:
  vesk --headless examples/tour.vsk        draws tour.png offscreen
  vesk -e 'print(sqrt(2), argv);' a b      prints 1.4142135623730951 [a, b]
  vesk --methods | grep Sphere
)";

struct Options {
    enum Command { Script, Code, Methods, Version, Info, Help } command = Script;
    bool headless = false;
    bool trace = false;
    bool defaultModule = true;
    bool interactive = false;  // the prompt, after the script if there is one
    uint64_t memoryLimit = 0;  // 0: $VESK_MEMORY_LIMIT, else the default
    std::vector<std::string> modules;
    std::string script;  // file name, or the code of -e
    std::vector<std::string> arguments;
};

int Usage(const std::string& why) {
    std::fprintf(stderr, "vesk: %s (vesk --help tells how to run it)\n", why.c_str());
    return 2;
}

// Returns -1 when the options are usable, else the exit code.
int ParseOptions(int argc, char** argv, Options* o) {
    int i = 1;
    for (; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--headless") o->headless = true;
        else if (a == "--trace") o->trace = true;
        else if (a == "--no-default-module") o->defaultModule = false;
        else if (a == "-i") o->interactive = true;
        else if (a == "--module") {
            if (++i == argc) return Usage("--module needs a path");
            o->modules.push_back(argv[i]);
        } else if (a == "--memory-limit") {
            if (++i == argc) return Usage("--memory-limit needs a size (512M, 4G)");
            if (!vesk::ParseMemorySize(argv[i], &o->memoryLimit))
                return Usage(std::string("--memory-limit ") + argv[i] +
                             ": not a size (a number of bytes, or with K, M, G or T: 512M, 4G)");
        } else if (a == "--methods") o->command = Options::Methods;
        else if (a == "--version") o->command = Options::Version;
        else if (a == "--info") o->command = Options::Info;
        else if (a == "--help" || a == "-h") o->command = Options::Help;
        else if (a == "-e") {
            if (++i == argc) return Usage("-e needs the code to run");
            o->command = Options::Code;
            o->script = argv[i];
            i++;
            break;
        } else if (a == "--") {
            i++;
            break;
        } else if (a.size() > 1 && a[0] == '-') return Usage("unknown option " + a);
        else break;
    }
    if (o->command == Options::Script) {
        if (i == argc && !o->interactive && isatty(STDIN_FILENO)) o->interactive = true;
        if (i == argc && !o->interactive) return Usage("no script given");
        if (i < argc) o->script = argv[i++];
    }
    if (o->command != Options::Script && o->command != Options::Code && i < argc)
        return Usage(std::string("unexpected argument ") + argv[i]);
    const char* fromEnvironment = std::getenv("VESK_MEMORY_LIMIT");
    if (!o->memoryLimit && fromEnvironment && *fromEnvironment &&
        !vesk::ParseMemorySize(fromEnvironment, &o->memoryLimit))
        return Usage(std::string("VESK_MEMORY_LIMIT=") + fromEnvironment +
                     ": not a size (a number of bytes, or with K, M, G or T: 512M, 4G)");
    o->arguments.assign(argv + i, argv + argc);
    return -1;
}

bool LoadModules(const Options& o, const char* argv0) {
    std::string why;
    if (!vesk::RegisterHostClasses(&why)) {
        std::fprintf(stderr, "vesk: the host classes cannot be registered: %s\n", why.c_str());
        return false;
    }
    std::vector<std::string> paths = o.modules;
    if (o.defaultModule) paths.insert(paths.begin(), vesk::DefaultModulePath(argv0));
    for (const std::string& path : paths) {
        if (!vesk::LoadModule(path, &why)) {
            std::fprintf(stderr, "vesk: cannot load the module %s: %s\n", path.c_str(), why.c_str());
            return false;
        }
    }
    return true;
}

void PrintMethods() {
    for (const Module* m : vesk::LoadedModules()) {
        std::printf("%s: %s (%d rows, %d handlers, errors from %d)\n", m->path.c_str(), m->version.c_str(),
                    m->rowCount, m->handlerCount, m->errorBase);
        std::vector<const vesk::MethodRow*> rows;
        for (const VClass* c : m->classes)
            for (const auto& r : c->rows)
                if (r->module == m) rows.push_back(r.get());
        std::sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->number < b->number; });
        for (const vesk::MethodRow* r : rows)
            std::printf("%4d  handler %d  %s\n", r->number, r->handlerNumber, r->signature.c_str());
    }
    std::printf("host classes:\n");
    for (const VClass* c : vesk::AllClasses())
        if (!c->module)
            for (const auto& r : c->rows) std::printf("      host  %s\n", r->signature.c_str());
}

void PrintVersion() {
    std::printf("%s\n", kHostVersion);
    for (const Module* m : vesk::LoadedModules()) std::printf("%s: %s\n", m->path.c_str(), m->version.c_str());
}

int PrintInfo() {
    platform::Info info;
    if (!platform::QueryInfo(&info)) {
        std::fprintf(stderr, "vesk: no OpenGL context can be made: %s\n", platform::LastErrorText());
        return 2;
    }
    std::printf("EGL platform: %s\nEGL vendor:   %s\nEGL version:  %s\n", info.platform, info.eglVendor,
                info.eglVersion);
    std::printf("GL vendor:    %s\nGL renderer:  %s\nGL version:   %s\n", info.glVendor, info.glRenderer,
                info.glVersion);
    return 0;
}

bool ReadSource(const std::string& file, std::string* source) {
    if (file == "-") {
        source->assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return true;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "vesk: cannot read %s: %s\n", file.c_str(), std::strerror(errno));
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    *source = text.str();
    return true;
}

void ReportErrors(const std::string& file, const std::vector<vesk::ErrorEntry>& errors) {
    std::fflush(stdout);
    for (const vesk::ErrorEntry& e : errors) {
        const char* where = e.file.empty() ? file.c_str() : e.file.c_str();
        if (e.column > 0)
            std::fprintf(stderr, "%s:%d:%d: error %d: %s\n", where, e.line, e.column, e.number, e.message.c_str());
        else if (e.line > 0) std::fprintf(stderr, "%s:%d: error %d: %s\n", where, e.line, e.number, e.message.c_str());
        else std::fprintf(stderr, "%s: error %d: %s\n", where, e.number, e.message.c_str());
    }
}

// The processor of the script being run, for the line a lost display is
// reported at; null outside a run.
std::atomic<Processor*> scriptProcessor{nullptr};

// The X display went away under the script. Drawing cannot go on (the driver
// may hang on the dead connection), so the run ends here, with the device
// error at the line the script was on, printed as any other error. This may
// run on the windowing layer's own thread while the script's thread is stuck
// in the driver; the line it reads is then the line of that call.
void EndOnLostDisplay(const char* message) {
    Processor* p = scriptProcessor.load();
    if (!p) return;  // the run is over and its outcome stands
    VRuntime* rt = vesk::RuntimeOf(p);
    // The included file the line may be in is not read from this thread:
    // the script's thread may be replacing it.
    ReportErrors(rt->file, {{vesk::VE_DEVICE, message, message, rt->line, ""}});
    std::fflush(stderr);
    std::_Exit(1);
}

// The folder of the script file as it was named (dir/sub for dir/sub/x.vsk,
// / for /x.vsk); "." for a name without a folder, -e and standard input.
std::string ScriptFolder(const Options& o) {
    if (o.command == Options::Code || o.script == "-") return ".";
    size_t slash = o.script.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : o.script.substr(0, slash);
}

// Shows how a run ended: its errors and the calls they ended. True when it
// ended well.
bool Report(const vesk::ScriptOutcome& outcome, const std::string& file) {
    if (outcome.kind == vesk::ScriptOutcome::SyntaxError) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s:%d:%d: error %d: %s\n", file.c_str(), outcome.line, outcome.column,
                     vesk::VE_SYNTAX, outcome.message.c_str());
        return false;
    }
    ReportErrors(file, outcome.errors);
    for (const std::string& call : outcome.calls) std::fprintf(stderr, "  %s\n", call.c_str());
    return outcome.errors.empty();
}

int RunScript(const Options& o) {
    std::string source, file = o.command == Options::Code ? "-e" : o.script;
    if (o.command == Options::Code) source = o.script;
    else if (!file.empty() && !ReadSource(o.script, &source)) return 2;
    Processor processor;
    vesk::Interpreter interpreter(processor);
    interpreter.SetArguments(o.arguments);
    Variable folder;
    vesk::SetString(folder, ScriptFolder(o));
    interpreter.SetGlobal("scriptdir", folder);
    interpreter.SetOutput(vesk::LineFlusher::Write);
    vesk::LineFlusher flusher;
    if (o.trace) interpreter.SetTrace(stderr);
    scriptProcessor = &processor;
    platform::OnDisplayLost(EndOnLostDisplay);
    bool well = file.empty() || Report(interpreter.RunScript(source, file), file);
    if (o.interactive) {
        vesk::RunPrompt(interpreter, [](const vesk::ScriptOutcome& outcome) { Report(outcome, "stdin"); });
        well = true;  // what went wrong was shown, and the session went on
    }
    // Objects the globals hold go now, while their modules are loaded.
    std::vector<vesk::ErrorEntry> late = interpreter.ClearGlobals();
    scriptProcessor = nullptr;
    ReportErrors(file, late);
    // Output that could not be written (a full disk, /dev/full) is an error.
    bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!written && well) {
        std::fprintf(stderr, "%s: error %d: cannot write the script's output: %s\n", file.c_str(), vesk::VE_FILE,
                     std::strerror(errno));
        return 1;
    }
    return well && late.empty() ? 0 : 1;
}

int Main(const Options& o, const char* argv0) {
    if (o.command == Options::Info) return PrintInfo();
    if (!LoadModules(o, argv0)) return 2;
    switch (o.command) {
    case Options::Methods: PrintMethods(); return 0;
    case Options::Version: PrintVersion(); return 0;
    default: return RunScript(o);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    int code = ParseOptions(argc, argv, &options);
    if (code >= 0) return code;
    if (options.command == Options::Help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (options.headless) platform::ForceHeadless();
    if (options.memoryLimit) vesk::SetMemoryLimit(options.memoryLimit);
    // Past a file size limit (ulimit -f) a write then fails with EFBIG
    // instead of the signal ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    // A write to a closed pipe or socket then fails with EPIPE instead of
    // the signal ending the process: an X connection the server dropped is
    // reported as a lost display, and output whose reader has gone ends the
    // script with error 14 at its print.
    std::signal(SIGPIPE, SIG_IGN);
    code = 2;
    bool ran = vesk::RunWithLargeStack(vesk::kScriptStackBytes, [&] {
        try {
            code = Main(options, argv[0]);
        } catch (std::exception& e) {
            std::fprintf(stderr, "vesk: %s\n", e.what());
            code = 2;
        }
    });
    if (!ran) {
        std::fprintf(stderr, "vesk: cannot start the script thread\n");
        return 2;
    }
    return code;
}
