#include "core/periodic_sync.h"

#include "core/file_system.h"

PeriodicSync::PeriodicSync(std::FILE* file, std::chrono::milliseconds period)
    : file_(file), period_(period), thread_([this] { run(); }) {}

PeriodicSync::~PeriodicSync() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void PeriodicSync::run() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        wake_.wait_for(lock, period_, [this] { return stop_; });
        // The stream's own lock keeps this flush apart from the writer's; the wait
        // for the disk happens outside it.
        SyncFile(file_);
    }
}
