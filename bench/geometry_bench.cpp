// The drawing hot path measured side by side in one process on one 640 x 480
// offscreen device: a 1M-vertex Triangles call through the module's handler
// (the vector prepared as flat doubles and as POINT3 objects) against a
// plain immediate-mode C loop issuing the same floats. glFinish is inside
// every timed iteration. The ratios of the medians are printed at the end.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "vesk/modules/dispatch.h"
#include "vesk/classes/host_classes.h"
#include "vesk/modules/loader.h"
#include "vesk/values/runtime.h"

namespace {

constexpr int kTriangles = 333334;  // 1 000 002 vertices
constexpr const char* kRow = "VOpenGL::Triangles(refer object Vector)";

struct World {
    Processor processor;
    vesk::RunningScope* scope = nullptr;
    Variable dc, gl, flat, points;
    std::vector<float> xyz;  // the same coordinates as floats, for the C loop
    VeskHandler triangles = nullptr;
};
World* world = nullptr;

Variable Number(int v) {
    Variable x;
    x = v;
    return x;
}

// Small counter-clockwise triangles scattered over the screen, each corner
// at a depth of its own.
std::vector<float> MakeTriangles() {
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> x(4, 636), y(4, 476), z(-100, 100), d(1, 3);
    std::vector<float> v;
    v.reserve(9L * kTriangles);
    for (int t = 0; t < kTriangles; t++) {
        float cx = x(random), cy = y(random), cz = z(random), s = d(random);
        float corners[9] = {cx, cy, cz, cx + s, cy, z(random), cx, cy + s, z(random)};
        v.insert(v.end(), corners, corners + 9);
    }
    return v;
}

VeskHandler FindRow(const Module* m, const char* signature) {
    for (int i = 0; m->methods[i].handler; i++)
        if (std::string(m->methods[i].signature) == signature) return m->methods[i].handler;
    return nullptr;
}

bool Prepare(std::string* why) {
    setenv("VESK_HEADLESS", "1", 0);
    if (!vesk::RegisterHostClasses(why)) return false;
    Module* m = vesk::LoadModule(VESK_MODULE_FILE, why);
    if (!m) return false;
    world = new World;
    world->scope = new vesk::RunningScope(&world->processor);
    world->triangles = FindRow(m, kRow);
    if (!world->triangles) return *why = std::string("no row ") + kRow, false;
    Variable size[2] = {Number(640), Number(480)};
    vesk::Construct(&world->processor, "MDC", size, 2, world->dc);
    vesk::Construct(&world->processor, "VOpenGL", nullptr, 0, world->gl);
    Variable ignored;
    vesk::CallMethod(&world->processor, world->gl, "Open", &world->dc, 1, ignored);
    if (!vesk::TakeErrors(&world->processor).empty()) return *why = "cannot open the device", false;

    world->xyz = MakeTriangles();
    long n = static_cast<long>(world->xyz.size());
    world->flat.Init(VT_VECTOR, n);
    for (long k = 0; k < n; k++) world->flat[k] = static_cast<double>(world->xyz[k]);
    world->points.Init(VT_VECTOR, n / 3);
    for (long i = 0; i < n / 3; i++) {
        Variable p = vesk::NewHostObject("POINT3");
        p("x") = static_cast<double>(world->xyz[3 * i]);
        p("y") = static_cast<double>(world->xyz[3 * i + 1]);
        p("z") = static_cast<double>(world->xyz[3 * i + 2]);
        world->points[i] = p;
    }

    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 640, 0, 480, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return true;
}

// What a C program would write: one batch, a normal per triangle from the
// same cross product, three vertices.
void CLoop(const float* v, int triangles) {
    glBegin(GL_TRIANGLES);
    for (int t = 0; t < triangles; t++, v += 9) {
        double ux = double(v[0]) - v[3], uy = double(v[1]) - v[4], uz = double(v[2]) - v[5];
        double wx = double(v[6]) - v[3], wy = double(v[7]) - v[4], wz = double(v[8]) - v[5];
        glNormal3f(float(uz * wy - uy * wz), float(ux * wz - uz * wx), float(uy * wx - ux * wy));
        glVertex3f(v[0], v[1], v[2]);
        glVertex3f(v[3], v[4], v[5]);
        glVertex3f(v[6], v[7], v[8]);
    }
    glEnd();
}

void Clear() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

void BM_CLoop(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Clear();
        glFinish();
        state.ResumeTiming();
        CLoop(world->xyz.data(), kTriangles);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations() * 3L * kTriangles);
}

// The handler as the host calls it: the vector by reference, self last.
void CallHandler(benchmark::State& state, Variable& vector) {
    for (auto _ : state) {
        state.PauseTiming();
        Clear();
        glFinish();
        state.ResumeTiming();
        VarRegister result, args[2];
        args[0].isRef = 1;
        args[0].ref = &vector;
        args[1].isRef = 1;
        args[1].ref = &world->gl;
        world->triangles(&result, args, 2, &world->processor);
        glFinish();
    }
    if (world->processor.errorState) state.SkipWithError("the handler raised an error");
    state.SetItemsProcessed(state.iterations() * 3L * kTriangles);
}

void BM_HandlerFlatDoubles(benchmark::State& state) { CallHandler(state, world->flat); }
void BM_HandlerPoint3(benchmark::State& state) { CallHandler(state, world->points); }

// Console output as usual, and the medians of each benchmark kept: real
// time (waiting for the rasteriser included) and the calling thread's CPU
// time (where reading the vector shows most).
class Reporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::pair<double, double>> medians;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                medians[r.run_name.function_name] = {r.GetAdjustedRealTime(), r.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const {
        auto c = medians.find("BM_CLoop");
        if (c == medians.end() || c->second.first <= 0 || c->second.second <= 0) return;
        for (const char* name : {"BM_HandlerFlatDoubles", "BM_HandlerPoint3"}) {
            auto it = medians.find(name);
            if (it == medians.end()) continue;
            std::printf("ratio %s / BM_CLoop: real time %.3f, calling thread's CPU time %.3f\n", name,
                        it->second.first / c->second.first, it->second.second / c->second.second);
        }
        std::printf("target: a real-time ratio of at most 1.15\n");
    }
};

}  // namespace

BENCHMARK(BM_CLoop)->Unit(benchmark::kMillisecond)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_HandlerFlatDoubles)->Unit(benchmark::kMillisecond)->Repetitions(7)->UseRealTime();
BENCHMARK(BM_HandlerPoint3)->Unit(benchmark::kMillisecond)->Repetitions(7)->UseRealTime();

int main(int argc, char** argv) {
    // Repetitions of the three interleaved, so that a noisy spell on the
    // shared machine falls on all of them alike.
    std::vector<char*> args(argv, argv + argc);
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.push_back(interleave);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    std::string why;
    if (!Prepare(&why)) {
        std::fprintf(stderr, "geometry_bench: %s\n", why.c_str());
        return 1;
    }
    Reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
