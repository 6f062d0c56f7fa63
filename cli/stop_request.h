#pragma once

// Ctrl+C and SIGTERM ask a running command to finish cleanly; long commands look at
// StopRequested() between steps.
class StopSignals {
  public:
    StopSignals();  // installs the handlers and clears any earlier request
    ~StopSignals(); // puts back what was there before
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;
};

bool StopRequested();
// What the handlers do; tests ask for a stop the same way.
void RequestStop();
