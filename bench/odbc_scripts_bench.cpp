// Runs the wizard's three sample scripts through OdbcDatabase, iteration after iteration, each
// time into a new database of a test server instance, and prints the time one iteration takes.
// Driven by bench/odbc_client_overhead.py, which compares it with FreeTDS's tsql.
//
// Usage (under Wine): odbc_scripts_bench.exe <iterations>   with SQLTESTSERVER_PORT_FILE set.

#include "tests/provisioning/win/SqlTestServer.h"  // winsock2.h before windows.h

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "provisioning/ConnectionString.h"
#include "provisioning/ScriptText.h"
#include "provisioning/win/OdbcDatabase.h"
#include "provisioning/win/Win32Services.h"
#include "bench/BenchClock.h"

namespace {

std::string Script(const char* name) {
    std::ifstream in(prov::ProgramFolder() + name, std::ios::binary);
    return prov::ScriptCommandText(std::string(std::istreambuf_iterator<char>(in), {}));
}

}  // namespace

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::atoi(argv[1]) : 20;
    const std::string scripts[] = {Script("DBScript.inf"), Script("DBDefault.inf"), Script("DBDemo.inf")};
    try {
        sqltest::Instance server;
        prov::OdbcDatabase db;
        const prov::ConnectionSettings settings{server.Server(), "sa", "QX#318604275", "master"};
        db.SetConnectionString(prov::MasterConnectionString(settings));
        db.Open();
        double total = 0;
        for (int i = 0; i <= iterations; ++i) {  // iteration 0 warms up
            const auto start = bench::Clock::now();
            const std::string name = "bench_" + std::to_string(i);
            db.ExecuteCommand("CREATE DATABASE " + name);
            db.ExecuteCommand("USE " + name);
            for (const std::string& script : scripts) db.ExecuteCommand(script);
            const double ms = bench::Milliseconds(bench::Clock::now() - start);
            if (i > 0) total += ms;
        }
        db.Close();
        std::printf("odbc_layer_ms_per_iteration %.3f\n", total / iterations);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "odbc_scripts_bench: %s\n", e.what());
        return 1;
    }
}
