#pragma once

#include <QByteArray>
#include <QString>
#include <sys/types.h>

namespace mebo {

namespace platform {
class Clipboard;
}

// Keeps an image on the clipboard after the process that copied it has exited. X11 selections
// live in their owner, so the content goes to a background process (this program again, started
// as `mebo --keep-clipboard`, in its own session) that owns the clipboard until another program
// copies something, the way xclip keeps a selection.
//
// The background process is started by the constructor, so its start-up (a GUI connection)
// overlaps the caller's own work; it waits for the image on its standard input and exits without
// one when the keeper is destroyed unused. Main thread.
class ClipboardKeeper {
public:
    ClipboardKeeper();
    ~ClipboardKeeper();
    ClipboardKeeper(const ClipboardKeeper&) = delete;
    ClipboardKeeper& operator=(const ClipboardKeeper&) = delete;

    // Hands the PNG over and waits until the background process owns the clipboard. False, with
    // the reason, when it could not be started or did not take the clipboard within `timeoutMs`.
    bool keepPng(const QByteArray& png, QString* error, int timeoutMs = 10000);
    // The background process; 0 before it started or when it could not be started.
    pid_t pid() const { return pid_; }

    // The background process's side (`mebo --keep-clipboard`): reads the PNG from standard input,
    // takes the clipboard, writes "ready" to standard output and returns when another program
    // owns the clipboard (0), or 1 when it could not take it.
    static int serve(int& argc, char** argv);
    // An image this process still holds on `clipboard` goes to a keeper (a process about to quit).
    static void keepHeldImage(platform::Clipboard& clipboard);
    static constexpr const char* kCommand = "--keep-clipboard";

private:
    pid_t pid_ = 0;
    int toChild_ = -1;   // its standard input
    int fromChild_ = -1; // its standard output
    QString startError_;
};

} // namespace mebo
