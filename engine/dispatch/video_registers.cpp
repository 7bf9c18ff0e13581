#include "engine/dispatch/video_registers.h"

#include "requests/camera_models.h"
#include "requests/request_codes.h"

namespace {

// Columns in the order of VideoColumn: 0x5F and 0x5C, 0x66, 0x67, 0x40, every
// other model.
constexpr int kColumns = VIDEO_COLUMN_OTHER + 1;
constexpr int kFormats = REQ_VIDEO_1080P_25 - REQ_VIDEO_1080I_5994 + 1;
// Register values that read back as one format, on either register; an empty
// slot has register 0, which no model reads.
constexpr int kMaxReadBacks = 3;

struct VideoFormat {
  VideoRegisterWrite writes[kColumns];
  VideoRegisterWrite readBacks[kMaxReadBacks];
};

// In request order, 18..27. A camera may read back a value that another
// format wrote (model 0x40's NTSC and PAL write 1080i/59.94's value); it is
// shown as the format that lists it.
// clang-format off
const VideoFormat kFormatTable[kFormats] = {
    /* 1080i/59.94  */ {{{0x72, 0x02}, {0x72, 0x02}, {0x72, 0x01}, {0x72, 0x01}, {0x70, 0x01}},
                        {{0x72, 0x01}, {0x72, 0x02}, {0x70, 0x01}}},
    /* 720p/59.94   */ {{{0x72, 0x0A}, {0x72, 0x0A}, {0x72, 0x0C}, {0x72, 0x0C}, {0x70, 0x02}},
                        {{0x72, 0x0A}, {0x70, 0x02}}},
    /* NTSC         */ {{{0x72, 0x10}, {0x72, 0x10}, {0x72, 0x03}, {0x72, 0x01}, {0x70, 0x03}},
                        {{0x72, 0x03}, {0x72, 0x10}, {0x70, 0x03}}},
    /* 1080i/50     */ {{{0x72, 0x04}, {0x72, 0x04}, {0x72, 0x04}, {0x72, 0x04}, {0x70, 0x11}},
                        {{0x72, 0x04}, {0x70, 0x11}}},
    /* 720p/50      */ {{{0x72, 0x0C}, {0x72, 0x0C}, {0x72, 0x0C}, {0x72, 0x0C}, {0x70, 0x12}},
                        {{0x72, 0x0C}, {0x70, 0x12}}},
    /* PAL: every value no other format lists */
                       {{{0x72, 0x0D}, {0x72, 0x0D}, {0x72, 0x05}, {0x72, 0x01}, {0x70, 0x13}},
                        {}},
    /* 1080p/59.94p */ {{{0x72, 0x02}, {0x72, 0x02}, {0x72, 0x13}, {0x72, 0x13}, {0x70, 0x01}},
                        {{0x72, 0x13}}},
    /* 1080p/50     */ {{{0x72, 0x04}, {0x72, 0x14}, {0x72, 0x14}, {0x72, 0x14}, {0x70, 0x11}},
                        {{0x72, 0x14}}},
    /* 1080p/29.97  */ {{{0x72, 0x06}, {0x72, 0x06}, {0x72, 0x06}, {0x72, 0x06}, {0x72, 0x06}},
                        {{0x72, 0x06}}},
    /* 1080p/25     */ {{{0x70, 0x08}, {0x72, 0x08}, {0x72, 0x08}, {0x72, 0x08}, {0x70, 0x08}},
                        {{0x72, 0x08}}},
};
// clang-format on

}  // namespace

VideoRegisterWrite VideoRegisterWriteOf(uint32_t code, int32_t modelCode) {
  // The dispatcher passes 18..27 only; any other code still stays inside the table.
  if (code < REQ_VIDEO_1080I_5994 || code > REQ_VIDEO_1080P_25) code = REQ_VIDEO_PAL;
  return kFormatTable[code - REQ_VIDEO_1080I_5994].writes[CameraModelOf(modelCode).videoColumn];
}

uint32_t VideoFormatOfRegister(int32_t modelCode, int32_t value) {
  const int reg = VideoRegisterOfModel(modelCode);
  for (int f = 0; f < kFormats; f++)
    for (const VideoRegisterWrite& read : kFormatTable[f].readBacks)
      if (read.reg == reg && read.value == value) return REQ_VIDEO_1080I_5994 + static_cast<uint32_t>(f);
  return REQ_VIDEO_PAL;
}
