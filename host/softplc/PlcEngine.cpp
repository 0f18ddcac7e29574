#include "softplc/PlcEngine.h"

#include <algorithm>
#include <cmath>

#include "base/IniFile.h"

namespace velmora::softplc {

PlcEngine::PlcEngine(SoftPlc& plc) : plc_(plc), machine_(plc) {}

bool PlcEngine::compile(const std::vector<SourceFile>& files, const CompileOptions& options) {
    plc_.setMode(PlcMode::Halt);
    CompileOutput out = CompileProgram(files, plc_.symbols(), options);
    const bool ok = out.ok();
    diagnostics_ = std::move(out.diagnostics);
    if (!ok) return false;
    machine_.load(std::move(out.program));
    loaded_ = true;
    return true;
}

void PlcEngine::setRetainedFile(std::filesystem::path file) {
    if (file.empty())
        retained_.reset();
    else
        retained_.emplace(std::move(file));
}

void PlcEngine::start(Restart kind) {
    // Everything but the retained variables starts at zero, as after power-on.
    std::vector<std::pair<RetainedRange, std::vector<std::uint8_t>>> keep;
    auto registers = plc_.area(kRegisterArea);
    for (const RetainedRange& r : plc_.symbols().retainedRanges())
        keep.push_back({r, std::vector<std::uint8_t>(registers.begin() + r.offset,
                                                     registers.begin() + r.offset + r.size)});
    for (int a = 0; a < kAreaCount; ++a) std::fill(plc_.area(a).begin(), plc_.area(a).end(), std::uint8_t{0});
    if (kind == Restart::Warm) {
        if (retained_)
            retained_->restore(plc_);
        else
            for (const auto& [r, bytes] : keep)
                std::copy(bytes.begin(), bytes.end(), registers.begin() + r.offset);
    }
    machine_.clearFault();
    plc_.setMode(PlcMode::Run);
    started_ = true;
    // The first scan integrates one period, as every later one does.
    lastCycle_ = nowMs_ - cycleMs_;
    lastTimed_ = nowMs_ - timedMs_;
    nextCycle_ = nowMs_;
    if (!loaded_) return;
    if (!machine_.run(kind == Restart::Cold ? kColdRestart : kWarmRestart, 0)) plc_.setMode(PlcMode::Error);
}

std::string PlcEngine::stop() {
    if (plc_.mode() != PlcMode::Halt) plc_.setMode(PlcMode::Halt);
    if (!retained_ || !started_) return {};
    try {
        retained_->save(plc_);
    } catch (const std::exception& e) {
        return e.what();
    }
    return {};
}

void PlcEngine::cycle() {
    if (plc_.mode() != PlcMode::Run || !loaded_) return;
    if (nowMs_ - lastTimed_ >= timedMs_ - 1e-9) {
        const double dt = nowMs_ - lastTimed_;
        lastTimed_ = nowMs_;
        if (!machine_.run(kTimed, dt)) {
            plc_.setMode(PlcMode::Error);
            return;
        }
    }
    const double dt = nowMs_ - lastCycle_;
    lastCycle_ = nowMs_;
    if (!machine_.run(kCyclic, dt)) plc_.setMode(PlcMode::Error);
    if (afterCycle) afterCycle();
}

int PlcEngine::every(double periodMs, std::function<void()> task, std::optional<double> firstMs) {
    const int id = nextId_++;
    tasks_.push_back(
        {id, nowMs_ + (firstMs ? *firstMs : periodMs), std::max(periodMs, 0.001), std::move(task)});
    return id;
}

void PlcEngine::at(double timeMs, std::function<void()> task) {
    tasks_.push_back({nextId_++, std::max(timeMs, nowMs_), 0, std::move(task)});
}

void PlcEngine::cancel(int id) {
    std::erase_if(tasks_, [id](const Task& t) { return t.id == id; });
}

void PlcEngine::advance(double ms) {
    const double end = nowMs_ + std::max(ms, 0.0);
    for (;;) {
        // The next thing due: a scan, or the earliest task.
        const bool scanning = plc_.mode() == PlcMode::Run && loaded_;
        double next = scanning ? nextCycle_ : end + 1;
        Task* due = nullptr;
        for (Task& t : tasks_)
            if (t.next < next - 1e-9 && (!due || t.next < due->next)) due = &t;
        if (due) next = due->next;
        if (next > end + 1e-9) break;
        nowMs_ = std::max(nowMs_, next);
        if (!due) {
            cycle();
            nextCycle_ = std::max(nextCycle_ + cycleMs_, nowMs_);
            continue;
        }
        const int id = due->id;
        std::function<void()> run = due->run;
        if (due->period > 0)
            due->next += due->period;
        else
            cancel(id);
        run();
    }
    nowMs_ = end;
}

}  // namespace velmora::softplc
