#include "base/Strings.h"
#include "base/Texts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <set>

#include "base/Resources.h"
#include "base/TextTable.h"

namespace velmora {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

// A well-formed table of the given texts, ids in the given order.
Bytes MakeTable(const std::vector<std::pair<std::uint32_t, std::u16string>>& texts) {
    Bytes b(8 + 12 * texts.size());
    b[0] = 'S', b[1] = 'T', b[2] = 'R', b[3] = '0';
    Put32(b, 4, static_cast<std::uint32_t>(texts.size()));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        Put32(b, 8 + 12 * i, texts[i].first);
        Put32(b, 12 + 12 * i, static_cast<std::uint32_t>(b.size()));
        Put32(b, 16 + 12 * i, static_cast<std::uint32_t>(texts[i].second.size()));
        for (char16_t u : texts[i].second) {
            b.push_back(static_cast<std::uint8_t>(u & 0xFF));
            b.push_back(static_cast<std::uint8_t>(u >> 8));
        }
    }
    return b;
}

std::string TextOf(const std::u16string& raw, std::uint32_t id = 7) {
    Texts texts;
    EXPECT_TRUE(texts.loadBytes(MakeTable({{id, raw}})));
    return texts.text(id);
}

// A backslash with the following character becomes one control character
// (only the lower-case letters are special; a character outside the BMP counts
// as one); UTF-16 becomes UTF-8, a lone surrogate the replacement character.
TEST(TextEscapes, EscapesAndUtf16BecomeUtf8) {
    const std::pair<std::u16string, std::string> rows[] = {
        {u"a\\nb", "a\nb"},
        {u"a\\rb", "a\rb"},
        {u"a\\qb", "a\tb"},
        {u"a\\tb", "a\tb"},
        {u"\\N", "\t"},
        {u"x\\\\y", "x\ty"},
        {u"\\\\n", "\tn"},
        {u"\\n\\n", "\n\n"},
        {u"end\\", "end"},
        {u"\\", ""},
        {u"\\\\\\", "\t"},
        {u"no escapes", "no escapes"},
        {u"a\\\U0001F600b", "a\tb"},
        {u"Chyba \u010D\u00ED\u017E", "Chyba \xC4\x8D\xC3\xAD\xC5\xBE"},
        {u"\u041E\u0448\u0438\u0431\u043A\u0430", "\xD0\x9E\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {std::u16string(1, char16_t(0xD800)) + u"x", "\xEF\xBF\xBDx"},
        {std::u16string(1, char16_t(0xDC00)), "\xEF\xBF\xBD"}};
    for (const auto& [raw, text] : rows) EXPECT_EQ(TextOf(raw), text);
}

// Every id of the real tables is found (EmbeddedTablesMatchTheirSources); others give no text.
TEST(Texts, AcceleratorsAreRemovedAfterLookupAndMissingIdsGiveEmptyText) {
    Texts texts;
    ASSERT_TRUE(texts.loadBytes(MakeTable({{1, u"&File"}, {2, u"Save && close\\n"}, {2004, u"b"}})));
    EXPECT_EQ(texts.textWithoutAccelerators(1), "File");
    EXPECT_EQ(texts.textWithoutAccelerators(2), "Save  close\n");
    EXPECT_EQ(texts.text(1), "&File");
    for (std::uint32_t id : {2002u, 0u, 0xFFFFFFFFu}) EXPECT_EQ(texts.text(id), "") << id;
    ASSERT_TRUE(texts.loadBytes(MakeTable({})));
    EXPECT_EQ(texts.text(1), "");
}

// The tables themselves are EmbeddedTablesMatchTheirSources'.
TEST(Texts, LanguageNumbersChooseTheirTables) {
    const std::uint32_t id = 3019;
    Texts texts;
    ASSERT_TRUE(texts.loaded());
    EXPECT_EQ(texts.language(), 1);
    EXPECT_EQ(texts.text(id), "Error");
    texts.chooseLanguage(0);
    EXPECT_EQ(texts.language(), 0);
    const std::string czech = texts.text(id);
    texts.chooseLanguage(4);
    const std::string russian = texts.text(id);
    EXPECT_EQ((std::set<std::string>{"Error", czech, russian}).size(), 3u) << "three languages of their own";
    texts.chooseLanguage(2);  // no table of its own: English
    EXPECT_EQ(texts.language(), 2);
    EXPECT_EQ(texts.text(id), "Error");
    Texts direct;
    ASSERT_TRUE(direct.loadResource("regulatory_csy"));  // names compare without regard to case
    EXPECT_EQ(direct.text(id), czech);
    ASSERT_TRUE(direct.loadResource("Regulatory_RUS"));
    EXPECT_EQ(direct.text(id), russian);
    EXPECT_FALSE(direct.loadResource("Regulatory_DEU"));
    EXPECT_FALSE(direct.loaded());
}

TEST(Texts, HostLanguageCodes) {
    for (const auto& [code, language] : {std::pair{0x405, 0}, {0x407, 4}, {0x409, 1}, {0, 1}})
        EXPECT_EQ(LanguageFromHostCode(code), language) << code;
    for (const auto& [language, table] : {std::pair{0, "Regulatory_CSY"},
                                          {1, "Regulatory_ENU"},
                                          {3, "Regulatory_ENU"},
                                          {4, "Regulatory_RUS"}})
        EXPECT_EQ(TextTableName(language), table) << language;
}

TEST(Texts, EmbeddedTablesMatchTheirSources) {
    for (std::string lang : {"enu", "csy", "rus"}) {
        std::ifstream in(std::string(VELMORA_SOURCE_DIR) + "/src/resources/texts/" + lang + ".txt",
                         std::ios::binary);
        ASSERT_TRUE(in) << lang;
        std::map<std::uint32_t, std::string> source;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
            if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
            auto tab = line.find('\t');
            ASSERT_NE(tab, std::string::npos) << line;
            source[std::stoul(line.substr(0, tab))] = line.substr(tab + 1);
        }
        const std::string upper = UpperAscii(lang);
        const auto span = FindResource("REGULATORY_" + upper);
        ASSERT_TRUE(span) << lang;
        auto table = TextTable::Parse(Bytes(span->begin(), span->end()));
        ASSERT_TRUE(table) << lang;
        ASSERT_EQ(table->size(), source.size()) << lang;
        Texts texts;
        ASSERT_TRUE(texts.loadResource("Regulatory_" + upper));
        std::size_t i = 0;
        for (const auto& [id, text] : source) {
            ASSERT_EQ(table->idAt(i++), id) << lang;
            if (text.find('\\') == std::string::npos) {
                ASSERT_EQ(texts.text(id), text) << lang << " " << id;
            }
        }
    }
}

TEST(TextTable, DamagedLayoutsAreRejected) {
    const Bytes good = MakeTable({{10, u"ab"}, {20, u"cde"}});
    ASSERT_TRUE(TextTable::Parse(good));
    EXPECT_FALSE(TextTable::Parse(Bytes{}));
    EXPECT_FALSE(TextTable::Parse(Bytes(good.begin(), good.begin() + 7)));
    // Each damage is a few 32-bit words put into the good table.
    const struct {
        const char* what;
        std::vector<std::pair<std::size_t, std::uint32_t>> words;
        bool accepted = false;
    } cases[] = {
        {"magic", {{0, 0x31525453}}},
        {"count beyond the buffer", {{4, 3}}},
        {"count that overflows 32 bits", {{4, 0xFFFFFFFF}}},
        {"offset and length that wrap around", {{8 + 12 + 4, 0xFFFFFFF0}, {8 + 12 + 8, 0x10}}},
        {"length whose byte count overflows", {{8 + 12 + 8, 0x80000001}}},
        {"text runs past the end", {{8 + 12 + 8, 4}}},
        {"text inside the directory", {{8 + 4, 4}}},
        {"duplicate id", {{8, 20}}},
        {"ids not ascending", {{8, 30}}},
        // The last text may end exactly at the end of the buffer; an empty text may sit there too.
        {"empty text at the end",
         {{8 + 12 + 4, static_cast<std::uint32_t>(good.size())}, {8 + 12 + 8, 0}},
         true},
    };
    for (const auto& c : cases) {
        Bytes b = good;
        for (const auto& [at, v] : c.words) Put32(b, at, v);
        std::string why;
        EXPECT_EQ(TextTable::Parse(b, &why) != nullptr, c.accepted) << c.what << ": " << why;
    }
    Texts texts;
    EXPECT_FALSE(texts.loadBytes(Bytes(good.begin(), good.end() - 1)));
    EXPECT_EQ(texts.text(10), "resource error");
}

}  // namespace
}  // namespace velmora
