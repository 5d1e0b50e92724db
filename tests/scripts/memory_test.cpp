// Resident memory stays flat while a script makes and drops objects: the
// peak of a 100 000-round run through the real vesk is within a few MB of a
// 10 000-round run. A run that keeps what it makes shows the check can tell.
// Contexts tied into cycles are collected before they pile up, and a string
// that would pass the memory limit is refused before it is built.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace {

// Each round makes and drops module objects (OglColor, OglMaterial), host
// objects, vectors, strings, a function's locals, a caught error and a
// cycle of vectors that only the collector frees.
// argv: rounds, then "keep" to keep every round's vector instead.
const char* kChurn = R"(
n = int(argv[0]);
kept = [];
function describe(p, c) { label = "point " + p.x; return [label, c->GetRed()]; }
for (i = 0; i < n; i += 1) {
  c = new OglColor(i, 0.5, 0.25, 1);
  c *= 0.5;
  d = c * 2;
  m = new OglMaterial(0.1, 0.2, 0.3, 1);
  m->SetDiffuse(d);
  s = m->GetSpecular(true);
  p = new POINT3(i, i * 2, i * 3);
  v = [p, [p.x, p.y], "point " + i, c, describe(p, s)];
  v->Add(v[2] + "!");
  t = str(v);
  try { x = v[99]; } catch (e) { err = e; }
  parent = [c, []];
  parent[1]->Add([parent, m]);  // a parent and a child that refer to each other
  if (len(argv) > 1) kept->Add(v);
}
if (i != n || len(t) == 0) x = 1 / 0;
)";

// Each round opens and closes a rendering context with a colour and a
// material; every tenth round records, calls and deletes a display list on
// a context that stays open. (A context that draws has its shaders
// compiled, which takes milliseconds: so the drawing happens on the one
// that stays.) Mesa 22.3 itself keeps about 200 bytes for each list made
// and deleted (a plain C program the same), hence one list in ten rounds;
// selections are not in it at all, as Mesa's selection mode keeps far more
// a pass: tests/scripts/selections.vsk runs them.
const char* kContexts = R"(
n = int(argv[0]);
dc = new MDC(32, 32);
keeper = new VOpenGL();
keeper->Open(dc);
for (i = 0; i < n; i += 1) {
  gl = new VOpenGL();
  gl->Open(dc);
  gl->SetColor(new OglColor(1, 0, 0, 1));
  gl->SetMaterial(new OglMaterial(0.2, 0.3, 0.4, 1));
  gl = null;
  if (i % 10 == 0) {
    list = keeper->GenList();
    keeper->NewList(list);
    keeper->Sphere(0, 0, 0, 1);
    keeper->EndList();
    keeper->CallList(list);
    keeper->DeleteList(list);
  }
}
if (list <= 0) x = 1 / 0;
)";

// Each round makes two pairs of a device and a context tied into a cycle,
// one at top level and one in a function's locals.
const char* kContextCycles = R"(
n = int(argv[0]);
function made() { d = new MDC(8, 8); g = new VOpenGL(); g->Open(d); v = [g, d]; v->Add(v); }
for (i = 0; i < n; i += 1) { d = new MDC(8, 8); g = new VOpenGL(); g->Open(d); v = [g, d]; v->Add(v); made(); }
)";

// Peak resident size of `vesk --headless ARGS…`, in KB; -1 when it did not
// end with exit code `status` (its standard output is dropped).
long PeakOf(std::vector<const char*> args, int wanted = 0) {
    args.insert(args.begin(), {VESK_BINARY, "--headless"});
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int rc = posix_spawn(&pid, VESK_BINARY, &actions, nullptr, const_cast<char**>(args.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != wanted) return -1;
    return usage.ru_maxrss;
}

// The same for a script run with a number of rounds as its argument.
long PeakKb(const char* script, int rounds, bool keep = false) {
    std::string count = std::to_string(rounds);
    return PeakOf({"-e", script, count.c_str(), keep ? "keep" : nullptr});
}

TEST(Memory, StaysFlatWhileAScriptMakesAndDropsObjects) {
    long small = PeakKb(kChurn, 10000);
    long large = PeakKb(kChurn, 100000);
    ASSERT_GT(small, 0);
    ASSERT_GT(large, 0);
    EXPECT_LT(large - small, 4 * 1024) << "10 000 rounds peaked at " << small << " KB, 100 000 at " << large;
    long keeping = PeakKb(kChurn, 30000, true);
    ASSERT_GT(keeping, 0);
    EXPECT_GT(keeping - small, 16 * 1024) << "keeping every round's objects must show";
}

#if defined(__SANITIZE_ADDRESS__)
constexpr int kContextRounds = 1000;  // a context costs ten times as much there
#else
constexpr int kContextRounds = 10000;
#endif

TEST(Memory, StaysFlatWhileContextsAndListsComeAndGo) {
    long small = PeakKb(kContexts, kContextRounds / 10);
    long large = PeakKb(kContexts, kContextRounds);
    ASSERT_GT(small, 0);
    ASSERT_GT(large, 0);
    EXPECT_LT(large - small, 6 * 1024) << kContextRounds / 10 << " rounds peaked at " << small
                                        << " KB, " << kContextRounds << " at " << large;
}

// Before contexts weighed on the collector, 500 rounds (1000 contexts of
// about 2 MB each) took 2 GB.
TEST(Memory, ContextsInCyclesAreCollectedBeforeTheyPileUp) {
    long small = PeakKb(kContextCycles, kContextRounds / 200);
    long large = PeakKb(kContextCycles, kContextRounds / 20);
    ASSERT_GT(small, 0);
    ASSERT_GT(large, 0);
    EXPECT_LT(large - small, 24 * 1024) << kContextRounds / 200 << " rounds peaked at " << small << " KB, "
                                         << kContextRounds / 20 << " at " << large;
}

// Under a 64 MB limit a doubling string stops at 32 MB: the 64 MB string is
// refused before anything of it (or of the two halves' copies) is made.
TEST(Memory, AStringPastTheLimitIsRefusedBeforeItIsBuilt) {
    long peak = PeakOf({"--memory-limit", "64M", "-e", "s = \"x\"; for (i = 0; i < 40; i += 1) s = s + s;"}, 1);
    long base = PeakOf({"-e", "s = \"x\";"});
    ASSERT_GT(peak, 0);
    ASSERT_GT(base, 0);
    EXPECT_LT(peak - base, 64 * 1024) << "a run that stays under the limit peaked at " << base << " KB, the doubling at "
                                      << peak;
}

}  // namespace
