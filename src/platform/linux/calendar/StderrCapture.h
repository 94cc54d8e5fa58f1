#pragma once

#include <QStringList>

// Catches what C libraries print to the process's standard error while it lives (libical reports
// broken calendar files there), so their words can go through the logging categories instead of
// the terminal. Redirects file descriptor 2 of the whole process: hold one only around short
// library calls. Instances are serialized; a second one waits for the first. In sanitizer builds it
// captures nothing, so a sanitizer report written meanwhile always reaches the terminal.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    // Puts standard error back and returns the non-empty lines written meanwhile, at most
    // `maximumLines` of them (the rest are counted in a last line); later calls return nothing.
    QStringList finish(int maximumLines = 8);

private:
    int m_capture = -1; // the anonymous file that receives the output
    int m_saved = -1;   // the original standard error
    bool m_locked = false;
};
