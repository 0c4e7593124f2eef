#include "platform/ini.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

// Everything in a folder but the given file: what a failed or finished write left behind.
std::vector<std::string> OtherEntries(const fs::path& folder, const std::string& keep) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename() != keep) names.push_back(entry.path().filename().string());
  }
  return names;
}

ino_t Inode(const fs::path& file) {
  struct stat info {};
  ::stat(file.c_str(), &info);
  return info.st_ino;
}

class IniFile : public ::testing::Test {
 protected:
  fs::path Write(std::string_view bytes) {
    WriteFileBytes(file_, bytes);
    return file_;
  }
  std::string Read(std::string_view section, std::string_view key) {
    return ReadIniValue(file_, section, key);
  }
  std::string Bytes() { return ReadFileBytes(file_); }

  TempFolder folder_;
  fs::path file_ = folder_.path() / "log.ini";
};

// Reading ---------------------------------------------------------------------------------

TEST_F(IniFile, MissingFileSectionOrKeyReadsEmpty) {
  EXPECT_EQ(Read("s", "k"), "");
  EXPECT_TRUE(ReadIniSection(file_, "s").empty());
  Write("[s]\r\nk=v\r\n");
  EXPECT_EQ(Read("s", "k"), "v");
  EXPECT_EQ(Read("t", "k"), "");
  EXPECT_EQ(Read("s", "x"), "");
  EXPECT_TRUE(ReadIniSection(file_, "t").empty());
  // A folder in place of the file reads like a missing file.
  EXPECT_EQ(ReadIniValue(folder_.path(), "s", "k"), "");
}

TEST_F(IniFile, AcceptsEveryKindOfLineBreak) {
  for (const std::string_view eol : {"\r\n", "\n", "\r"}) {
    std::string text = "[a]";
    text += eol;
    text += "x=1";
    text += eol;
    text += "[b]";
    text += eol;
    text += "y=2";  // no final break
    Write(text);
    EXPECT_EQ(Read("a", "x"), "1") << Hex(eol);
    EXPECT_EQ(Read("b", "y"), "2") << Hex(eol);
    EXPECT_EQ(Read("a", "y"), "") << Hex(eol);
  }
  // LF CR is two breaks; the empty line between carries nothing.
  Write("[a]\n\rx=1\n\r");
  EXPECT_EQ(Read("a", "x"), "1");
}

TEST_F(IniFile, TrimsAsciiBlanksButNotTheFullWidthSpace) {
  Write(Sj("  [ sec ]  \r\n \t key \x1A=\x0B value\t \x1A\r\nwide=　v　\r\n"));
  EXPECT_EQ(Read("sec", "key"), "value");
  EXPECT_EQ(Read(" sec\t", " key "), "value");  // the names asked for are trimmed too
  EXPECT_EQ(Read("sec", "wide"), Sj("　v　"));
  EXPECT_EQ(Read(Sj("　sec"), "key"), "");
}

TEST_F(IniFile, NamesMatchIgnoringAsciiCaseOnly) {
  Write(Sj("[MagUMagu]\r\nNAME=1\r\nＡ=2\r\nア=3\r\n"));
  EXPECT_EQ(Read("magumagu", "name"), "1");
  EXPECT_EQ(Read("MAGUMAGU", "Name"), "1");
  EXPECT_EQ(Read("magumagu", Sj("Ａ")), "2");
  EXPECT_EQ(Read("magumagu", Sj("ａ")), "");  // full-width letters keep their case
  // ア is 83 41: its trail byte "A" must not match 83 61.
  EXPECT_EQ(Read("magumagu", Sj("ア")), "3");
  EXPECT_EQ(Read("magumagu", std::string("\x83\x61", 2)), "");
}

TEST_F(IniFile, FirstDuplicateSectionAndKeyWin) {
  Write("[s]\r\nk=first\r\nk=second\r\n[S]\r\nk=third\r\nonly=later\r\n");
  EXPECT_EQ(Read("s", "k"), "first");
  EXPECT_EQ(Read("s", "only"), "");
  EXPECT_EQ(ReadIniSection(file_, "s"), (StringList{"k=first", "k=second"}));
}

TEST_F(IniFile, CommentsBlankLinesAndLinesBeforeTheFirstSectionCarryNothing) {
  Write("top=0\r\n; [s]\r\n\r\n[s]\r\n;k=comment\r\n   ; k=indented\r\n\r\nk=1\r\n  \t\r\n");
  EXPECT_EQ(Read("s", "k"), "1");
  EXPECT_EQ(Read("", "top"), "");
  EXPECT_EQ(ReadIniSection(file_, "s"), StringList{"k=1"});
}

TEST_F(IniFile, LineWithoutEqualsIsAKeyWithNoValue) {
  Write("[s]\r\nlonely\r\na = b = c\r\n");
  EXPECT_EQ(Read("s", "lonely"), "");
  EXPECT_EQ(Read("s", "a"), "b = c");  // split at the first "="
  EXPECT_EQ(ReadIniSection(file_, "s"), (StringList{"lonely", "a=b = c"}));
}

TEST_F(IniFile, OnePairOfMatchingQuotesIsRemovedByKeyOnly) {
  Write(
      "[s]\r\nd=\"abc\"\r\ns='abc'\r\nmixed=\"abc'\r\none=\"\r\nempty=\"\"\r\n"
      "nested=\"\"a\"\"\r\ninner=a\"b\"\r\nspaced=  \" x \"  \r\n");
  EXPECT_EQ(Read("s", "d"), "abc");
  EXPECT_EQ(Read("s", "s"), "abc");
  EXPECT_EQ(Read("s", "mixed"), "\"abc'");
  EXPECT_EQ(Read("s", "one"), "\"");
  EXPECT_EQ(Read("s", "empty"), "");
  EXPECT_EQ(Read("s", "nested"), "\"a\"");
  EXPECT_EQ(Read("s", "inner"), "a\"b\"");
  EXPECT_EQ(Read("s", "spaced"), " x ");
  const StringList lines = ReadIniSection(file_, "s");
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "d=\"abc\"");
  EXPECT_EQ(lines[7], "spaced=\" x \"");
}

TEST_F(IniFile, ValuesAreCutTo2047BytesWithoutHalfACharacter) {
  const auto valueOf = [&](const std::string& value) {
    Write("[s]\r\nk=" + value + "\r\n");
    return Read("s", "k");
  };
  EXPECT_EQ(valueOf(std::string(2047, 'a')), std::string(2047, 'a'));
  EXPECT_EQ(valueOf(std::string(2048, 'b')), std::string(2047, 'b'));
  EXPECT_EQ(valueOf(std::string(3000, 'c')), std::string(2047, 'c'));
  // あ takes bytes 2046-2047: it fits whole.
  EXPECT_EQ(valueOf(std::string(2045, 'd') + Sj("あい")), std::string(2045, 'd') + Sj("あ"));
  // あ takes bytes 2047-2048: the cut would keep its lead byte alone, so it drops it.
  EXPECT_EQ(valueOf(std::string(2046, 'e') + Sj("あい")), std::string(2046, 'e'));
  // The quotes go before the cut.
  EXPECT_EQ(valueOf("\"" + std::string(2047, 'f') + "\""), std::string(2047, 'f'));
  // A whole section is read uncut.
  Write("[s]\r\nk=" + std::string(3000, 'g') + "\r\n");
  EXPECT_EQ(ReadIniSection(file_, "s"), StringList{"k=" + std::string(3000, 'g')});
}

TEST_F(IniFile, TrailBytesThatLookLikeBracketsOrBackslashesAreCharacters) {
  // ゾ is 83 5D, ゼ is 83 5B, ソ is 83 5C.
  Write(
      Sj("[ゾ]\r\nk=ゾ]\r\n[ゼ]\r\nk=ゼ[\r\n[a]b]\r\nk=ab\r\n[ソ\\]\r\nk=ソ\\\r\n[t]\r\n[ゾ\r\nk=not a "
         "section\r\n"));
  EXPECT_EQ(Read(Sj("ゾ"), "k"), Sj("ゾ]"));
  EXPECT_EQ(Read(Sj("ゼ"), "k"), Sj("ゼ["));
  EXPECT_EQ(Read("a]b", "k"), "ab");  // the name runs to the last "]"
  EXPECT_EQ(Read(Sj("ソ\\"), "k"), Sj("ソ\\"));
  // "[ゾ" has no "]" of its own, so it is a key line of section t, not a section.
  EXPECT_EQ(Read("t", "k"), "not a section");
  EXPECT_EQ(Read("t", Sj("[ゾ")), "");
  EXPECT_EQ(ReadIniSection(file_, "t"), (StringList{Sj("[ゾ"), "k=not a section"}));
}

TEST(IniSectionNames, EverySectionLineInFileOrder) {
  struct Case {
    std::string content;
    StringList names;
  };
  const Case cases[] = {
      {"", {}},
      {"k=v\r\n", {}},
      {"[a]\r\nk=v\r\n [ b ]\nx\r[Install4F96D1932A9F858E]\r\nDefault=p\r\n",
       {"a", "b", "Install4F96D1932A9F858E"}},
      {"; [comment]\r\n[a]b]\r\n[no close\r\n[a]\r\n", {"a]b", "a"}},
      {Sj("[ゾ]\r\n[ゾ\r\n"), {Sj("ゾ")}},  // 83 5D ends no section line
  };
  for (const Case& c : cases) EXPECT_EQ(IniSectionNamesOf(c.content), c.names) << Hex(c.content);
}

TEST_F(IniFile, ALeadByteBeforeALineBreakDoesNotSwallowIt) {
  Write("[s]\r\na=x\x82\r\nb=y\x82\n[t]\r\nc=z\r\n");
  EXPECT_EQ(Read("s", "a"), "x\x82");
  EXPECT_EQ(Read("s", "b"), "y\x82");
  EXPECT_EQ(Read("t", "c"), "z");
}

TEST_F(IniFile, FindsKeysInALargeIndex) {
  std::string text = "[magumagu]\r\n";
  for (int i = 0; i < 10000; ++i) {
    text += std::to_string(1000000000 + i) +
            Sj("=週刊サンプル通信,2006/12/31 15:30:05,週刊,2006/12/29,1234,") + std::to_string(i) + "\r\n";
  }
  Write(text);
  EXPECT_EQ(Read("magumagu", "1000000000"),
            Sj("週刊サンプル通信,2006/12/31 15:30:05,週刊,2006/12/29,1234,0"));
  EXPECT_EQ(Read("magumagu", "1000005000"),
            Sj("週刊サンプル通信,2006/12/31 15:30:05,週刊,2006/12/29,1234,5000"));
  EXPECT_EQ(Read("magumagu", "1000009999"),
            Sj("週刊サンプル通信,2006/12/31 15:30:05,週刊,2006/12/29,1234,9999"));
  EXPECT_EQ(Read("magumagu", "1000010000"), "");
  EXPECT_EQ(ReadIniSection(file_, "magumagu").size(), 10000u);
}

// Writing ---------------------------------------------------------------------------------

TEST_F(IniFile, WritingCreatesTheFileWithSectionAndKey) {
  ASSERT_FALSE(WriteIniValue(file_, "0000123456", "Name", Sj("週刊サンプル通信")));
  EXPECT_EQ(Hex(Bytes()), Hex(Sj("[0000123456]\r\nName=週刊サンプル通信\r\n")));
  ASSERT_FALSE(WriteIniValue(file_, "0000123456", "Type1", "magumagu"));
  EXPECT_EQ(Bytes(), Sj("[0000123456]\r\nName=週刊サンプル通信\r\nType1=magumagu\r\n"));
  EXPECT_TRUE(OtherEntries(folder_.path(), "log.ini").empty());
}

TEST_F(IniFile, NewSectionGoesAtTheEndWithoutABlankLine) {
  Write("; head\r\n[a]\r\nx=1\r\n\r\n");
  ASSERT_FALSE(WriteIniValue(file_, "b", "y", "2"));
  EXPECT_EQ(Bytes(), "; head\r\n[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n");
  // A file that lacks its final line break gets one first.
  Write("[a]\nx=1");
  ASSERT_FALSE(WriteIniValue(file_, "b", "y", "2"));
  EXPECT_EQ(Bytes(), "[a]\nx=1\r\n[b]\r\ny=2\r\n");
  // An empty existing file.
  Write("");
  ASSERT_FALSE(WriteIniValue(file_, "b", "y", "2"));
  EXPECT_EQ(Bytes(), "[b]\r\ny=2\r\n");
}

TEST_F(IniFile, NewKeyGoesAfterTheLastEntryOfItsSection) {
  Write("[a]\r\nx=1\r\n; about b\r\n\r\n[b]\r\nz=3\r\n");
  ASSERT_FALSE(WriteIniValue(file_, "A", "y", "2"));
  EXPECT_EQ(Bytes(), "[a]\r\nx=1\r\ny=2\r\n; about b\r\n\r\n[b]\r\nz=3\r\n");
  // A section without keys gets it right below its line.
  Write("[a]\n\n[b]\nz=3\n");
  ASSERT_FALSE(WriteIniValue(file_, "a", "y", "2"));
  EXPECT_EQ(Bytes(), "[a]\ny=2\r\n\n[b]\nz=3\n");
  // A section line or last key that ends the file without a line break.
  Write("[a]");
  ASSERT_FALSE(WriteIniValue(file_, "a", "y", "2"));
  EXPECT_EQ(Bytes(), "[a]\r\ny=2\r\n");
  Write("[a]\rx=1");
  ASSERT_FALSE(WriteIniValue(file_, "a", "y", "2"));
  EXPECT_EQ(Bytes(), "[a]\rx=1\r\ny=2\r\n");
  // Only the first of two duplicate sections is written to.
  Write("[a]\r\nx=1\r\n[a]\r\n");
  ASSERT_FALSE(WriteIniValue(file_, "a", "y", "2"));
  EXPECT_EQ(Bytes(), "[a]\r\nx=1\r\ny=2\r\n[a]\r\n");
}

TEST_F(IniFile, ReplacingAValueKeepsEverythingElseByteExact) {
  const std::string before =
      Sj("junk before\n[a]\nName = old ; not a comment\n;c\nK=v\r\r[B]\tx\n  name=other\n");
  Write(before);
  ASSERT_FALSE(WriteIniValue(file_, "a", "name", Sj("新しい題名")));
  // The line keeps its place and the key its spelling; the rest is untouched.
  EXPECT_EQ(Hex(Bytes()), Hex(Sj("junk before\n[a]\nName=新しい題名\r\n;c\nK=v\r\r[B]\tx\n  name=other\n")));
  EXPECT_EQ(Read("B", "name"), "other");
  EXPECT_EQ(Read("a", "k"), "v");
  // The last line, without a line break.
  Write("[a]\r\nk=1");
  ASSERT_FALSE(WriteIniValue(file_, "a", "k", "2"));
  EXPECT_EQ(Bytes(), "[a]\r\nk=2\r\n");
  // A key line without "=" gets its value.
  Write("[a]\r\nk\r\nz=1\r\n");
  ASSERT_FALSE(WriteIniValue(file_, "a", "k", "2"));
  EXPECT_EQ(Bytes(), "[a]\r\nk=2\r\nz=1\r\n");
}

TEST_F(IniFile, WritingTheSameValueLeavesTheFileAlone) {
  Write("[a]\nk =  same  \n");
  const ino_t before = Inode(file_);
  ASSERT_FALSE(WriteIniValue(file_, "a", "k", "same"));
  ASSERT_FALSE(WriteIniValue(file_, "a", "K", " same \t"));  // reads the same after trimming
  EXPECT_EQ(Bytes(), "[a]\nk =  same  \n");
  EXPECT_EQ(Inode(file_), before);
  ASSERT_FALSE(WriteIniValue(file_, "a", "k", "other"));
  EXPECT_NE(Inode(file_), before);  // a real change replaces the file
}

TEST_F(IniFile, ValuesAreWrittenWithoutLeadingBlanksAndEmptyAsKeyEquals) {
  ASSERT_FALSE(WriteIniValue(file_, " s ", "\tk ", " \t v "));
  ASSERT_FALSE(WriteIniValue(file_, "s", "empty", ""));
  ASSERT_FALSE(WriteIniValue(file_, "s", "quoted", "\"q\""));
  EXPECT_EQ(Bytes(), "[s]\r\nk=v \r\nempty=\r\nquoted=\"q\"\r\n");
  EXPECT_EQ(Read("s", "k"), "v");
  EXPECT_EQ(Read("s", "empty"), "");
  EXPECT_EQ(Read("s", "quoted"), "q");
}

TEST_F(IniFile, ShiftJisNamesAndValuesWithTrailBytesRoundTrip) {
  const std::string section = Sj("ゾ]ソ");
  const std::string value = Sj("表示\\ソ[ゼ]、A＝B");
  ASSERT_FALSE(WriteIniValue(file_, section, Sj("表"), value));
  ASSERT_FALSE(WriteIniValue(file_, "magumagu", "0000123456", Sj("A＝B、C,2006/12/31 15:30:05")));
  EXPECT_EQ(Read(section, Sj("表")), value);
  EXPECT_EQ(Read("magumagu", "0000123456"), Sj("A＝B、C,2006/12/31 15:30:05"));
  EXPECT_EQ(
      Hex(Bytes()),
      Hex(Sj(
          "[ゾ]ソ]\r\n表=表示\\ソ[ゼ]、A＝B\r\n[magumagu]\r\n0000123456=A＝B、C,2006/12/31 15:30:05\r\n")));
}

TEST_F(IniFile, RefusesWritesThatWouldNotReadBack) {
  const std::string before = "[s]\r\nk=v\r\n";
  Write(before);
  const std::error_code invalid = std::make_error_code(std::errc::invalid_argument);
  EXPECT_EQ(WriteIniValue(file_, "s", "a=b", "v"), invalid);
  EXPECT_EQ(WriteIniValue(file_, "s", "k", "two\r\nlines"), invalid);
  EXPECT_EQ(WriteIniValue(file_, "s", "k", "lf\nonly"), invalid);
  EXPECT_EQ(WriteIniValue(file_, "s\r\n[t]", "k", "v"), invalid);
  EXPECT_EQ(WriteIniValue(file_, "s", "[x]", "v"), invalid);
  EXPECT_EQ(WriteIniValue(file_, "s", ";k", "v"), invalid);
  EXPECT_EQ(WriteIniValue(file_, "s", "  ", "v"), invalid);
  EXPECT_EQ(WriteIniValue(file_, "", "k", "v"), invalid);
  EXPECT_EQ(WriteIniValue(file_, "t\x82", "k", "v"), invalid);  // "]" would become a trail byte
  EXPECT_EQ(Bytes(), before);
  EXPECT_TRUE(OtherEntries(folder_.path(), "log.ini").empty());
}

TEST_F(IniFile, RemovingAKeyDeletesItsLineOnly) {
  Write("[a]\r\nx=1\r\ny=2\r\n[b]\r\nx=3\r\n");
  ASSERT_FALSE(RemoveIniKey(file_, "A", "X"));
  EXPECT_EQ(Bytes(), "[a]\r\ny=2\r\n[b]\r\nx=3\r\n");
  ASSERT_FALSE(RemoveIniKey(file_, "a", "y"));
  EXPECT_EQ(Bytes(), "[a]\r\n[b]\r\nx=3\r\n");  // the section line stays
  // Missing key, section or file: nothing to do, nothing created.
  ASSERT_FALSE(RemoveIniKey(file_, "a", "y"));
  ASSERT_FALSE(RemoveIniKey(file_, "c", "x"));
  EXPECT_EQ(Bytes(), "[a]\r\n[b]\r\nx=3\r\n");
  const fs::path missing = folder_.path() / "none" / "log_all.ini";
  ASSERT_FALSE(RemoveIniKey(missing, "a", "x"));
  EXPECT_FALSE(fs::exists(missing.parent_path()));
  // Only the first of two duplicate keys goes; the second then reads.
  Write("[a]\nk=1\nk=2");
  ASSERT_FALSE(RemoveIniKey(file_, "a", "k"));
  EXPECT_EQ(Bytes(), "[a]\nk=2");
  EXPECT_EQ(Read("a", "k"), "2");
}

TEST_F(IniFile, ReadOnlyFolderRefusesTheWriteAndKeepsTheOldBytes) {
  const std::string before = "[a]\r\nk=1\r\n";
  Write(before);
  fs::permissions(folder_.path(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_TRUE(WriteIniValue(file_, "a", "k", "2"));
  EXPECT_TRUE(WriteIniValue(file_, "a", "new", "2"));
  EXPECT_TRUE(RemoveIniKey(file_, "a", "k"));
  EXPECT_TRUE(WriteIniValue(folder_.path() / "other.ini", "a", "k", "2"));
  fs::permissions(folder_.path(), fs::perms::owner_all, fs::perm_options::add);
  EXPECT_EQ(Bytes(), before);
  EXPECT_TRUE(OtherEntries(folder_.path(), "log.ini").empty());
}

TEST_F(IniFile, ReadOnlyFileRefusesTheWriteAndKeepsTheOldBytes) {
  const std::string before = "[a]\r\nk=1\r\n";
  Write(before);
  fs::permissions(file_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_TRUE(WriteIniValue(file_, "a", "k", "2"));
  EXPECT_TRUE(WriteIniValue(file_, "a", "k", "1"));  // refused even when nothing would change
  EXPECT_TRUE(RemoveIniKey(file_, "a", "k"));
  EXPECT_EQ(Bytes(), before);
  EXPECT_TRUE(OtherEntries(folder_.path(), "log.ini").empty());
  EXPECT_EQ(Read("a", "k"), "1");  // reading still works
}

TEST_F(IniFile, MissingFolderIsAnError) {
  const fs::path file = folder_.path() / "none" / "log.ini";
  EXPECT_TRUE(WriteIniValue(file, "a", "k", "1"));
  EXPECT_FALSE(fs::exists(file.parent_path()));
}

TEST_F(IniFile, WrittenFileKeepsItsPermissions) {
  Write("[a]\r\n");
  fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  ASSERT_FALSE(WriteIniValue(file_, "a", "k", "1"));
  EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// The same rules in memory --------------------------------------------------------------------

TEST(IniText, EditsReadBackWhatWasWritten) {
  std::string text;
  const std::vector<std::pair<std::string, std::string>> entries = {
      {"Name", Sj("週刊 \"サンプル\" 通信")},
      {"Type1", "magumagu"},
      {"Url", "http://127.0.0.1:1/m/log/0000123456"},
      {"Date1", "2006/12/31 15:30:05"},
      {"name", Sj("改題")},
      {"Empty", ""}};
  for (const auto& [key, value] : entries) {
    IniEdit edit = IniWithValue(text, "0000123456", key, value);
    ASSERT_FALSE(edit.error) << key;
    ASSERT_TRUE(edit.changed) << key;
    text = edit.content;
  }
  EXPECT_EQ(IniValueOf(text, "0000123456", "NAME"), Sj("改題"));
  EXPECT_EQ(IniValueOf(text, "0000123456", "url"), "http://127.0.0.1:1/m/log/0000123456");
  EXPECT_EQ(IniSectionOf(text, "0000123456"),
            (StringList{Sj("Name=改題"), "Type1=magumagu", "Url=http://127.0.0.1:1/m/log/0000123456",
                        "Date1=2006/12/31 15:30:05", "Empty="}));
  const IniEdit same = IniWithValue(text, "0000123456", "TYPE1", "magumagu");
  EXPECT_FALSE(same.error);
  EXPECT_FALSE(same.changed);
  const IniEdit removed = IniWithoutKey(text, "0000123456", "type1");
  ASSERT_TRUE(removed.changed);
  EXPECT_EQ(IniValueOf(removed.content, "0000123456", "Type1"), "");
  EXPECT_FALSE(IniWithoutKey(removed.content, "0000123456", "type1").changed);
}

TEST(IniText, TenMegabytesOfNoiseStillGiveTheKeysAfterThem) {
  std::string noise;
  noise.reserve(10u << 20);
  unsigned state = 12345;
  while (noise.size() < (10u << 20)) {
    state = state * 1103515245u + 12345u;
    static constexpr std::string_view kStructure = "[]=;\r\n \"\x82\x83\x5D\x5C";
    const char pick = kStructure[(state >> 16) % kStructure.size()];
    noise.push_back((state >> 8) % 3 == 0 ? pick : static_cast<char>(state >> 24));
  }
  noise += "\r\n[end]\r\nk=v\r\n";
  EXPECT_EQ(IniValueOf(noise, "end", "k"), "v");
  const IniEdit edit = IniWithValue(noise, "end", "k2", "w");
  ASSERT_TRUE(edit.changed);
  EXPECT_EQ(IniValueOf(edit.content, "end", "k2"), "w");
  EXPECT_EQ(IniSectionOf(noise, "end"), StringList{"k=v"});
}

}  // namespace
