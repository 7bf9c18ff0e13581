// Framing of sent packets, the packet-end rule and the nibble decoder.
#include "engine/link_service.h"
#include "engine/transmission.h"
#include "engine_rig.h"

#include <gtest/gtest.h>

namespace {

TEST(Transmission, CommandIsFramedForTheCurrentCameraAndAwaitsAcknowledge) {
  EngineRig rig;
  WirePeer com1;
  rig.Attach(1, &com1);
  rig.Start();
  rig.c->cameras[2].address = 3;
  rig.c->camera = 2;
  rig.c->port = 0;
  SendPacket(rig.c, 8, 0x01, 0x04, 0x07, 0x02, -1);
  EXPECT_EQ(rig.c->mode.load(), 8);
  EXPECT_EQ(rig.c->stage.load(), STAGE_ACK);
  EXPECT_EQ(rig.c->sendTick.load(), VirtualTick());
  rig.SettleAll();
  ASSERT_EQ(com1.FrameBytes().size(), 1u);
  EXPECT_EQ(Hex(com1.FrameBytes()[0]), "83 01 04 07 02 FF");
}

TEST(Transmission, InquiryAwaitsAnswerAndSevenBytePayloadFits) {
  EngineRig rig;
  WirePeer com1;
  rig.Attach(1, &com1);
  rig.Start();
  rig.c->cameras[0].address = 1;
  rig.c->camera = 0;
  rig.c->port = 0;
  SendPacket(rig.c, 21, 0x09, 0x04, 0x47, -1);
  EXPECT_EQ(rig.c->mode.load(), 21);
  EXPECT_EQ(rig.c->stage.load(), STAGE_ANSWER);
  SendPacket(rig.c, 60, 0x01, 0x04, 0x28, 0x0E, 0x05, 0x00, 0x00, -1);
  rig.SettleAll();
  std::vector<Bytes> frames = com1.FrameBytes();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(Hex(frames[0]), "81 09 04 47 FF");
  EXPECT_EQ(Hex(frames[1]), "81 01 04 28 0E 05 00 00 FF");
}

TEST(Transmission, PayloadOverFourteenBytesIsRefusedWithoutSideEffects) {
  EngineRig rig;
  WirePeer com1;
  rig.Attach(1, &com1);
  rig.Start();
  rig.c->port = 0;
  rig.c->mode = 0;
  rig.c->stage = 0;
  uint32_t tickBefore = rig.c->sendTick.load();
  rig.Jump(10);
  SendPacket(rig.c, 8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, -1);
  EXPECT_EQ(rig.c->mode.load(), 0);
  EXPECT_EQ(rig.c->stage.load(), 0);
  EXPECT_EQ(rig.c->sendTick.load(), tickBefore);
  // Exactly fourteen is the most a 16-byte packet holds.
  SendPacket(rig.c, 8, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, -1);
  EXPECT_EQ(rig.c->mode.load(), 8);
  rig.SettleAll();
  ASSERT_EQ(com1.FrameBytes().size(), 1u);
  EXPECT_EQ(com1.FrameBytes()[0].size(), 16u);
}

TEST(Transmission, SendWithoutChannelStillStartsTransactionThatTimesOut) {
  EngineRig rig;
  rig.Start();  // no port at all
  rig.c->port = 3;
  SendPacket(rig.c, 21, 0x09, 0x04, 0x47, -1);
  EXPECT_EQ(rig.c->mode.load(), 21);
  rig.Run(200);
  EXPECT_EQ(rig.c->mode.load(), 21);
  rig.Step();
  EXPECT_EQ(rig.c->mode.load(), 0);
  EXPECT_EQ(rig.c->stage.load(), 0);
}

TEST(PacketEndTest, CompleteOnlyWhenLastByteIsFF) {
  uint8_t frame[4] = {0x90, 0x41, 0xFF, 0x00};
  int32_t length = 0;
  SetVirtualTick(5000);
  OsSetTickSourceForTest(VirtualTick);
  lastRxTick = 0;
  EXPECT_EQ(PacketEndTest(frame, &length), 0u);
  EXPECT_EQ(lastRxTick.load(), 5000u);
  length = 2;
  EXPECT_EQ(PacketEndTest(frame, &length), 0u);
  length = 3;
  SetVirtualTick(5007);
  EXPECT_EQ(PacketEndTest(frame, &length), 2u);
  EXPECT_EQ(length, 3);
  EXPECT_EQ(lastRxTick.load(), 5007u);
  OsSetTickSourceForTest(nullptr);
}

TEST(DecodeNibbles, LowNibblesFirstByteMostSignificant) {
  const uint8_t word[] = {0x0A, 0x0B, 0x0C, 0x0D};
  EXPECT_EQ(DecodeNibbles(word, 4), 0xABCDu);
  const uint8_t reg[] = {0x07, 0x02};
  EXPECT_EQ(DecodeNibbles(reg, 2), 0x72u);
  const uint8_t high[] = {0xF1, 0x32, 0x93, 0xE4};
  EXPECT_EQ(DecodeNibbles(high, 4), 0x1234u);
}

}  // namespace
