#pragma once
// yomitoru [--archive DIR] [--service-root URL] [--demo] [--notice-base URL]
//          [--browser-session FILE] [--read URL [--all] [--quit]] [--search WORDS]
//          [--update-all [--quit]] [--browser-address] [--help] [--version]

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// A read asked for on the command line, done once the window is shown.
struct PendingRead {
  std::string url;    // as given (UTF-8)
  bool all = false;   // choose すべて before reading
  bool quit = false;  // close the window when the read is back to idle
};

// 一括読取 asked for on the command line, run once the window is shown.
struct UpdateRun {
  bool quit = false;  // without a display, and the program ends with the run
};

struct CommandLine {
  std::filesystem::path archive;         // empty: chosen as archive_root.h says
  std::string serviceRoot;               // empty: YOMITORU_SERVICE_ROOT or the real service
  bool demo = false;                     // run the sample service in-process
  std::string noticeBase;                // empty: YOMITORU_NOTICE_BASE or the base compiled in
  std::filesystem::path browserSession;  // empty: YOMITORU_BROWSER_SESSION or the running browsers
  std::optional<PendingRead> read;
  std::optional<std::string> search;  // UTF-8: search the archive and end, without a window
  std::optional<UpdateRun> updateAll;
  bool browserAddress = false;  // print the running browser's address and end, without a window
  bool help = false;
  bool version = false;
};

struct CommandLineResult {
  std::optional<CommandLine> options;  // empty when the arguments are wrong
  std::string error;                   // UTF-8, for standard error
};

// `arguments` without the program name.
CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments);

// The usage line (UTF-8), after an error.
std::string CommandLineUsage();

// --help (UTF-8): the usage line, then every option with what it does.
std::string CommandLineHelp();

// --version: "Yomitoru " and the version, and a line end.
std::string VersionLine();
