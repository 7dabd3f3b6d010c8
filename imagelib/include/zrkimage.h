/* Public interface of the image library zrkimage: raw camera frames to colour pictures.
 *
 * The control program does not link this library; it binds it by name at run time through
 * zrkimage_client (imagelib/client). The declarations here fix the exported names and types.
 *
 * Every export except WriteImageBuf returns 1 on success and 0 on failure; the reason is in the
 * status word, which is set to ZRK_STATUS_OK on entry. All calls share the library's working memory:
 * call them from one thread, one at a time.
 *
 * Pictures use the packed arithmetic with the best vector instructions the processor has. For
 * comparisons the environment variable ZRKIMAGE_ARITHMETIC selects another form per call: "scalar"
 * (the weighted arithmetic, which rounds differently), or "packed-portable", "packed-sse2",
 * "packed-avx2" (identical results). */
#ifndef ZRKIMAGE_H
#define ZRKIMAGE_H

#include <stdint.h>

#include "zrk_frame_header.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(ZRKIMAGE_BUILDING)
#define ZRKIMAGE_API __attribute__((visibility("default")))
#else
#define ZRKIMAGE_API
#endif

/* Status word values. Failures of the arguments themselves use the code of the step they stop:
 * file entry points report an unusable W, H or frame position as ZRK_STATUS_READ, the in-memory ones
 * an unusable W or H as ZRK_STATUS_SURFACE. */
#define ZRK_STATUS_OK 0
/* Data file cannot be opened, is 4 GiB or more, is too short for the record, or cannot be read. */
#define ZRK_STATUS_READ 1
/* Bitmap file cannot be created or written whole. */
#define ZRK_STATUS_WRITE 2
/* The surface cannot take the picture: missing, malformed, or smaller than what is drawn. */
#define ZRK_STATUS_SURFACE 3
/* The picture cannot be scaled to dispW x dispH (a size that is not positive). */
#define ZRK_STATUS_SCALE 4
/* The frame record does not begin with "ZRK" and a 0 byte. */
#define ZRK_STATUS_MAGIC 5
/* AVI export. 6 and 10 are reserved: this library draws no dialog and needs no video library. */
#define ZRK_STATUS_DIALOG 6
/* The progress callback asked to stop; the frames written so far form a valid movie. */
#define ZRK_STATUS_CANCELLED 7
#define ZRK_STATUS_AVI_LIBRARY 10
/* The movie file cannot be created, is the data file itself, or the run needs too many segments. */
#define ZRK_STATUS_AVI_OPEN 11
/* The movie's headers cannot be written, or the frame rate is below 1. */
#define ZRK_STATUS_AVI_STREAM 12
/* W x H is not a size the pipeline draws. */
#define ZRK_STATUS_AVI_FORMAT 13
/* A frame, an index or the end of the movie cannot be written. */
#define ZRK_STATUS_AVI_WRITE 14

/* Frame sizes the pipeline accepts: 0 < W <= 512 with W a multiple of 8, 0 < H <= 512 with H even. */
#define ZRK_MAX_WIDTH 512
#define ZRK_MAX_HEIGHT 512
/* A frame record (header + raw frame) of the largest size: enough for any frame buffer. */
#define ZRK_MAX_FRAME_RECORD (ZRK_FRAME_HEADER_SIZE + ZRK_MAX_WIDTH * ZRK_MAX_HEIGHT)

/* Where the display entry points draw: 32-bit pixels 0xffRRGGBB in host order (the layout of
 * QImage::Format_RGB32), row 0 at the top. The picture goes to (0, 0). */
typedef struct ZRK_SURFACE {
    uint8_t* pixels; /* first byte of the top row; 4-byte aligned */
    int32_t width;   /* pixels per row */
    int32_t height;  /* rows */
    int32_t stride;  /* bytes from one row to the next; a multiple of 4, at least width * 4 */
} ZRK_SURFACE;

/* The enhancement pair: unsharp mask radius (0 or negative = off, 1 = 3x3, r = (2r+1) x (2r+1)) and
 * strength (steps of 50; the factor is strength / 100 in whole numbers, so 50 changes nothing). A null
 * pointer means no sharpening. */
typedef struct ZRK_ENHANCE {
    int16_t radius;
    int16_t strength;
} ZRK_ENHANCE;

/* Sizes (W, H, dispW, dispH) are 32-bit arguments of which only the low 16 bits count: W and H
 * unsigned, dispW and dispH signed. The picture is drawn 1:1 when dispW equals W and dispH equals H,
 * otherwise smoothly scaled to dispW x dispH. dataOffset and frameIndex are unsigned 32-bit; frame i
 * of a data file starts at dataOffset + i * (W * H + 128). headerOut (may be null) receives the
 * record's 128-byte header. */

/* One frame held in memory: the 128-byte header and W * H raw bytes (nothing beyond them is read).
 * gains (red, green, blue; 128 = unity, 256 and above act as 255; null = unity) and gamma (hundredths,
 * 100 = linear) come from the caller. */
ZRKIMAGE_API int32_t CombRGB_Live(const ZRK_SURFACE* surface, const uint8_t* frameBuffer, int32_t W,
                                  int32_t H, int32_t dispW, int32_t dispH, const uint16_t* gains,
                                  int32_t gamma, const ZRK_ENHANCE* sharpen, ZRK_FRAME_HEADER* headerOut,
                                  int16_t* status);

/* As CombRGB_Live, with gains and gamma from the frame's own header. */
ZRKIMAGE_API int32_t CombRGB_ThumbNail(const ZRK_SURFACE* surface, const uint8_t* frameBuffer, int32_t W,
                                       int32_t H, int32_t dispW, int32_t dispH, const ZRK_ENHANCE* sharpen,
                                       ZRK_FRAME_HEADER* headerOut, int16_t* status);

/* One frame record of a data file, with the header's gains and gamma. */
ZRKIMAGE_API int32_t CombRGB_Play(const ZRK_SURFACE* surface, const char* dataFile, int32_t W, int32_t H,
                                  int32_t dispW, int32_t dispH, const ZRK_ENHANCE* sharpen,
                                  ZRK_FRAME_HEADER* headerOut, int32_t dataOffset, int32_t frameIndex,
                                  int16_t* status);

/* One frame record of a data file written as a 24-bit bitmap file (54-byte header, bottom-up rows).
 * An existing file is replaced, never left longer than the new picture; a bitmapFile that is the data
 * file itself, or no regular file (a FIFO, a device), is refused with ZRK_STATUS_WRITE before anything
 * is written. */
ZRKIMAGE_API int32_t CombRGB_File(const char* dataFile, const char* bitmapFile, int32_t W, int32_t H,
                                  const ZRK_ENHANCE* sharpen, int32_t dataOffset, int32_t frameIndex,
                                  int16_t* status);

/* Progress of a long run. */
typedef struct ZRK_PROGRESS {
    void* context;
    /* Called with done = 0 before the first frame and after every frame; non-zero cancels before the
     * next frame (the answer to the report after the last frame changes nothing). */
    int32_t (*report)(void* context, uint32_t done, uint32_t total);
} ZRK_PROGRESS;

/* Frames firstFrame..lastFrame of a data file as an uncompressed 24-bit AVI movie at frameRate frames
 * per second, each frame with its header's gains and gamma and with sharpen. A null progress runs
 * without one. Size, rate (1 up to the rates that still give a whole microsecond per frame), range
 * (its first frame must lie inside the data file) and target are checked before the movie file is
 * created; the target is created anew, is never the data file itself and must be a regular file (a
 * FIFO, a device or a folder is refused unopened with 11). Past 1 GiB the movie continues in the
 * extended (OpenDML) form; the environment variable ZRKIMAGE_AVI_SEGMENT_BYTES lowers that limit for
 * tests; ZRKIMAGE_AVI_DIRECT=1 writes the frames with direct I/O instead of the page cache (=0 keeps
 * the page cache). A run that stops after the file was created (cancel: 7, frame read: 1 or 5,
 * write: 14) leaves a valid movie of the frames written, a data file cut short the movie of the
 * frames before the cut with status 1; failing to finish the movie is 14 (the movie then still
 * holds every whole frame, unindexed where the index found no room). Returns 1 only when every frame
 * was written. */
ZRKIMAGE_API int32_t CombRGB_AVI(const ZRK_PROGRESS* progress, const char* dataFile, const char* aviFile,
                                 int32_t W, int32_t H, const ZRK_ENHANCE* sharpen, int32_t dataOffset,
                                 uint32_t firstFrame, uint32_t lastFrame, int32_t frameRate, int16_t* status);

/* Copies length bytes from data to buffer + position (ranges may overlap) and returns position + length,
 * where the next piece goes. capacity is the size of buffer in bytes: a piece that would not fit
 * (or a negative position or length) copies nothing and returns -1. */
ZRKIMAGE_API int32_t WriteImageBuf(uint8_t* buffer, int32_t capacity, const uint8_t* data, int32_t position,
                                   int32_t length);

#ifdef __cplusplus
}
#endif

#endif
