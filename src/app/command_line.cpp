#include "app/command_line.h"

#include <string_view>

namespace {

CommandLineResult Failure(std::string message) { return {std::nullopt, std::move(message)}; }

}  // namespace

std::string CommandLineUsage() {
  return "使い方: yomitoru [--archive フォルダ] [--service-root URL] [--demo] [--notice-base URL] "
         "[--browser-session ファイル] [--read URL [--all] [--quit]] [--search 語句] [--browser-address]\n";
}

std::filesystem::path ArchiveFolderOf(const CommandLine& options) {
  if (options.archive.empty()) return {};
  std::filesystem::path folder = std::filesystem::absolute(options.archive).lexically_normal();
  if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
  return folder;
}

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine options;
  bool all = false;
  bool quit = false;
  std::string besidesBrowserAddress;  // the first option --browser-address may not go with
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string_view argument = arguments[i];
    // "--name=value" is accepted as well as "--name value".
    std::optional<std::string> inlineValue;
    if (argument.starts_with("--")) {
      if (const auto equals = argument.find('='); equals != std::string_view::npos) {
        inlineValue = std::string(argument.substr(equals + 1));
        argument = argument.substr(0, equals);
      }
    }
    const bool takesValue = argument == "--archive" || argument == "--service-root" || argument == "--read" ||
                            argument == "--notice-base" || argument == "--browser-session" ||
                            argument == "--search";
    const bool isFlag = argument == "--demo" || argument == "--all" || argument == "--quit" ||
                        argument == "--help" || argument == "-h" || argument == "--browser-address";
    if (!takesValue && !isFlag) return Failure("不明な引数です: " + arguments[i]);
    if (inlineValue && !takesValue) {
      return Failure("オプション " + std::string(argument) + " に値は指定できません。");
    }
    std::string value;
    if (takesValue) {
      if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        return Failure("オプション " + std::string(argument) + " の値がありません。");
      }
      if (value.empty()) return Failure("オプション " + std::string(argument) + " の値が空です。");
    }
    if (besidesBrowserAddress.empty() && argument != "--browser-address" && argument != "--browser-session") {
      besidesBrowserAddress = argument;
    }

    if (argument == "--archive") {
      options.archive = value;
    } else if (argument == "--service-root") {
      options.serviceRoot = value;
    } else if (argument == "--notice-base") {
      options.noticeBase = value;
    } else if (argument == "--browser-session") {
      options.browserSession = value;
    } else if (argument == "--read") {
      options.read = PendingRead{value};
    } else if (argument == "--search") {
      options.search = value;
    } else if (argument == "--browser-address") {
      options.browserAddress = true;
    } else if (argument == "--demo") {
      options.demo = true;
    } else if (argument == "--all") {
      all = true;
    } else if (argument == "--quit") {
      quit = true;
    } else {
      options.help = true;
    }
  }
  if ((all || quit) && !options.read) {
    return Failure(std::string(all ? "--all" : "--quit") + " は --read と一緒に指定してください。");
  }
  if (options.search && (options.read || options.demo)) {
    return Failure(std::string("--search は ") + (options.read ? "--read" : "--demo") +
                   " と一緒に指定できません。");
  }
  if (options.browserAddress && !besidesBrowserAddress.empty()) {
    return Failure("--browser-address は " + besidesBrowserAddress + " と一緒に指定できません。");
  }
  if (options.read) {
    options.read->all = all;
    options.read->quit = quit;
  }
  return {std::move(options), {}};
}
