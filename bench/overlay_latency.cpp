// Time from launching a command to a full-screen selection overlay on the screen, as a user sees
// it: the X server's pixels at the screen's centre change (the overlay dims the picture and
// draws its hint there). Also reports when the overlay window was mapped. After each run the
// overlay is dismissed with Escape (XTest) and the screen must return to what it was.
//
//   overlay_latency RUNS COMMAND [ARGS...]
//
// Prints one line per run ("run N: mapped M ms, visible V ms") and a summary line with the
// medians. The screen must be still (no blinking cursor, no printing terminal) for the pixel
// test to mean the overlay; bench/overlay.sh prepares such a desktop.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

struct Probe {
    xcb_connection_t* c = nullptr;
    xcb_screen_t* screen = nullptr;
    int16_t x = 0, y = 0;
    uint16_t size = 64;

    std::vector<uint8_t> sample() const {
        xcb_get_image_reply_t* r = xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, x, y, size, size, ~0u), nullptr);
        std::vector<uint8_t> out;
        if (r) {
            const uint8_t* d = xcb_get_image_data(r);
            out.assign(d, d + xcb_get_image_data_length(r));
            free(r);
        }
        return out;
    }

    void key(xcb_keycode_t code) const {
        xcb_test_fake_input(c, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(c, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c);
    }
};

double median(std::vector<double> v) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: overlay_latency RUNS COMMAND [ARGS...]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    Probe p;
    int screenNumber = 0;
    p.c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(p.c)) {
        std::fprintf(stderr, "overlay_latency: cannot open the display\n");
        return 1;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(p.c));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&it);
    }
    p.screen = it.data;
    p.x = int16_t(p.screen->width_in_pixels / 2 - p.size / 2);
    p.y = int16_t(p.screen->height_in_pixels / 2 - p.size / 2);
    // Map notifications of every top-level window.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(p.c, p.screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(p.c);
    constexpr xcb_keycode_t kEscape = 9; // the evdev keycode of Escape, as Xvfb uses

    std::vector<double> mapped, visible;
    for (int run = 1; run <= runs; ++run) {
        const std::vector<uint8_t> before = p.sample();
        while (xcb_generic_event_t* e = xcb_poll_for_event(p.c)) {
            free(e);
        }
        pid_t pid = 0;
        const Clock::time_point start = Clock::now();
        if (posix_spawnp(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
            std::fprintf(stderr, "overlay_latency: cannot start %s\n", argv[2]);
            return 1;
        }
        double mappedMs = -1, visibleMs = -1;
        while (msSince(start) < 10000) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(p.c)) {
                if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY && mappedMs < 0) {
                    const auto* m = reinterpret_cast<xcb_map_notify_event_t*>(e);
                    xcb_get_geometry_reply_t* g =
                        xcb_get_geometry_reply(p.c, xcb_get_geometry(p.c, m->window), nullptr);
                    // A window covering the probed centre: the overlay (not a tooltip or the tray).
                    if (g && g->width >= p.screen->width_in_pixels / 2 &&
                        g->height >= p.screen->height_in_pixels / 2) {
                        mappedMs = msSince(start);
                    }
                    free(g);
                }
                free(e);
            }
            if (p.sample() != before) {
                visibleMs = msSince(start);
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        int status = 0;
        if (visibleMs < 0) {
            std::fprintf(stderr, "overlay_latency: run %d: no overlay within 10 s\n", run);
            waitpid(pid, &status, 0);
            return 1;
        }
        // Dismiss it and wait for the screen to come back.
        const Clock::time_point dismissed = Clock::now();
        while (p.sample() != before && msSince(dismissed) < 10000) {
            p.key(kEscape);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        waitpid(pid, &status, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the application settles
        std::printf("run %d: mapped %.1f ms, visible %.1f ms\n", run, mappedMs, visibleMs);
        std::fflush(stdout);
        if (mappedMs >= 0) {
            mapped.push_back(mappedMs);
        }
        visible.push_back(visibleMs);
    }
    std::printf("median over %d runs: mapped %.1f ms, visible %.1f ms\n", runs, median(mapped),
                median(visible));
    xcb_disconnect(p.c);
    return 0;
}
