#pragma once

#include <QString>
#include <mutex>

namespace mebo {

// A progress bar on standard error while a long command runs, redrawn in place; nothing when
// standard error is not a terminal (scripts read only the result). Any thread.
class TerminalProgress {
public:
    explicit TerminalProgress(QString label, bool enabled);
    ~TerminalProgress();

    // `fraction` 0...1; redrawn when the shown percentage changes.
    void update(double fraction);
    // Ends the bar's line.
    void finish();

    // "label  [#########...........]  45%" with a bar of `width` cells.
    static QString line(const QString& label, double fraction, int width);
    static bool stderrIsTerminal();

private:
    std::mutex lock_;
    QString label_;
    bool enabled_;
    int shown_ = -1;
    bool open_ = false;
};

} // namespace mebo
