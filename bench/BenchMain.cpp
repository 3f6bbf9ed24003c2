// Benchmarks build processors, which keep presets and preferences under the home folder: run them
// with a home folder of their own so that a measurement never touches the user's files.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main (int argc, char** argv)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "varlune-bench.XXXXXX").string();
    if (mkdtemp (pattern.data()) == nullptr)
        return 1;

    setenv ("HOME", pattern.c_str(), 1);
    setenv ("XDG_CONFIG_HOME", (pattern + "/config").c_str(), 1);
    setenv ("XDG_DATA_HOME", (pattern + "/data").c_str(), 1);

    benchmark::Initialize (&argc, argv);
    if (benchmark::ReportUnrecognizedArguments (argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::filesystem::remove_all (pattern);
    return 0;
}
