// What a request the soak's operator puts must look like on the wire: the
// exact command bytes, written out here from the protocol's request table and
// zoom tables, and whether the engine may leave it unsent because the camera
// already reports the value.
#pragma once

#include <cstdint>

// The reported record field a conditional request is compared with.
enum SoakField { FIELD_NONE, FIELD_APERTURE, FIELD_R_GAIN, FIELD_B_GAIN };

struct SoakCommand {
  static constexpr int kMaxBytes = 16;
  uint8_t bytes[kMaxBytes];
  int length;       // 0: the request never produces a command
  SoakField field;  // FIELD_NONE: always sent
};

// The command request `code` with argument a produces for the camera at
// `address` with model `modelCode`. Only the codes the operator uses are known.
SoakCommand ExpectedCommand(uint32_t code, int32_t a, int32_t address, int32_t modelCode);
// The top of the zoom slider for a model (10 * (N - 1)).
int32_t ZoomSliderMax(int32_t modelCode);
// A command the engine sends on its own while it initialises a camera.
bool IsInitialisationCommand(const uint8_t* packet, int length);
