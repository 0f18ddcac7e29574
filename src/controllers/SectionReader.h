#pragma once
// One controller section seen through the key table: every read takes the
// table's default for the reader and the table's scale, every page write the
// table's rounding. The section is read once; writes through a SectionWriter
// go to the file and keep the view in step.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "controllers/ControllerKeys.h"

namespace velmora {

class IniFile;
class SectionSnapshot;

class SectionReader {
public:
    // The kind from the section's `Type`.
    SectionReader(const IniFile& file, std::string_view section, Reader reader);
    SectionReader(const IniFile& file, std::string_view section, ControllerKind kind, Reader reader);

    // The same values seen by another reader (the defaults differ).
    SectionReader as(Reader reader) const;

    ControllerKind kind() const { return kind_; }
    const std::string& section() const { return section_; }

    // The stored text; nullopt when the section lacks the key.
    std::optional<std::string_view> stored(Key key) const;
    // Stored texts as they are; an absent key gives the reader's default.
    std::string text(Key key) const;
    // A whole integer within int; otherwise the default.
    int integer(Key key) const;
    // Any integer, non-zero meaning true; otherwise the default.
    bool flag(Key key) const;
    // A decimal text through ParseDecimal (an integer key as its number).
    double decimal(Key key) const;
    // A scaled integer key as shown: stored / the table's scale.
    double scaled(Key key) const;
    // The key as text, booleans "1"/"0" and integers in decimal after conversion.
    std::string shown(const ControllerKey& entry) const;

    // The table's entry of the key for this view's kind (std::logic_error when none).
    const ControllerKey& entry(Key key) const;

protected:
    SectionReader(std::shared_ptr<SectionSnapshot> values, std::string section, ControllerKind kind,
                  Reader reader);
    std::string defaultOf(const ControllerKey& entry) const;

    std::shared_ptr<SectionSnapshot> values_;
    std::string section_;
    ControllerKind kind_;
    Reader reader_;
};

// A page's view of the section it edits.
class SectionWriter : public SectionReader {
public:
    SectionWriter(IniFile& file, std::string_view section, ControllerKind kind, Reader reader = Reader::Page);
    // The kind from the section's `Type`.
    SectionWriter(IniFile& file, std::string_view section, Reader reader);

    void setText(Key key, std::string_view value);
    void setInteger(Key key, int value);
    void setFlag(Key key, bool value);
    void setDecimal(Key key, double value, char separator = '.');
    // A shown value to the stored integer with the table's scale and rounding.
    void setScaled(Key key, double shown);
    void setScaled(Key key, std::string_view shownText);  // through ParseDecimal

    IniFile& file() const { return file_; }

private:
    void refresh(Key key);  // the file's new value into the view

    IniFile& file_;
};

// A scaled key's scale and rounding, the same for both kinds.
double KeyScale(Key key);
int ScaleToStored(Key key, double shown);

}  // namespace velmora
