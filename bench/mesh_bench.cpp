// Mesh::loadObj beside tinyobjloader, on one OBJ file of 1,000,000 triangles written by the bench.
#include "assets/Mesh.h"

#include "SceneData.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tiny_obj_loader.h>
#include <unistd.h>

namespace {

const int rings = 500, segments = 1000;
const int64_t triangleCount = 2 * rings * segments;

// Written once, removed when the bench ends.
struct BenchFile {
    std::string directory, path;
    int64_t bytes = 0;
    BenchFile() {
        char pattern[] = "/tmp/demo-bench-XXXXXX";
        if (!mkdtemp(pattern)) return;
        directory = pattern;
        path = directory + "/sphere.obj";
        const std::string obj = sphereObj(1.0f, rings, segments);
        if (writeObj(path, obj)) bytes = static_cast<int64_t>(obj.size());
    }
    ~BenchFile() {
        std::remove(path.c_str());
        rmdir(directory.c_str());
    }
};

const BenchFile& benchFile() {
    static const BenchFile file;
    return file;
}

void reportThroughput(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * benchFile().bytes);
    state.counters["triangles/s"] = benchmark::Counter(
        static_cast<double>(triangleCount), benchmark::Counter::kIsIterationInvariantRate);
}

void meshLoadObj(benchmark::State& state) {
    const BenchFile& file = benchFile();
    if (file.bytes == 0) return state.SkipWithError("cannot write the OBJ file");
    for (auto _ : state) {
        Mesh mesh;
        mesh.loadObj(file.path.c_str());
        if (mesh.drawnCornerCount != 3 * triangleCount) return state.SkipWithError("wrong mesh");
        benchmark::DoNotOptimize(mesh.positions);
    }
    reportThroughput(state);
}

void tinyObjLoader(benchmark::State& state) {
    const BenchFile& file = benchFile();
    if (file.bytes == 0) return state.SkipWithError("cannot write the OBJ file");
    for (auto _ : state) {
        tinyobj::attrib_t attributes;
        std::vector<tinyobj::shape_t> shapes;
        std::vector<tinyobj::material_t> materials;
        std::string warning, error;
        const bool loaded = tinyobj::LoadObj(&attributes, &shapes, &materials, &warning, &error,
                                             file.path.c_str(), nullptr, true, false);
        if (!loaded || shapes.size() != 1 ||
            static_cast<int64_t>(shapes[0].mesh.indices.size()) != 3 * triangleCount)
            return state.SkipWithError("tinyobjloader did not read the mesh");
        benchmark::DoNotOptimize(attributes.vertices.data());
    }
    reportThroughput(state);
}

} // namespace

BENCHMARK(meshLoadObj)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);
BENCHMARK(tinyObjLoader)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);
