/* The 128-byte header the camera puts in front of every raw frame, on the data port and in data files.
 * Shared by the image library, the control program and the stand-in camera: the one layout they agree on.
 * All integers are little-endian; the struct is only valid to overlay on little-endian hosts. */
#ifndef ZRK_FRAME_HEADER_H
#define ZRK_FRAME_HEADER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZRK_FRAME_HEADER_SIZE 128

#pragma pack(push, 1)
typedef struct ZRK_FRAME_HEADER {
    uint8_t magic[4];      /* 'Z' 'R' 'K' 0 */
    uint8_t reserved0[8];  /* camera's own, not read */
    uint16_t width;        /* W: pixels per row */
    uint16_t height;       /* H: rows */
    uint16_t reserved1;    /* not read */
    int16_t year;          /* shown as "20" + year % 100 */
    int16_t month;
    int16_t day;
    int16_t hour;
    int16_t minute;
    int16_t second;
    uint16_t realFrame;    /* frame number in camera memory */
    int16_t trigger;
    int16_t analog;        /* analog input value recorded with the frame */
    uint16_t redGain;      /* 128 = unity; 256 and above act as 255 */
    uint16_t greenGain;
    uint16_t blueGain;
    uint16_t gamma;        /* hundredths; 100 = linear */
    int32_t recordSpeed;   /* rate code; codes above 2 are the slow rates */
    int16_t shutterCode;
    int16_t gainCode;
    int16_t imageSizeCode; /* 0 200x200, 1 256x256, 2 512x256, 3 512x512 */
    uint8_t reserved2[74]; /* camera's own, not read */
} ZRK_FRAME_HEADER;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(ZRK_FRAME_HEADER) == ZRK_FRAME_HEADER_SIZE, "frame header must be 128 bytes");
static_assert(offsetof(ZRK_FRAME_HEADER, year) == 18, "year at 18");
static_assert(offsetof(ZRK_FRAME_HEADER, realFrame) == 30, "real frame at 30");
static_assert(offsetof(ZRK_FRAME_HEADER, recordSpeed) == 44, "record speed at 44");
static_assert(offsetof(ZRK_FRAME_HEADER, imageSizeCode) == 52, "image size at 52");
}
#else
_Static_assert(sizeof(ZRK_FRAME_HEADER) == ZRK_FRAME_HEADER_SIZE, "frame header must be 128 bytes");
#endif

#endif
