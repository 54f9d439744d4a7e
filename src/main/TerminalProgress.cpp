#include "main/TerminalProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace mebo {

TerminalProgress::TerminalProgress(QString label, bool enabled)
    : label_(std::move(label)), enabled_(enabled) {}

TerminalProgress::~TerminalProgress() {
    finish();
}

bool TerminalProgress::stderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

QString TerminalProgress::line(const QString& label, double fraction, int width) {
    const double f = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    const int filled = int(std::floor(f * width));
    return QStringLiteral("%1  [%2%3] %4%")
        .arg(label, QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('.')))
        .arg(int(std::floor(f * 100)), 3);
}

void TerminalProgress::update(double fraction) {
    if (!enabled_) {
        return;
    }
    std::lock_guard guard(lock_);
    const int percent = int(std::floor(std::clamp(fraction, 0.0, 1.0) * 100));
    if (percent == shown_) {
        return;
    }
    shown_ = percent;
    open_ = true;
    const QByteArray text = "\r" + line(label_, fraction, 30).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}

void TerminalProgress::finish() {
    if (!enabled_) {
        return;
    }
    std::lock_guard guard(lock_);
    if (open_) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
        open_ = false;
    }
}

} // namespace mebo
