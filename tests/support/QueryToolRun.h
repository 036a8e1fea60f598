#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

// tesselby-query run as a separate program, the way scripts use it.
namespace test_support {

struct QueryOutcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

inline std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

/// Runs the program at programPath with args; its output goes through files in a temporary folder.
inline QueryOutcome RunQueryTool(const std::string& programPath, const std::vector<std::string>& args) {
  std::string pattern = (std::filesystem::temp_directory_path() / "tquery-XXXXXX").string();
  QueryOutcome run;
  if (::mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "could not make a temporary folder";
    return run;
  }
  const std::string outPath = pattern + "/out";
  const std::string errPath = pattern + "/err";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Never the terminal the tests were started from: a program must not wait for answers.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> all = {programPath};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "could not start " << argv[0];
  } else {
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = Slurp(outPath);
    run.err = Slurp(errPath);
  }
  std::error_code error;
  std::filesystem::remove_all(pattern, error);
  return run;
}

}  // namespace test_support
