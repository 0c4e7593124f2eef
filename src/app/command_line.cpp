#include "app/command_line.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <string_view>

#include "about/version_info.h"

namespace {

struct OptionSpec {
  QStringList names;
  const char* valueName;  // nullptr: a flag
  const char* description;
};

// Every option, in the order --help lists them (UTF-8).
const std::vector<OptionSpec>& Options() {
  static const std::vector<OptionSpec> options = {
      {{QStringLiteral("archive")}, "フォルダ", "アーカイブのフォルダを指定します。"},
      {{QStringLiteral("service-root")},
       "URL",
       "メルマガサービスのサイトを指定します(バックナンバーは URL/m/log の下)。"},
      {{QStringLiteral("demo")}, nullptr, "同梱のサンプルサービスを起動して、そのメルマガを表示します。"},
      {{QStringLiteral("notice-base")},
       "URL",
       "お知らせのページの場所を指定します(URL + バージョン + .html)。"},
      {{QStringLiteral("browser-session")},
       "ファイル",
       "IEからURL取得で読むブラウザーのセッションファイルを指定します。"},
      {{QStringLiteral("read")}, "URL", "ウィンドウを開いたら、URL のメルマガを読み取ります。"},
      {{QStringLiteral("all")}, nullptr, "--read で、未読取分だけでなくすべての号を読み取ります。"},
      {{QStringLiteral("quit")}, nullptr, "--read か --update-all が終わったら、結果を表示して終了します。"},
      {{QStringLiteral("search")}, "語句", "アーカイブのすべての号から語句を検索して表示し、終了します。"},
      {{QStringLiteral("update-all")},
       nullptr,
       "アーカイブのすべてのメルマガの未読取分を、順に読み取ります。"},
      {{QStringLiteral("browser-address")}, nullptr,
       "実行中のブラウザーが表示しているページのアドレスを出力して終了します(ウィンドウは開きません)。"},
      {{QStringLiteral("help"), QStringLiteral("h")}, nullptr, "この説明を表示します。"},
      {{QStringLiteral("version")}, nullptr, "バージョンを表示します。"},
  };
  return options;
}

const OptionSpec* FindOption(std::string_view name) {
  for (const OptionSpec& option : Options()) {
    if (option.names.contains(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))))
      return &option;
  }
  return nullptr;
}

std::string Dashed(const QString& name) { return (name.size() == 1 ? "-" : "--") + name.toStdString(); }

CommandLineResult Failure(std::string message) { return {std::nullopt, std::move(message)}; }

// Why the parser refused `arguments`, in the program's words: the parser knows the
// option, the words are ours.
std::string RefusalOf(const QCommandLineParser& parser, const std::vector<std::string>& arguments) {
  if (!parser.unknownOptionNames().isEmpty()) {
    return "不明な引数です: " + Dashed(parser.unknownOptionNames().constFirst());
  }
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string_view argument = arguments[i];
    if (!argument.starts_with("--")) continue;
    const std::size_t equals = argument.find('=');
    const std::string_view name =
        argument.substr(2, equals == std::string_view::npos ? argument.npos : equals - 2);
    const OptionSpec* option = FindOption(name);
    if (option == nullptr) continue;
    if (option->valueName == nullptr && equals != std::string_view::npos) {
      return "オプション --" + std::string(name) + " に値は指定できません。";
    }
    if (option->valueName != nullptr && equals == std::string_view::npos && i + 1 == arguments.size()) {
      return "オプション --" + std::string(name) + " の値がありません。";
    }
  }
  return "引数が正しくありません。";
}

// Display columns of UTF-8 text: two for a character outside ASCII, as terminals show
// Japanese text.
std::size_t Columns(std::string_view text) {
  std::size_t columns = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      ++columns;
    } else if ((byte & 0xC0) != 0x80) {
      columns += 2;
    }
  }
  return columns;
}

}  // namespace

std::string CommandLineUsage() {
  return "使い方: yomitoru [--archive フォルダ] [--service-root URL] [--demo] [--notice-base URL] "
         "[--browser-session ファイル] [--read URL [--all] [--quit]] [--search 語句] [--update-all "
         "[--quit]] [--browser-address]\n";
}

std::string CommandLineHelp() {
  // Appended piece by piece: GCC 12 warns falsely of an overlap on a chain of "+".
  std::vector<std::string> lefts;
  std::size_t width = 0;
  for (const OptionSpec& option : Options()) {
    std::string left = "  ";
    for (const QString& name : option.names) left.append(left.size() > 2 ? ", " : "").append(Dashed(name));
    if (option.valueName != nullptr) left.append(" ").append(option.valueName);
    width = std::max(width, Columns(left));
    lefts.push_back(std::move(left));
  }
  std::string help = CommandLineUsage() + "\n";
  for (std::size_t i = 0; i < lefts.size(); ++i) {
    help.append(lefts[i])
        .append(width + 2 - Columns(lefts[i]), ' ')
        .append(Options()[i].description)
        .append("\n");
  }
  return help;
}

std::string VersionLine() {
  const VersionResource resource = CompiledVersionResource();
  const auto product = resource.find("ProductName");
  const auto version = resource.find("FileVersion");
  return (product != resource.end() ? product->second : std::string("Yomitoru")) + " " +
         (version != resource.end() ? version->second : std::string()) + "\n";
}

CommandLineResult ParseCommandLine(const std::vector<std::string>& arguments) {
  QCommandLineParser parser;
  parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
  for (const OptionSpec& option : Options()) {
    QCommandLineOption qtOption(option.names, QString::fromUtf8(option.description));
    if (option.valueName != nullptr) qtOption.setValueName(QString::fromUtf8(option.valueName));
    parser.addOption(qtOption);
  }
  QStringList qtArguments{QStringLiteral("yomitoru")};
  for (const std::string& argument : arguments) qtArguments << QString::fromStdString(argument);
  if (!parser.parse(qtArguments)) return Failure(RefusalOf(parser, arguments));
  if (!parser.positionalArguments().isEmpty()) {
    return Failure("不明な引数です: " + parser.positionalArguments().constFirst().toStdString());
  }

  CommandLine options;
  const auto value = [&parser](const char* name) { return parser.value(QLatin1String(name)).toStdString(); };
  for (const OptionSpec& option : Options()) {
    if (option.valueName == nullptr) continue;
    for (const QString& given : parser.values(option.names.constFirst())) {
      if (given.isEmpty())
        return Failure("オプション --" + option.names.constFirst().toStdString() + " の値が空です。");
    }
  }
  const auto isSet = [&parser](const char* name) { return parser.isSet(QLatin1String(name)); };
  if (isSet("archive")) options.archive = value("archive");
  options.serviceRoot = value("service-root");
  options.noticeBase = value("notice-base");
  options.browserSession = value("browser-session");
  if (isSet("read")) options.read = PendingRead{value("read")};
  if (isSet("search")) options.search = value("search");
  options.demo = isSet("demo");
  options.help = isSet("help");
  options.version = isSet("version");
  const bool all = isSet("all");
  const bool quit = isSet("quit");
  options.browserAddress = isSet("browser-address");
  if (options.browserAddress) {
    // It reads the browser only: the one option that says which browser file may go with it.
    for (const OptionSpec& option : Options()) {
      const QString& name = option.names.constFirst();
      if (name == QLatin1String("browser-address") || name == QLatin1String("browser-session")) continue;
      if (parser.isSet(name)) return Failure("--browser-address は --" + name.toStdString() + " と一緒に指定できません。");
    }
  }
  if (isSet("update-all")) {
    for (const char* other : {"read", "all", "search", "demo"}) {
      if (isSet(other))
        return Failure(std::string("--update-all は --") + other + " と一緒に指定できません。");
    }
    options.updateAll = UpdateRun{quit};
  } else if ((all || quit) && !options.read) {
    return Failure(std::string(all ? "--all" : "--quit") + " は --read と一緒に指定してください。");
  }
  if (options.search && (options.read || options.demo)) {
    return Failure(std::string("--search は ") + (options.read ? "--read" : "--demo") +
                   " と一緒に指定できません。");
  }
  if (options.read) {
    options.read->all = all;
    options.read->quit = quit;
  }
  return {std::move(options), {}};
}
