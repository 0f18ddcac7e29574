#pragma once
// Fakes and a scratch controller file for the wizard tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/ByteOrder.h"
#include "base/IniFile.h"
#include "base/Texts.h"
#include "base/Toolkit.h"
#include "support/Support.h"
#include "wizard/WizardContext.h"

namespace velmora::wizard::testing {

using velmora::testing::ScriptedMessages;

// A PLC image addressed by symbol; symbols not in `symbols` do not resolve.
class FakeControllerData : public ControllerData {
public:
    bool reachable(const std::vector<std::string>& wanted) override {
        for (const auto& s : wanted)
            if (!symbols.count(s)) return false;
        return true;
    }
    bool write(const std::string& symbol, const std::vector<std::uint8_t>& bytes) override {
        writes.emplace_back(symbol, bytes);
        if (failWrites) return false;
        memory[symbol] = bytes;
        return true;
    }
    std::optional<std::vector<std::uint8_t>> read(const std::string& symbol, int size) override {
        auto it = memory.find(symbol);
        if (it == memory.end() || static_cast<int>(it->second.size()) < size) return std::nullopt;
        return std::vector<std::uint8_t>(it->second.begin(), it->second.begin() + size);
    }
    std::map<std::string, int> symbols;
    std::map<std::string, std::vector<std::uint8_t>> memory;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> writes;
    bool failWrites = false;
    void resolve(std::initializer_list<std::string> names) {
        for (const auto& n : names) symbols[n] = 1;
    }
};

// A controller file in a fresh temporary folder with a context on it.
class ControllerFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        context.file = file.get();
        context.controllerName = "PID_1";
        context.messages = &messages;
        context.decimalSeparator = ',';
        context.variableAddress = [this](const std::string& name) -> std::optional<std::string> {
            auto it = variables.find(name);
            if (it == variables.end()) return std::nullopt;
            return it->second;
        };
        context.generate = [this](const std::string& name) { generated.push_back(name); };
        ModuleTexts().chooseLanguage(1);
    }
    std::string section() const { return context.section(); }
    // The section's keys in file order.
    std::vector<std::string> keys() const { return file->keys(section()); }
    std::string value(const std::string& key) const { return file->readString(section(), key, "<absent>"); }
    // Each key of the section holds its text.
    void expectValues(std::initializer_list<std::pair<const char*, const char*>> expected) const {
        for (const auto& [key, text] : expected) EXPECT_EQ(value(key), text) << key;
    }
    void writeFile(const std::string& text) { velmora::testing::WriteBytes(path, text); }
    // The new-controller dialog as the wizard's first step: PID_1 of the given type.
    std::function<bool()> newController(const std::string& type) {
        return [this, type] {
            context.controllerName = "PID_1";
            context.wizardRunning = true;
            file->writeString(section(), "Name", "PID_1");
            file->writeString(section(), "Type", type);
            file->writeBool(section(), "HeaderInST", false);
            return true;
        };
    }
    std::string fileText() const { return velmora::testing::ReadBytes(path); }
    // The PLC image the pages write, its `symbols` resolving.
    FakeControllerData& plcWith(std::initializer_list<std::string> symbols) {
        fakePlc.resolve(symbols);
        context.controllerData = &fakePlc;
        return fakePlc;
    }
    // The one message of a check that fails, a question answered No.
    std::string refused(const std::function<bool()>& check) {
        messages.shown.clear();
        messages.answers = {MessageAnswer::No};
        EXPECT_FALSE(check());
        EXPECT_EQ(messages.shown.size(), 1u);
        return messages.shown.empty() ? "<none>" : messages.shown.back().text;
    }
    velmora::testing::TempDir scratch;
    std::filesystem::path dir = scratch.path(), path = dir / "PLC1.rglx";
    std::unique_ptr<IniFile> file = std::make_unique<IniFile>(path);
    WizardContext context;
    ScriptedMessages messages;
    std::map<std::string, std::string> variables;  // name -> host address text
    std::vector<std::string> generated;
    FakeControllerData fakePlc;
};

}  // namespace velmora::wizard::testing
