// velinor-cli: the engine and the file formats without windows.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "core/files/FormatRegistry.h"

namespace velinor::cli {

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      {"keep",
       "INPUT OUTPUT [--color '#RRGGBB']... [--pick X,Y]... [--exclude '#RRGGBB']... "
       "[--exclude-pick X,Y]... [--tolerance N] [--no-gradient] "
       "[--no-progressive] [--sepia] [--mask MASKFILE] [--touch-up FILE] [--progress] [--timing]",
       "      The options make one colour list in command-line order. A --color text is\n"
       "      taken as written. Each --pick, --exclude and --exclude-pick follows the\n"
       "      eyedropper's rules over the whole list: a colour within 3 of one already\n"
       "      listed (kept or excluded), or one added when 50 are listed, adds nothing.\n"
       "      --touch-up takes a grey picture of INPUT's size (0 colour, 255 grey, 128\n"
       "      untouched), or an .ovi saved after Execute, whose brush strokes are used as\n"
       "      painted. An .ovi OUTPUT keeps the list, the options and the strokes with its\n"
       "      layers, so the window reopens it as work to go on with.",
       RunKeep},
      {"resize", "INPUT OUTPUT --width W --height H [--mode nearest|interpolated|filtered] [--timing]", nullptr,
       RunResize},
      {"convert", "INPUT OUTPUT [--quality Q] [--progressive]", nullptr, RunConvert},
      {"info", "FILE", nullptr, RunInfo},
  };
  return commands;
}

namespace {

void PrintUsage(FILE* out) {
  std::fprintf(out, "Usage: velinor-cli COMMAND ARGUMENTS...\n\nCommands:\n");
  for (const Command& c : AllCommands()) {
    std::fprintf(out, "  velinor-cli %s %s\n", c.name, c.usage);
    if (c.notes) std::fprintf(out, "%s\n", c.notes);
  }
}

}  // namespace
}  // namespace velinor::cli

int main(int argc, char** argv) {
  using namespace velinor::cli;
  velinor::StartImageFiles();
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    PrintUsage(args.empty() ? stderr : stdout);
    return args.empty() ? ExitUsage : 0;
  }
  for (const Command& c : AllCommands()) {
    if (args[0] != c.name) continue;
    try {
      return c.run(std::vector<std::string>(args.begin() + 1, args.end()));
    } catch (const UsageError& e) {
      std::fprintf(stderr, "velinor-cli %s: %s\nUsage: velinor-cli %s %s\n", c.name, e.what(), c.name, c.usage);
      return ExitUsage;
    } catch (const FileError& e) {
      std::fprintf(stderr, "velinor-cli %s: %s\n", c.name, e.what());
      return ExitFile;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "velinor-cli %s: %s\n", c.name, e.what());
      return ExitFile;
    }
  }
  std::fprintf(stderr, "velinor-cli: unknown command \"%s\"\n", args[0].c_str());
  PrintUsage(stderr);
  return ExitUsage;
}
