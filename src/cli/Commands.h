#pragma once
// The commands of velinor-cli, one file each.
#include <string>
#include <vector>

namespace velinor::cli {

struct Command {
  const char* name;
  const char* usage;  // the arguments, shown by "velinor-cli help"
  const char* notes;  // indented lines "velinor-cli help" shows under the usage; may be null
  int (*run)(const std::vector<std::string>& args);
};

int RunKeep(const std::vector<std::string>& args);
int RunResize(const std::vector<std::string>& args);

// The table of commands (main.cpp).
const std::vector<Command>& AllCommands();

int RunConvert(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);

}  // namespace velinor::cli
