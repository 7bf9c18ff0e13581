// Everything a virtual camera knows, in the units of the VISCA inquiries that
// read it. On/off values are the protocol's bytes: 2 on, 3 off.
#pragma once

#include <cstdint>

// The settings a preset stores and recalls.
struct SimPicture {
  uint16_t zoomPos = 0;
  uint8_t focusMode = 2;  // 2 auto, 3 manual
  uint16_t focusPos = 0x1000;
  uint8_t aeMode = 0x00;  // 00 full auto, 03 manual, 0A shutter, 0B iris, 0D bright
  uint16_t shutterPos = 0x08;
  uint16_t irisPos = 0x0B;
  uint16_t gainPos = 0x01;
  uint16_t brightPos = 0x0F;
  uint8_t expCompOn = 3;
  uint16_t expCompPos = 0x07;
  uint16_t aperture = 0x05;
  uint8_t wbMode = 0x00;  // 00 auto, 01 indoor, 02 outdoor, 03 one push, 04 ATW, 05 manual
  uint16_t rGain = 0xC0;
  uint16_t bGain = 0xC0;
  uint8_t gamma = 0;
  uint8_t pictureEffect = 0;
  uint8_t pictureFlip = 3;
  uint8_t icrMode = 3;
};

// Where a pan/tilt head stood when a preset was stored.
struct SimHeadSpot {
  int32_t panPos = 0;
  int32_t tiltPos = 0;
};

struct SimCameraState {
  // Memories 1..15 on a block camera, 1..63 on one with a head; 0x7F besides.
  static constexpr int kBlockPresets = 15;
  static constexpr int kPresets = 63;

  uint8_t address = 0;    // 0 until an address set reached the camera
  uint8_t modelCode = 0;  // low byte of the model id
  uint8_t power = 2;      // 2 on, 3 standby
  SimPicture picture;
  uint16_t zoomTarget = 0;  // where a running zoom move ends
  uint16_t focusTarget = 0x1000;
  uint8_t autoIcr = 3;
  uint8_t freeze = 3;
  uint8_t digitalZoom = 3;
  uint8_t zoomMode = 0;  // 00 combined, 01 separate digital zoom
  uint8_t gainLimit = 0x0F;
  uint8_t noiseReduction = 0;
  // Settings this model keeps without a visible effect here, by command byte.
  uint8_t setting26 = 0;
  uint8_t setting28[4] = {};
  uint8_t setting74 = 0;
  uint8_t registers[128] = {};  // 0x70 and 0x72 hold the video output format
  SimPicture presets[kPresets];
  SimHeadSpot presetSpots[kPresets];  // recalled with the picture on a camera with a head
  SimPicture customPreset;            // memory 0x7F: loaded when power comes on
  uint8_t lastPreset = 0;             // 0 until a preset other than 0x7F was recalled
  uint16_t sceneFocus = 0x6000;       // where auto focus settles
  uint16_t romVersion = 0x0100;
  // Pan/tilt head position (models that have one); 0, 0 is Home.
  int32_t panPos = 0;
  int32_t tiltPos = 0;
  uint32_t packetsReceived = 0;
  uint32_t packetsDropped = 0;  // arrived while the input queue was full
};
