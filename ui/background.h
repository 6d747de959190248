// The background window that covers the screen behind every dialog.
#pragma once

// Creates and shows the background window and sets State.MainWindow.
void CreateBackgroundWindow();
