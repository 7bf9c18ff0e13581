// Empties the engine's notification queue into the value boxes beside the
// sliders. Runs on every tick of the main window's timer.
#pragma once

// Shows each notification in its value box; codes without one are taken
// and dropped. The sliders do not move.
void DrainNotifications();
