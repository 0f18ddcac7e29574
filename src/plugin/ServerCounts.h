#pragma once
// The module's live objects and server locks: the module may be unloaded only
// when both are zero.
#include <atomic>

namespace velmora {

class ServerCounts {
public:
    static void objectCreated() { ++objects_; }
    static void objectDestroyed() { --objects_; }
    static void lock() { ++locks_; }
    static void unlock() { --locks_; }
    static long objects() { return objects_; }
    static long locks() { return locks_; }
    static bool canUnload() { return objects_ == 0 && locks_ == 0; }

private:
    static inline std::atomic<long> objects_{0};
    static inline std::atomic<long> locks_{0};
};

}  // namespace velmora
