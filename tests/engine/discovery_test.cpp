// Finding cameras on several ports, and discovery's edge cases: silent and
// missing ports, no port at all, echoes announcing too many cameras or cut
// short.
#include "common/control_ids.h"
#include "engine/link_service.h"
#include "engine_rig.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

TEST(Discovery, CamerasOnSeveralPortsInPortAndAddressOrder) {
  SimLine line1;
  line1.AddCamera(0x45);
  line1.AddCamera(0x5F);
  SimLine line3;
  line3.AddCamera(0x66);
  WirePeer com1(&line1);
  WirePeer com2;  // open, but nothing on the line
  WirePeer com3(&line3);
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Attach(2, &com2);
  rig.Attach(3, &com3);
  rig.Start();
  ASSERT_TRUE(rig.RunToReady(30000));

  CameraController* c = rig.c;
  ASSERT_EQ(c->cameraCount.load(), 3);
  EXPECT_EQ(c->cameras[0].port, 0);
  EXPECT_EQ(c->cameras[0].address, 1);
  EXPECT_EQ(c->cameras[0].modelCode, 0x45);
  EXPECT_EQ(c->cameras[1].port, 0);
  EXPECT_EQ(c->cameras[1].address, 2);
  EXPECT_EQ(c->cameras[1].modelCode, 0x5F);
  EXPECT_EQ(c->cameras[2].port, 2);
  EXPECT_EQ(c->cameras[2].address, 1);
  EXPECT_EQ(c->cameras[2].modelCode, 0x66);

  EXPECT_EQ(rig.StatusTexts(),
            (Lines{"Searching for cameras...", "Checking COM1...", "Checking COM2...", "Checking COM3...",
                   "Found 3 cameras", "Initializing camera 1...", "Initializing camera 2...",
                   "Initializing camera 3...", "3 Cameras OK, none selected"}));
  EXPECT_EQ(rig.ListItems(), (Lines{"Camera 1", "Camera 2", "Camera 3"}));

  // The silent port got one address set and was closed about 201 ms later.
  uint32_t checked2 = rig.StatusTime("Checking COM2...");
  uint32_t checked3 = rig.StatusTime("Checking COM3...");
  EXPECT_GE(checked3 - checked2, 201u);
  EXPECT_LE(checked3 - checked2, 215u);
  EXPECT_EQ(com2.FrameBytes(), std::vector<Bytes>{B({0x88, 0x30, 0x01, 0xFF})});
  EXPECT_EQ(c->channels[1], nullptr);
  EXPECT_NE(c->channels[0], nullptr);
  EXPECT_NE(c->channels[2], nullptr);

  // Camera 2 is addressed as 82 on COM1, camera 3 as 81 on COM3.
  bool sawCamera2 = false;
  for (const Bytes& f : com1.FrameBytes()) sawCamera2 |= f[0] == 0x82;
  EXPECT_TRUE(sawCamera2);
  std::vector<Bytes> com3Frames = com3.FrameBytes();
  ASSERT_GE(com3Frames.size(), 3u);
  EXPECT_EQ(Hex(com3Frames[0]), "88 30 01 FF");
  EXPECT_EQ(Hex(com3Frames[1]), "88 01 00 01 FF");
  EXPECT_EQ(Hex(com3Frames[2]), "81 09 00 02 FF");
}

TEST(Discovery, PortThatFailedToOpenShowsNoCheckingText) {
  SimLine line;
  line.AddCamera(0x45);
  WirePeer com4(&line);
  EngineRig rig;
  rig.Attach(4, &com4);
  rig.Start();
  ASSERT_TRUE(rig.RunToReady());
  Lines texts = rig.StatusTexts();
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[1], "Checking COM4...");
  EXPECT_EQ(texts[2], "Found 1 camera");
  EXPECT_EQ(rig.c->cameras[0].port, 3);
}

TEST(Discovery, NoOpenPortEndsWithZeroCameras) {
  EngineRig rig;
  rig.Start();
  EXPECT_EQ(rig.c->port.load(), -1);
  rig.Run(100);
  EXPECT_EQ(rig.StatusTexts(), (Lines{"Searching for cameras...", "Found 0 cameras"}));
  EXPECT_EQ(rig.c->mode.load(), 0);
  EXPECT_EQ(rig.c->port.load(), -1);
  EXPECT_EQ(rig.c->cameraCount.load(), 0);
  EXPECT_EQ(rig.c->listReady.load(), 0);
  EXPECT_TRUE(rig.ListItems().empty());
}

TEST(Discovery, AllPortsSilentCloseOneAfterAnother) {
  WirePeer peers[3];
  EngineRig rig;
  for (int i = 0; i < 3; i++) rig.Attach(i + 1, &peers[i]);
  rig.Start();
  rig.Run(1000);
  EXPECT_EQ(rig.StatusTexts(), (Lines{"Searching for cameras...", "Checking COM1...", "Checking COM2...",
                                      "Checking COM3...", "Found 0 cameras"}));
  for (int i = 0; i < kChannelCount; i++) EXPECT_EQ(rig.c->channels[i], nullptr) << i;
  EXPECT_EQ(rig.c->mode.load(), 0);
  EXPECT_EQ(rig.c->port.load(), -1);
}

TEST(Discovery, EchoNeverCreatesMoreThanSevenCamerasPerLineNorPassesTheTable) {
  WirePeer peers[kChannelCount];
  EngineRig rig;
  for (int i = 0; i < kChannelCount; i++) rig.Attach(i + 1, &peers[i]);
  rig.Start();
  for (int i = 0; i < kChannelCount; i++) {
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ECHO && rig.c->mode.load() == 1; }, 100));
    ASSERT_EQ(rig.c->port.load(), i);
    peers[i].Inject(B({0x88, 0x30, 0x7F, 0xFF}));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == 2; }, 10));
    peers[i].Inject(B({0x88, 0x01, 0x00, 0x01, 0xFF}));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() != 2; }, 10));
  }
  EXPECT_EQ(rig.c->cameraCount.load(), kMaxCameras);
  for (int i = 0; i < kMaxCameras; i++) {
    EXPECT_EQ(rig.c->cameras[i].port, i / 7) << i;
    EXPECT_EQ(rig.c->cameras[i].address, i % 7 + 1) << i;
  }
  rig.Step();
  EXPECT_EQ(rig.StatusTexts().back(), "Initializing camera 1...");
  EXPECT_EQ(rig.StatusTexts()[rig.StatusTexts().size() - 2], "Found 70 cameras");
}

TEST(Discovery, EchoAnnouncingNoCameraCreatesNone) {
  WirePeer com1;
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Start();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ECHO; }, 100));
  com1.Inject(B({0x88, 0x30, 0x00, 0xFF}));  // would be -1 cameras
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == 2; }, 10));
  EXPECT_EQ(rig.c->cameraCount.load(), 0);
  com1.Inject(B({0x88, 0x01, 0x00, 0x01, 0xFF}));
  rig.Run(5);
  EXPECT_EQ(rig.StatusTexts().back(), "Found 0 cameras");
  EXPECT_EQ(rig.c->mode.load(), 0);
}

TEST(Discovery, ShortEchoRepeatsThePortCheck) {
  WirePeer com1;
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Start();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ECHO; }, 100));
  com1.Inject(B({0x88, 0x30, 0xFF}));
  ASSERT_TRUE(rig.RunUntil([&] { return com1.FrameBytes().size() == 2; }, 10));
  EXPECT_EQ(com1.FrameBytes()[1], B({0x88, 0x30, 0x01, 0xFF}));
  EXPECT_EQ(rig.StatusTexts(), (Lines{"Searching for cameras...", "Checking COM1...", "Checking COM1..."}));
  EXPECT_EQ(rig.c->cameraCount.load(), 0);
  com1.Inject(B({0x88, 0x30, 0x02, 0xFF}));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == 2; }, 10));
  EXPECT_EQ(rig.c->cameraCount.load(), 1);
  EXPECT_EQ(Hex(com1.FrameBytes().back()), "88 01 00 01 FF");
}

TEST(Discovery, MissingInterfaceClearEchoEndsDiscoveryWithoutList) {
  WirePeer com1;
  EngineRig rig;
  rig.Attach(1, &com1);
  rig.Start();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->stage.load() == STAGE_ECHO; }, 100));
  com1.Inject(B({0x88, 0x30, 0x02, 0xFF}));
  ASSERT_TRUE(rig.RunUntil([&] { return rig.c->mode.load() == 2; }, 10));
  rig.Run(300);
  EXPECT_EQ(rig.c->mode.load(), 0);
  EXPECT_EQ(rig.c->cameraCount.load(), 1);
  EXPECT_EQ(rig.c->listReady.load(), 0);
  EXPECT_EQ(rig.StatusTexts().back(), "Checking COM1...");
}

}  // namespace
