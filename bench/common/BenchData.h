// Large, deterministic stylesheets for the benchmarks of every area.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pindle::bench {

// A stylesheet file's bytes (CR LF line ends): the generated block with ruleLines rule lines of
// varied properties, then freeLines lines of free CSS (rules, declarations, multi-line comments,
// blank lines). The defaults give about 40 MB. The same arguments always give the same bytes.
std::string GenerateStylesheet(int ruleLines = 100000, int freeLines = 1000000, std::uint32_t seed = 20261208);

// The default stylesheet written once under the build folder; returns its path.
const std::string& BenchStylesheetPath();

// A stylesheet of about `megabytes` million bytes in the same proportions as the default one
// (2,500 rule lines and 25,000 free lines per megabyte), written once under the build folder and
// in pieces, so that even a 400 MB file never has to be held in memory; returns its path.
std::string ScaledStylesheetPath(int megabytes);

// Runs this program again in a fresh process with the given arguments and returns what it wrote to
// its standard output; nothing when it could not be started or did not end with status 0. The
// memory figures measure their step this way, apart from everything the benchmark did before.
std::optional<std::string> RunSelf(const std::vector<std::string>& arguments);

}  // namespace pindle::bench
