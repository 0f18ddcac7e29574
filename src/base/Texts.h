#pragma once
// The localized user-interface texts: one loaded text table at a time, chosen
// by language number.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velmora {

class TextTable;  // TextTable.h: the checked reader of one table's binary layout

class Texts {
public:
    Texts();  // loads "Regulatory_ENU"
    ~Texts();

    // The text of an id with its backslash escapes resolved, as UTF-8;
    // "resource error" when no table is loaded, an empty string for an id the
    // loaded table does not hold (so a missing text shows as nothing rather
    // than as a wrong message).
    std::string text(std::uint32_t id) const;
    // text(id) with every "&" removed.
    std::string textWithoutAccelerators(std::uint32_t id) const;

    // 0 Czech, 1 English, 4 Russian, any other number English. Ignored while no
    // table is loaded. The number is kept even if the table cannot be loaded.
    void chooseLanguage(int number);
    int language() const { return language_; }
    bool loaded() const;

    // Loads a table by resource name; false (and no table) when the resource
    // is missing or damaged.
    bool loadResource(std::string_view name);
    // Loads a table from raw bytes (tests, damaged tables).
    bool loadBytes(std::span<const std::uint8_t> bytes);
    void unload();

private:
    std::unique_ptr<TextTable> table_;
    int language_ = 1;
};

// The resource name of a language number's table ("Regulatory_ENU", ...).
std::string_view TextTableName(int languageNumber);

// The host's language-change code mapped to a language number:
// 0x405 -> 0, 0x407 -> 4, anything else -> 1.
int LanguageFromHostCode(int code);

// The process-wide texts of the module, and Text(id) on them.
Texts& ModuleTexts();
std::string Text(std::uint32_t id);
std::string TextWithoutAccelerators(std::uint32_t id);

// Our own wording, in a language number's language, of a text the tables
// have no number for (a button caption, a unit); a text we have no wording
// for, and any text in English, stays as given.
std::string OwnText(std::string_view english, int languageNumber);
// The same in the module's language.
std::string OwnText(std::string_view english);

// A message of one or more lines, each worded in the language as OwnText
// does, where a line's numbers and "quoted" texts are taken out, the wording is
// found for the rest ({} in their places) and they are put back in order; the
// numbers get the decimal separator. A line without a wording stays English.
std::string OwnMessage(std::string_view english, int languageNumber, char decimalSeparator);
std::string OwnMessage(std::string_view english, char decimalSeparator);

}  // namespace velmora
