// The floor of a command-line full-screen capture: what a process that only grabs and encodes
// costs. Connects with xcb, grabs the root window through MIT-SHM, filters every row with Up,
// compresses with libdeflate (level 5, one thread) and writes an RGB PNG with fdatasync. No
// configuration, library index or log. Compared with `mebo capture fullscreen` and scrot in
// docs/performance.md. Usage: capture_floor OUT.png
#include <fcntl.h>
#include <libdeflate.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

static void put32(uint8_t* b, uint32_t v) {
    b[0] = (uint8_t)(v >> 24);
    b[1] = (uint8_t)(v >> 16);
    b[2] = (uint8_t)(v >> 8);
    b[3] = (uint8_t)v;
}

static int chunk(FILE* f, const char* type, const uint8_t* data, uint32_t n) {
    uint8_t b[4];
    put32(b, n);
    uint32_t crc = libdeflate_crc32(0, type, 4);
    if (n) { // a null buffer would answer the initial value instead
        crc = libdeflate_crc32(crc, data, n);
    }
    int ok = fwrite(b, 1, 4, f) == 4 && fwrite(type, 1, 4, f) == 4 && (!n || fwrite(data, 1, n, f) == n);
    put32(b, crc);
    return ok && fwrite(b, 1, 4, f) == 4;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: capture_floor OUT.png\n");
        return 2;
    }
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "capture_floor: no display\n");
        return 1;
    }
    xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t w = s->width_in_pixels, h = s->height_in_pixels;
    const int id = shmget(IPC_PRIVATE, (size_t)w * h * 4, IPC_CREAT | 0600);
    const uint8_t* px = id < 0 ? NULL : shmat(id, NULL, 0);
    if (!px || px == (void*)-1) {
        fprintf(stderr, "capture_floor: no shared memory\n");
        return 1;
    }
    xcb_shm_seg_t seg = xcb_generate_id(c);
    xcb_shm_attach(c, seg, (uint32_t)id, 0);
    xcb_shm_get_image_reply_t* r = xcb_shm_get_image_reply(
        c, xcb_shm_get_image(c, s->root, 0, 0, w, h, ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, seg, 0), NULL);
    shmctl(id, IPC_RMID, NULL);
    if (!r) {
        fprintf(stderr, "capture_floor: the grab failed\n");
        return 1;
    }
    // BGRX rows to filtered RGB rows: filter byte 2 (Up) except on the first row.
    const size_t rowBytes = (size_t)w * 3 + 1;
    uint8_t* raw = malloc(rowBytes * h);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* o = raw + rowBytes * y;
        const uint8_t* p = px + (size_t)w * 4 * y;
        const uint8_t* q = y ? p - (size_t)w * 4 : NULL;
        o[0] = q ? 2 : 0;
        for (uint32_t x = 0; x < w; ++x) {
            o[1 + 3 * x] = (uint8_t)(p[4 * x + 2] - (q ? q[4 * x + 2] : 0));
            o[2 + 3 * x] = (uint8_t)(p[4 * x + 1] - (q ? q[4 * x + 1] : 0));
            o[3 + 3 * x] = (uint8_t)(p[4 * x] - (q ? q[4 * x] : 0));
        }
    }
    struct libdeflate_compressor* z = libdeflate_alloc_compressor(5);
    const size_t cap = libdeflate_zlib_compress_bound(z, rowBytes * h);
    uint8_t* out = malloc(cap);
    const size_t n = libdeflate_zlib_compress(z, raw, rowBytes * h, out, cap);
    uint8_t ihdr[13] = {0, 0, 0, 0, 0, 0, 0, 0, 8, 2, 0, 0, 0};
    put32(ihdr, w);
    put32(ihdr + 4, h);
    FILE* f = fopen(argv[1], "wb");
    const int ok = f && n && fwrite("\x89PNG\r\n\x1a\n", 1, 8, f) == 8 && chunk(f, "IHDR", ihdr, 13) &&
                   chunk(f, "IDAT", out, (uint32_t)n) && chunk(f, "IEND", NULL, 0) && fflush(f) == 0 &&
                   fdatasync(fileno(f)) == 0;
    if (f) {
        fclose(f);
    }
    if (!ok) {
        fprintf(stderr, "capture_floor: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
