// The whole run of zoxcomp, from the command line to the final message, on a report screen;
// and an in-process entry point that compiles one source file for tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "compiler/report.h"

namespace zox {

// The version text of the banner.
inline constexpr const char* kCompilerVersion = "V0.99B1";

// Runs zoxcomp on an already started screen: size check, banner, command line, open, line
// loop with its progress line, GO TO pass, resources, finish, final message. Returns the exit
// status. The caller ends the screen afterwards and lets the state close its files.
int runCompiler(Compiler& c, ReportScreen& screen, int argc, const char* const* argv);

// What one in-process compile produced.
struct CompileOutcome {
  int status = 0;               // the exit status zoxcomp would give
  std::string report;           // the report as plain lines (Latin-1)
  std::string outputPath;       // the name chosen for the output ("" if none was chosen)
  bool outputExists = false;    // the output file is there after the run
  std::vector<uint8_t> output;  // its bytes when it exists
  ErrorList errors;             // the recorded errors
};

// Compiles the source at path exactly as `zoxcomp path` does, with the report kept in memory.
CompileOutcome compileSourceFile(const std::string& path);

}  // namespace zox
