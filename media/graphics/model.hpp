// Model handles and the model system.
#pragma once

// Prepares the model system once; 0.
int InitModelSystem();
// Ends it; 0.
int TerminateModelSystem();
