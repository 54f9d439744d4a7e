// A test picture source for the recorder: a borderless window that paints its frame index at a
// steady rate and never skips one, flashes white every `flash` frames, and (with sound) beeps
// on the default PulseAudio output at each flash. It logs when each frame reached the X server
// and when each beep was due, on the monotonic clock the recorder stamps with, so a test can tell
// the recorder's drops and timing from this program's own lateness.
//
// Usage: mebo_frame_painter WxH+X+Y FPS SECONDS LOG [--flash N] [--sound]
// Prints "ready" once the window is on screen (showing index 65535), then paints frame 0 0.3 s
// later.
#include <atomic>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pulse/error.h>
#include <pulse/simple.h>
#include <string>
#include <thread>
#include <vector>
#include <xcb/xcb.h>

namespace {

std::atomic<bool> stopping{false};

int64_t nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void sleepUntil(int64_t ns) {
    timespec ts{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR && !stopping) {
    }
}

// Beeps (1 kHz, 50 ms) due at t0 + k * period, written so that each is heard when it is due: the
// server's latency says when the samples written now will play.
void playBeeps(int64_t t0, int64_t periodNs, int64_t endNs) {
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, 48000, 2};
    pa_buffer_attr attr{};
    attr.maxlength = uint32_t(-1);
    attr.tlength = 48000 * 8 * 30 / 1000; // 30 ms
    attr.prebuf = uint32_t(-1);
    attr.minreq = 48000 * 8 * 5 / 1000;
    attr.fragsize = uint32_t(-1);
    int error = 0;
    pa_simple* s = pa_simple_new(nullptr, "frame painter", PA_STREAM_PLAYBACK, nullptr, "beeps", &spec,
                                 nullptr, &attr, &error);
    if (!s) {
        std::fprintf(stderr, "pulse: %s\n", pa_strerror(error));
        return;
    }
    constexpr int chunk = 240; // 5 ms
    std::vector<float> buf(chunk * 2);
    while (!stopping && nowNs() < endNs) {
        const pa_usec_t latencyUs = pa_simple_get_latency(s, &error);
        const int64_t heardAt = nowNs() + int64_t(latencyUs) * 1000;
        for (int i = 0; i < chunk; ++i) {
            const int64_t t = heardAt + int64_t(i) * 1'000'000'000 / 48000;
            float v = 0;
            if (t >= t0) {
                const int64_t into = (t - t0) % periodNs;
                if (into < 50'000'000) {
                    v = float(0.8 * std::sin(2 * M_PI * 1000 * double(into) / 1e9));
                }
            }
            buf[size_t(2 * i)] = buf[size_t(2 * i + 1)] = v;
        }
        if (pa_simple_write(s, buf.data(), buf.size() * sizeof(float), &error) < 0) {
            break;
        }
    }
    pa_simple_drain(s, &error);
    pa_simple_free(s);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s WxH+X+Y FPS SECONDS LOG [--flash N] [--sound]\n", argv[0]);
        return 2;
    }
    int w = 0, h = 0, x = 0, y = 0;
    if (std::sscanf(argv[1], "%dx%d+%d+%d", &w, &h, &x, &y) != 4 || w < 16 || h < 16) {
        std::fprintf(stderr, "bad geometry\n");
        return 2;
    }
    const int fps = std::atoi(argv[2]);
    const double seconds = std::atof(argv[3]);
    FILE* log = std::fopen(argv[4], "w");
    int flash = 60;
    bool sound = false;
    for (int i = 5; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--flash") && i + 1 < argc) {
            flash = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--sound")) {
            sound = true;
        }
    }
    if (fps <= 0 || seconds <= 0 || !log || flash <= 0) {
        std::fprintf(stderr, "bad arguments\n");
        return 2;
    }
    std::signal(SIGTERM, [](int) { stopping = true; });
    std::signal(SIGINT, [](int) { stopping = true; });

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t win = xcb_generate_id(c);
    const uint32_t values[] = {screen->black_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, win, screen->root, int16_t(x), int16_t(y), uint16_t(w),
                      uint16_t(h), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, win);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, win, 0, nullptr);
    const auto sync = [c] { free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); };
    const auto fill = [&](uint32_t grey, int16_t rx, int16_t ry, uint16_t rw, uint16_t rh) {
        const uint32_t pixel = grey << 16 | grey << 8 | grey;
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &pixel);
        const xcb_rectangle_t r{rx, ry, rw, rh};
        xcb_poly_fill_rectangle(c, win, gc, 1, &r);
    };
    // The index in 16 blocks across the top sixth (white = 1, least significant bit left), the
    // rest grey, or white on a flash frame.
    const int band = h / 6;
    const auto paint = [&](int index, bool flashing) {
        for (int b = 0; b < 16; ++b) {
            const int left = b * w / 16;
            fill((index >> b) & 1 ? 255 : 0, int16_t(left), 0, uint16_t((b + 1) * w / 16 - left),
                 uint16_t(band));
        }
        fill(flashing ? 255 : 40, 0, int16_t(band), uint16_t(w), uint16_t(h - band));
    };
    paint(0xffff, false); // until the start: index 65535, no flash
    sync();
    std::printf("ready\n");
    std::fflush(stdout);

    const int64_t periodNs = 1'000'000'000LL / fps;
    const int64_t t0 = nowNs() + 300'000'000;
    const int frames = int(std::lround(seconds * fps));
    std::thread audio;
    if (sound) {
        audio = std::thread([=] { playBeeps(t0, periodNs * flash, t0 + frames * periodNs); });
    }
    for (int i = 0; i < frames && !stopping; ++i) {
        sleepUntil(t0 + i * periodNs);
        paint(i, i % flash == 0);
        sync(); // the server has drawn it
        std::fprintf(log, "frame %d %lld %lld\n", i, static_cast<long long>(t0 + i * periodNs),
                     static_cast<long long>(nowNs()));
        std::fflush(log); // read while it paints: how far it has got
    }
    std::fclose(log);
    if (audio.joinable()) {
        audio.join();
    }
    xcb_disconnect(c);
    return 0;
}
