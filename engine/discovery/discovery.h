// Finding the cameras on every open port and starting their initialisation:
// the start-up phase, the port check and its broadcast echoes, the end of
// discovery, and the phases around each camera's initialisation chain.
#pragma once

#include "engine/core/camera_controller.h"

#include <cstdint>

// The start-up phase waits longer than this after the ports were opened.
constexpr uint32_t kStartupDelayMs = 50;
// How long discovery waits for a network line to come up (a name lookup and
// a TCP connection attempt fit in it).
constexpr uint32_t kLineUpWaitMs = 4000;

void StartupPhase(CameraController* c);
// The current line is checked now, or once its network line is up.
void BeginLineCheck(CameraController* c);
// The phase step while discovery waits for a network line: on to the check
// once it is up, or on without it once it failed or the wait ran out.
void AwaitLine(CameraController* c);
void LineCheckStep(CameraController* c);
// A packet read while a broadcast echo is awaited.
void HandleBroadcastEcho(CameraController* c);
// Cameras an address set's echo (88 30 0n FF) announces: n - 1, from 0 up to
// the most a line may carry; the one bound discovery and a line's check share.
int32_t AnnouncedCameras(const uint8_t* echo, uint32_t length);
// The current line answered nothing useful: its channel is closed for good
// and discovery moves on to the next open line.
void CloseLineWithoutCameras(CameraController* c);
// The current line was lost: its channel stays (the line is opened again and
// checked later) and discovery moves on to the next line.
void PassOverLine(CameraController* c);
// Fills the camera list at the end of the first initialisation: an entry per
// record (recovery then shows the ones it marked "(no answer)").
void FillCameraList(CameraController* c);
void DiscoveryFinished(CameraController* c);
void InitialiseCamera(CameraController* c);
void CameraInitialised(CameraController* c);
