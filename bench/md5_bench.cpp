// Throughput of the engine against OpenSSL's MD5 on the same 32 MiB buffer,
// run side by side; prints the median of each and their ratio.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "basMD5.h"

namespace {

constexpr std::int32_t kSize = 33554432;

const std::vector<std::uint8_t>& Buffer() {
    static const std::vector<std::uint8_t> buffer = [] {
        std::vector<std::uint8_t> bytes(kSize);
        std::mt19937 random(42);
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(random());
        }
        return bytes;
    }();
    return buffer;
}

void Varnholt(benchmark::State& state) {
    const auto& buffer = Buffer();
    for (auto _ : state) {
        benchmark::DoNotOptimize(basMD5::MD5BytesToHex(buffer, kSize));
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

void OpenSSL(benchmark::State& state) {
    const auto& buffer = Buffer();
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    for (auto _ : state) {
        EVP_Digest(buffer.data(), buffer.size(), md, &length, EVP_md5(), nullptr);
        benchmark::DoNotOptimize(md);
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

// Keeps the median throughput of each benchmark while printing as usual.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.aggregate_name == "median") {
                medians_[run.run_name.function_name] = run.counters.at("bytes_per_second");
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const double ours = medians_["Varnholt"];
        const double reference = medians_["OpenSSL"];
        if (ours > 0 && reference > 0) {
            std::printf("\nVarnholt %.0f MiB/s, OpenSSL %.0f MiB/s, ratio %.3f\n", ours / 1048576.0,
                        reference / 1048576.0, ours / reference);
        }
    }

private:
    std::map<std::string, double> medians_;
};

}  // namespace

BENCHMARK(Varnholt)->Unit(benchmark::kMillisecond)->Repetitions(9);
BENCHMARK(OpenSSL)->Unit(benchmark::kMillisecond)->Repetitions(9);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
