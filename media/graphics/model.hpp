// Model handles and the model system.
#pragma once

// Prepares the model system once; 0.
int InitModelSystem();
// Ends it; 0.
int TerminateModelSystem();
// Releases the device buffers every model holds, before the device goes; 0.
int ReleaseAllModelDeviceObjects();
