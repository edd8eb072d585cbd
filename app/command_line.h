// The program's command line: the arguments as GBK texts, the table of the
// headless modes (the one place that knows the options), and the choice between
// a mode, the window and a usage error.
#pragma once
#include <string>
#include <vector>

// The program's arguments as GBK texts (argv[0] excluded).
std::vector<std::string> commandLineArguments();
// Lets a windowed program print to the terminal that started it (Windows only;
// a Winelib module writes to the Unix terminal directly).
void attachParentConsole();

// One headless mode: "velmora OPTION ARGS...".
struct CommandLineMode {
    const char *option;     // "--describe"
    const char *usage;      // its line in the usage text
    bool needsImageMagick;  // started (and ended) around run
    int (*run)(const std::vector<std::string> &args);  // the arguments after the option; the exit code
};
const std::vector<CommandLineMode> &commandLineModes();

// What a command line asks for. Anything beginning with "--" that is not a mode
// (in first place) is an unknown option, wherever it stands; everything else
// starts the window with the arguments as paths to list.
struct CommandLineChoice {
    const CommandLineMode *mode = nullptr;  // a headless mode
    std::string unknownOption;              // set: print the usage, exit 2
};
CommandLineChoice chooseCommandLine(const std::vector<std::string> &args);

// The usage text (GBK), every mode of the table included.
std::string usageText();
constexpr int kUsageExitCode = 2;
// A window start needs a display; without one the program says so and ends with 1.
constexpr int kNoDisplayExitCode = 1;
bool displayAvailable();
std::string noDisplayText();
