#include "sample_site/issue_text.h"

#include <algorithm>
#include <string_view>

namespace sample_site {
namespace {

// Every pool holds JIS X 0208 characters only, and none of the few (〜 ‖ − — ¢ £ ¬)
// whose Unicode form differs between EUC-JP and code page 932, so a page converted
// from EUC-JP or UTF-8 gives the same Shift-JIS bytes as the text converted directly.
// The characters only code page 932 holds come in through the extras below.
struct Theme {
  std::vector<std::string> topics;
  std::vector<std::string> sentences;  // "{topic}" is replaced by the section's topic
  std::string editor;
  std::string publisher;
};

const std::vector<Theme>& Themes() {
  static const std::vector<Theme> themes = {
      {{"今週の注目ニュース", "街角インタビュー", "読者のお便り紹介", "季節の話題", "暮らしの節約術",
        "健康のひとくちメモ", "週末のイベント情報", "図書館だより", "地域の防災情報", "ことわざ散歩",
        "家計簿のつけ方", "自転車の安全点検"},
       {"{topic}について、読者の皆さまから多くのお便りをいただきました。",
        "今回は{topic}を取り上げ、身近な例を交えてご紹介します。",
        "先週の調査では、回答者の半数以上が「知らなかった」と答えています。",
        "駅前の商店街では、来月から新しい取り組みが始まる予定です。",
        "まずは身の回りでできることから始めてみるのがおすすめです。",
        "詳しい情報は市のホームページでも確認できます。",
        "小さな工夫の積み重ねが、一年後には大きな差になります。",
        "お住まいの地域の窓口にも、ぜひ一度問い合わせてみてください。",
        "編集部でも実際に試してみたところ、意外な発見がありました。",
        "表にまとめると、違いがひと目で分かるようになります。",
        "ソフトな語り口で人気の講師が、十年ぶりに講演を行います。",
        "次回も引き続き、{topic}の続きをお届けする予定です。"},
       "山田",
       "サンプル出版"},
      {{"旬の野菜で簡単副菜", "基本の出汁の取り方", "作り置きおかず", "お弁当のひと工夫", "季節の和菓子",
        "乾物を使いこなす", "魚の下ごしらえ入門", "常備菜のアレンジ", "鍋料理の楽しみ方", "浅漬けの基本",
        "炊き込みご飯", "具だくさん味噌汁"},
       {"材料（二人分）：大根四分の一本、人参半分、油揚げ一枚。",
        "鍋に水と昆布を入れ、三十分ほど置いてから火にかけます。",
        "沸騰直前に昆布を取り出すと、雑味のない出汁になります。",
        "野菜は大きさをそろえて切ると、火の通りが均一になります。",
        "醤油と味醂を一対一で合わせ、弱火で煮詰めていきます。",
        "冷蔵庫で三日ほど保存できるので、作り置きにも向いています。",
        "{topic}は、忙しい平日の夕食にもぴったりです。", "仕上げに胡麻をふると、香りがぐっと引き立ちます。",
        "塩は少しずつ加え、味見をしながら調えてください。",
        "旬の食材は栄養価が高く、値段も手ごろなのがうれしいところです。",
        "読者の方から「家族に好評でした」とのお便りをいただきました。",
        "今回の{topic}は、初めての方でも失敗しにくい手順にしました。"},
       "佐藤",
       "季節の台所"},
      {{"変数と型の基本", "条件分岐の書き方", "繰り返し処理", "関数の分け方", "配列と文字列",
        "エラーへの対処", "テストを書く習慣", "ファイルの読み書き", "文字コードの話", "デバッグの心得",
        "読みやすい名前の付け方", "小さなプログラムを作ろう"},
       {"今回は{topic}について、短い例を使って説明します。",
        "まずは手元の環境で、次のコードを実行してみてください。", "    total = total + price * count",
        "    for i = 1, 10 do print(i) end", "変数の名前は、中身が分かるように付けるのが基本です。",
        "同じ処理が三回出てきたら、関数にまとめる合図です。",
        "エラーメッセージは怖がらずに、最初の一行から読みましょう。",
        "文字コードを取り違えると、画面にいわゆる文字化けが現れます。",
        "テストがあれば、安心してコードを書き直すことができます。",
        "読者の方から、配列の添え字についてご質問をいただきました。",
        "練習問題：1から100までの合計を求めるプログラムを書いてみましょう。",
        "{topic}が身につくと、書けるプログラムの幅が一気に広がります。"},
       "鈴木",
       "サンプル学習舎"},
      {{"港町の朝市", "山あいの温泉宿", "古い町並みを歩く", "夜景の撮り方", "ローカル線の旅",
        "桜の名所めぐり", "雪景色の撮影", "島の灯台", "紅葉の渓谷", "城下町の路地", "高原の牧場",
        "川沿いの遊歩道"},
       {"今回は{topic}をテーマに、写真とともに旅の記録をお届けします。",
        "始発の列車に乗り、二時間ほどで目的の駅に着きました。",
        "駅を出ると、潮の香りとともににぎやかな声が聞こえてきます。",
        "朝の柔らかい光は、建物の質感をきれいに写してくれます。",
        "三脚を使えば、暗い場所でもぶれずに撮影できます。",
        "地元の方に教えていただいた小道は、観光客もまばらでした。",
        "宿の夕食には、近くの港で揚がった魚が並びました。",
        "帰りのバスは本数が少ないので、時刻表の確認をお忘れなく。",
        "望遠レンズで遠くの山並みを切り取ると、奥行きが出ます。",
        "季節を変えてもう一度訪れたい、そんな場所でした。",
        "{topic}の写真は、読者の皆さまからの投稿もお待ちしています。",
        "撮影データ：焦点距離35ミリ、絞りF8、シャッター速度125分の1秒。"},
       "高橋",
       "旅と写真社"},
      {{"新製品の発表", "業界動向", "キャンペーンのお知らせ", "セミナー開催報告", "サポート情報",
        "よくあるご質問", "導入事例の紹介", "メンテナンスのお知らせ", "価格改定のご案内",
        "展示会出展のお知らせ"},
       {"平素より格別のご愛顧を賜り、誠にありがとうございます。",
        "このたび、{topic}についてご案内申し上げます。", "詳細は弊社ウェブサイトのお知らせ欄をご覧ください。",
        "お申し込みは、来月末日まで受け付けております。",
        "先日のセミナーには、全国から百名を超える方にご参加いただきました。",
        "ご不明な点がございましたら、サポート窓口までお問い合わせください。",
        "作業中は一部のサービスをご利用いただけません。",
        "ご迷惑をおかけいたしますが、何卒ご理解のほどお願い申し上げます。",
        "導入企業の担当者様に、選定の決め手を伺いました。",
        "{topic}の資料は、会員ページからダウンロードできます。",
        "引き続き、皆さまのお役に立つ情報をお届けしてまいります。"},
       "田中",
       "サンプル情報システム"},
  };
  return themes;
}

const std::vector<std::string> kGreetings = {
    "こんにちは、編集担当の{editor}です。",
    "皆さま、いかがお過ごしでしょうか。{editor}です。",
    "いつもご購読ありがとうございます。{editor}です。",
    "今週もお付き合いください。担当の{editor}です。",
    "おはようございます。{editor}がお届けします。",
};

const std::vector<std::string> kSeasons = {
    "すっかり日が短くなり、夕方には街灯がともるようになりました。",
    "桜の便りがあちこちから届く季節になりました。",
    "梅雨明けが待ち遠しい毎日ですね。",
    "暑さも峠を越え、朝夕は過ごしやすくなってきました。",
    "木々の葉が色づき、散歩が楽しい季節です。",
    "寒さが一段と厳しくなってまいりました。",
    "新しい年度が始まり、気持ちも新たに過ごしています。",
};

const std::vector<std::string> kAfterwords = {
    "先日、久しぶりに実家へ帰り、懐かしい味に再会しました。",
    "最近、早起きをして近所を散歩するのが日課になっています。",
    "ご感想やご質問は、いつでもお気軽にお寄せください。",
    "次号もどうぞお楽しみに。",
    "編集部の窓から見える木が、今年も元気に葉を広げています。",
    "読者の皆さまからのお便りが、何よりの励みです。",
    "季節の変わり目ですので、どうぞご自愛ください。",
};

// Lines with characters that only code page 932 holds, mixed into Shift-JIS issues.
const std::vector<std::string> kCodePage932Lines = {
    "※ 表中の￢は「対象外」を表します。",
    "申込期間：12月1日－12月20日",
    "∥ 読者の声 ∥ 毎号楽しみに読んでいます。",
    "参加費：1,000円～2,000円（税込）",
};

const std::vector<std::string> kTitleSuffixes = {"",           "特集",     "のすすめ", "の基本",
                                                 "をもう一度", "最新情報", "のコツ",   "あれこれ"};

const std::string kRule = [] {
  std::string rule;
  for (int i = 0; i < 30; ++i) rule += "━";
  return rule;
}();

std::string Replace(std::string text, std::string_view from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

const Theme& ThemeFor(int theme) {
  const auto& themes = Themes();
  const int count = static_cast<int>(themes.size());
  return themes[static_cast<std::size_t>(((theme % count) + count) % count)];
}

std::string CircledNumber(int n, bool codePage932) {
  static const std::vector<std::string> circled = {"①", "②", "③", "④", "⑤", "⑥"};
  if (codePage932 && n >= 1 && n <= static_cast<int>(circled.size())) {
    return circled[static_cast<std::size_t>(n - 1)];
  }
  std::string bracketed = "(";
  bracketed += std::to_string(n);
  bracketed += ')';
  return bracketed;
}

// Hands out the sentences of a pool in a shuffled order, so lines repeat only after
// the pool is used up.
class SentenceSource {
 public:
  SentenceSource(Random& random, const Theme& theme, bool codePage932) : random_(random) {
    pool_ = theme.sentences;
    // One such line per issue is enough to exercise the code page, and reads naturally.
    if (codePage932) pool_.push_back(random.Pick(kCodePage932Lines));
    Shuffle();
  }
  std::string Next(const std::string& topic) {
    if (next_ == pool_.size()) Shuffle();
    return Replace(pool_[next_++], "{topic}", topic);
  }

 private:
  void Shuffle() {
    for (std::size_t i = pool_.size(); i > 1; --i) {
      std::swap(pool_[i - 1], pool_[static_cast<std::size_t>(random_.Between(0, static_cast<int>(i) - 1))]);
    }
    next_ = 0;
  }
  Random& random_;
  std::vector<std::string> pool_;
  std::size_t next_ = 0;
};

}  // namespace

std::uint64_t Random::Next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

int Random::Between(int low, int high) {
  if (high <= low) return low;
  const auto span = static_cast<std::uint64_t>(high - low) + 1;
  return low + static_cast<int>(Next() % span);
}

std::uint64_t SeedOf(const std::string& text) {
  std::uint64_t hash = 0xCBF29CE484222325ULL;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001B3ULL;
  }
  return hash;
}

std::uint64_t IssueSeed(std::uint64_t newsletterSeed, int index, std::uint64_t purpose) {
  Random mixer(newsletterSeed ^ (static_cast<std::uint64_t>(index) + 1) * 0xD6E8FEB86659FD93ULL ^
               purpose * 0xA0761D6478BD642FULL);
  return mixer.Next();
}

std::string IssueTitle(std::uint64_t newsletterSeed, int index, int theme) {
  Random random(IssueSeed(newsletterSeed, index, 1));
  return random.Pick(ThemeFor(theme).topics) + random.Pick(kTitleSuffixes);
}

std::vector<std::string> IssueTextLines(const IssueTextRequest& request) {
  Random random(IssueSeed(request.newsletterSeed, request.index, 2));
  const Theme& theme = ThemeFor(request.theme);
  const bool extras = request.codePage932Extras;
  SentenceSource sentences(random, theme, extras);

  const int minLines = std::max(5, request.minLines);
  const int target = random.Between(minLines, std::max(minLines, request.maxLines));

  std::vector<std::string> lines = {kRule, "　" + request.newsletterTitle + "　" + request.issueLabel, kRule};
  const std::string company = (extras ? "㈱" : "株式会社") + theme.publisher;
  std::vector<std::string> footer;
  if (target >= 10) {
    footer = {kRule, "発行：" + company, "お問い合わせ：sample-" + request.newsletterId + "@example.jp",
              extras ? "受付時間：平日10時～17時" : "受付時間：平日10時から17時",
              "配信の登録・解除：http://www.example.jp/m/" + request.newsletterId + ".html"};
  } else {
    footer = {"発行：" + company};
  }
  const int budget = target - static_cast<int>(lines.size() + footer.size());
  const std::string greeting = Replace(random.Pick(kGreetings), "{editor}", theme.editor);

  if (budget < 7) {
    lines.push_back(greeting);
    for (int i = 1; i < budget; ++i) lines.push_back(sentences.Next(random.Pick(theme.topics)));
  } else {
    lines.push_back(greeting);
    lines.push_back(random.Pick(kSeasons));
    lines.emplace_back();
    int rest = budget - 6;  // the greeting above and the afterword below take three lines each
    if (rest < 3) {
      for (int i = 0; i < rest; ++i) lines.push_back(sentences.Next(random.Pick(theme.topics)));
    } else {
      const int sections = rest >= 12 ? std::clamp((rest - 2) / 7, 2, 4) : 1;
      std::vector<std::string> topics;
      while (static_cast<int>(topics.size()) < sections) {
        const std::string& topic = random.Pick(theme.topics);
        if (std::find(topics.begin(), topics.end(), topic) == topics.end()) topics.push_back(topic);
      }
      if (sections > 1) {
        lines.emplace_back("■本日の話題");
        for (int i = 0; i < sections; ++i) lines.push_back("　" + CircledNumber(i + 1, extras) + topics[i]);
        lines.emplace_back();
        rest -= sections + 2;
      }
      // Each section is its heading, at least one sentence and a blank line.
      std::vector<int> sizes(static_cast<std::size_t>(sections), 3);
      for (int extra = rest - 3 * sections; extra > 0; --extra) {
        ++sizes[static_cast<std::size_t>(random.Between(0, sections - 1))];
      }
      for (int i = 0; i < sections; ++i) {
        lines.push_back("【" + topics[static_cast<std::size_t>(i)] + "】");
        for (int k = 0; k < sizes[static_cast<std::size_t>(i)] - 2; ++k) {
          lines.push_back(sentences.Next(topics[static_cast<std::size_t>(i)]));
        }
        lines.emplace_back();
      }
    }
    lines.emplace_back("■編集後記");
    lines.push_back(random.Pick(kAfterwords));
    lines.emplace_back();
  }
  lines.insert(lines.end(), footer.begin(), footer.end());
  return lines;
}

}  // namespace sample_site
