// The fixture of the engine's unit tests: a temporary directory for compiled files, the
// stand-in console, and helpers that run the program or the engine's passes on a file.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "code_builder.h"
#include "executor/engine.h"
#include "executor/program.h"
#include "fake_console.h"
#include "screen.h"

namespace zoxtest {

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() { fakeScreen().reset(); }

  FakeScreen& screen() { return fakeScreen(); }
  const std::string& out() { return fakeScreen().transcript; }
  void keys(std::initializer_list<int> k) { fakeScreen().keys.insert(fakeScreen().keys.end(), k); }

  std::string write(const std::string& bytes, const std::string& name = "adv.zox") {
    dir.write(name, bytes);
    return dir.file(name);
  }

  // The whole program on its arguments, as zoxexec runs it; the exit status as main returns
  // it (-1 for the normal end of play).
  int run(std::vector<std::string> args) {
    std::vector<const char*> argv{"zoxexec"};
    for (const std::string& a : args) argv.push_back(a.c_str());
    engine.setStartPause(std::chrono::milliseconds(0));
    return zox::runExecutor(engine, console, int(argv.size()), argv.data());
  }
  int runFile(const std::string& bytes) { return run({write(bytes)}); }

  // open, test, initialise and start; the first error, or 0.
  int startUp(const std::string& bytes) {
    engine.setStartPause(std::chrono::milliseconds(0));
    int r = engine.open(write(bytes));
    if (r == 0) r = engine.test();
    if (r == 0) r = engine.initialise();
    if (r == 0) r = engine.start();
    return r;
  }
  // Steps until the step gives something other than 0; 0 if the limit came first.
  int play(int limit = 100000) {
    for (int i = 0; i < limit; ++i) {
      int r = engine.step();
      if (r != 0) return r;
    }
    return 0;
  }

  TempDir dir;
  zox::Console console;
  zox::zoxexec engine{&console};
};

}  // namespace zoxtest
