// Script preparation throughput: what the wizard does to a script file before the driver sends
// it (read, split into lines, re-join with CR LF, parameter-marker rule, UTF-16), beside the bare
// cost of reading the file and converting it to UTF-16, for scripts of 16, 64 and 256 MB.
// Goal: preparation costs at most twice the bare cost, and both grow linearly with the size.
// CheckScript is VerificaBD's reading of the same file (the wizard's reading, then its findings):
// at most twice the bare cost on a 64 MB script too.
//
// Figures mean something only without sanitizers:
//   cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DWIZARD_SANITIZE=OFF -DBUILD_TESTING=OFF
//   cmake --build build/bench --target script_preparation_bench && build/bench/bin/script_preparation_bench

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "base/Text.h"
#include "checker/ScriptFindings.h"
#include "provisioning/ParameterMarkers.h"
#include "provisioning/ScriptText.h"

namespace {

// A data script like the shipped ones: INSERT lines with quoted literals (some holding colons),
// CR LF line ends, a few LF-only lines and Windows-1252 letters.
std::string MakeScript(std::size_t bytes) {
    const std::string lines[] = {
        "INSERT INTO produtos (codigo, descricao, familia, preco) VALUES (1, 'Caf\xE9 expresso', 3, 0.80)\r\n",
        "INSERT INTO vendas (numero, codigo, quantidade, valor, data) VALUES (2, 6, 1, 11.00, '2024-03-01 13:05:00')\r\n",
        "UPDATE produtos SET preco = 0.85 WHERE codigo = 3\n",
        "-- Dados de demonstra\xE7\xE3o\r\n",
    };
    std::string script;
    script.reserve(bytes + 128);
    for (std::size_t i = 0; script.size() < bytes; ++i) script += lines[i % 4];
    script.resize(bytes);
    return script;
}

const std::filesystem::path& ScriptFile(std::size_t megabytes) {
    static std::map<std::size_t, std::filesystem::path> files;
    auto [it, added] = files.try_emplace(megabytes);
    if (added) {
        it->second = std::filesystem::temp_directory_path() /
                     ("script_preparation_bench_" + std::to_string(megabytes) + "MB.inf");
        const std::string script = MakeScript(megabytes << 20);
        std::FILE* out = std::fopen(it->second.c_str(), "wb");
        std::fwrite(script.data(), 1, script.size(), out);
        std::fclose(out);
    }
    return it->second;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::string bytes(std::filesystem::file_size(path), '\0');
    std::FILE* in = std::fopen(path.c_str(), "rb");
    const std::size_t read = std::fread(bytes.data(), 1, bytes.size(), in);
    std::fclose(in);
    bytes.resize(read);
    return bytes;
}

void ReadAndWiden(benchmark::State& state) {
    const auto& path = ScriptFile(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const std::u16string wide = base::Cp1252ToUtf16(ReadAll(path));
        benchmark::DoNotOptimize(wide.data());
    }
    state.SetBytesProcessed(state.iterations() * (state.range(0) << 20));
}

void PrepareScript(benchmark::State& state) {
    const auto& path = ScriptFile(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const prov::PreparedText prepared = prov::PrepareText(prov::ScriptCommandText(ReadAll(path)));
        benchmark::DoNotOptimize(prepared.text.data());
    }
    state.SetBytesProcessed(state.iterations() * (state.range(0) << 20));
}

// The same with one colon outside a literal at the start: every byte goes through the marker rule.
void PrepareScriptWithMarker(benchmark::State& state) {
    const auto& path = ScriptFile(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::string bytes = ReadAll(path);
        bytes[0] = ':';
        const prov::PreparedText prepared = prov::PrepareText(prov::ScriptCommandText(bytes));
        benchmark::DoNotOptimize(prepared.text.data());
    }
    state.SetBytesProcessed(state.iterations() * (state.range(0) << 20));
}

// VerificaBD's checks of one script file: read, the wizard's reading, the findings.
void CheckScript(benchmark::State& state) {
    const auto& path = ScriptFile(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const auto findings = checker::CheckScript("DBDemo.inf", ReadAll(path));
        benchmark::DoNotOptimize(findings.data());
    }
    state.SetBytesProcessed(state.iterations() * (state.range(0) << 20));
}

BENCHMARK(ReadAndWiden)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(PrepareScript)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(PrepareScriptWithMarker)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(CheckScript)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (std::size_t megabytes : {16, 64, 256}) std::filesystem::remove(ScriptFile(megabytes));
    return 0;
}
