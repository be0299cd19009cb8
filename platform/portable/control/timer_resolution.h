// The fine timer resolution the flip's pacing asks for (timeBeginPeriod)
// keeps the processor from its power-saving states for as long as it is
// held, so it is held only while the program runs: the program's requests
// are counted as it makes them, and the system's resolution is taken while
// there is a request and the application is active, and given back while
// it sits in the background, paused or waiting.
#pragma once

namespace platform {

class TimerResolution {
public:
    // Takes (or gives back) the system's resolution; true when it did.
    using Change = bool (*)(unsigned period, bool take);
    explicit TimerResolution(Change change) : change_(change) {}

    // The program's own calls; false for a period the system cannot give
    // (0), or an end without its begin.
    bool begin(unsigned period);
    bool end(unsigned period);
    // Whether the application may hold it now: it is active and drawing.
    void allow(bool allowed);

    int requests() const { return requests_; }
    bool taken() const { return taken_; }

private:
    void update();

    Change change_;
    int requests_ = 0;
    unsigned period_ = 0;
    bool allowed_ = false;
    bool taken_ = false;
};

// The resolution of the program's timer module, steered by activation.
void allow_timer_resolution(bool allowed);
bool timer_resolution_taken();

}  // namespace platform
