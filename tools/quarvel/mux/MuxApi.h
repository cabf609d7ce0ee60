/* The C interface of quarvel's muxing module (libquarvel_mux), which holds the
 * only code that links FFmpeg's libraries. quarvel opens the module with dlopen
 * from its own folder only when a requested track needs a real container, so
 * that every other run never pays for loading FFmpeg. */
#ifndef QUARVEL_MUX_API_H
#define QUARVEL_MUX_API_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QUARVEL_MUX_API_VERSION 3

typedef struct quarvel_mux quarvel_mux;

typedef struct quarvel_mux_track {
    const char* codec_id; /* Matroska CodecID, e.g. "A_VORBIS" */
    const uint8_t* codec_private;
    size_t codec_private_size;
    uint64_t track_type; /* 1 video, 2 audio, 17 subtitle */
    uint64_t pixel_width, pixel_height;
    double sampling_frequency; /* OutputSamplingFrequency when present */
    uint64_t channels;
    uint64_t bit_depth;
    uint64_t default_duration_ns;
    const char* language;
    /* Version 2: the Segment's Duration in ns, 0 when unknown. Formats that
     * must state their length up front (TTA) use it when nothing better is
     * known: FFmpeg-written Matroska keeps no TTA header and gives the last,
     * shorter frame the full frame duration. */
    uint64_t duration_ns;
} quarvel_mux_track;

/* Resolved with dlsym under these names. */
typedef int (*quarvel_mux_version_fn)(void);
/* Version 3: writes the track into `fd`, a new empty file open for reading
 * and writing that the caller created (under a temporary name, never through
 * an existing one) and closes after close or abort; the module never opens a
 * file by name. `path` names the output in messages. Returns NULL and writes
 * a message into err on failure. */
typedef quarvel_mux* (*quarvel_mux_open_fn)(int fd, const char* path,
                                            const quarvel_mux_track* track, char* err,
                                            size_t err_size);
/* One frame; timestamps in nanoseconds, duration -1 when unknown. Returns 0 on success. */
typedef int (*quarvel_mux_write_fn)(quarvel_mux* mux, const uint8_t* data, size_t size,
                                    int64_t pts_ns, int64_t duration_ns, int keyframe, char* err,
                                    size_t err_size);
/* Writes the trailer; frees mux. Returns 0 on success, when err
 * holds a warning worth showing (the file is written but may be imperfect)
 * or is left an empty string. */
typedef int (*quarvel_mux_close_fn)(quarvel_mux* mux, char* err, size_t err_size);
/* Stops without a trailer and frees mux (the caller removes the file). */
typedef void (*quarvel_mux_abort_fn)(quarvel_mux* mux);

#define QUARVEL_MUX_SYMBOL_VERSION "quarvel_mux_version"
#define QUARVEL_MUX_SYMBOL_OPEN "quarvel_mux_open"
#define QUARVEL_MUX_SYMBOL_WRITE "quarvel_mux_write"
#define QUARVEL_MUX_SYMBOL_CLOSE "quarvel_mux_close"
#define QUARVEL_MUX_SYMBOL_ABORT "quarvel_mux_abort"

#ifdef __cplusplus
}
#endif

#endif
