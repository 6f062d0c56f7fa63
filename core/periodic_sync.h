#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

// Makes what was written to an open stream reach the disk once a period, on a thread
// of its own, so the writer never waits on the disk. The stream must stay open until
// this object is gone; destroying it syncs a last time and joins the thread.
class PeriodicSync {
  public:
    PeriodicSync(std::FILE* file, std::chrono::milliseconds period);
    PeriodicSync(const PeriodicSync&) = delete;
    PeriodicSync& operator=(const PeriodicSync&) = delete;
    ~PeriodicSync();

  private:
    void run();

    std::FILE* file_;
    std::chrono::milliseconds period_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};
