#include "controllers/SectionReader.h"

#include <stdexcept>

#include "base/IniFile.h"
#include "base/ParseDecimal.h"
#include "controllers/SectionSnapshot.h"

namespace velmora {

namespace {

int DefaultInteger(const std::string& text) {
    return std::stoi(text);
}

}  // namespace

SectionReader::SectionReader(std::shared_ptr<SectionSnapshot> values, std::string section,
                             ControllerKind kind, Reader reader)
    : values_(std::move(values)), section_(std::move(section)), kind_(kind), reader_(reader) {}

SectionReader::SectionReader(const IniFile& file, std::string_view section, ControllerKind kind,
                             Reader reader)
    : SectionReader(std::make_shared<SectionSnapshot>(file, section), std::string(section), kind, reader) {}

SectionReader::SectionReader(const IniFile& file, std::string_view section, Reader reader)
    : SectionReader(file, section, ControllerKind::Pid, reader) {
    kind_ = KindOfType(text(key::Type));
}

SectionReader SectionReader::as(Reader reader) const {
    return SectionReader(values_, section_, kind_, reader);
}

const ControllerKey& SectionReader::entry(Key key) const {
    const ControllerKey* entry = FindControllerKey(key.name, kind_);
    if (!entry) throw std::logic_error("no controller key " + std::string(key.name) + " for this kind");
    return *entry;
}

std::string SectionReader::defaultOf(const ControllerKey& entry) const {
    return KeyDefault(entry, reader_);
}

std::optional<std::string_view> SectionReader::stored(Key key) const {
    return values_->find(key.name);
}

std::string SectionReader::text(Key key) const {
    if (auto v = values_->find(key.name)) return std::string(*v);
    return defaultOf(entry(key));
}

int SectionReader::integer(Key key) const {
    if (auto v = values_->integerValue(key.name)) return *v;
    return DefaultInteger(defaultOf(entry(key)));
}

bool SectionReader::flag(Key key) const {
    if (auto v = values_->boolValue(key.name)) return *v;
    return DefaultInteger(defaultOf(entry(key))) != 0;
}

double SectionReader::decimal(Key key) const {
    const ControllerKey& e = entry(key);
    if (e.type == KeyType::Integer) return integer(key);
    return ParseDecimal(text(key));
}

double SectionReader::scaled(Key key) const {
    const ControllerKey& e = entry(key);
    if (e.scale == 0) throw std::logic_error("controller key " + e.name + " is not scaled");
    return StoredToShown(integer(key), e.scale);
}

std::string SectionReader::shown(const ControllerKey& e) const {
    const Key key{e.name};
    switch (e.type) {
        case KeyType::Boolean:
            return flag(key) ? "1" : "0";
        case KeyType::Integer:
            return std::to_string(integer(key));
        default:
            return text(key);
    }
}

SectionWriter::SectionWriter(IniFile& file, std::string_view section, ControllerKind kind, Reader reader)
    : SectionReader(file, section, kind, reader), file_(file) {}

SectionWriter::SectionWriter(IniFile& file, std::string_view section, Reader reader)
    : SectionReader(file, section, reader), file_(file) {}

void SectionWriter::refresh(Key key) {
    values_->set(key.name, file_.readString(section_, key.name, ""));
}

void SectionWriter::setText(Key key, std::string_view value) {
    file_.writeString(section_, key.name, value);
    refresh(key);
}

void SectionWriter::setInteger(Key key, int value) {
    file_.writeInteger(section_, key.name, value);
    refresh(key);
}

void SectionWriter::setFlag(Key key, bool value) {
    file_.writeBool(section_, key.name, value);
    refresh(key);
}

void SectionWriter::setDecimal(Key key, double value, char separator) {
    file_.writeDecimal(section_, key.name, value, separator);
    refresh(key);
}

void SectionWriter::setScaled(Key key, double shown) {
    setInteger(key, ScaleToStored(key, shown));
}

void SectionWriter::setScaled(Key key, std::string_view shownText) {
    setScaled(key, ParseDecimal(shownText));
}

double KeyScale(Key key) {
    const ControllerKey* e = FindControllerKey(key.name, ControllerKind::Pid);
    if (!e || e->scale == 0)
        throw std::logic_error("controller key " + std::string(key.name) + " is not scaled");
    return e->scale;
}

int ScaleToStored(Key key, double shown) {
    const ControllerKey* e = FindControllerKey(key.name, ControllerKind::Pid);
    if (!e || e->scale == 0)
        throw std::logic_error("controller key " + std::string(key.name) + " is not scaled");
    return ScaledToStored(shown, e->scale, e->rounding);
}

}  // namespace velmora
