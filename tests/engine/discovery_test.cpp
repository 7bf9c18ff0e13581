// Cameras on several ports, on none, and echoes announcing more than a line or the table holds.
#include "tests/support/engine_rig.h"

#include <gtest/gtest.h>

namespace {

TEST(Discovery, CamerasOnSeveralPortsInPortAndAddressOrder) {
  EngineRig rig;
  WirePeer& com1 = rig.Attach(1, {0x45, 0x5F});
  WirePeer& com2 = rig.Attach(2);  // open, but nothing on the line
  WirePeer& com3 = rig.Attach(3, {0x66});
  rig.Start();  // COM4..COM10 fail to open
  ASSERT_TRUE(rig.RunToReady(30000));

  std::vector<std::vector<int>> records;  // port, address, model
  for (int i = 0; i < rig.c->cameraCount.load(); i++)
    records.push_back({rig.c->cameras[i].port, rig.c->cameras[i].address, rig.c->cameras[i].modelCode});
  EXPECT_EQ(records, (std::vector<std::vector<int>>{{0, 1, 0x45}, {0, 2, 0x5F}, {2, 1, 0x66}}));
  EXPECT_EQ(rig.StatusTexts(),
            (Lines{"Searching for cameras...", "Checking COM1...", "Checking COM2...", "Checking COM3...",
                   "Found 3 cameras", "Initializing camera 1...", "Initializing camera 2...",
                   "Initializing camera 3...", "3 Cameras OK, none selected"}));
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2", "Camera 3"}));

  // The silent port got one address set and was closed about 201 ms later.
  uint32_t silence = com3.Frames()[0].tick - com2.Frames()[0].tick;
  EXPECT_GE(silence, 201u);
  EXPECT_LE(silence, 215u);
  EXPECT_EQ(com2.Hexes(), Lines{"88 30 01 FF"});
  EXPECT_TRUE(rig.c->channels[0] && !rig.c->channels[1] && rig.c->channels[2]);

  // Camera 2 is addressed as 82 on COM1.
  int toCamera2 = 0;
  for (const std::string& f : com1.Hexes()) toCamera2 += f.compare(0, 2, "82") == 0;
  EXPECT_EQ(toCamera2, 4 + 7 + 23);  // head, wide-range commands, setting chain
}

TEST(Discovery, NoOpenPortEndsWithZeroCameras) {
  EngineRig rig;
  rig.Start();
  rig.Run(100);
  EXPECT_EQ(rig.StatusTexts(), (Lines{"Searching for cameras...", "Found 0 cameras"}));
  EXPECT_EQ(rig.c->mode.load() | rig.c->cameraCount.load() | rig.c->listReady.load(), 0);
  EXPECT_TRUE(rig.c->port.load() == -1 && rig.ListItems().empty());
}

TEST(Discovery, EchoNeverCreatesMoreThanSevenCamerasPerLine) {
  EngineRig rig;
  for (int n = 1; n <= kSerialLineCount; n++) rig.Attach(n);
  rig.Start();
  for (int i = 0; i < kSerialLineCount; i++) {
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ECHO && rig.c->mode.load() == 1; }, 100));
    ASSERT_EQ(rig.c->port.load(), i);
    rig.Com(i + 1).Inject({0x88, 0x30, 0x7F, 0xFF});
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == MODE_NEXT_PORT; }, 10));
    rig.Com(i + 1).Inject({0x88, 0x01, 0x00, 0x01, 0xFF});
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() != MODE_NEXT_PORT; }, 10));
  }
  EXPECT_EQ(rig.c->cameraCount.load(), 70);
  for (int i = 0; i < 70; i++)
    EXPECT_EQ(rig.c->cameras[i].port * 10 + rig.c->cameras[i].address, i / 7 * 10 + i % 7 + 1) << i;
  rig.Step();
  Lines texts = rig.StatusTexts();
  EXPECT_EQ(Lines(texts.end() - 2, texts.end()), (Lines{"Found 70 cameras", "Initializing camera 1..."}));
}

}  // namespace
