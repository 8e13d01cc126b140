// The report of a body that must stop the process: run in a child process that must end
// with exit status 1, writing its report to a file; the records of that file.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "run/constants.hpp"
#include "run/units.hpp"

inline std::vector<std::string> stopped_report(const std::function<void()> &body) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // One file per build and test: tests run in parallel processes, also from other build
  // trees; the death-test child computes the same name.
  const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  const auto *t = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string path = ::testing::TempDir() + "zelk_" + std::to_string(std::hash<std::string>{}(exe)) + "_" +
                           t->test_suite_name() + "_" + t->name() + "_stop.out";
  std::remove(path.c_str());
  EXPECT_EXIT(
      {
        uopen_out(ndev.NOUT, path);
        body();
      },
      ::testing::ExitedWithCode(1), "");
  std::vector<std::string> r;
  std::ifstream in(path);
  for (std::string l; std::getline(in, l);) r.push_back(l);
  return r;
}
