/* The two headers at the start of a data file (".dat"): a 10-byte file header and a 22-byte info
 * header, followed by the camera's frame records exactly as they came from the data port.
 * Shared by the download writer, the player, the image library and the tests: the one place that
 * knows these offsets. All integers are little-endian; the structs are only valid to overlay on
 * little-endian hosts. */
#ifndef ZRK_DATA_FILE_H
#define ZRK_DATA_FILE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZRK_DATA_FILE_HEADER_SIZE 10
#define ZRK_DATA_INFO_HEADER_SIZE 22
/* File offset of the first frame record: both headers, back to back. */
#define ZRK_DATA_OFFSET (ZRK_DATA_FILE_HEADER_SIZE + ZRK_DATA_INFO_HEADER_SIZE)

#pragma pack(push, 1)
typedef struct ZRK_DATA_FILE_HEADER {
    uint8_t signature[2]; /* 'Z' 'R' */
    int32_t fileSize;     /* announced frame-data bytes + 32 */
    int32_t dataOffset;   /* file offset of the first frame record; always 32 */
} ZRK_DATA_FILE_HEADER;

typedef struct ZRK_DATA_INFO_HEADER {
    int32_t headerSize;   /* always 22 */
    int32_t frameCount;   /* frame records in the file, as the camera announced them */
    int32_t triggerFrame; /* trigger's position in the file (0 = first record), -1 = none in range */
    int16_t idNumber;     /* the recording's ID number chosen for the download */
    uint8_t reserved[8];  /* written as 0, not read */
} ZRK_DATA_INFO_HEADER;
#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(ZRK_DATA_FILE_HEADER) == ZRK_DATA_FILE_HEADER_SIZE, "file header must be 10 bytes");
static_assert(sizeof(ZRK_DATA_INFO_HEADER) == ZRK_DATA_INFO_HEADER_SIZE, "info header must be 22 bytes");
static_assert(offsetof(ZRK_DATA_FILE_HEADER, dataOffset) == 6, "data offset at 6");
static_assert(offsetof(ZRK_DATA_INFO_HEADER, idNumber) == 12, "ID number at file offset 22");
}
#else
_Static_assert(sizeof(ZRK_DATA_FILE_HEADER) == ZRK_DATA_FILE_HEADER_SIZE, "file header must be 10 bytes");
_Static_assert(sizeof(ZRK_DATA_INFO_HEADER) == ZRK_DATA_INFO_HEADER_SIZE, "info header must be 22 bytes");
#endif

#endif
