// Our SHA-256 against the system's sha256sum on the same 64 MiB of data, in one run. Both are
// timed in wall-clock time (sha256sum works in a child process); the ratio of their bytes per
// second is the comparison. sha256sum's figure includes its start-up and reading the file from
// the page cache, a few milliseconds against the hashing.
#include "services/Sha256.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <vector>

namespace {

const size_t dataSize = 64 << 20;
std::string createdFile;  // removed at exit; empty when no benchmark ran

struct Data {
  std::vector<uint8_t> bytes;
  std::string path;
  std::string digest;
};

Data& data() {
  static Data d = [] {
    Data made;
    made.bytes.resize(dataSize);
    uint64_t x = 0x9e3779b97f4a7c15;
    for (uint8_t& byte : made.bytes) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      byte = static_cast<uint8_t>(x);
    }
    char name[] = "/tmp/tq_sha256_bench_XXXXXX";
    close(mkstemp(name));
    made.path = createdFile = name;
    std::ofstream(made.path, std::ios::binary)
        .write(reinterpret_cast<const char*>(made.bytes.data()), static_cast<std::streamsize>(dataSize));
    std::string text(reinterpret_cast<const char*>(made.bytes.data()), dataSize);
    made.digest = hashText(text, static_cast<int64_t>(text.size()));
    return made;
  }();
  return d;
}

void OurSha256(benchmark::State& state) {
  const Data& d = data();
  for (auto _ : state) {
    Sha256Context context;
    uint8_t digest[32];
    Sha256::init(context);
    Sha256::update(context, d.bytes.data(), d.bytes.size());
    Sha256::final(context, digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * dataSize));
}

void Sha256sum(benchmark::State& state) {
  const Data& d = data();
  std::string command = "sha256sum " + d.path;
  for (auto _ : state) {
    char output[65] = {};
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
      state.SkipWithError("sha256sum did not start");
      break;
    }
    size_t got = std::fread(output, 1, 64, pipe);
    pclose(pipe);
    if (got != 64 || d.digest != output) {
      state.SkipWithError("sha256sum disagrees with our digest");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * dataSize));
}

BENCHMARK(OurSha256)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Sha256sum)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!createdFile.empty())
    std::remove(createdFile.c_str());
  return 0;
}
