#include "base/Log.h"
#include "online/OnlineHost.h"

namespace velmora::online {

bool ModuleCommLog::enabled() const {
    return Module().commLogSwitch;
}

void ModuleCommLog::write(std::string_view line) {
    CommLog(line);
}

}  // namespace velmora::online
